#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/CommandOptions.h"
#include "cli/Commands.h"
#include "cli/ConsoleMessages.h"
#include "cli/JsonOutput.h"
#include "cli/TokenOptions.h"
#include "core/HexText.h"
#include "core/OutputCheck.h"
#include "keys/PublicKeyFingerprint.h"
#include "signing/CurveFile.h"
#include "signing/ExternalSigning.h"
#include "pkcs11/TokenOperations.h"
#include "signing/PeloraKey.h"
#include "signing/SignImage.h"

namespace vantrel::cli {

namespace {

struct SignOptions {
    SignRequest request;
    bool force = false;
    bool resign = false;
    bool json = false;
    // The two steps of signing elsewhere.
    std::string digestOut;
    DigestFormat digestFormat = DigestFormat::Raw;
    std::string signature;
    std::string output;
    // A key in a PKCS#11 token.
    TokenOptions token;
    // Given on the command line or not: some options belong to one way of
    // signing only.
    CLI::Option* keyPairOption = nullptr;
    CLI::Option* privateKeyOption = nullptr;
    CLI::Option* publicKeyOption = nullptr;
    CLI::Option* digestFormatOption = nullptr;
    CLI::Option* outputOption = nullptr;
};

constexpr const char* ResignHint = "\nGive --resign to sign its message as it stands, without a second exchange.";

// The lines of a signing: that a new pair was made is remembered (its
// fingerprint is a result); the dated copies kept of a replaced pair, and
// what was recovered from an interrupted replacement, are always told; the
// other lines are progress.
Progress SignLines(const CommandContext& context, bool& pairMade)
{
    return [progress = ProgressLines(context), &pairMade](const std::string& line) {
        if (line.starts_with("public key = "))
            pairMade = true;
        else if (line.starts_with("kept ") || line.starts_with("finished the interrupted") ||
                 line.starts_with("removed "))
            std::cerr << line << std::endl;
        else
            Report(progress, line);
    };
}

std::string Fingerprint(const std::string& publicKey, const std::string& toolDirectory)
{
    const Outcome<std::string> fingerprint = PublicKeyFingerprint(publicKey, CurveFilePath(toolDirectory));
    return fingerprint ? fingerprint.value() : std::string("(no usable key)");
}

// The fingerprint is of the key that signed: the one the signing checked
// against the public key file, or the file's when a signature from elsewhere
// was checked against it.
void PrintResultJson(const SignRequest& request, const Outcome<std::string>& fingerprint)
{
    std::error_code error;
    const std::string publicKey = std::filesystem::absolute(request.keys.publicKey, error).string();
    PrintJson({{"image", request.imagePath},
               {"publicKey", publicKey},
               {"fingerprint", fingerprint ? nlohmann::ordered_json(fingerprint.value()) : nullptr}});
}

// The options that make no sense together, refused before anything runs.
Status CheckSignOptions(const SignOptions& options)
{
    const bool digest = !options.digestOut.empty();
    const bool external = !options.signature.empty();
    if (digest && external)
        return Status::Fail("--digest-out and --signature are the two steps of signing elsewhere; give one at a "
                            "time");
    if (options.digestFormatOption->count() > 0 && !digest)
        return Status::Fail("--digest-format goes with --digest-out");
    if (options.outputOption->count() > 0 && !digest && !external)
        return Status::Fail("-o goes with --digest-out or --signature; signing with a key file changes IMAGE "
                            "in place");
    if ((digest || external) &&
        (options.keyPairOption->count() > 0 || options.privateKeyOption->count() > 0 || options.resign))
        return Status::Fail("--key-pair, --private-key and --resign are for signing with a key file, not with "
                            "--digest-out or --signature");
    if (options.token.extraGiven() && !options.token.given())
        return Status::Fail("--pkcs11-module, --pin-file and --pin-env go with --pkcs11");
    if (options.token.given() &&
        (digest || external || options.keyPairOption->count() > 0 || options.privateKeyOption->count() > 0 ||
         options.outputOption->count() > 0))
        return Status::Fail("--pkcs11 signs IMAGE in place with the token's key; it goes with none of "
                            "--digest-out, --signature, --key-pair, --private-key, -o");
    if (digest && options.publicKeyOption->count() > 0)
        return Status::Fail("--public-key goes with --signature (the key the signature is checked against), "
                            "not with --digest-out");
    return Done{};
}

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    return std::filesystem::absolute(path, error).string();
}

// The first step; tells the user what to do next.
int RunDigestOut(const SignOptions& options, const CommandContext& context)
{
    const DigestRequest request{options.request.imagePath, options.output, context.toolDirectory,
                                options.digestOut,         options.digestFormat, ProgressLines(context)};
    const Outcome<PreparedDigest> prepared = PrepareExternalSignature(request);
    if (!prepared)
        return Fail(MessageLine(prepared.message()));
    const PreparedDigest& result = prepared.value();
    std::cerr << "Wrote the SHA-1 digest of the message to " << options.digestOut << " and the message to "
              << result.messagePath << "; " << result.target << " waits for its signature.\n"
              << "Next, on the machine that holds the private key:\n"
              << "  openssl dgst -sha1 -sign key.pem -out signature.der " << result.messagePath << "\n"
              << "(or sign the digest itself with ECDSA), then here:\n"
              << "  vantrel-utility sign " << result.target << " --signature signature.der --public-key "
              << options.request.keys.publicKey << std::endl;
    if (options.json)
        PrintJson({{"image", result.target},
                   {"digest", BytesToHex(result.digest)},
                   {"digestFile", AbsolutePath(options.digestOut)},
                   {"messageFile", AbsolutePath(result.messagePath)}});
    return 0;
}

// The second step.
int RunSignature(const SignOptions& options, const CommandContext& context)
{
    const ExternalSignatureRequest request{options.request.imagePath,    options.output,
                                           context.toolDirectory,        options.signature,
                                           options.request.keys.publicKey, ProgressLines(context)};
    if (const Status applied = ApplyExternalSignature(request); !applied)
        return Fail(MessageLine(applied.message()));
    std::cerr << "Signed " << (options.output.empty() ? options.request.imagePath : options.output)
              << " with the signature in " << options.signature << ", checked against "
              << options.request.keys.publicKey << " (public key SHA-256 "
              << Fingerprint(options.request.keys.publicKey, context.toolDirectory) << ")." << std::endl;
    if (options.json) {
        SignRequest shown = options.request;
        shown.toolDirectory = context.toolDirectory;
        if (!options.output.empty())
            shown.imagePath = options.output;
        PrintResultJson(shown, PublicKeyFingerprint(shown.keys.publicKey, CurveFilePath(shown.toolDirectory)));
    }
    return 0;
}

// Signing with the private key of a PKCS#11 token.
int RunTokenSign(const SignOptions& options, const CommandContext& context)
{
    Outcome<TokenKeyLocation> location = TokenLocation(options.token);
    if (!location)
        return Fail(MessageLine(location.message()));
    bool resignRefused = false;
    const TokenSignRequest request{options.request.imagePath, context.toolDirectory, std::move(location.value()),
                                   options.request.keys.publicKey,
                                   [&resignRefused, resign = options.resign](const std::string&) {
                                       resignRefused = !resign;
                                       return resign;
                                   },
                                   ProgressLines(context)};
    if (const Status signedImage = SignImageWithToken(request); !signedImage)
        return Fail(MessageLine(signedImage.message()) + (resignRefused ? ResignHint : ""));
    std::cerr << "Signed " << options.request.imagePath << " in place with the key of " << options.token.uri << "."
              << std::endl;
    if (options.json)
        PrintJson({{"image", options.request.imagePath}, {"pkcs11", options.token.uri}});
    return 0;
}

// Every file the signing writes, checked against every file it reads and
// the key files, before anything runs. An image signed in place is written
// too, but its kind is the input's business.
Status CheckSignOutputs(const SignOptions& options)
{
    const SignRequest& request = options.request;
    std::vector<NamedFile> reads{{request.keys.privateKey, "private key file"},
                                 {request.keys.publicKey, "public key file"},
                                 {options.signature, "signature file"},
                                 {options.token.pinFile == "-" ? "" : options.token.pinFile, "PIN file"}};
    std::vector<OutputFile> outputs;
    if (!options.output.empty()) {
        reads.push_back({request.imagePath, "image"});
        outputs.push_back({options.output, "output image", OutputKind::Image});
    }
    if (!options.digestOut.empty()) {
        reads.push_back({SignatureRecordFileName, "signature record"});
        outputs.push_back({options.digestOut, "digest file", OutputKind::Digest});
        outputs.push_back({options.digestOut + ".message", "message file", OutputKind::Message});
    } else {
        outputs.push_back({SignatureRecordFileName, "signature record", OutputKind::SignatureRecord});
    }
    std::vector<OutputFile> written;
    if (options.output.empty())
        written.push_back({request.imagePath, "image", OutputKind::Image});
    written.insert(written.end(), outputs.begin(), outputs.end());
    if (Status apart = CheckOutputsApart(written, reads); !apart)
        return apart;
    return CheckOutputs(outputs, {}, options.force);
}

int RunSign(SignOptions& options, const CommandContext& context)
{
    if (const Status checked = CheckSignOptions(options); !checked)
        return UsageError(checked.message());
    if (const Status outputs = CheckSignOutputs(options); !outputs)
        return Fail(MessageLine(outputs.message()));
    if (!options.digestOut.empty())
        return RunDigestOut(options, context);
    if (!options.signature.empty())
        return RunSignature(options, context);
    if (options.token.given())
        return RunTokenSign(options, context);
    SignRequest& request = options.request;
    request.toolDirectory = context.toolDirectory;
    bool pairMade = false;
    request.progress = SignLines(context, pairMade);
    // Key files of another pair go only with --force; the core keeps them
    // as dated copies then.
    bool refused = false;
    request.confirmReplaceKeys = [&refused, force = options.force](const std::string&) {
        refused = !force;
        return force;
    };
    bool resignRefused = false;
    request.confirmResign = [&resignRefused, resign = options.resign](const std::string&) {
        resignRefused = !resign;
        return resign;
    };
    request.confirmPelora = [](const std::string&) {
        Warn(PeloraWarning);
        return true;
    };
    std::error_code error;
    const bool noPrivateKey = !std::filesystem::exists(request.keys.privateKey, error);

    const Outcome<SigningKeyUsed> signedImage = SignImage(request);
    if (!signedImage) {
        std::string hint;
        if (resignRefused)
            hint = ResignHint;
        else if (refused)
            hint = "\nGive --force to replace them, or --private-key and --public-key to name other key files.";
        else if (noPrivateKey && request.keyPair == KeyPairSource::Default)
            hint = "\n--key-pair generate makes a new key pair (--key-pair pelora: the public demonstration pair).";
        return Fail(MessageLine(signedImage.message()) + hint);
    }
    // The fingerprint of the key that signed, which the signing checked
    // against the public key file.
    const Outcome<std::string> signedWith = RawKeyFingerprint(signedImage.value().rawPublicKey);
    const std::string fingerprint = signedWith ? signedWith.value() : std::string("(no usable key)");
    if (pairMade && !options.json)
        std::cout << "Public key SHA-256: " << fingerprint << std::endl;
    const char* pair = !pairMade                                   ? "the key pair in "
                       : request.keyPair == KeyPairSource::Pelora ? "the Pelora key pair (public: for demonstrations "
                                                                    "only), written to "
                                                                  : "a new key pair, written to ";
    std::cerr << "Signed " << request.imagePath << " in place with " << pair << request.keys.privateKey << " and "
              << request.keys.publicKey << "; public key SHA-256 " << fingerprint << "." << std::endl;
    if (options.json)
        PrintResultJson(request, signedWith);
    return 0;
}

}  // namespace

