#include "pkcs11/TokenOperations.h"

#include <filesystem>
#include <optional>

#include <openssl/rand.h>

#include "pkcs11/TokenKey.h"
#include "pkcs11/TokenModule.h"
#include "pkcs11/TokenSession.h"
#include "pkcs11/TokenUri.h"
#include "runner/ToolSession.h"
#include "signing/BigNumberText.h"
#include "signing/CurveFile.h"
#include "signing/KeyFolderLock.h"
#include "signing/SigningSteps.h"
#include "signing/SignatureCheck.h"

namespace vantrel {

namespace {

using Bytes = std::vector<std::uint8_t>;

// A logged-in session on the token a location names, with the module it
// runs in; destroyed in the reverse order (logout, close, finalise).
struct OpenToken {
    TokenUri uri;
    TokenModule module;
    TokenSession session;
};

Outcome<OpenToken> OpenTokenAt(const TokenKeyLocation& location, bool readWrite)
{
    using Result = Outcome<OpenToken>;
    Outcome<TokenUri> uri = TokenUri::Parse(location.uri);
    if (!uri)
        return Result::Fail(uri.message());
    const std::string named = uri.value().modulePath();
    if (!named.empty() && !location.modulePath.empty() && named != location.modulePath)
        return Result::Fail("the PKCS#11 URI names the module " + named + " and --pkcs11-module names " +
                            location.modulePath + "; give one\n");
    Outcome<TokenModule> module = TokenModule::Load(named.empty() ? location.modulePath : named);
    if (!module)
        return Result::Fail(module.message());
    Outcome<TokenSlot> slot = module.value().FindToken(uri.value());
    if (!slot)
        return Result::Fail(slot.message());
    Outcome<TokenSession> session = TokenSession::Open(slot.value(), location.uri, readWrite);
    if (!session)
        return Result::Fail(session.message());
    if (Status loggedIn = session.value().Login(location.pin); !loggedIn)
        return Result::Fail(loggedIn.message());
    return OpenToken{std::move(uri.value()), std::move(module.value()), std::move(session.value())};
}

// The token's public key as a public key file at path.
Status WritePublicKeyFile(const std::filesystem::path& path, const PublicKeyNumbers& key)
{
    const std::string text = PublicKeyFileText(key.x.get(), key.y.get());
    if (text.empty())
        return Status::Fail("Problem - the public key cannot be written out: " + OpenSslErrorText());
    Outcome<PendingFile> file = PendingFile::Write(path, Bytes(text.begin(), text.end()), 0644);
    if (!file)
        return Status::Fail(file.message());
    return file.value().Commit();
}

Outcome<PublicKeyNumbers> TokenPublicKey(const OpenToken& token)
{
    Outcome<CK_OBJECT_HANDLE> publicKey = FindTokenObject(token.session, token.uri, CKO_PUBLIC_KEY);
    if (!publicKey)
        return Outcome<PublicKeyNumbers>::Fail(publicKey.message());
    return ReadTokenPublicKey(token.session, publicKey.value());
}

// The id of a new key: the URI's, or 16 fresh bytes, so that the key can
// always be named alone.
Outcome<Bytes> KeyId(const TokenUri& uri)
{
    for (const CK_ATTRIBUTE& attribute : uri.objectAttributes())
        if (attribute.type == CKA_ID) {
            const auto* bytes = static_cast<const std::uint8_t*>(attribute.pValue);
            return Bytes(bytes, bytes + attribute.ulValueLen);
        }
    Bytes id(16);
    if (RAND_bytes(id.data(), static_cast<int>(id.size())) != 1)
        return Outcome<Bytes>::Fail("Problem - no random id for the new key: " + OpenSslErrorText());
    return id;
}

// A token key signs only what the public key file, and so verify and the
// devices, accept.
Status CheckSamePublicKey(const PublicKeyNumbers& tokenKey, const std::string& publicKeyPath)
{
    Outcome<PublicKeyNumbers> held = ReadPublicKey(publicKeyPath);
    if (!held)
        return Status::Fail(held.message() + "; signing with a token needs the token's public key there. Nothing "
                                             "was changed.\n");
    if (BN_cmp(held.value().x.get(), tokenKey.x.get()) != 0 || BN_cmp(held.value().y.get(), tokenKey.y.get()) != 0)
        return Status::Fail("the token's key is not the one in " + publicKeyPath +
                            ", so verify would refuse what it signs; name the token's key pair in the URI, or its "
                            "public key file with --public-key. Nothing was changed.\n");
    return Done{};
}

}  // namespace

Status SignImageWithToken(const TokenSignRequest& request)
{
    if (Status files = CheckSigningFiles(request.imagePath, request.imagePath,
                                         {{SignatureRecordFileName, "key file"}, {request.publicKeyPath, "key file"}});
        !files)
        return files;
    const KeyFilePaths keyFiles{request.publicKeyPath, request.publicKeyPath};
    Outcome<KeyFolderLock> lock = KeyFolderLock::Take(keyFiles, KeyLockMode::Shared, request.progress);
    if (!lock)
        return Status::Fail(lock.message());
    Report(request.progress, "opening the token " + request.key.uri);
    Outcome<OpenToken> token = OpenTokenAt(request.key, false);
    if (!token)
        return Status::Fail(token.message());
    Outcome<CK_OBJECT_HANDLE> privateKey = FindTokenObject(token.value().session, token.value().uri, CKO_PRIVATE_KEY);
    if (!privateKey)
        return Status::Fail(privateKey.message());
    Outcome<PublicKeyNumbers> publicKey = TokenPublicKey(token.value());
    if (!publicKey)
        return Status::Fail(publicKey.message());
    if (Status same = CheckSamePublicKey(publicKey.value(), request.publicKeyPath); !same)
        return same;

    Outcome<WorkingCopy> copy = OpenWorkingCopy(request.toolDirectory, request.imagePath, request.imagePath);
    if (!copy)
        return Status::Fail(copy.message());
    Report(request.progress, "signing " + request.imagePath + " in the token");
    Outcome<SigningMessage> message = MessageToSign(copy.value(), request.confirmResign);
    if (!message)
        return Status::Fail(message.message());
    Outcome<EcdsaSignature> signature =
        SignWithTokenKey(token.value().session, privateKey.value(), message.value().digest);
    if (!signature)
        return Status::Fail(signature.message());

    // Back-verification, as verify and the boot code check: against the
    // public key file verify reads, which holds the token's key.
    Outcome<Bytes> record = SignatureRecordBytes(signature.value());
    if (!record)
        return Status::Fail(record.message());
    std::string detail;
    const SignatureInputs inputs{CurveFilePath(request.toolDirectory), request.publicKeyPath, record.value(),
                                 message.value().digest};
    if (!CheckSignature(inputs, detail))
        return Status::Fail("the token's signature does not verify against " + request.publicKeyPath + " (" +
                            detail + "). Nothing was changed.\n");
    return FinishSigning(copy.value(), signature.value());
}

Outcome<std::vector<std::uint8_t>> GenerateTokenKey(const TokenKeyGenerateRequest& request)
{
    using Result = Outcome<Bytes>;
    const KeyFilePaths keyFiles{request.publicKeyPath, request.publicKeyPath};
    Outcome<KeyFolderLock> lock = KeyFolderLock::Take(keyFiles, KeyLockMode::Exclusive, nullptr);
    if (!lock)
        return Result::Fail(lock.message());
    std::error_code error;
    if (std::filesystem::exists(request.publicKeyPath, error))
        return Result::Fail("the public key file " + request.publicKeyPath +
                            " exists already; name another with --out. Nothing was changed.\n");
    Outcome<OpenToken> token = OpenTokenAt(request.key, true);
    if (!token)
        return Result::Fail(token.message());
    // Any object the URI names, of any class, would make the new key one of
    // several that the URI can never tell apart; a search that fails is not
    // taken for "none".
    Outcome<CK_ULONG> named = CountTokenObjects(token.value().session, token.value().uri);
    if (!named)
        return Result::Fail(named.message());
    if (named.value() > 0)
        return Result::Fail("the token already holds " + std::to_string(named.value()) + " object" +
                            (named.value() == 1 ? "" : "s") + " that " + request.key.uri +
                            " names; give another object= or id=. Nothing was changed.\n");
    Outcome<Bytes> id = KeyId(token.value().uri);
    if (!id)
        return Result::Fail(id.message());
    Outcome<TokenKeyPair> pair = GenerateTokenKeyPair(token.value().session, token.value().uri, id.value());
    if (!pair)
        return Result::Fail(pair.message());
    Outcome<PublicKeyNumbers> publicKey = ReadTokenPublicKey(token.value().session, pair.value().publicKey);
    if (!publicKey)
        return Result::Fail(publicKey.message());
    if (Status written = WritePublicKeyFile(request.publicKeyPath, publicKey.value()); !written)
        return Result::Fail(written.message());
    return id;
}

Outcome<std::vector<std::uint8_t>> ExportTokenPublicKey(const TokenKeyExportRequest& request)
{
    using Result = Outcome<Bytes>;
    Outcome<OpenToken> token = OpenTokenAt(request.key, false);
    if (!token)
        return Result::Fail(token.message());
    Outcome<PublicKeyNumbers> publicKey = TokenPublicKey(token.value());
    if (!publicKey)
        return Result::Fail(publicKey.message());
    // The export reads a public key file: the token's key is written as one
    // in a private session folder that goes with the session.
    Outcome<ToolSession> session = ToolSession::Open(request.toolDirectory);
    if (!session)
        return Result::Fail(session.message());
    const std::filesystem::path file = session.value().folder() / PublicKeyFileName;
    if (Status written = WritePublicKeyFile(file, publicKey.value()); !written)
        return Result::Fail(written.message());
    return ExportPublicKey({request.toolDirectory, file.string(), request.format});
}

}  // namespace vantrel
