// The section tool on one ELF image: the fuzz input is the image. Every
// section the tool hands out goes back in unchanged, and a changed section
// lands exactly where its bytes were (SectionRoundTrip.h).
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "SectionRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string image = vantrel::fuzz::WriteScratchFile("image.elf", data, size);
    vantrel::fuzz::CheckSectionRoundTrips(image, image,
                                          {".text", ".symtab", "msg_code", "digital_signature", "AESData",
                                           "L1_code", "L1_Code_Encrypt", "dup", "empty"});
    return 0;
}