Command AddSignCommand(CLI::App& program)
{
    auto options = std::make_shared<SignOptions>();
    SignRequest& request = options->request;
    CLI::App* command = program.add_subcommand("sign");
    AddImageArgument(*command, request.imagePath);
    options->keyPairOption = AddChoice(*command, "--key-pair", request.keyPair,
                                       Choices<KeyPairSource>{{"default", KeyPairSource::Default},
                                                              {"generate", KeyPairSource::Generate},
                                                              {"pelora", KeyPairSource::Pelora}});
    options->privateKeyOption = command->add_option("--private-key", request.keys.privateKey);
    options->publicKeyOption = command->add_option("--public-key", request.keys.publicKey);
    command->add_flag("--force", options->force);
    command->add_flag("--resign", options->resign);
    command->add_flag("--json", options->json);
    command->add_option("--digest-out", options->digestOut);
    options->digestFormatOption =
        AddChoice(*command, "--digest-format", options->digestFormat,
                  Choices<DigestFormat>{{"raw", DigestFormat::Raw}, {"hex", DigestFormat::Hex}});
    command->add_option("--signature", options->signature);
    options->outputOption = command->add_option("-o", options->output);
    AddTokenOptions(*command, options->token);
    return {command, [options](const CommandContext& context) { return RunSign(*options, context); }};
}

}  // namespace vantrel::cli
