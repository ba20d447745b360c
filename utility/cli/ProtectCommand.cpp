#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandOptions.h"
#include "cli/Commands.h"
#include "cli/ConsoleMessages.h"
#include "cli/JsonOutput.h"
#include "cli/KeyInput.h"
#include "core/OutputCheck.h"
#include "core/Secret.h"
#include "encryption/AesKeyText.h"
#include "encryption/ProtectImage.h"
#include "encryption/SaveMessages.h"
#include "inventory/SectionFilter.h"
#include "signing/KeyFiles.h"
#include "verify/VerifyImage.h"

namespace vantrel::cli {

namespace fs = std::filesystem;

namespace {

struct ProtectOptions {
    LoadRequest load;
    std::string output;
    AesKeyLength keyLength = AesKeyLength::Bits128;
    AesMode mode = AesMode::Cbc;
    std::vector<std::string> hashNames;
    std::vector<std::string> aesNames;
    KeyInputOptions key;
    bool allowKeystreamReuse = false;
    bool force = false;
    bool json = false;
};

const Choices<AesMode> ModeChoices{
    {"ecb", AesMode::Ecb}, {"cbc", AesMode::Cbc}, {"ofb", AesMode::Ofb}, {"ctr", AesMode::Ctr}};

std::string ModeName(AesMode mode)
{
    for (const auto& [name, value] : ModeChoices)
        if (value == mode)
            return name;
    return {};
}

bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The output as an absolute path: a file name in a directory that exists.
Outcome<std::string> OutputPath(const std::string& given)
{
    std::error_code error;
    const fs::path output = fs::absolute(given, error).lexically_normal();
    if (error || output.filename().empty() || fs::is_directory(output, error) ||
        !fs::is_directory(output.parent_path(), error))
        return Outcome<std::string>::Fail("cannot write output " + given +
                                          " (not a file in an existing directory)");
    return output.string();
}

// The names given that are not among the sections Load kept, once each,
// the --hash names first.
std::vector<std::string> NamesNotKept(const ProtectOptions& options, const Inventory& inventory)
{
    std::vector<std::string> kept, missing;
    for (const auto& record : inventory.sectionTable)
        kept.push_back(record.name);
    for (const auto* names : {&options.hashNames, &options.aesNames})
        for (const auto& name : *names)
            if (!Contains(kept, name) && !Contains(missing, name))
                missing.push_back(name);
    return missing;
}

std::string InventoryOptionsText(Purpose purpose, Entry entry)
{
    if (purpose == Purpose::PracticalUse)
        return "--purpose practical";
    return std::string("--purpose demonstration --entry ") + (entry == Entry::Single ? "single" : "multi");
}

bool Offers(const Inventory& inventory, const std::string& name)
{
    return std::any_of(inventory.sectionTable.begin(), inventory.sectionTable.end(),
                       [&name](const SectionRecord& record) { return record.name == name; });
}

// Why a named section is not offered: the --purpose and --entry that offer
// it (found by loading the image with them), or that none does.
std::string NotOfferedReason(const std::string& name, const LoadRequest& load, const Inventory& inventory)
{
    const std::string quoted = "section '" + name + "'";
    if (IsReservedSectionName(name))
        return quoted + " holds the protection's own data and cannot be protected";
    static constexpr std::pair<Purpose, Entry> choices[] = {{Purpose::PracticalUse, Entry::Multi},
                                                            {Purpose::Demonstration, Entry::Single},
                                                            {Purpose::Demonstration, Entry::Multi}};
    for (const auto& [purpose, entry] : choices) {
        if (PassesPurposeAndEntry(name, load.purpose, load.entry) || !PassesPurposeAndEntry(name, purpose, entry))
            continue;
        LoadRequest other = load;
        other.purpose = purpose;
        other.entry = entry;
        other.progress = {};
        const Outcome<Inventory> offered = LoadInventory(other);
        if (offered && Offers(offered.value(), name))
            return quoted + " is offered with " + InventoryOptionsText(purpose, entry) + ", not with " +
                   InventoryOptionsText(load.purpose, load.entry);
    }
    std::string offered;
    for (const auto& record : inventory.sectionTable)
        offered += (offered.empty() ? "" : ", ") + record.name;
    return quoted + " is not a section of " + load.imagePath + " with contents to protect (" +
           InventoryOptionsText(load.purpose, load.entry) + " offers " +
           (offered.empty() ? std::string("none") : offered) + ")";
}

// What happens to each kept section: an --aes name is encrypted (also when
// --hash names it too), a --hash name hashed. A name Load did not keep is
// refused saying which --purpose and --entry would offer it.
Outcome<std::vector<Treatment>> Treatments(const ProtectOptions& options, const Inventory& inventory)
{
    const std::vector<std::string> missing = NamesNotKept(options, inventory);
    if (!missing.empty()) {
        std::string reasons;
        for (const auto& name : missing)
            reasons += (reasons.empty() ? "" : "; ") + NotOfferedReason(name, options.load, inventory);
        return Outcome<std::vector<Treatment>>::Fail(reasons + ". Nothing was written");
    }
    std::vector<Treatment> treatments;
    for (const auto& record : inventory.sectionTable)
        treatments.push_back(Contains(options.aesNames, record.name)    ? Treatment::Encrypt
                             : Contains(options.hashNames, record.name) ? Treatment::Hash
                                                                        : Treatment::None);
    return treatments;
}

// OFB and CTR here restart one key stream from the one IV for every section
// and for the AESData table (the record format and the target's boot code
// work that way): refused unless the user says they accept it.
Status CheckMode(const ProtectOptions& options)
{
    if ((options.mode != AesMode::Ofb && options.mode != AesMode::Ctr) || options.allowKeystreamReuse)
        return Done{};
    return Status::Fail(
        "--mode " + ModeName(options.mode) +
        " encrypts every section and the AESData table with one key stream from one IV: anyone holding the "
        "protected image learns the XOR of any two encrypted buffers and can rebuild a hashed section's record. "
        "Give --allow-keystream-reuse to accept this, or use --mode cbc");
}

// Every option, and the key, checked before the image is read.
Outcome<SecretBytes> CheckOptions(ProtectOptions& options)
{
    using Result = Outcome<SecretBytes>;
    if (Status mode = CheckMode(options); !mode)
        return Result::Fail(mode.message());
    if (options.hashNames.empty() && options.aesNames.empty())
        return Result::Fail("protect needs at least one --hash NAME or --aes NAME");
    if (!options.key.given())
        return Result::Fail("protect needs the AES key: --key-file FILE, --key-file - (standard input) or "
                            "--key-env NAME");
    const Outcome<KeyInput> key = ReadKey(options.key);
    if (!key)
        return Result::Fail(key.message());
    const int keyBytes = AesKeyBytes(options.keyLength);
    const std::size_t digits = 2 * static_cast<std::size_t>(keyBytes);
    if (Status checked = CheckKeyDigits(key.value(), {digits},
                                        "--key-len " + std::to_string(8 * keyBytes) + " needs " +
                                            std::to_string(digits));
        !checked)
        return Result::Fail(checked.message());
    return AesKeyFromText(key.value().text.view(), keyBytes);
}

// A device that checks the signature refuses a protected image that is not
// signed: the user hears of it, but the protect goes on (an image may be
// signed after it is protected, or protected only for a test).
void WarnWhenUnsigned(const std::string& imagePath, const std::string& toolDirectory)
{
    VerifyRequest verify;
    verify.imagePath = imagePath;
    verify.toolDirectory = toolDirectory;
    verify.publicKeyPath = fs::absolute("public.ecs").string();
    if (const std::optional<std::string> problem = SignatureProblem(verify))
        Warn(imagePath + " is not signed with the key in " + verify.publicKeyPath + " (" + *problem +
             "); a device that checks the signature will refuse the protected image. Sign it first with "
             "vantrel-utility sign.");
}

// The command line's own one line of success.
std::string ProtectedLine(const ProtectOptions& options, const ProtectRequest& request)
{
    const auto count = [&request](Treatment treatment) {
        return std::count(request.treatments.begin(), request.treatments.end(), treatment);
    };
    std::string mode = ModeName(request.mode);
    std::transform(mode.begin(), mode.end(), mode.begin(), [](unsigned char c) { return std::toupper(c); });
    return "Protected " + options.load.imagePath + " into " + request.outputPath + ": " +
           std::to_string(count(Treatment::Encrypt)) + " section(s) encrypted with AES-" +
           std::to_string(8 * AesKeyBytes(request.keyLength)) + " " + mode + ", " +
           std::to_string(count(Treatment::Hash)) + " hashed.";
}

void PrintResultJson(const ProtectOptions& options, const ProtectRequest& request)
{
    const auto names = [&request](Treatment treatment) {
        auto list = nlohmann::ordered_json::array();
        for (std::size_t row = 0; row < request.treatments.size(); ++row)
            if (request.treatments[row] == treatment)
                list.push_back(request.inventory->sectionTable[row].name);
        return list;
    };
    PrintJson({{"image", options.load.imagePath},
               {"output", request.outputPath},
               {"keyLength", 8 * AesKeyBytes(request.keyLength)},
               {"mode", ModeName(request.mode)},
               {"encrypted", names(Treatment::Encrypt)},
               {"hashed", names(Treatment::Hash)}});
}

int RunProtect(ProtectOptions& options, const CommandContext& context)
{
    Outcome<SecretBytes> key = CheckOptions(options);
    if (!key)
        return UsageError(key.message());
    if (options.mode == AesMode::Ecb)
        Warn("--mode ecb encrypts equal 16-byte blocks of a section to equal blocks, so anyone holding the "
             "protected image sees where its contents repeat; --mode cbc does not");
    const Outcome<std::string> output = OutputPath(options.output);
    if (!output)
        return UsageError(output.message());
    // The image itself may be the output (protected in place); the key files
    // and the AES key file may not.
    const std::string keyFile = options.key.keyFile == "-" ? "" : options.key.keyFile;
    if (const Status outputs = CheckOutputs({{options.output, "output image", OutputKind::Image}},
                                            {{keyFile, "AES key file"},
                                             {PrivateKeyFileName, "private key file"},
                                             {PublicKeyFileName, "public key file"},
                                             {SignatureRecordFileName, "signature record"}},
                                            options.force);
        !outputs)
        return Fail(MessageLine(outputs.message()));

    const Progress progress = ProgressLines(context);
    options.load.toolDirectory = context.toolDirectory;
    options.load.progress = progress;
    Outcome<Inventory> inventory = LoadInventory(options.load);
    if (!inventory)
        return Fail(inventory.message());
    Outcome<std::vector<Treatment>> treatments = Treatments(options, inventory.value());
    if (!treatments)
        return Fail(treatments.message());

    WarnWhenUnsigned(options.load.imagePath, context.toolDirectory);

    ProtectRequest request;
    request.inventory = std::make_shared<const Inventory>(std::move(inventory.value()));
    request.treatments = std::move(treatments.value());
    request.keyLength = options.keyLength;
    request.mode = options.mode;
    request.key = std::move(key.value());
    request.outputPath = output.value();
    request.toolDirectory = context.toolDirectory;
    request.progress = progress;
    // The operation writes a private working copy and puts it in the
    // output's place only when every step passed: a failure leaves no
    // half-protected output and the input as it was, even when they are the
    // same file.
    Report(progress, "protecting into " + request.outputPath);
    const Status saved = ProtectImage(request);
    if (!saved)
        return Fail(saved.message());
    std::cerr << ProtectedLine(options, request) << std::endl;
    if (options.json)
        PrintResultJson(options, request);
    return 0;
}

}  // namespace

Command AddProtectCommand(CLI::App& program)
{
    auto options = std::make_shared<ProtectOptions>();
    CLI::App* command = program.add_subcommand("protect");
    AddImageArgument(*command, options->load.imagePath);
    command->add_option("-o", options->output)->required();
    AddKeyInputOptions(*command, options->key);
    AddChoice(*command, "--key-len", options->keyLength,
              Choices<AesKeyLength>{{"128", AesKeyLength::Bits128},
                                    {"192", AesKeyLength::Bits192},
                                    {"256", AesKeyLength::Bits256}});
    AddChoice(*command, "--mode", options->mode, ModeChoices);
    command->add_flag("--allow-keystream-reuse", options->allowKeystreamReuse);
    command->add_flag("--force", options->force);
    // One name per --hash or --aes; the option is given again for the next.
    command->add_option("--hash", options->hashNames)->allow_extra_args(false);
    command->add_option("--aes", options->aesNames)->allow_extra_args(false);
    AddInventoryOptions(*command, options->load);
    command->add_flag("--json", options->json);
    return {command, [options](const CommandContext& context) { return RunProtect(*options, context); }};
}

}  // namespace vantrel::cli
