#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>

#include "cli/CommandOptions.h"
#include "cli/Commands.h"
#include "cli/ConsoleMessages.h"
#include "cli/TokenOptions.h"
#include "core/Files.h"
#include "core/HexText.h"
#include "core/OutputCheck.h"
#include "keys/KeyImport.h"
#include "keys/KeyPairCheck.h"
#include "keys/PublicKeyExport.h"
#include "keys/PublicKeyFingerprint.h"
#include "pkcs11/TokenOperations.h"
#include "signing/CurveFile.h"
#include "signing/KeyPair.h"
#include "signing/PeloraKey.h"

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

struct KeysOptions {
    CLI::App* generate = nullptr;
    CLI::App* exportKey = nullptr;
    CLI::App* import = nullptr;
    CLI::App* check = nullptr;
    bool pelora = false;
    bool force = false;
    std::string folder = ".";  // where generate and import write the key files
    std::string source;        // the OpenSSL key file import reads
    PublicKeyExportRequest exportRequest;
    std::string output;        // where export writes; "" is standard output
    KeyFilePaths pair;         // the files check compares
    TokenOptions generateToken;  // generate in a PKCS#11 token
    TokenOptions exportToken;    // export a token's public key
    CLI::Option* outOption = nullptr;
    CLI::Option* exportPublicKeyOption = nullptr;
};

// keys generate --pkcs11: the pair made inside the token, public.ecs here.
int RunTokenGenerate(const KeysOptions& options)
{
    if (options.pelora || options.force)
        return UsageError("--pelora and --force are for key files, not with --pkcs11");
    Outcome<TokenKeyLocation> location = TokenLocation(options.generateToken);
    if (!location)
        return Fail(MessageLine(location.message()));
    const std::string publicKey = (fs::path(options.folder) / PublicKeyFileName).lexically_normal().string();
    const std::string pinFile = options.generateToken.pinFile == "-" ? "" : options.generateToken.pinFile;
    if (const Status apart = CheckOutputs({{publicKey, "public key file", OutputKind::Image}},
                                          {{pinFile, "PIN file"}}, true);
        !apart)
        return Fail(MessageLine(apart.message()));
    const Outcome<std::vector<std::uint8_t>> made = GenerateTokenKey({std::move(location.value()), publicKey});
    if (!made)
        return Fail(MessageLine(made.message()));
    // The id, as a URI gives it, names this key alone from now on.
    std::string id;
    for (const std::uint8_t byte : made.value())
        id += "%" + BytesToHex(std::vector<std::uint8_t>{byte});
    std::cerr << "Key pair made in the token " << options.generateToken.uri << " with id=" << id
              << "; its public key is in " << publicKey << std::endl;
    return 0;
}

// Makes the key files in the folder: MakeKeyPair or ImportPrivateKey with
// these paths, confirmation and progress.
using KeyFileMaker = std::function<Status(const KeyFilePaths&, const ConfirmReplace&, const Progress&)>;

int MakeKeyFiles(const KeysOptions& options, const KeyFileMaker& make)
{
    const auto in = [&options](const char* name) {
        return (fs::path(options.folder) / name).lexically_normal().string();
    };
    const KeyFilePaths paths{in(PrivateKeyFileName), in(PublicKeyFileName)};
    // Key files of another pair go only with --force; they are kept as dated
    // copies then.
    bool refused = false;
    const ConfirmReplace confirm = [&refused, force = options.force](const std::string&) {
        refused = !force;
        return force;
    };
    // The public key is the result; where the replaced files went is always
    // told.
    const Progress progress = [](const std::string& line) {
        (line.starts_with("public key = ") ? std::cout : std::cerr) << line << std::endl;
    };
    const Status made = make(paths, confirm, progress);
    if (!made)
        return Fail(MessageLine(made.message()) +
                    (refused ? "\nGive --force to replace them, or --out to write into another folder." : ""));
    std::cerr << "Key pair written to " << paths.privateKey << " and " << paths.publicKey << std::endl;
    return 0;
}

int RunExport(KeysOptions& options, const CommandContext& context)
{
    options.exportRequest.toolDirectory = context.toolDirectory;
    const std::string pinFile = options.exportToken.pinFile == "-" ? "" : options.exportToken.pinFile;
    if (const Status outputs = CheckOutputs({{options.output, "export", OutputKind::PublicKeyExport}},
                                            {{options.exportRequest.publicKeyPath, "public key file"},
                                             {PrivateKeyFileName, "private key file"},
                                             {pinFile, "PIN file"}},
                                            options.force);
        !outputs)
        return Fail(MessageLine(outputs.message()));
    Outcome<std::vector<std::uint8_t>> bytes = Outcome<std::vector<std::uint8_t>>::Fail("");
    if (options.exportToken.given()) {
        if (options.exportPublicKeyOption->count() > 0)
            return UsageError("--public-key and --pkcs11 name two keys; give one");
        Outcome<TokenKeyLocation> location = TokenLocation(options.exportToken);
        if (!location)
            return Fail(MessageLine(location.message()));
        bytes = ExportTokenPublicKey(
            {std::move(location.value()), context.toolDirectory, options.exportRequest.format});
    } else {
        bytes = ExportPublicKey(options.exportRequest);
    }
    if (!bytes)
        return Fail(bytes.message());
    if (!options.exportToken.given() &&
        IsPeloraPublicKeyFile(options.exportRequest.publicKeyPath, CurveFilePath(context.toolDirectory)))
        Warn("the public key in " + options.exportRequest.publicKeyPath + " is the Pelora key, and " + PeloraWarning);
    if (options.output.empty()) {
        // A failed write is reported where every command's output is checked.
        std::cout.write(reinterpret_cast<const char*>(bytes.value().data()),
                        static_cast<std::streamsize>(bytes.value().size()));
        return 0;
    }
    // Written in full under a fresh name first: a failure leaves no half key.
    Outcome<PendingFile> file = PendingFile::Write(options.output, bytes.value(), 0644);
    if (!file)
        return Fail(file.message());
    const Status committed = file.value().Commit();
    return committed ? 0 : Fail(committed.message());
}

