#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "inventory/SectionRecord.h"

namespace vantrel {

// The main dialog's fields that the operations read and write, besides its
// controls (which they reach through UserInterface). One object per dialog or
// command-line run; nothing here is global.
struct DialogState {
    // Directory the tools and the curve file are taken from.
    std::string toolDirectory;

    // Set by every save before use. Wiped when the state is destroyed.
    std::array<std::uint8_t, 32> aesKeyBytes{};
    std::array<std::uint8_t, 16> aesIv{};
    std::int32_t aesKeyLength = 0;  // bytes
    std::int32_t aesMode = 0;       // mode code

    // Size of the AESData section in the last listing, or 0.
    std::uint32_t aesDataSize = 0;

    // The sections kept by the last Load; record i is row i of the list.
    SectionTable sectionTable;
    // The image path the last Load read (Save refuses any other image).
    std::string loadedImagePath;

    DialogState() = default;
    DialogState(const DialogState&) = delete;
    DialogState& operator=(const DialogState&) = delete;
    ~DialogState();
};

}  // namespace vantrel
