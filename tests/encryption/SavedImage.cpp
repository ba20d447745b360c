#include "SavedImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "CipherCheck.h"

namespace vantrel::testing {

namespace {

const SectionSpec& FindSection(const ImageSpec& spec, const std::string& name)
{
    for (const SectionSpec& section : spec.sections) {
        if (section.name == name)
            return section;
    }
    throw std::runtime_error("no section " + name + " in the test image");
}

std::uint32_t Le32(const Bytes& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8
           | static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

Bytes Slice(const Bytes& bytes, std::size_t at, std::size_t size)
{
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
}

void CheckEntry(const ImageSpec& spec, const Bytes& saved, const SaveChoice& choice, const ExpectedEntry& expected,
                const Bytes& entry)
{
    SCOPED_TRACE("entry for " + expected.name);
    const SectionSpec& section = FindSection(spec, expected.name);
    EXPECT_EQ(Le32(entry, 0), section.address);
    EXPECT_EQ(Le32(entry, 4), section.bytes.size());
    const std::uint32_t flags = expected.encrypted
                                    ? static_cast<std::uint32_t>(choice.keyLenIndex * 16 + choice.modeIndex + 4)
                                    : 0u;
    EXPECT_EQ(Le32(entry, 8), flags);
    const Bytes stored = SectionBytesIn(spec, saved, expected.name);
    EXPECT_EQ(HexText(Slice(entry, 12, 20)), HexText(Sha1Of(stored)));
}

}  // namespace

Bytes SectionBytesIn(const ImageSpec& spec, const Bytes& image, const std::string& name)
{
    return Slice(image, SectionOffset(spec, name), FindSection(spec, name).bytes.size());
}

SavedRecord ReadSavedRecord(const ImageSpec& spec, const Bytes& image)
{
    SavedRecord record;
    record.section = SectionBytesIn(spec, image, "AESData");
    if (record.section.size() < 44)
        throw std::runtime_error("AESData shorter than its header");
    record.iv = Slice(record.section, 0, 16);
    record.tableDigest = Slice(record.section, 16, 20);
    record.tableLength = Le32(record.section, 36);
    record.cipherChoice = Le32(record.section, 40);
    return record;
}

void ExpectProtectedImage(const ImageSpec& spec, const Bytes& original, const Bytes& saved, const SaveChoice& choice,
                          const std::vector<ExpectedEntry>& entries)
{
    ASSERT_EQ(saved.size(), original.size());
    const SavedRecord record = ReadSavedRecord(spec, saved);
    EXPECT_EQ(record.cipherChoice, static_cast<std::uint32_t>(choice.keyLenIndex * 16 + choice.modeIndex));
    ASSERT_EQ(record.tableLength, 32 * entries.size());

    Bytes table = Slice(record.section, 44, record.tableLength);
    DecryptInPlace(choice.keyLenIndex, choice.modeIndex, choice.key, record.iv, table);
    EXPECT_EQ(HexText(record.tableDigest), HexText(Sha1Of(table)));
    for (std::size_t i = 0; i < entries.size(); ++i)
        CheckEntry(spec, saved, choice, entries[i], Slice(table, 32 * i, 32));

    // Put back what the save was meant to change, then the whole file must
    // be the original.
    Bytes restored = saved;
    for (const ExpectedEntry& entry : entries) {
        if (!entry.encrypted)
            continue;
        SCOPED_TRACE("section " + entry.name);
        Bytes bytes = SectionBytesIn(spec, saved, entry.name);
        const Bytes plain = FindSection(spec, entry.name).bytes;
        EXPECT_NE(bytes, plain);
        DecryptInPlace(choice.keyLenIndex, choice.modeIndex, choice.key, record.iv, bytes);
        EXPECT_EQ(HexText(bytes), HexText(plain));
        std::copy(bytes.begin(), bytes.end(), restored.begin() + SectionOffset(spec, entry.name));
    }
    const Bytes& aesData = FindSection(spec, "AESData").bytes;
    std::copy(aesData.begin(), aesData.begin() + 44 + record.tableLength,
              restored.begin() + SectionOffset(spec, "AESData"));
    EXPECT_TRUE(restored == original) << "bytes outside the protected sections and the record changed";
}

}  // namespace vantrel::testing
