#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <openssl/evp.h>

#include "SigningTestSupport.h"
#include "signing/BasePoint.h"
#include "signing/CurveFile.h"
#include "signing/DeterministicNonce.h"
#include "signing/EcdsaSign.h"

namespace vantrel {
namespace {

using testing::Hex;
using testing::HexNumber;

struct SignatureVector {
    std::string hash;     // "SHA-1"
    std::string message;  // "sample"
    std::string k, r, s;
};

struct VectorSet {
    std::string x, ux, uy;
    std::vector<SignatureVector> signatures;
};

VectorSet ReadVectors()
{
    VectorSet set;
    for (const testing::VectorBlock& block : testing::ReadVectorFile(testing::SigningVectorsDir() / "k163-rfc6979.vec")) {
        const auto& v = block.values;
        if (block.header == "key") {
            set.x = v.at("x");
            set.ux = v.at("Ux");
            set.uy = v.at("Uy");
            continue;
        }
        // "SHA-256, message "sample""
        const auto comma = block.header.find(',');
        const auto open = block.header.find('"');
        const auto close = block.header.rfind('"');
        set.signatures.push_back({block.header.substr(0, comma), block.header.substr(open + 1, close - open - 1),
                                  v.at("k"), v.at("r"), v.at("s")});
    }
    return set;
}

class Rfc6979K163 : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ifstream curveFile(testing::ToolsDir() / "ecc_koblitz.ecs");
        Outcome<Curve> loaded = LoadCurve(curveFile);
        ASSERT_TRUE(loaded.ok()) << loaded.message();
        curve = std::move(loaded.value());
        ASSERT_TRUE(SetUpBasePoint(curve, context.get()).ok());
        vectors = ReadVectors();
        ASSERT_EQ(vectors.signatures.size(), 3u);
    }

    Curve curve;
    BnCtxPtr context{BN_CTX_new()};
    VectorSet vectors;
};

TEST_F(Rfc6979K163, PublicKeyOfThePrivateKey)
{
    const EC_GROUP* group = curve.group.get();
    EcPointPtr point(EC_POINT_new(group));
    BignumPtr x(BN_new()), y(BN_new());
    ASSERT_TRUE(EC_POINT_mul(group, point.get(), HexNumber(vectors.x).get(), nullptr, nullptr, context.get()));
    ASSERT_TRUE(EC_POINT_get_affine_coordinates(group, point.get(), x.get(), y.get(), context.get()));
    EXPECT_EQ(BN_cmp(x.get(), HexNumber(vectors.ux).get()), 0) << Hex(x.get());
    EXPECT_EQ(BN_cmp(y.get(), HexNumber(vectors.uy).get()), 0) << Hex(y.get());
}

TEST_F(Rfc6979K163, NonceAndSignatureOfEveryVector)
{
    const BignumPtr d = HexNumber(vectors.x);
    const BIGNUM* q = curve.parameters.q.get();
    for (const SignatureVector& vector : vectors.signatures) {
        SCOPED_TRACE(vector.hash + " \"" + vector.message + "\"");
        const EVP_MD* hash = EVP_get_digestbyname(vector.hash.c_str());
        ASSERT_NE(hash, nullptr);
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        ASSERT_TRUE(EVP_Digest(vector.message.data(), vector.message.size(), digest, &length, hash, nullptr));

        DeterministicNonce nonce(q, hash);
        ASSERT_TRUE(nonce.Start(d.get(), digest, length, context.get()));
        BignumPtr k = nonce.Next();
        ASSERT_TRUE(k);
        EXPECT_EQ(BN_cmp(k.get(), HexNumber(vector.k).get()), 0) << Hex(k.get());

        // The standard h: the digest's leftmost qlen bits. For SHA-1 (160
        // bits, below qlen) that is the whole digest, as the image signing uses.
        BignumPtr h(BN_bin2bn(digest, static_cast<int>(length), nullptr));
        const int excess = static_cast<int>(8 * length) - BN_num_bits(q);
        if (excess > 0) {
            ASSERT_TRUE(BN_rshift(h.get(), h.get(), excess));
        }
        Outcome<EcdsaSignature> signature =
            SignDigest(curve.group.get(), d.get(), h.get(), digest, length, hash, context.get());
        ASSERT_TRUE(signature.ok()) << signature.message();
        EXPECT_EQ(BN_cmp(signature.value().r.get(), HexNumber(vector.r).get()), 0) << Hex(signature.value().r.get());
        EXPECT_EQ(BN_cmp(signature.value().s.get(), HexNumber(vector.s).get()), 0) << Hex(signature.value().s.get());
    }
}

// After a candidate is used, the next one follows step h.3 of the RFC and
// differs from it; starting again gives the first one back.
TEST_F(Rfc6979K163, NextCandidateDiffersAndRestartRepeats)
{
    const BignumPtr d = HexNumber(vectors.x);
    unsigned char digest[20];
    ASSERT_TRUE(EVP_Digest("sample", 6, digest, nullptr, EVP_sha1(), nullptr));
    DeterministicNonce nonce(curve.parameters.q.get(), EVP_sha1());
    ASSERT_TRUE(nonce.Start(d.get(), digest, sizeof digest, context.get()));
    BignumPtr first = nonce.Next();
    BignumPtr second = nonce.Next();
    ASSERT_TRUE(first && second);
    EXPECT_NE(BN_cmp(first.get(), second.get()), 0);
    EXPECT_LT(BN_cmp(second.get(), curve.parameters.q.get()), 0);
    ASSERT_TRUE(nonce.Start(d.get(), digest, sizeof digest, context.get()));
    BignumPtr again = nonce.Next();
    EXPECT_EQ(BN_cmp(again.get(), first.get()), 0);
}

}  // namespace
}  // namespace vantrel
