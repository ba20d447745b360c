#include "verify/AesDataCheck.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <array>
#include <cstring>
#include <cstdio>
#include <optional>

#include "core/OpenSslHandles.h"
#include "signing/HexToBytes.h"

namespace vantrel {

namespace {

constexpr const char* ModeNames[] = {"ECB", "CBC", "OFB", "CTR"};
constexpr int KeyBytesOfIndex[] = {16, 24, 32};
constexpr std::uint32_t EncryptedFlag = 4;

using Digest = std::array<std::uint8_t, 20>;

std::uint32_t LittleEndian32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::string Hex32(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

std::optional<Digest> Sha1(const std::uint8_t* data, std::size_t size)
{
    Digest digest{};
    unsigned int length = 0;
    if (!EVP_Digest(data, size, digest.data(), &length, EVP_sha1(), nullptr) || length != digest.size())
        return std::nullopt;
    return digest;
}

bool DigestEquals(const std::optional<Digest>& computed, const std::uint8_t* recorded)
{
    return computed && std::memcmp(computed->data(), recorded, computed->size()) == 0;
}

const EVP_CIPHER* CipherOf(int keyLengthIndex, int modeIndex)
{
    static const EVP_CIPHER* (*const table[3][3])() = {
        {EVP_aes_128_ecb, EVP_aes_128_cbc, EVP_aes_128_ofb},
        {EVP_aes_192_ecb, EVP_aes_192_cbc, EVP_aes_192_ofb},
        {EVP_aes_256_ecb, EVP_aes_256_cbc, EVP_aes_256_ofb},
    };
    return table[keyLengthIndex][modeIndex == 3 ? 2 : modeIndex]();
}

// A key buffer that is wiped when it goes.
struct WipedKey {
    std::vector<std::uint8_t> bytes;
    ~WipedKey() { OPENSSL_cleanse(bytes.data(), bytes.size()); }
};

struct RecordEntry {
    std::uint32_t address;
    std::uint32_t size;
    std::uint32_t flags;
    const std::uint8_t* digest;
};

RecordEntry EntryAt(const std::vector<std::uint8_t>& table, std::size_t index)
{
    const std::uint8_t* p = table.data() + index * AesDataEntrySize;
    return {LittleEndian32(p), LittleEndian32(p + 4), LittleEndian32(p + 8), p + 12};
}

// The header's cipherChoice and table length, checked against the section.
bool CheckHeader(const AesDataHeader& header, std::size_t sectionSize, VerifyReport& report)
{
    const std::uint32_t modeIndex = header.cipherChoice & 0x3;
    const std::uint32_t keyIndex = header.cipherChoice >> 4;
    if (sectionSize < AesDataHeaderSize) {
        report.Fail("AESData header", "AESData holds " + std::to_string(sectionSize) + " bytes, fewer than 44");
        return false;
    }
    if (header.tableLength == 0) {
        report.Fail("AESData header", "AESData holds no record (the image was not protected)");
        return false;
    }
    if ((header.cipherChoice & ~0x33u) != 0 || keyIndex > 2) {
        report.Fail("AESData header", "cipherChoice " + Hex32(header.cipherChoice) + " is not a known cipher");
        return false;
    }
    if (header.tableLength % AesDataEntrySize != 0 || header.tableLength > sectionSize - AesDataHeaderSize) {
        report.Fail("AESData header", "tableLength " + std::to_string(header.tableLength) +
                                          " is not a whole number of entries inside the section");
        return false;
    }
    report.Pass("AESData header", "AES-" + std::to_string(KeyBytesOfIndex[keyIndex] * 8) + " " +
                                      ModeNames[modeIndex] + ", " +
                                      std::to_string(header.tableLength / AesDataEntrySize) + " entries");
    return true;
}

// One entry: its flags, its section, the digest of the section's bytes, and
// for an encrypted section the decryption.
void CheckEntry(const RecordEntry& entry, std::size_t index, const AesDataHeader& header, const WipedKey& key,
                ImageSections& image, VerifyReport& report,
                const std::function<void(const std::string&)>& progress)
{
    const ListedSection* section = image.FindByRange(entry.address, entry.size);
    if (!section) {
        report.Fail("entry " + std::to_string(index), "no section with contents at address " +
                                                          Hex32(entry.address) + " of size " +
                                                          std::to_string(entry.size));
        return;
    }
    const std::string subject = "section " + section->name;
    if (progress)
        progress("checking " + subject);
    const bool encrypted = entry.flags != 0;
    if (encrypted && entry.flags != (header.cipherChoice | EncryptedFlag)) {
        report.Fail(subject, "flags " + Hex32(entry.flags) + " do not match cipherChoice " +
                                 Hex32(header.cipherChoice));
        return;
    }
    std::string error;
    auto bytes = image.ReadBytes(section->name, error);
    if (!bytes) {
        report.Fail(subject, error);
        return;
    }
    if (!DigestEquals(Sha1(bytes->data(), bytes->size()), entry.digest)) {
        report.Fail(subject, "digest does not match: the section's bytes were altered");
        return;
    }
    if (!encrypted) {
        report.Pass(subject, "hashed, digest matches (" + std::to_string(bytes->size()) + " bytes)");
        return;
    }
    if (!DecryptBuffer(static_cast<int>(header.cipherChoice & 0x3), key.bytes, header.iv, *bytes, error)) {
        report.Fail(subject, "digest matches, but decryption failed: " + error);
        return;
    }
    OPENSSL_cleanse(bytes->data(), bytes->size());
    report.Pass(subject, "encrypted, digest matches, decrypted " + std::to_string(bytes->size()) + " bytes");
}

}  // namespace

AesDataHeader ReadAesDataHeader(const std::vector<std::uint8_t>& section)
{
    AesDataHeader header{};
    if (section.size() < AesDataHeaderSize)
        return header;
    std::memcpy(header.iv, section.data(), sizeof header.iv);
    std::memcpy(header.tableDigest, section.data() + 16, sizeof header.tableDigest);
    header.tableLength = LittleEndian32(section.data() + 36);
    header.cipherChoice = LittleEndian32(section.data() + 40);
    return header;
}

std::vector<std::uint8_t> KeyFromText(const std::string& keyText, int keyBytes)
{
    const std::size_t digits = 2 * static_cast<std::size_t>(keyBytes);
    std::string text = keyText;
    if (text.size() % 2 != 0)
        text.insert(text.begin(), '0');
    if (text.size() < digits)
        text.insert(text.begin(), digits - text.size(), '0');
    std::vector<std::uint8_t> key(static_cast<std::size_t>(keyBytes));
    HexToBytes(text.c_str(), key.data(), static_cast<int>(digits));
    OPENSSL_cleanse(text.data(), text.size());
    return key;
}

bool DecryptBuffer(int modeIndex, const std::vector<std::uint8_t>& key, const std::uint8_t* iv,
                   std::vector<std::uint8_t>& buffer, std::string& error)
{
    const int keyIndex = key.size() == 16 ? 0 : key.size() == 24 ? 1 : key.size() == 32 ? 2 : -1;
    if (keyIndex < 0 || modeIndex < 0 || modeIndex > 3 || buffer.size() % 16 != 0) {
        error = "unusable key length, mode or buffer size";
        return false;
    }
    CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
    int produced = 0, finished = 0;
    const bool ok =
        ctx && EVP_DecryptInit_ex(ctx.get(), CipherOf(keyIndex, modeIndex), nullptr, key.data(), iv) &&
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) &&
        (buffer.empty() ||
         EVP_DecryptUpdate(ctx.get(), buffer.data(), &produced, buffer.data(), static_cast<int>(buffer.size()))) &&
        EVP_DecryptFinal_ex(ctx.get(), buffer.data() + produced, &finished);
    if (!ok || static_cast<std::size_t>(produced + finished) != buffer.size()) {
        error = OpenSslErrorText();
        return false;
    }
    return true;
}

void CheckAesData(const std::vector<std::uint8_t>& aesData, const std::string& keyText, ImageSections& image,
                  VerifyReport& report, const std::function<void(const std::string&)>& progress)
{
    const AesDataHeader header = ReadAesDataHeader(aesData);
    if (!CheckHeader(header, aesData.size(), report))
        return;
    const int keyBytes = KeyBytesOfIndex[header.cipherChoice >> 4];
    if (keyText.size() > 2 * static_cast<std::size_t>(keyBytes)) {
        report.Fail("AESData key", "the key has " + std::to_string(keyText.size()) + " digits; the record's AES-" +
                                       std::to_string(keyBytes * 8) + " takes at most " +
                                       std::to_string(2 * keyBytes));
        return;
    }
    WipedKey key{KeyFromText(keyText, keyBytes)};
    std::vector<std::uint8_t> table(aesData.begin() + AesDataHeaderSize,
                                    aesData.begin() + AesDataHeaderSize + header.tableLength);
    std::string error;
    if (!DecryptBuffer(static_cast<int>(header.cipherChoice & 0x3), key.bytes, header.iv, table, error)) {
        report.Fail("AESData table", "cannot decrypt the table: " + error);
        return;
    }
    if (!DigestEquals(Sha1(table.data(), table.size()), header.tableDigest)) {
        report.Fail("AESData table", "tableDigest does not match the decrypted table: wrong key, or the "
                                     "record was altered");
        return;
    }
    const std::size_t entries = table.size() / AesDataEntrySize;
    report.Pass("AESData table", "tableDigest matches the decrypted table of " + std::to_string(entries) +
                                     " entries");
    for (std::size_t i = 0; i < entries; ++i)
        CheckEntry(EntryAt(table, i), i, header, key, image, report, progress);
}

}  // namespace vantrel
