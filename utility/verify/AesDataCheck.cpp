#include "verify/AesDataCheck.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <algorithm>
#include <optional>

#include "core/HexText.h"
#include "core/LittleEndian.h"
#include "core/OpenSslHandles.h"
#include "core/Secret.h"
#include "encryption/AesKeyText.h"
#include "encryption/AesSettings.h"

namespace vantrel {

namespace {

constexpr const char* ModeNames[] = {"ECB", "CBC", "OFB", "CTR"};

bool DigestMatches(const std::vector<std::uint8_t>& bytes, const Sha1Digest& recorded)
{
    Sha1Digest computed{};
    return Sha1(bytes, computed).ok() && computed == recorded;
}

int ModeIndexOf(const AesDataHeader& header) { return static_cast<int>(header.cipherChoice & 0x3); }
int KeyLenIndexOf(const AesDataHeader& header) { return static_cast<int>(header.cipherChoice >> 4); }

AesDataEntry EntryAt(const std::vector<std::uint8_t>& table, std::size_t index)
{
    const std::uint8_t* p = table.data() + index * AesDataEntrySize;
    AesDataEntry entry{LoadLittleEndian32(p), LoadLittleEndian32(p + 4), LoadLittleEndian32(p + 8), {}};
    std::copy(p + 12, p + AesDataEntrySize, entry.digest.begin());
    return entry;
}

// The header's cipherChoice and table length, checked against the section.
bool CheckHeader(const AesDataHeader& header, std::size_t sectionSize, VerifyReport& report)
{
    if (sectionSize < AesDataHeaderSize) {
        report.Fail("AESData header", "AESData holds " + std::to_string(sectionSize) + " bytes, fewer than 44");
        return false;
    }
    if (header.tableLength == 0) {
        report.Fail("AESData header", "AESData holds no record (the image was not protected)");
        return false;
    }
    if ((header.cipherChoice & ~0x33u) != 0 || AesKeyLengthBytes(KeyLenIndexOf(header)) == 0) {
        report.Fail("AESData header", "cipherChoice " + Hex32(header.cipherChoice) + " is not a known cipher");
        return false;
    }
    if (header.tableLength % AesDataEntrySize != 0 || header.tableLength > sectionSize - AesDataHeaderSize) {
        report.Fail("AESData header", "tableLength " + std::to_string(header.tableLength) +
                                          " is not a whole number of entries inside the section");
        return false;
    }
    report.Pass("AESData header", "AES-" + std::to_string(AesKeyLengthBytes(KeyLenIndexOf(header)) * 8) + " " +
                                      ModeNames[ModeIndexOf(header)] + ", " +
                                      std::to_string(header.tableLength / AesDataEntrySize) + " entries");
    return true;
}

// The part [offset, offset + size) of a section's bytes, when it is there.
void KeepPart(std::vector<std::uint8_t>& bytes, std::uint32_t offset, std::uint32_t size)
{
    if (offset <= bytes.size() && size <= bytes.size() - offset)
        bytes = std::vector<std::uint8_t>(bytes.begin() + offset, bytes.begin() + offset + size);
}

// Decrypts an encrypted section (or the part of it the entry names) and
// compares it with the same part of the original image's section of the
// same name.
void CompareWithOriginal(const std::string& subject, const ListedSection& section, std::uint32_t offset,
                         std::vector<std::uint8_t> bytes, const AesDataHeader& header, const SecretBytes& key,
                         ImageSections& original, VerifyReport& report)
{
    const std::string theOriginal = "section " + section.name + " of the original " + original.imagePath();
    std::string error;
    std::optional<std::vector<std::uint8_t>> plain;
    if (!original.FindByName(section.name))
        error = "the original " + original.imagePath() + " has no section " + section.name;
    else
        plain = original.ReadBytes(section.name, error);
    if (!plain) {
        report.Fail(subject, "digest matches, but cannot be compared: " + error);
        return;
    }
    KeepPart(*plain, offset, static_cast<std::uint32_t>(bytes.size()));
    if (!DecryptBuffer(ModeIndexOf(header), key, header.iv, bytes, error)) {
        report.Fail(subject, "digest matches, but decryption failed: " + error);
        return;
    }
    const auto difference = std::mismatch(bytes.begin(), bytes.end(), plain->begin(), plain->end());
    const bool same = bytes.size() == plain->size() && difference.first == bytes.end();
    const std::size_t firstDifference = static_cast<std::size_t>(difference.first - bytes.begin());
    OPENSSL_cleanse(bytes.data(), bytes.size());
    if (bytes.size() != plain->size())
        report.Fail(subject, "digest matches, but it holds " + std::to_string(bytes.size()) + " bytes and " +
                                 theOriginal + " holds " + std::to_string(plain->size()));
    else if (!same)
        report.Fail(subject, "digest matches, but it decrypts to bytes that differ from " + theOriginal +
                                 " from byte " + std::to_string(firstDifference) + " on");
    else
        report.Pass(subject, "encrypted, digest matches, decrypts to the original's " +
                                 std::to_string(bytes.size()) + " bytes");
}

// One entry: its flags, its section, the digest of the section's bytes, and
// for an encrypted section, given the original, the decryption.
void CheckEntry(const AesDataEntry& entry, std::size_t index, const AesDataHeader& header, const SecretBytes& key,
                ImageSections& image, ImageSections* original, VerifyReport& report,
                const std::function<void(const std::string&)>& progress)
{
    // The target hashes the bytes at the entry's addresses, so an entry may
    // name part of a section as well as all of it.
    std::uint32_t offset = 0;
    const ListedSection* section = image.FindHolding(entry.address, entry.size, offset);
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
    if (encrypted && entry.flags != AesEncryptedFlags(KeyLenIndexOf(header), ModeIndexOf(header))) {
        report.Fail(subject, "flags " + Hex32(entry.flags) + " do not match cipherChoice " +
                                 Hex32(header.cipherChoice));
        return;
    }
    if (!image.NameIsUnique(section->name)) {
        report.Fail(subject, "more than one section is named " + section->name + ", so the bytes at " +
                                 Hex32(entry.address) + " cannot be read by name");
        return;
    }
    std::string error;
    auto bytes = image.ReadBytes(section->name, error);
    if (!bytes) {
        report.Fail(subject, error);
        return;
    }
    KeepPart(*bytes, offset, entry.size);
    if (!DigestMatches(*bytes, entry.digest)) {
        report.Fail(subject, "digest does not match: the section's bytes were altered");
        return;
    }
    if (!encrypted)
        report.Pass(subject, "hashed, digest matches (" + std::to_string(bytes->size()) + " bytes)");
    else if (!original)
        report.Pass(subject, "encrypted, digest matches (" + std::to_string(bytes->size()) +
                                 " bytes; decryption not checked without the original image)");
    else
        CompareWithOriginal(subject, *section, offset, std::move(*bytes), header, key, *original, report);
}

}  // namespace

AesDataHeader ReadAesDataHeader(const std::vector<std::uint8_t>& section)
{
    AesDataHeader header;
    if (section.size() < AesDataHeaderSize)
        return header;
    std::copy(section.begin(), section.begin() + 16, header.iv.begin());
    std::copy(section.begin() + 16, section.begin() + 36, header.tableDigest.begin());
    header.tableLength = LoadLittleEndian32(section.data() + 36);
    header.cipherChoice = LoadLittleEndian32(section.data() + 40);
    return header;
}

bool DecryptBuffer(int modeIndex, std::span<const std::uint8_t> key, const std::array<std::uint8_t, 16>& iv,
                   std::vector<std::uint8_t>& buffer, std::string& error)
{
    const EVP_CIPHER* cipher = AesEvpCipher(static_cast<int>(key.size()), AesModeCode(modeIndex));
    if (!cipher || buffer.size() % 16 != 0) {
        error = "unusable key length, mode or buffer size";
        return false;
    }
    CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
    int produced = 0, finished = 0;
    const bool ok =
        ctx && EVP_DecryptInit_ex(ctx.get(), cipher, nullptr, key.data(), iv.data()) &&
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

std::optional<AesDataRecordContents> ReadAesDataRecord(const std::vector<std::uint8_t>& aesData,
                                                      const SecretText& keyText, VerifyReport& report)
{
    AesDataRecordContents record;
    record.header = ReadAesDataHeader(aesData);
    const AesDataHeader& header = record.header;
    if (!CheckHeader(header, aesData.size(), report))
        return std::nullopt;
    const int keyBytes = AesKeyLengthBytes(KeyLenIndexOf(header));
    if (!IsHexKeyText(keyText.view())) {
        report.Fail("AESData key", "the key holds characters other than hexadecimal digits");
        return std::nullopt;
    }
    if (keyText.size() != 2 * static_cast<std::size_t>(keyBytes)) {
        report.Fail("AESData key", "the record is AES-" + std::to_string(keyBytes * 8) + ", whose key is " +
                                       std::to_string(2 * keyBytes) + " hexadecimal digits; the key given has " +
                                       std::to_string(keyText.size()));
        return std::nullopt;
    }
    record.key = AesKeyFromText(keyText.view(), keyBytes);
    std::vector<std::uint8_t> table(aesData.begin() + AesDataHeaderSize,
                                    aesData.begin() + AesDataHeaderSize + header.tableLength);
    std::string error;
    if (!DecryptBuffer(ModeIndexOf(header), record.key, header.iv, table, error)) {
        report.Fail("AESData table", "cannot decrypt the table: " + error);
        return std::nullopt;
    }
    if (!DigestMatches(table, header.tableDigest)) {
        report.Fail("AESData table", "tableDigest does not match the decrypted table: wrong key, or the "
                                     "record was altered");
        return std::nullopt;
    }
    const std::size_t entries = table.size() / AesDataEntrySize;
    report.Pass("AESData table", "tableDigest matches the decrypted table of " + std::to_string(entries) +
                                     " entries");
    for (std::size_t i = 0; i < entries; ++i)
        record.entries.push_back(EntryAt(table, i));
    return record;
}

void CheckAesData(const std::vector<std::uint8_t>& aesData, const SecretText& keyText, ImageSections& image,
                  ImageSections* original, VerifyReport& report,
                  const std::function<void(const std::string&)>& progress)
{
    const std::optional<AesDataRecordContents> record = ReadAesDataRecord(aesData, keyText, report);
    if (!record)
        return;
    for (std::size_t i = 0; i < record->entries.size(); ++i)
        CheckEntry(record->entries[i], i, record->header, record->key, image, original, report, progress);
}

}  // namespace vantrel
