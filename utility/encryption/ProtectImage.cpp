#include "encryption/ProtectImage.h"

#include <openssl/rand.h>

#include <array>
#include <filesystem>
#include <optional>

#include "core/Files.h"
#include "core/OpenSslHandles.h"
#include "core/Sha1.h"
#include "encryption/AesCipher.h"
#include "encryption/AesDataRecord.h"
#include "encryption/AesSettings.h"
#include "encryption/SaveMessages.h"
#include "encryption/SectionEncryption.h"
#include "inventory/NumberText.h"
#include "runner/ToolSession.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

Treatment TreatmentOf(const ProtectRequest& request, std::size_t row)
{
    return row < request.treatments.size() ? request.treatments[row] : Treatment::None;
}

std::size_t CountTreatedRows(const ProtectRequest& request)
{
    std::size_t count = 0;
    for (std::size_t row = 0; row < request.inventory->sectionTable.size(); ++row)
        count += TreatmentOf(request, row) != Treatment::None ? 1 : 0;
    return count;
}

std::uint64_t SectionSize(const SectionRecord& record)
{
    return ReadHexNumber(record.sizeText);
}

// The target works in whole blocks, for hashed sections too. Checked for
// every treated row before anything is written.
Status CheckBlockSizes(const ProtectRequest& request)
{
    for (std::size_t row = 0; row < request.inventory->sectionTable.size(); ++row) {
        const SectionRecord& record = request.inventory->sectionTable[row];
        const std::uint64_t size = SectionSize(record);
        if (TreatmentOf(request, row) != Treatment::None && size % 16 != 0)
            return Status::Fail(std::string(SaveNotMultipleOf16Message) + "Section " + record.name + " holds " +
                                std::to_string(size) + " bytes.\n");
    }
    return Done{};
}

class Protection {
public:
    Protection(const ProtectRequest& request, AesCipher& cipher, ToolSession& tools, fs::path working)
        : request_(request), cipher_(cipher), tools_(tools), working_(std::move(working)) {}

    Status ProcessRows();
    Status WriteRecord(const std::array<std::uint8_t, 16>& iv);

private:
    Status Hash(const SectionRecord& record, AesDataEntry& entry);
    Status Encrypt(const SectionRecord& record, AesDataEntry& entry);

    const ProtectRequest& request_;
    AesCipher& cipher_;
    ToolSession& tools_;
    fs::path working_;
    std::vector<AesDataEntry> entries_;
};

// The digests of the record are taken from the copy's bytes as they are
// streamed; they must still be the bytes Load read, or they would belong to
// another image.
Status CheckUnchanged(const SectionRecord& record, const Sha1Digest& current)
{
    return current == record.digest ? Status(Done{}) : Status::Fail(SaveImageChangedMessage);
}

// A section whose size changed since Load streams more or fewer bytes than
// Load listed: the image changed, whatever else the tool did right.
Status StreamProblem(const ToolSession& tools, std::uint64_t size, const Status& streamed)
{
    using End = ToolRunResult::End;
    const ToolRunResult& run = tools.lastRun();
    const bool tooMany = run.end == End::Refused && run.streamed > size;
    const bool tooFew = run.end == End::Exited && run.status == 0 && run.streamed < size;
    return tooMany || tooFew ? Status::Fail(SaveImageChangedMessage) : streamed;
}

Status Protection::ProcessRows()
{
    const SectionTable& table = request_.inventory->sectionTable;
    for (std::size_t row = 0; row < table.size(); ++row) {
        const Treatment treatment = TreatmentOf(request_, row);
        if (treatment == Treatment::None)
            continue;
        if (IsCancelled(request_.cancelled))
            return Status::Fail(CancelledMessage);
        AesDataEntry entry;
        entry.address = ReadHexNumber(table[row].addressText);
        entry.size = static_cast<std::uint32_t>(SectionSize(table[row]));
        const Status processed = treatment == Treatment::Encrypt ? Encrypt(table[row], entry) : Hash(table[row], entry);
        if (!processed)
            return processed;
        entries_.push_back(entry);
    }
    return Done{};
}

// A hashed section keeps its bytes; its digest is the one Load took.
Status Protection::Hash(const SectionRecord& record, AesDataEntry& entry)
{
    ByteProgress progress(request_.progress, "hashing section " + record.name, entry.size);
    Sha1Stream digest;
    const Status read = tools_.StreamSection(working_, record.name, entry.size, [&](std::span<const std::uint8_t> piece) {
        progress.Add(piece.size());
        return digest.Add(piece);
    });
    if (!read)
        return StreamProblem(tools_, entry.size, read);
    if (Status finished = digest.Finish(entry.digest); !finished)
        return finished;
    return CheckUnchanged(record, entry.digest);
}

