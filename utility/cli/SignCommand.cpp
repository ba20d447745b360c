#include <iostream>

#include "cli/Commands.h"
#include "signing/Generate.h"

namespace vantrel::cli {

int RunSignCommand(const std::vector<std::string>& arguments, const CommandContext& context)
{
    static const std::vector<OptionSpec> specs = {{"--key-pair"}};
    ParsedArguments parsed;
    ConsoleInterface ui;
    std::string error;
    if (const auto done = ParseCommandArguments("sign", specs, arguments, parsed))
        return *done;
    const auto keyPair = ChoiceIndex("--key-pair", parsed.value("--key-pair", "pelora"),
                                     {"pelora", "generate", "default"}, error);
    if (!keyPair || !ImageArgument("sign", parsed, ui.image, error))
        return Fail(error);
    ui.setCombo(Combo::KeyPair, *keyPair);

    DialogState state;
    state.toolDirectory = context.toolDirectory;
    Progress(context, "signing " + ui.image);
    return OnGenerate(state, ui) == 0 ? 0 : 1;
}

}  // namespace vantrel::cli
