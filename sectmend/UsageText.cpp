#include "UsageText.h"

#include <cstdio>

namespace sectmend {

const char* const kUsageText =
    "Usage: \n"
    "       sectmend -get section-name [-o output-bits-filename] [-text] input-elf-filename\n"
    "       sectmend -replace section-name [-o output-filename] [-bits input-bits-filename] [-text] "
    "input-elf-filename\n"
    "       sectmend [-help | -version]\n"
    "Examples:\n"
    "       sectmend -get _ov_os_overlay_1 -o bytes_bin o1.ovl(overlay1.elf)\n"
    "       sectmend -get L1_code -o bytes_txt -text p0.vnf\n"
    "       sectmend -replace _ov_os_overlay_1 -o o1_new_from_txt.ovl -bits bytes_txt -text "
    "o1.ovl(overlay1.elf)\n"
    "       sectmend -replace L1_code -o p0_new.vnf -bits bytes_bin p0.vnf\n";

void WriteUsage()
{
    std::fputs(kUsageText, stderr);
    std::fputs("\n", stderr);
}

}  // namespace sectmend
