#include <filesystem>
#include <iomanip>
#include <iostream>
#include <memory>

#include "cli/CommandOptions.h"
#include "cli/Commands.h"
#include "cli/ConsoleMessages.h"
#include "cli/JsonOutput.h"
#include "cli/KeyInput.h"
#include "keys/PublicKeyFingerprint.h"
#include "signing/CurveFile.h"
#include "verify/VerifyImage.h"

namespace vantrel::cli {

namespace {

struct VerifyOptions {
    VerifyRequest request;
    KeyInputOptions key;
    bool json = false;
};

// The public key checked against, named absolutely, and its SHA-256
// fingerprint ("" when the file holds no usable key: the signature check
// says why).
struct PublicKeyIdentity {
    std::string path;
    std::string fingerprint;
    bool pelora = false;  // the public Pelora key: anyone can sign with it
};

// What the signature and the AESData record leave open, said on every
// verification so that "verified" is not read as more than it is.
constexpr const char* NotCovered =
    "Not covered: the ELF and program headers, msg_code, sections the AESData record does not name; the "
    "AESData record carries no key-bound integrity";

PublicKeyIdentity IdentifyPublicKey(const VerifyRequest& request)
{
    std::error_code error;
    const auto absolute = std::filesystem::absolute(request.publicKeyPath, error).lexically_normal();
    const Outcome<std::string> fingerprint =
        PublicKeyFingerprint(request.publicKeyPath, CurveFilePath(request.toolDirectory));
    return {error ? request.publicKeyPath : absolute.string(), fingerprint ? fingerprint.value() : "",
            IsPeloraPublicKeyFile(request.publicKeyPath, CurveFilePath(request.toolDirectory))};
}

std::string FailedSubjects(const VerifyReport& report)
{
    std::string subjects;
    for (const auto& check : report.checks)
        if (check.outcome == CheckOutcome::Failed)
            subjects += (subjects.empty() ? "" : ", ") + check.subject;
    return subjects;
}

void PrintText(const std::string& image, const PublicKeyIdentity& key, const VerifyReport& report)
{
    std::cout << "Image: " << image << "\n";
    std::cout << "Public key: " << key.path << "\n";
    std::cout << "Public key SHA-256: " << (key.fingerprint.empty() ? "(no usable key)" : key.fingerprint) << "\n";
    if (key.pelora)
        std::cout << "Public key: the Pelora key, whose pair is public: anyone can sign with it\n";
    for (const auto& check : report.checks)
        std::cout << "  " << std::left << std::setw(8) << OutcomeName(check.outcome) << std::setw(32)
                  << check.subject << check.detail << "\n";
    std::cout << NotCovered << "\n";
    std::cout << (report.AllPassed() ? "Result: verified\n" : "Result: NOT verified\n");
}

void PrintReportJson(const std::string& image, const PublicKeyIdentity& key, const VerifyReport& report)
{
    auto checks = nlohmann::ordered_json::array();
    for (const auto& check : report.checks)
        checks.push_back(
            {{"subject", check.subject}, {"result", OutcomeName(check.outcome)}, {"detail", check.detail}});
    PrintJson({{"image", image},
               {"publicKey", key.path},
               {"fingerprint", key.fingerprint.empty() ? nullptr : nlohmann::ordered_json(key.fingerprint)},
               {"pelora", key.pelora},
               {"verified", report.AllPassed()},
               {"checks", checks}});
}

// The key, when one is given: hexadecimal digits of one of the three AES key
// lengths (the record says which one it must be).
Status ReadVerifyKey(VerifyOptions& options)
{
    VerifyRequest& request = options.request;
    if (!options.key.given())
        return request.originalImagePath.empty()
                   ? Status(Done{})
                   : Status::Fail("--original needs the AES key: --key-file FILE, --key-file - or --key-env NAME");
    Outcome<KeyInput> key = ReadKey(options.key);
    if (!key)
        return Status::Fail(key.message());
    const std::string lengths = "an AES key has 32, 48 or 64 (AES-128, -192, -256)";
    if (Status checked = CheckKeyDigits(key.value(), {32, 48, 64}, lengths); !checked)
        return checked;
    request.keyText = std::move(key.value().text);
    return Done{};
}

int RunVerify(VerifyOptions& options, const CommandContext& context)
{
    VerifyRequest& request = options.request;
    if (Status key = ReadVerifyKey(options); !key)
        return UsageError(key.message());
    request.toolDirectory = context.toolDirectory;
    request.progress = ProgressLines(context);

    const VerifyReport report = VerifyImage(request);
    const PublicKeyIdentity key = IdentifyPublicKey(request);
    if (options.json)
        PrintReportJson(request.imagePath, key, report);
    else
        PrintText(request.imagePath, key, report);
    if (report.AllPassed())
        return 0;
    const std::string failed = FailedSubjects(report);
    return Fail(failed.empty() ? "nothing could be verified in " + request.imagePath
                               : "verification failed: " + failed);
}

}  // namespace

Command AddVerifyCommand(CLI::App& program)
{
    auto options = std::make_shared<VerifyOptions>();
    VerifyRequest& request = options->request;
    CLI::App* command = program.add_subcommand("verify");
    AddImageArgument(*command, request.imagePath);
    command->add_option("--public-key", request.publicKeyPath)->check(CLI::ExistingFile);
    AddKeyInputOptions(*command, options->key);
    command->add_option("--original", request.originalImagePath)->check(CLI::ExistingFile);
    command->add_flag("--json", options->json);
    return {command, [options](const CommandContext& context) { return RunVerify(*options, context); }};
}

}  // namespace vantrel::cli
