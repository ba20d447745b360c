// The section tool on a member of an archive: the fuzz input is the archive.
// The same properties as for a single image, through "archive(member)".
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "SectionRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string archive = vantrel::fuzz::WriteScratchFile("image.a", data, size);
    for (const char* member : {"overlay1.elf", "firmware.vnf"})
        vantrel::fuzz::CheckSectionRoundTrips(archive + "(" + member + ")", archive,
                                              {".text", "msg_code", "AESData", "L1_code"});
    return 0;
}
