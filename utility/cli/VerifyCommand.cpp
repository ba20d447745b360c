#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

#include <openssl/crypto.h>

#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "verify/VerifyImage.h"

namespace vantrel::cli {

namespace {

std::string FailedSubjects(const VerifyReport& report)
{
    std::string subjects;
    for (const auto& check : report.checks)
        if (check.outcome == CheckOutcome::Failed)
            subjects += (subjects.empty() ? "" : ", ") + check.subject;
    return subjects;
}

void PrintText(const std::string& image, const VerifyReport& report)
{
    std::cout << "Image: " << image << "\n";
    for (const auto& check : report.checks)
        std::cout << "  " << std::left << std::setw(8) << OutcomeName(check.outcome) << std::setw(32)
                  << check.subject << check.detail << "\n";
    std::cout << (report.AllPassed() ? "Result: verified\n" : "Result: NOT verified\n");
}

void PrintJson(const std::string& image, const VerifyReport& report)
{
    std::ostringstream out;
    out << "{\n  \"image\": " << JsonString(image) << ",\n  \"verified\": "
        << (report.AllPassed() ? "true" : "false") << ",\n  \"checks\": [";
    const char* separator = "\n";
    for (const auto& check : report.checks) {
        out << separator << "    {\"subject\": " << JsonString(check.subject) << ", \"result\": \""
            << OutcomeName(check.outcome) << "\", \"detail\": " << JsonString(check.detail) << "}";
        separator = ",\n";
    }
    out << (report.checks.empty() ? "]\n}\n" : "\n  ]\n}\n");
    std::cout << out.str();
}

}  // namespace

int RunVerifyCommand(const std::vector<std::string>& arguments, const CommandContext& context)
{
    static const std::vector<OptionSpec> specs = {{"--public-key"}, {"--key"}, {"--json", false}};
    ParsedArguments parsed;
    VerifyRequest request;
    std::string error;
    if (const auto done = ParseCommandArguments("verify", specs, arguments, parsed))
        return *done;
    if (parsed.has("--key")) {
        request.keyText = parsed.value("--key");
        if (!CheckKeyText("--key", *request.keyText, 64, error))
            return Fail(error);
    }
    request.publicKeyPath = parsed.value("--public-key", "public.ecs");
    if (parsed.has("--public-key") && !std::ifstream(request.publicKeyPath))
        return Fail("cannot read public key file " + request.publicKeyPath);
    if (!ImageArgument("verify", parsed, request.imagePath, error))
        return Fail(error);
    request.toolDirectory = context.toolDirectory;
    if (context.showProgress)
        request.progress = [](const std::string& line) { std::cerr << line << std::endl; };

    const VerifyReport report = VerifyImage(request);
    if (request.keyText)
        OPENSSL_cleanse(request.keyText->data(), request.keyText->size());
    if (parsed.has("--json"))
        PrintJson(request.imagePath, report);
    else
        PrintText(request.imagePath, report);
    if (report.AllPassed())
        return 0;
    const std::string failed = FailedSubjects(report);
    return Fail(failed.empty() ? "nothing could be verified in " + request.imagePath
                               : "verification failed: " + failed);
}

}  // namespace vantrel::cli
