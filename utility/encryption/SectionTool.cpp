#include "encryption/SectionTool.h"

#include "encryption/SaveFiles.h"
#include "runner/ToolRunner.h"

namespace vantrel {

namespace {

Status RunSectmend(const SectionToolContext& context, const ToolArguments& arguments, const std::string& step)
{
    const std::string tool = ToolPath(context.toolDirectory, "sectmend");
    const int status = RunToolAndWait(tool, arguments);
    if (status == ToolCouldNotStart)
        return Status::Fail("Could not start " + tool + " to " + step + " of " + context.outputName
                             + ". Nothing was saved.\n");
    if (status != 0)
        return Status::Fail("sectmend failed (status " + std::to_string(status) + ") to " + step + " of "
                             + context.outputName + ". Nothing was saved.\n");
    return Status(Done{});
}

}  // namespace

Status CopyWorkingImage(const SectionToolContext& context)
{
    return CopyImage(context.workingImage, SaveImageFile);
}

Status ReplaceSectionBytes(const SectionToolContext& context, const std::string& sectionName,
                            std::span<const std::uint8_t> bytes)
{
    if (Status written = WriteBytesFile(SaveBytesFile, bytes); !written)
        return written;
    return RunSectmend(context,
                       {"-replace", sectionName, "-o", context.workingImage.string(), "-bits", SaveBytesFile,
                        SaveImageFile},
                       "replace section " + sectionName);
}

Status GetSectionBytes(const SectionToolContext& context, const std::string& sectionName,
                        std::vector<std::uint8_t>& bytes)
{
    if (Status got = RunSectmend(context, {"-get", sectionName, "-o", SaveBytesFile, SaveImageFile},
                                  "read section " + sectionName);
        !got)
        return got;
    return ReadBytesFile(SaveBytesFile, bytes);
}

}  // namespace vantrel
