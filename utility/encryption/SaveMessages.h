#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vantrel {

// The messages of the Save button that more than one file shows.
inline constexpr const char* SaveNoInputMessage = "Please input the VNF file!";
inline constexpr const char* SaveNoAesDataMessage =
    "Can't find AESData section. Please modify vnf file for a AESData section.";
inline constexpr const char* SaveAesSetupMessage = "AES encryption failed to Initialize\n";
inline constexpr const char* SaveNotMultipleOf16Message =
    "Section's size should be a multiple of 16, Please check your sections!\n";
inline constexpr const char* SaveNoOperationMessage = "No Operation!\nTick Hash or AES for the sections to protect.\n";
inline constexpr const char* SaveSuccessMessage = "Operation Successful! VNF File Saved!\n";
inline constexpr const char* SaveImageChangedMessage = "The image changed since it was loaded. Load it again.\n";

// The input box names another image than the last Load read (or there was no
// Load yet): the section list does not describe it.
std::string SaveNotLoadedMessage(const std::string& imagePath);
// The record of this save does not fit the AESData section.
std::string SaveRecordTooLargeMessage(const std::string& imagePath, std::uint32_t sectionSize,
                                      std::size_t entries);
// The AESData section is no longer the size the last Load listed.
std::string SaveAesDataChangedMessage(const std::string& imagePath, std::uint32_t listedSize,
                                      std::size_t foundSize);

}  // namespace vantrel
