#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/CommandOptions.h"
#include "cli/Commands.h"
#include "cli/ConsoleMessages.h"
#include "cli/JsonOutput.h"
#include "keys/PublicKeyFingerprint.h"
#include "signing/CurveFile.h"
#include "signing/SignImage.h"

namespace vantrel::cli {

namespace {

struct SignOptions {
    SignRequest request;
    bool force = false;
    bool json = false;
};

// The lines of a signing: the public key of a new pair is a result, printed
// on standard output whatever it is connected to (unless the result is
// JSON); the dated copies kept of a replaced pair are always told; the
// other lines are progress.
Progress SignLines(const SignOptions& options, const CommandContext& context)
{
    return [progress = ProgressLines(context), json = options.json](const std::string& line) {
        if (line.starts_with("public key = ") && !json)
            std::cout << line << std::endl;
        else if (line.starts_with("kept "))
            std::cerr << line << std::endl;
        else
            Report(progress, line);
    };
}

void PrintResultJson(const SignRequest& request)
{
    std::error_code error;
    const std::string publicKey = std::filesystem::absolute(request.keys.publicKey, error).string();
    const Outcome<std::string> fingerprint =
        PublicKeyFingerprint(request.keys.publicKey, CurveFilePath(request.toolDirectory));
    PrintJson({{"image", request.imagePath},
               {"publicKey", publicKey},
               {"fingerprint", fingerprint ? nlohmann::ordered_json(fingerprint.value()) : nullptr}});
}

int RunSign(SignOptions& options, const CommandContext& context)
{
    SignRequest& request = options.request;
    request.toolDirectory = context.toolDirectory;
    request.progress = SignLines(options, context);
    // Key files of another pair go only with --force; the core keeps them
    // as dated copies then.
    bool refused = false;
    request.confirmReplaceKeys = [&refused, force = options.force](const std::string&) {
        refused = !force;
        return force;
    };
    std::error_code error;
    const bool noPrivateKey = !std::filesystem::exists(request.keys.privateKey, error);

    const Status signedImage = SignImage(request);
    if (!signedImage) {
        std::string hint;
        if (refused)
            hint = "\nGive --force to replace them, or --private-key and --public-key to name other key files.";
        else if (noPrivateKey && request.keyPair == KeyPairSource::Default)
            hint = "\n--key-pair generate makes a new key pair (--key-pair pelora: the public demonstration pair).";
        return Fail(MessageLine(signedImage.message()) + hint);
    }
    std::cerr << "Digital Signature Signed!" << std::endl;
    if (options.json)
        PrintResultJson(request);
    return 0;
}

}  // namespace

Command AddSignCommand(CLI::App& program)
{
    auto options = std::make_shared<SignOptions>();
    SignRequest& request = options->request;
    CLI::App* command = program.add_subcommand("sign");
    AddImageArgument(*command, request.imagePath);
    AddChoice(*command, "--key-pair", request.keyPair,
              Choices<KeyPairSource>{{"default", KeyPairSource::Default},
                                     {"generate", KeyPairSource::Generate},
                                     {"pelora", KeyPairSource::Pelora}});
    command->add_option("--private-key", request.keys.privateKey);
    command->add_option("--public-key", request.keys.publicKey);
    command->add_flag("--force", options->force);
    command->add_flag("--json", options->json);
    return {command, [options](const CommandContext& context) { return RunSign(*options, context); }};
}

}  // namespace vantrel::cli