// The section streams out of the copy, is encrypted into a file of the
// private folder and goes back in from there; the digest is of the bytes as
// they stand in the saved image.
Status Protection::Encrypt(const SectionRecord& record, AesDataEntry& entry)
{
    entry.flags = AesEncryptedFlags(static_cast<int>(request_.keyLength), static_cast<int>(request_.mode));
    const fs::path file = tools_.folder() / "encrypted.bin";
    Outcome<SectionEncryption> encryption = SectionEncryption::Start(cipher_, file);
    if (!encryption)
        return Status::Fail(encryption.message());
    ByteProgress progress(request_.progress, "encrypting section " + record.name, entry.size);
    Status done = tools_.StreamSection(working_, record.name, entry.size, [&](std::span<const std::uint8_t> piece) {
        progress.Add(piece.size());
        return encryption.value().Add(piece);
    });
    Sha1Digest plain{};
    if (!done)
        done = StreamProblem(tools_, entry.size, done);
    else
        done = encryption.value().Finish(plain, entry.digest);
    if (done)
        done = CheckUnchanged(record, plain);
    if (done) {
        Report(request_.progress, "writing section " + record.name);
        done = tools_.ReplaceSectionFrom(working_, record.name, file, entry.size);
    }
    std::error_code ignored;
    fs::remove(file, ignored);
    return done;
}

// The record goes over the front of the section's current bytes, so the
// bytes after the table keep what the section held.
Status Protection::WriteRecord(const std::array<std::uint8_t, 16>& iv)
{
    const std::string& input = request_.inventory->imagePath;
    Outcome<Bytes> section = tools_.GetSection(working_, "AESData");
    if (!section)
        return Status::Fail(section.message());
    if (section.value().size() != request_.inventory->aesDataSize)
        return Status::Fail(
            SaveAesDataChangedMessage(input, request_.inventory->aesDataSize, section.value().size()));
    const std::uint32_t choice =
        AesCipherChoice(static_cast<int>(request_.keyLength), static_cast<int>(request_.mode));
    if (Status written = WriteAesDataRecord(section.value(), iv, choice, entries_, cipher_); !written)
        return written;
    return tools_.ReplaceSection(working_, "AESData", section.value(), section.value().size());
}

}  // namespace

int AesKeyBytes(AesKeyLength keyLength)
{
    return AesKeyLengthBytes(static_cast<int>(keyLength));
}

Status CheckProtectChoices(const ProtectRequest& request)
{
    if (!request.inventory)
        return Status::Fail(SaveNoOperationMessage);
    const Inventory& inventory = *request.inventory;
    if (inventory.aesDataSize == 0)
        return Status::Fail(SaveNoAesDataMessage);
    // Refused before anything is written: a record cut short would mislead
    // the target.
    const std::size_t treated = CountTreatedRows(request);
    if (treated > 0 && AesDataRecordSize(treated) > inventory.aesDataSize)
        return Status::Fail(SaveRecordTooLargeMessage(inventory.imagePath, inventory.aesDataSize, treated));
    if (treated == 0)
        return Status::Fail(SaveNoOperationMessage);
    return CheckBlockSizes(request);
}

Status ProtectImage(const ProtectRequest& request)
{
    if (Status choices = CheckProtectChoices(request); !choices)
        return choices;
    const Inventory& inventory = *request.inventory;
    // A fresh IV from the secure generator for every save.
    std::array<std::uint8_t, 16> iv{};
    if (RAND_priv_bytes(iv.data(), static_cast<int>(iv.size())) != 1)
        return Status::Fail("Could not make the IV of the save: " + OpenSslErrorText() + "\n");
    const int keyBytes = AesKeyBytes(request.keyLength);
    std::optional<AesCipher> cipher;
    if (request.key.size() == static_cast<std::size_t>(keyBytes))
        cipher = AesCipher::Setup(AesModeCode(static_cast<int>(request.mode)), keyBytes, request.key.data(), iv);
    if (!cipher)
        return Status::Fail(SaveAesSetupMessage);
    const fs::path output(request.outputPath);
    if (Status replaceable = CheckReplaceableFile(output); !replaceable)
        return replaceable;

    Outcome<ToolSession> session =
        ToolSession::Open(request.toolDirectory, output.has_parent_path() ? output.parent_path() : ".");
    if (!session)
        return Status::Fail(session.message());
    session.value().SetCancelCheck(request.cancelled);
    Report(request.progress, "copying the image");
    Outcome<fs::path> working = session.value().CopyIn(inventory.imagePath, request.outputPath);
    if (!working)
        return Status::Fail(working.message());
    Protection protection(request, *cipher, session.value(), working.value());
    if (Status processed = protection.ProcessRows(); !processed)
        return processed;
    if (Status recorded = protection.WriteRecord(iv); !recorded)
        return recorded;
    // The last moment a cancel leaves the output as it was.
    if (IsCancelled(request.cancelled))
        return Status::Fail(CancelledMessage);
    return session.value().CommitOver(working.value(), output, "protected");
}

}  // namespace vantrel
