#include "encryption/ProtectImage.h"

#include <optional>
#include <vector>

#include "encryption/AesCipher.h"
#include "encryption/AesDataRecord.h"
#include "encryption/AesSettings.h"
#include "encryption/SaveFiles.h"
#include "encryption/SaveMessages.h"
#include "encryption/SectionTool.h"
#include "inventory/NumberText.h"
#include "signing/HexToBytes.h"

namespace vantrel {

namespace {

enum class Treatment { None, Hash, Encrypt };

// A row with its "AES" box checked is encrypted, whatever its "Hash" box
// shows; one with only "Hash" checked is hashed.
Treatment RowTreatment(const SectionList& rows, std::size_t row)
{
    const int index = static_cast<int>(row);
    if (rows.GetItemCheckedState(index, SectionList::AesColumn) != 0)
        return Treatment::Encrypt;
    if (rows.GetItemCheckedState(index, SectionList::HashColumn) != 0)
        return Treatment::Hash;
    return Treatment::None;
}

// Rows without a record (a failed Load can leave one at the end) are not
// part of the save.
std::size_t CountCheckedRows(const DialogState& state, const SectionList& rows)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < state.sectionTable.size(); ++i)
        count += RowTreatment(rows, i) != Treatment::None ? 1 : 0;
    return count;
}

// The section's bytes as Load captured them: the whole hexadecimal digit
// pairs of contentText (its newline drops out).
std::vector<std::uint8_t> SectionBytes(const SectionRecord& record)
{
    std::vector<std::uint8_t> bytes(record.contentText.size() / 2);
    if (!bytes.empty())
        HexToBytes(record.contentText.data(), bytes.data(), static_cast<int>(2 * bytes.size()));
    return bytes;
}

class Protection {
public:
    Protection(const DialogState& state, AesChoice choice, AesCipher& cipher, SectionToolContext tool)
        : state_(state), choice_(choice), cipher_(cipher), tool_(std::move(tool)) {}

    Status ProcessRows(const SectionList& rows);
    Status WriteRecord(const std::string& input);

private:
    Status ProcessRow(const SectionRecord& record, Treatment treatment);

    const DialogState& state_;
    AesChoice choice_;
    AesCipher& cipher_;
    SectionToolContext tool_;
    std::vector<AesDataEntry> entries_;
};

Status Protection::ProcessRows(const SectionList& rows)
{
    for (std::size_t i = 0; i < state_.sectionTable.size(); ++i) {
        const Treatment treatment = RowTreatment(rows, i);
        if (treatment == Treatment::None)
            continue;
        if (Status processed = ProcessRow(state_.sectionTable[i], treatment); !processed)
            return processed;
    }
    return Status(Done{});
}

Status Protection::ProcessRow(const SectionRecord& record, Treatment treatment)
{
    AesDataEntry entry;
    entry.address = ReadHexNumber(record.addressText);
    entry.size = ReadHexNumber(record.sizeText);
    std::vector<std::uint8_t> bytes = SectionBytes(record);
    // The target works in whole blocks, for hashed sections too.
    if (bytes.size() % 16 != 0)
        return Status::Fail(SaveNotMultipleOf16Message);
    if (treatment == Treatment::Encrypt) {
        entry.flags = AesEncryptedFlags(choice_.keyLenIndex, choice_.modeIndex);
        if (Status encrypted = cipher_.Encrypt(bytes); !encrypted)
            return encrypted;
    }
    // The digest is of the bytes as they will stand in the saved image.
    if (Status digested = Sha1(bytes, entry.digest); !digested)
        return digested;
    if (treatment == Treatment::Encrypt) {
        if (Status copied = CopyWorkingImage(tool_); !copied)
            return copied;
        if (Status replaced = ReplaceSectionBytes(tool_, record.name, bytes); !replaced)
            return replaced;
    }
    entries_.push_back(entry);
    return Status(Done{});
}

// The record goes over the front of the section's current bytes, so the
// bytes after the table keep what the section held.
Status Protection::WriteRecord(const std::string& input)
{
    std::vector<std::uint8_t> section;
    if (Status copied = CopyWorkingImage(tool_); !copied)
        return copied;
    if (Status got = GetSectionBytes(tool_, "AESData", section); !got)
        return got;
    if (section.size() != state_.aesDataSize)
        return Status::Fail(SaveAesDataChangedMessage(input, state_.aesDataSize, section.size()));
    if (Status written = WriteAesDataRecord(section, state_.aesIv,
                                             AesCipherChoice(choice_.keyLenIndex, choice_.modeIndex), entries_,
                                             cipher_);
        !written)
        return written;
    return ReplaceSectionBytes(tool_, "AESData", section);
}

}  // namespace

Status ProtectImage(const DialogState& state, const SectionList& rows, AesChoice choice, const std::string& input,
                     const std::string& output)
{
    const SaveTempFiles temporaryFiles;
    if (state.aesDataSize == 0)
        return Status::Fail(SaveNoAesDataMessage);
    // Refused before anything is written: a record cut short would mislead
    // the target.
    const std::size_t checked = CountCheckedRows(state, rows);
    if (checked > 0 && AesDataRecordSize(checked) > state.aesDataSize)
        return Status::Fail(SaveRecordTooLargeMessage(input, state.aesDataSize, checked));
    std::optional<AesCipher> cipher = AesCipher::Setup(state.aesMode, state.aesKeyLength, state.aesKeyBytes.data(),
                                                       state.aesIv);
    if (!cipher)
        return Status::Fail(SaveAesSetupMessage);
    if (checked == 0)
        return Status::Fail(SaveNoOperationMessage);

    std::optional<WorkingImage> work;
    if (Status created = WorkingImage::Create(input, output, work); !created)
        return created;
    Protection protection(state, choice, *cipher, SectionToolContext{state.toolDirectory, work->path(), output});
    if (Status processed = protection.ProcessRows(rows); !processed)
        return processed;
    if (Status recorded = protection.WriteRecord(input); !recorded)
        return recorded;
    return work->Commit();
}

}  // namespace vantrel
