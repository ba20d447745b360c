#include <iomanip>
#include <iostream>
#include <memory>

#include <nlohmann/json.hpp>

#include "cli/CommandOptions.h"
#include "cli/Commands.h"
#include "cli/ConsoleMessages.h"
#include "verify/VerifyImage.h"

namespace vantrel::cli {

namespace {

struct VerifyOptions {
    VerifyRequest request;
    bool json = false;
};

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
    auto checks = nlohmann::ordered_json::array();
    for (const auto& check : report.checks)
        checks.push_back(
            {{"subject", check.subject}, {"result", OutcomeName(check.outcome)}, {"detail", check.detail}});
    const nlohmann::ordered_json document = {
        {"image", image}, {"verified", report.AllPassed()}, {"checks", checks}};
    // Names and paths that are not UTF-8 get U+FFFD: the output stays JSON.
    std::cout << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

int RunVerify(VerifyOptions& options, const CommandContext& context)
{
    VerifyRequest& request = options.request;
    if (request.keyText) {
        if (Status key = CheckKeyText("--key", request.keyText->view(), 64); !key)
            return Fail(key.message());
    }
    request.toolDirectory = context.toolDirectory;
    request.progress = ProgressLines(context);

    const VerifyReport report = VerifyImage(request);
    if (options.json)
        PrintJson(request.imagePath, report);
    else
        PrintText(request.imagePath, report);
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
    CLI::App* command = program.add_subcommand("verify");
    AddImageArgument(*command, options->request.imagePath);
    command->add_option("--public-key", options->request.publicKeyPath)->check(CLI::ExistingFile);
    command->add_option_function<std::string>(
        "--key", [&request = options->request](const std::string& text) { request.keyText = SecretText(text); });
    command->add_flag("--json", options->json);
    return {command, [options](const CommandContext& context) { return RunVerify(*options, context); }};
}

}  // namespace vantrel::cli
