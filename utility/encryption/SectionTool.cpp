#include "encryption/SectionTool.h"

#include "encryption/SaveFiles.h"
#include "runner/ToolRunner.h"

namespace vantrel {

namespace {

Outcome RunSectmend(const SectionToolContext& context, const ToolArguments& arguments, const std::string& step)
{
    const std::string tool = ToolPath(context.toolDirectory, "sectmend");
    const int status = RunToolAndWait(tool, arguments);
    if (status == ToolCouldNotStart)
        return Outcome::Fail("Could not start " + tool + " to " + step + " of " + context.outputName
                             + ". Nothing was saved.\n");
    if (status != 0)
        return Outcome::Fail("sectmend failed (status " + std::to_string(status) + ") to " + step + " of "
                             + context.outputName + ". Nothing was saved.\n");
    return Outcome::Ok();
}

}  // namespace

Outcome CopyWorkingImage(const SectionToolContext& context)
{
    return CopyImage(context.workingImage, SaveImageFile);
}

Outcome ReplaceSectionBytes(const SectionToolContext& context, const std::string& sectionName,
                            std::span<const std::uint8_t> bytes)
{
    if (Outcome written = WriteBytesFile(SaveBytesFile, bytes); !written)
        return written;
    return RunSectmend(context,
                       {"-replace", sectionName, "-o", context.workingImage.string(), "-bits", SaveBytesFile,
                        SaveImageFile},
                       "replace section " + sectionName);
}

Outcome GetSectionBytes(const SectionToolContext& context, const std::string& sectionName,
                        std::vector<std::uint8_t>& bytes)
{
    if (Outcome got = RunSectmend(context, {"-get", sectionName, "-o", SaveBytesFile, SaveImageFile},
                                  "read section " + sectionName);
        !got)
        return got;
    return ReadBytesFile(SaveBytesFile, bytes);
}

}  // namespace vantrel
