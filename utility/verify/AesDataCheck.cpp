#include "verify/AesDataCheck.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <unistd.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "core/Files.h"
#include "core/HexText.h"
#include "core/LittleEndian.h"
#include "core/OpenSslHandles.h"
#include "core/Secret.h"
#include "filereplace/UniqueFd.h"
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

// Hands on only the part [offset, offset + size) of a section's bytes as they
// stream past: the target hashes the bytes at an entry's addresses, which may
// be part of a section as well as all of it.
class StreamWindow {
public:
    StreamWindow(std::uint64_t offset, std::uint64_t size) : begin_(offset), end_(offset + size) {}
    std::span<const std::uint8_t> Cut(std::span<const std::uint8_t> piece)
    {
        const std::uint64_t at = position_;
        position_ += piece.size();
        const std::uint64_t from = std::clamp(begin_, at, position_);
        const std::uint64_t to = std::clamp(end_, at, position_);
        return piece.subspan(static_cast<std::size_t>(from - at), static_cast<std::size_t>(to - from));
    }

private:
    std::uint64_t begin_, end_, position_ = 0;
};

// Decrypts an encrypted section as it streams in, into a file of the
// private folder, for the comparison with the original's section.
class DecryptedCopy {
public:
    bool Start(int modeIndex, const SecretBytes& key, const std::array<std::uint8_t, 16>& iv,
               const std::filesystem::path& file, std::string& error)
    {
        const EVP_CIPHER* cipher = AesEvpCipher(static_cast<int>(key.size()), AesModeCode(modeIndex));
        context_.reset(EVP_CIPHER_CTX_new());
        if (!cipher || !context_ || EVP_DecryptInit_ex(context_.get(), cipher, nullptr, key.data(), iv.data()) != 1 ||
            EVP_CIPHER_CTX_set_padding(context_.get(), 0) != 1) {
            error = OpenSslErrorText();
            return false;
        }
        file_ = file;
        out_.reset(open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out_.valid()) {
            error = "cannot create " + file.string() + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }

    // EVP keeps a partial block until the next piece completes it.
    Status Add(std::span<const std::uint8_t> piece)
    {
        plain_.resize(piece.size() + 16);
        int produced = 0;
        if (!piece.empty() && EVP_DecryptUpdate(context_.get(), plain_.data(), &produced, piece.data(),
                                                static_cast<int>(piece.size())) != 1)
            return Status::Fail(OpenSslErrorText());
        return WriteOut(static_cast<std::size_t>(produced));
    }

    bool Finish(std::string& error)
    {
        int produced = 0;
        plain_.resize(16);
        if (EVP_DecryptFinal_ex(context_.get(), plain_.data(), &produced) != 1 || produced != 0) {
            error = "the section is not a whole number of AES blocks";
            return false;
        }
        if (!out_.close()) {
            error = std::strerror(errno);
            return false;
        }
        return true;
    }

private:
    Status WriteOut(std::size_t size)
    {
        Status written = WriteAll(out_.get(), plain_.data(), size, file_);
        OPENSSL_cleanse(plain_.data(), size);
        return written;
    }

    CipherCtxPtr context_;
    std::filesystem::path file_;
    UniqueFd out_;
    std::vector<std::uint8_t> plain_;
};

// The part [offset, offset + size) of the original's section, streamed,
// against the decrypted copy: the offset of the first byte that differs, or
// nothing when all agree.
Outcome<std::optional<std::uint64_t>> FirstDifference(ImageSections& original, const ListedSection& section,
                                                      std::uint32_t offset, std::uint32_t size,
                                                      const std::filesystem::path& decrypted, std::string& error)
{
    using Result = Outcome<std::optional<std::uint64_t>>;
    UniqueFd in(open(decrypted.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid())
        return Result::Fail("cannot read " + decrypted.string() + ": " + std::strerror(errno));
    std::optional<std::uint64_t> first;
    std::uint64_t done = 0;
    std::vector<std::uint8_t> mine;
    StreamWindow window(offset, size);
    const bool read = original.StreamBytes(section, [&](std::span<const std::uint8_t> whole) {
        const std::span<const std::uint8_t> piece = window.Cut(whole);
        mine.resize(piece.size());
        if (pread(in.get(), mine.data(), mine.size(), static_cast<off_t>(done)) !=
            static_cast<ssize_t>(mine.size()))
            return Status::Fail("cannot read " + decrypted.string() + " back");
        if (!first) {
            const auto difference = std::mismatch(piece.begin(), piece.end(), mine.begin());
            if (difference.first != piece.end())
                first = done + static_cast<std::uint64_t>(difference.first - piece.begin());
        }
        OPENSSL_cleanse(mine.data(), mine.size());
        done += piece.size();
        return Status(Done{});
    }, error);
    if (!read)
        return Result::Fail(error);
    return first;
}

// Compares the decrypted copy of an encrypted section (or of the part of it
// the entry names, from offset on) with the same part of the original
// image's section of the same name.
void CompareWithOriginal(const std::string& subject, const ListedSection& section, std::uint32_t offset,
                         std::uint32_t size, const std::filesystem::path& decrypted, ImageSections& original,
                         VerifyReport& report)
{
    const std::string theOriginal = "section " + section.name + " of the original " + original.imagePath();
    const ListedSection* plain = original.FindByName(section.name);
    if (!plain) {
        report.Fail(subject, "digest matches, but cannot be compared: the original " + original.imagePath() +
                                 " has no section " + section.name);
        return;
    }
    if (plain->size != section.size) {
        report.Fail(subject, "digest matches, but it holds " + std::to_string(section.size) + " bytes and " +
                                 theOriginal + " holds " + std::to_string(plain->size));
        return;
    }
    std::string error;
    const Outcome<std::optional<std::uint64_t>> first =
        FirstDifference(original, *plain, offset, size, decrypted, error);
    if (!first)
        report.Fail(subject, "digest matches, but cannot be compared: " + first.message());
    else if (first.value())
        report.Fail(subject, "digest matches, but it decrypts to bytes that differ from " + theOriginal +
                                 " from byte " + std::to_string(*first.value()) + " on");
    else
        report.Pass(subject, "encrypted, digest matches, decrypts to the original's " + std::to_string(size) +
                                 " bytes");
}

// One entry: its flags, its section, the digest of the section's bytes, and
// for an encrypted section, given the original, the decryption. The
// section streams once: its digest is taken and, when it is to be compared,
// it is decrypted into a file of the private folder on the way.
void CheckEntry(const AesDataEntry& entry, std::size_t index, const AesDataHeader& header, const SecretBytes& key,
                ImageSections& image, ImageSections* original, VerifyReport& report, const Progress& progress)
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
    if (!image.NameIsUnique(section->name)) {
        report.Fail(subject, "more than one section is named " + section->name + ", so the bytes at " +
                                 Hex32(entry.address) + " cannot be read by name");
        return;
    }
    const bool encrypted = entry.flags != 0;
    if (encrypted && entry.flags != AesEncryptedFlags(KeyLenIndexOf(header), ModeIndexOf(header))) {
        Report(progress, "checking " + subject);
        report.Fail(subject, "flags " + Hex32(entry.flags) + " do not match cipherChoice " +
                                 Hex32(header.cipherChoice));
        return;
    }
    const bool compare = encrypted && original != nullptr;
    const std::filesystem::path decrypted = image.PrivateFolder() / "decrypted.bin";
    std::error_code ignored;
    std::filesystem::remove(decrypted, ignored);
    DecryptedCopy copy;
    std::string error;
    if (compare && !copy.Start(ModeIndexOf(header), key, header.iv, decrypted, error)) {
        report.Fail(subject, "digest cannot be checked: " + error);
        return;
    }
    ByteProgress counted(progress, "checking " + subject, section->size);
    Sha1Stream digest;
    StreamWindow window(offset, entry.size);
    const bool read = image.StreamBytes(*section, [&](std::span<const std::uint8_t> whole) {
        counted.Add(whole.size());
        const std::span<const std::uint8_t> piece = window.Cut(whole);
        Status taken = digest.Add(piece);
        return taken && compare ? copy.Add(piece) : taken;
    }, error);
    Sha1Digest computed{};
    if (!read || !digest.Finish(computed)) {
        report.Fail(subject, read ? "SHA-1 failed: " + OpenSslErrorText() : error);
    } else if (computed != entry.digest) {
        report.Fail(subject, "digest does not match: the section's bytes were altered");
    } else if (!encrypted) {
        report.Pass(subject, "hashed, digest matches (" + std::to_string(entry.size) + " bytes)");
    } else if (!original) {
        report.Pass(subject, "encrypted, digest matches (" + std::to_string(entry.size) +
                                 " bytes; decryption not checked without the original image)");
    } else if (!copy.Finish(error)) {
        report.Fail(subject, "digest matches, but decryption failed: " + error);
    } else {
        CompareWithOriginal(subject, *section, offset, entry.size, decrypted, *original, report);
    }
    std::filesystem::remove(decrypted, ignored);
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
                  ImageSections* original, VerifyReport& report, const Progress& progress)
{
    const std::optional<AesDataRecordContents> record = ReadAesDataRecord(aesData, keyText, report);
    if (!record)
        return;
    for (std::size_t i = 0; i < record->entries.size(); ++i)
        CheckEntry(record->entries[i], i, record->header, record->key, image, original, report, progress);
}

}  // namespace vantrel
