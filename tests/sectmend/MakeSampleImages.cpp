// Writes the sample images the demonstration and manual checks use into the
// directory given: p0.vnf (a 32-bit ELF image with msg_code, msg_data,
// digital_signature, AESData, L1_code, an empty, a NOBITS and two "dup"
// sections) and o1.ovl (an archive holding a machine-0 member, then
// overlay1.elf).
#include <cstdio>
#include <exception>

#include "ElfMaker.h"

int main(int argc, char* argv[])
{
    using namespace vantrel::testing;
    if (argc != 2) {
        std::fputs("usage: make-sample-images DIRECTORY\n", stderr);
        return 2;
    }
    try {
        const std::filesystem::path directory = argv[1];
        WriteElfImage(directory / "p0.vnf", SampleImage());
        ImageSpec machineZero = SampleImage();
        machineZero.machine = 0;
        WriteArchive(directory / "o1.ovl",
                     {{"overlay1.elf", MakeElfImage(machineZero)}, {"overlay1.elf", MakeElfImage(SampleImage())}});
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make-sample-images: %s\n", error.what());
        return 1;
    }
}
