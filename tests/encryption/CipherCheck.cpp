#include "CipherCheck.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <memory>

namespace vantrel::testing {

void DecryptInPlace(int keyLenIndex, int modeIndex, const Bytes& key, const Bytes& iv, Bytes& buffer)
{
    static const char* const names[3][4] = {
        {"AES-128-ECB", "AES-128-CBC", "AES-128-OFB", "AES-128-OFB"},
        {"AES-192-ECB", "AES-192-CBC", "AES-192-OFB", "AES-192-OFB"},
        {"AES-256-ECB", "AES-256-CBC", "AES-256-OFB", "AES-256-OFB"},
    };
    ASSERT_TRUE(keyLenIndex >= 0 && keyLenIndex < 3 && modeIndex >= 0 && modeIndex < 4);
    ASSERT_EQ(key.size(), 16u + 8u * static_cast<unsigned>(keyLenIndex));
    std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> cipher(
        EVP_CIPHER_fetch(nullptr, names[keyLenIndex][modeIndex], nullptr), EVP_CIPHER_free);
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free);
    ASSERT_TRUE(cipher && ctx);
    ASSERT_EQ(EVP_DecryptInit_ex2(ctx.get(), cipher.get(), key.data(), iv.data(), nullptr), 1);
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    int out = 0, tail = 0;
    ASSERT_EQ(EVP_DecryptUpdate(ctx.get(), buffer.data(), &out, buffer.data(), static_cast<int>(buffer.size())), 1);
    ASSERT_EQ(EVP_DecryptFinal_ex(ctx.get(), buffer.data() + out, &tail), 1);
    ASSERT_EQ(static_cast<std::size_t>(out + tail), buffer.size());
}

Bytes Sha1Of(const Bytes& bytes)
{
    Bytes digest(20);
    unsigned int length = 0;
    EXPECT_EQ(EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha1(), nullptr), 1);
    EXPECT_EQ(length, 20u);
    return digest;
}

}  // namespace vantrel::testing
