#include "keys/KeyImport.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/pem.h>

#include "core/Files.h"
#include "core/Secret.h"
#include "keys/KeyCurve.h"
#include "signing/KeyFolderLock.h"
#include "signing/KeyFileReplacement.h"
#include "signing/BigNumberText.h"

namespace vantrel {

namespace {

// A PEM private key with its curve's parameters written out takes about a
// kilobyte even on the largest binary curve; 8 KiB leaves room for the other
// PEM blocks a key file may hold before the key (the curve's, say).
constexpr std::size_t MaxKeyFileBytes = 8 * 1024;

// Asked for by OpenSSL for an encrypted key: noted, and refused.
int RefusePassphrase(char*, std::size_t, std::size_t*, const OSSL_PARAM*, void* asked)
{
    *static_cast<bool*>(asked) = true;
    return 0;
}
int RefusePemPassphrase(char*, int, int, void* asked)
{
    *static_cast<bool*>(asked) = true;
    return -1;
}

// A PEM file may hold other blocks before the key (openssl ecparam -genkey
// writes the curve's parameters first); OpenSSL's PEM reader passes over
// them. It reads traditional keys and PKCS#8 alike.
PkeyPtr ReadPemPrivateKey(const SecretBytes& bytes, bool& askedForPassphrase)
{
    BioPtr in(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
    return PkeyPtr(in ? PEM_read_bio_PrivateKey_ex(in.get(), nullptr, RefusePemPassphrase, &askedForPassphrase,
                                                   nullptr, nullptr)
                      : nullptr);
}

// A DER file holds one key, traditional or PKCS#8.
PkeyPtr ReadDerPrivateKey(const SecretBytes& bytes, bool& askedForPassphrase)
{
    EVP_PKEY* decoded = nullptr;
    DecoderCtxPtr decoder(
        OSSL_DECODER_CTX_new_for_pkey(&decoded, "DER", nullptr, nullptr, EVP_PKEY_KEYPAIR, nullptr, nullptr));
    const unsigned char* data = bytes.data();
    std::size_t length = bytes.size();
    if (decoder && OSSL_DECODER_CTX_set_passphrase_cb(decoder.get(), RefusePassphrase, &askedForPassphrase))
        OSSL_DECODER_from_data(decoder.get(), &data, &length);
    return PkeyPtr(decoded);
}

Outcome<PkeyPtr> DecodePrivateKey(const std::string& path, const SecretBytes& bytes)
{
    using Result = Outcome<PkeyPtr>;
    bool askedForPassphrase = false;
    PkeyPtr key = ReadPemPrivateKey(bytes, askedForPassphrase);
    if (!key && !askedForPassphrase)
        key = ReadDerPrivateKey(bytes, askedForPassphrase);
    // The readers leave the formats that did not fit in the error queue.
    ERR_clear_error();
    if (askedForPassphrase)
        return Result::Fail(path + " holds an encrypted private key; only unencrypted keys are imported");
    if (!key)
        return Result::Fail(path + " holds no private key OpenSSL reads (PEM or DER, an EC private key or "
                                   "unencrypted PKCS#8)");
    if (!EVP_PKEY_is_a(key.get(), "EC"))
        return Result::Fail(path + " holds a key of type " + EVP_PKEY_get0_type_name(key.get()) +
                            ", not an elliptic-curve key");
    return key;
}

// The key's curve as a group, whether the file names it or gives its
// parameters.
Outcome<EcGroupPtr> KeyGroup(const std::string& path, const EVP_PKEY* key)
{
    OSSL_PARAM* exported = nullptr;
    const int got = EVP_PKEY_todata(key, EVP_PKEY_KEY_PARAMETERS, &exported);
    ParamPtr parameters(exported);
    EcGroupPtr group(got == 1 ? EC_GROUP_new_from_params(parameters.get(), nullptr, nullptr) : nullptr);
    if (!group)
        return Outcome<EcGroupPtr>::Fail("the curve of the key in " + path + " cannot be read: " +
                                         OpenSslErrorText());
    return group;
}

// The private key d of a key on the curve of the curve file, 0 < d < q.
Outcome<BignumPtr> PrivateNumber(const std::string& path, const EVP_PKEY* key, const Curve& curve,
                                 const std::string& curvePath)
{
    using Result = Outcome<BignumPtr>;
    Outcome<EcGroupPtr> group = KeyGroup(path, key);
    if (!group)
        return Result::Fail(group.message());
    BnCtxPtr context(BN_CTX_new());
    if (!context || EC_GROUP_cmp(curve.group.get(), group.value().get(), context.get()) != 0)
        return Result::Fail(path + " holds a key on " + CurveDescription(group.value().get()) +
                            ", not on the curve in use (" + CurveDescription(curve.group.get()) + ", from " +
                            curvePath + ")");
    BIGNUM* number = nullptr;
    const int got = EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_PRIV_KEY, &number);
    BignumPtr d(number);
    if (got != 1 || !d)
        return Result::Fail("the private key in " + path + " cannot be read: " + OpenSslErrorText());
    if (!IsPrivateKeyOf(curve, d.get()))
        return Result::Fail("the private key in " + path + " is not between 1 and the order of the curve");
    return d;
}

}  // namespace

Status ImportPrivateKey(const KeyImportRequest& request)
{
    const std::string curvePath = CurveFilePath(request.toolDirectory);
    Outcome<Curve> curve = LoadCurveFile(curvePath);
    if (!curve)
        return Status::Fail(curve.message());
    Outcome<SecretBytes> bytes = ReadSecretFile(request.sourcePath, MaxKeyFileBytes, "a private key file");
    if (!bytes)
        return Status::Fail(bytes.message());
    Outcome<PkeyPtr> key = DecodePrivateKey(request.sourcePath, bytes.value());
    if (!key)
        return Status::Fail(key.message());
    Outcome<BignumPtr> d = PrivateNumber(request.sourcePath, key.value().get(), curve.value(), curvePath);
    if (!d)
        return Status::Fail(d.message());
    Outcome<PublicKeyNumbers> point = PublicPointOf(curve.value(), d.value().get());
    if (!point)
        return Status::Fail(point.message());

    const BIGNUM* x = point.value().x.get();
    const BIGNUM* y = point.value().y.get();
    Outcome<KeyFolderLock> lock = KeyFolderLock::Take(request.paths, KeyLockMode::Exclusive, request.progress);
    if (!lock)
        return Status::Fail(lock.message());
    if (Status allowed = AllowKeyFileReplacement(request.paths, request.confirmReplace, request.progress, x, y,
                                                 d.value().get());
        !allowed)
        return allowed;
    if (Status written = WriteKeyFiles(request.paths, x, y, d.value().get()); !written)
        return written;
    Report(request.progress, "public key = " + BigNumberHex(x) + " " + BigNumberHex(y));
    return Done{};
}

}  // namespace vantrel
