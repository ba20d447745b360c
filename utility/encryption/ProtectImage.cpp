#include "encryption/ProtectImage.h"

#include <openssl/rand.h>

#include <array>
#include <filesystem>
#include <optional>

#include "core/Files.h"
#include "core/HexText.h"
#include "core/OpenSslHandles.h"
#include "core/Sha1.h"
#include "encryption/AesCipher.h"
#include "encryption/AesDataRecord.h"
#include "encryption/AesSettings.h"
#include "encryption/SaveMessages.h"
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

// The section's bytes as Load captured them: the whole hexadecimal digit
// pairs of contentText (its newline drops out).
Bytes CapturedBytes(const SectionRecord& record)
{
    Bytes bytes(record.contentText.size() / 2);
    if (!bytes.empty())
        HexToBytes(record.contentText.data(), bytes.data(), static_cast<int>(2 * bytes.size()));
    return bytes;
}

// The target works in whole blocks, for hashed sections too. Checked for
// every treated row before anything is written.
Status CheckBlockSizes(const ProtectRequest& request)
{
    for (std::size_t row = 0; row < request.inventory->sectionTable.size(); ++row) {
        const SectionRecord& record = request.inventory->sectionTable[row];
        const std::size_t size = record.contentText.size() / 2;
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

    Status CheckUnchanged();
    Status ProcessRows();
    Status WriteRecord(const std::array<std::uint8_t, 16>& iv);

private:
    Status ProcessRow(const SectionRecord& record, Treatment treatment);

    const ProtectRequest& request_;
    AesCipher& cipher_;
    ToolSession& tools_;
    fs::path working_;
    std::vector<AesDataEntry> entries_;
};

// The sections and the digests come from the bytes Load captured; the copy
// must still hold exactly those, or they would be written into another image.
Status Protection::CheckUnchanged()
{
    const SectionTable& table = request_.inventory->sectionTable;
    for (std::size_t row = 0; row < table.size(); ++row) {
        if (TreatmentOf(request_, row) == Treatment::None)
            continue;
        if (IsCancelled(request_.cancelled))
            return Status::Fail(CancelledMessage);
        Report(request_.progress, "checking section " + table[row].name);
        Outcome<Bytes> current = tools_.GetSection(working_, table[row].name);
        if (!current)
            return Status::Fail(current.message());
        if (current.value() != CapturedBytes(table[row]))
            return Status::Fail(SaveImageChangedMessage);
    }
    return Done{};
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
        if (Status processed = ProcessRow(table[row], treatment); !processed)
            return processed;
    }
    return Done{};
}

Status Protection::ProcessRow(const SectionRecord& record, Treatment treatment)
{
    const int keyLen = static_cast<int>(request_.keyLength);
    const int mode = static_cast<int>(request_.mode);
    AesDataEntry entry;
    entry.address = ReadHexNumber(record.addressText);
    entry.size = ReadHexNumber(record.sizeText);
    Bytes bytes = CapturedBytes(record);
    if (treatment == Treatment::Encrypt) {
        Report(request_.progress, "encrypting section " + record.name);
        entry.flags = AesEncryptedFlags(keyLen, mode);
        if (Status encrypted = cipher_.Encrypt(bytes); !encrypted)
            return encrypted;
        if (Status replaced = tools_.ReplaceSection(working_, record.name, bytes, bytes.size()); !replaced)
            return replaced;
    } else {
        Report(request_.progress, "hashing section " + record.name);
    }
    // The digest is of the bytes as they stand in the saved image.
    if (Status digested = Sha1(bytes, entry.digest); !digested)
        return digested;
    entries_.push_back(entry);
    return Done{};
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
    Outcome<fs::path> working = session.value().CopyIn(inventory.imagePath, request.outputPath);
    if (!working)
        return Status::Fail(working.message());
    Protection protection(request, *cipher, session.value(), working.value());
    if (Status unchanged = protection.CheckUnchanged(); !unchanged)
        return unchanged;
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
