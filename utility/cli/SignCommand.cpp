#include <iostream>
#include <memory>

#include "cli/CommandOptions.h"
#include "cli/Commands.h"
#include "cli/ConsoleMessages.h"
#include "signing/SignImage.h"

namespace vantrel::cli {

namespace {

int RunSign(SignRequest& request, const CommandContext& context)
{
    request.toolDirectory = context.toolDirectory;
    // The public key of a new key pair is a result, printed on standard
    // output whatever it is connected to; the other lines are progress.
    const Progress progress = ProgressLines(context);
    request.progress = [&progress](const std::string& line) {
        if (line.starts_with("public key = "))
            std::cout << line << std::endl;
        else
            Report(progress, line);
    };
    const Status signedImage = SignImage(request);
    if (!signedImage)
        return Fail(signedImage.message());
    std::cerr << "Digital Signature Signed!" << std::endl;
    return 0;
}

}  // namespace

Command AddSignCommand(CLI::App& program)
{
    auto request = std::make_shared<SignRequest>();
    request->keyPair = KeyPairSource::Pelora;
    CLI::App* command = program.add_subcommand("sign");
    AddImageArgument(*command, request->imagePath);
    AddChoice(*command, "--key-pair", request->keyPair,
              Choices<KeyPairSource>{{"pelora", KeyPairSource::Pelora},
                                     {"generate", KeyPairSource::Generate},
                                     {"default", KeyPairSource::Default}});
    return {command, [request](const CommandContext& context) { return RunSign(*request, context); }};
}

}  // namespace vantrel::cli
