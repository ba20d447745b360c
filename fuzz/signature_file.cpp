// The signature reader of external signing: the fuzz input is a signature
// file. A signature that reads, written again as DER and (when r and s fit)
// as raw r || s, reads back as the same r and s.
#include <openssl/bn.h>
#include <openssl/ec.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "core/OpenSslHandles.h"
#include "signing/SignatureFile.h"

namespace {

void CheckReadsAs(const std::vector<std::uint8_t>& bytes, const vantrel::EcdsaSignature& expected)
{
    const std::string file = vantrel::fuzz::WriteScratchFile("written.sig", bytes.data(), bytes.size());
    vantrel::Outcome<vantrel::EcdsaSignature> again = vantrel::ReadSignatureFile(file);
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(BN_cmp(again.value().r.get(), expected.r.get()) == 0);
    FUZZ_CHECK(BN_cmp(again.value().s.get(), expected.s.get()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file = vantrel::fuzz::WriteScratchFile("input.sig", data, size);
    vantrel::Outcome<vantrel::EcdsaSignature> signature = vantrel::ReadSignatureFile(file);
    if (!signature.ok())
        return 0;
    const vantrel::EcdsaSignature& read = signature.value();

    vantrel::EcdsaSigPtr der(ECDSA_SIG_new());
    FUZZ_CHECK(der != nullptr);
    FUZZ_CHECK(ECDSA_SIG_set0(der.get(), BN_dup(read.r.get()), BN_dup(read.s.get())) == 1);
    unsigned char* encoded = nullptr;
    const int length = i2d_ECDSA_SIG(der.get(), &encoded);
    FUZZ_CHECK(length > 0);
    const std::vector<std::uint8_t> derBytes(encoded, encoded + length);
    OPENSSL_free(encoded);
    CheckReadsAs(derBytes, read);

    constexpr int Half = 24;
    if (!BN_is_negative(read.r.get()) && !BN_is_negative(read.s.get()) && BN_num_bytes(read.r.get()) <= Half &&
        BN_num_bytes(read.s.get()) <= Half) {
        std::vector<std::uint8_t> raw(2 * Half);
        FUZZ_CHECK(BN_bn2binpad(read.r.get(), raw.data(), Half) == Half);
        FUZZ_CHECK(BN_bn2binpad(read.s.get(), raw.data() + Half, Half) == Half);
        // r < 2^163 begins with zero bytes, so a raw signature is never also DER.
        if (raw[0] != 0x30)
            CheckReadsAs(raw, read);
    }
    return 0;
}