int RunKeys(KeysOptions& options, const CommandContext& context)
{
    if (options.generate->parsed()) {
        if (options.generateToken.given())
            return RunTokenGenerate(options);
        if (options.generateToken.extraGiven())
            return UsageError("--pkcs11-module, --pin-file and --pin-env go with --pkcs11");
        if (options.outOption->count() == 0)
            return UsageError("--out is required (or --pkcs11 URI to make the pair in a token)");
        if (options.pelora)
            Warn(PeloraWarning);
        return MakeKeyFiles(options, [&](const KeyFilePaths& paths, const ConfirmReplace& confirm,
                                          const Progress& progress) {
            const KeyPairSource source = options.pelora ? KeyPairSource::Pelora : KeyPairSource::Generate;
            return MakeKeyPair({context.toolDirectory, source, paths, confirm, progress});
        });
    }
    if (options.import->parsed()) {
        const auto in = [&options](const char* name) {
            return (fs::path(options.folder) / name).lexically_normal().string();
        };
        if (const Status apart = CheckOutputs({{in(PrivateKeyFileName), "private key file", OutputKind::Image},
                                               {in(PublicKeyFileName), "public key file", OutputKind::Image}},
                                              {{options.source, "key file to import"}}, true);
            !apart)
            return Fail(MessageLine(apart.message()));
        return MakeKeyFiles(options, [&](const KeyFilePaths& paths, const ConfirmReplace& confirm,
                                          const Progress& progress) {
            return ImportPrivateKey({context.toolDirectory, options.source, paths, confirm, progress});
        });
    }
    if (options.check->parsed()) {
        const Status pair = CheckKeyPair(
            {context.toolDirectory, options.pair, [](const std::string& line) { std::cerr << line << std::endl; }});
        if (!pair)
            return Fail(pair.message());
        std::cout << options.pair.privateKey << " and " << options.pair.publicKey << " hold one key pair"
                  << std::endl;
        return 0;
    }
    if (options.exportToken.extraGiven() && !options.exportToken.given())
        return UsageError("--pkcs11-module, --pin-file and --pin-env go with --pkcs11");
    return RunExport(options, context);
}

}  // namespace

Command AddKeysCommand(CLI::App& program)
{
    auto options = std::make_shared<KeysOptions>();
    CLI::App* keys = program.add_subcommand("keys");
    keys->require_subcommand(1);

    CLI::App* generate = options->generate = keys->add_subcommand("generate");
    generate->add_flag("--pelora", options->pelora);
    options->outOption = generate->add_option("--out", options->folder)->check(CLI::ExistingDirectory);
    generate->add_flag("--force", options->force);
    AddTokenOptions(*generate, options->generateToken);

    CLI::App* exportKey = options->exportKey = keys->add_subcommand("export");
    options->exportPublicKeyOption =
        exportKey->add_option("--public-key", options->exportRequest.publicKeyPath)->check(CLI::ExistingFile);
    AddTokenOptions(*exportKey, options->exportToken);
    AddChoice(*exportKey, "--format", options->exportRequest.format,
              Choices<PublicKeyFormat>{{"pem", PublicKeyFormat::Pem},
                                       {"der", PublicKeyFormat::Der},
                                       {"raw", PublicKeyFormat::Raw},
                                       {"c", PublicKeyFormat::CArray},
                                       {"sha256", PublicKeyFormat::Sha256}})
        ->required();
    // A key file is never overwritten by one of the public key's forms.
    exportKey->add_flag("--force", options->force);
    exportKey->add_option("-o,--output", options->output)->check([](const std::string& file) {
        return fs::path(file).extension() == ".ecs"
                   ? std::string("-o names a key file (.ecs); write the export elsewhere")
                   : std::string();
    });

    CLI::App* import = options->import = keys->add_subcommand("import");
    import->add_option("FILE", options->source)->required()->check(CLI::ExistingFile);
    import->add_option("--out", options->folder)->check(CLI::ExistingDirectory);
    import->add_flag("--force", options->force);

    CLI::App* check = options->check = keys->add_subcommand("check");
    check->add_option("--private-key", options->pair.privateKey);
    check->add_option("--public-key", options->pair.publicKey);

    // The program's options given to keys (--tool-dir) may follow the
    // action's.
    for (CLI::App* action : {generate, exportKey, import, check})
        action->fallthrough();
    return {keys, [options](const CommandContext& context) { return RunKeys(*options, context); }};
}

}  // namespace vantrel::cli
