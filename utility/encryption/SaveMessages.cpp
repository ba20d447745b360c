#include "encryption/SaveMessages.h"

#include "encryption/AesDataRecord.h"

namespace vantrel {

std::string SaveNotLoadedMessage(const std::string& imagePath)
{
    return "Please Load " + imagePath
           + " first! The section list does not come from this file, and nothing was saved.\n";
}

std::string SaveRecordTooLargeMessage(const std::string& imagePath, std::uint32_t sectionSize, std::size_t entries)
{
    return "The AESData section of " + imagePath + " holds " + std::to_string(sectionSize)
           + " bytes, but the record of " + std::to_string(entries) + " checked sections needs "
           + std::to_string(AesDataRecordSize(entries)) + " bytes. Nothing was saved.\n";
}

std::string SaveAesDataChangedMessage(const std::string& imagePath, std::uint32_t listedSize, std::size_t foundSize)
{
    return "The AESData section of " + imagePath + " now holds " + std::to_string(foundSize)
           + " bytes, not the " + std::to_string(listedSize)
           + " bytes of the last Load. Please Load the image again. Nothing was saved.\n";
}

}  // namespace vantrel
