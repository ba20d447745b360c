#include "signing/MessageSwap.h"

#include <filesystem>

#include "signing/ImageBackup.h"
#include "signing/SectionToolSteps.h"

namespace vantrel {

namespace {

void RemoveFiles(std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        std::error_code ignored;
        std::filesystem::remove(name, ignored);
    }
}

}  // namespace

Outcome<Done> ExchangeMessageSections(const std::string& toolDirectory, const std::string& image)
{
    // Left-overs of an earlier run would pass for this run's output.
    RemoveFiles({"signature.bin", "tmp.bin", "tmp.vnf"});
    for (const SectionToolStep& step : {ExchangeStep1(image), ExchangeStep2(image)}) {
        Outcome<Done> run = RunSectionTool(toolDirectory, step);
        if (!run.ok())
            return run;
    }
    std::error_code error;
    if (!std::filesystem::exists("tmp.bin", error))
        return Outcome<Done>::Fail("Error: Output Temp File doesn't generated! Please try again!\n");
    for (const SectionToolStep& step : {ExchangeStep3(image), ExchangeStep4(image)}) {
        Outcome<Done> run = RunSectionTool(toolDirectory, step);
        if (!run.ok())
            return run;
    }
    RemoveFiles({"tmp.bin", "tmp.vnf"});
    return Done{};
}

int SwapMessageSections(DialogState& state, UserInterface& ui)
{
    const std::string image = ui.imagePath();
    if (image.empty()) {
        ui.showMessage("Please input the VNF file.\n");
        return -1;
    }
    Outcome<Done> exchanged = ChangeImageOrRestore(
        image, [&] { return ExchangeMessageSections(state.toolDirectory, image); });
    if (exchanged.ok())
        return 0;
    ui.showMessage(exchanged.message());
    return -1;
}

}  // namespace vantrel
