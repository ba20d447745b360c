#include "inventory/SectionFilter.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "inventory/NumberText.h"

namespace vantrel {

namespace {

template <std::size_t N>
bool IsOneOf(const std::string& name, const std::array<std::string_view, N>& names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

bool IsReservedSectionName(const std::string& name)
{
    static constexpr std::array<std::string_view, 6> reserved{
        "msg_code", "msg_data", "digital_signature", "AESData", "AesDataBuffer", "AESBufferForL1Code"};
    return IsOneOf(name, reserved);
}

bool PassesPurposeAndEntry(const std::string& name, Purpose purpose, Entry entry)
{
    static constexpr std::array<std::string_view, 4> singleEntry{"L1_Code_Hash", "L1_Code_Encrypt", "L2_Hash",
                                                                 "L2_Encrypt"};
    if (purpose == Purpose::PracticalUse)
        return true;
    if (entry == Entry::Multi)
        return name.rfind("ShareFunctionSection", 0) == 0;
    return IsOneOf(name, singleEntry);
}

bool PassesContentTest(const SectionRecord& record)
{
    return ReadHexNumber(record.flagsText) != 0 && record.typeText != "nobits" &&
           ReadHexNumber(record.sizeText) != 0;
}

bool KeepsSection(const SectionRecord& record, Purpose purpose, Entry entry)
{
    return !IsReservedSectionName(record.name) && PassesPurposeAndEntry(record.name, purpose, entry) &&
           PassesContentTest(record);
}

}  // namespace vantrel
