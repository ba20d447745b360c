#include "signing/SignatureFile.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include <openssl/ec.h>
#include <openssl/err.h>

#include "core/Files.h"
#include "core/OpenSslHandles.h"

namespace vantrel {

namespace {

using Bytes = std::vector<std::uint8_t>;

// A DER signature on a curve of up to 571 bits takes under 160 bytes, a raw
// one 48: anything larger is not a signature.
constexpr std::size_t MaxSignatureFileBytes = 512;

// The signature when bytes are exactly one DER ECDSA-Sig-Value (re-encoding
// gives the same bytes, so BER variants and trailing bytes are refused).
std::optional<EcdsaSignature> DecodeDer(const Bytes& bytes)
{
    const unsigned char* cursor = bytes.data();
    EcdsaSigPtr decoded(d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(bytes.size())));
    ERR_clear_error();  // a raw signature is not DER; that is no error
    if (!decoded || cursor != bytes.data() + bytes.size())
        return std::nullopt;
    unsigned char* encoded = nullptr;
    const int length = i2d_ECDSA_SIG(decoded.get(), &encoded);
    const OpenSslString owner(reinterpret_cast<char*>(encoded));
    if (length != static_cast<int>(bytes.size()) || !std::equal(bytes.begin(), bytes.end(), encoded))
        return std::nullopt;
    const BIGNUM* r = nullptr;
    const BIGNUM* s = nullptr;
    ECDSA_SIG_get0(decoded.get(), &r, &s);
    return EcdsaSignature{BignumPtr(BN_dup(r)), BignumPtr(BN_dup(s))};
}

}  // namespace

Outcome<EcdsaSignature> ReadSignatureFile(const std::string& path)
{
    using Result = Outcome<EcdsaSignature>;
    Outcome<Bytes> bytes = ReadFileContents(path, MaxSignatureFileBytes, "a signature file");
    if (!bytes)
        return Result::Fail(bytes.message());
    const Bytes& data = bytes.value();
    EcdsaSignature signature;
    if (std::optional<EcdsaSignature> der = DecodeDer(data)) {
        signature = std::move(*der);
    } else if (data.size() == 2 * SignatureValueBytes) {
        signature.r.reset(BN_bin2bn(data.data(), SignatureValueBytes, nullptr));
        signature.s.reset(BN_bin2bn(data.data() + SignatureValueBytes, SignatureValueBytes, nullptr));
    } else {
        return Result::Fail("The signature file " + path + " holds " + std::to_string(data.size()) +
                            " bytes that are neither a DER ECDSA-Sig-Value nor 48 bytes r || s.\n");
    }
    if (!signature.r || !signature.s)
        return Result::Fail("Problem - out of memory reading the signature file " + path + ": " +
                            OpenSslErrorText());
    return signature;
}

}  // namespace vantrel
