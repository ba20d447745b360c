#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ElfMaker.h"

namespace vantrel::testing {

// What a save wrote, read back from the output file by the maker's layout
// (a save never moves a section).
struct SavedRecord {
    Bytes iv;
    Bytes tableDigest;
    std::uint32_t tableLength = 0;
    std::uint32_t cipherChoice = 0;
    Bytes section;  // the whole AESData section
};

Bytes SectionBytesIn(const ImageSpec& spec, const Bytes& image, const std::string& name);
SavedRecord ReadSavedRecord(const ImageSpec& spec, const Bytes& image);

// One entry the record should hold, in list order.
struct ExpectedEntry {
    std::string name;
    bool encrypted = false;
};

struct SaveChoice {
    Bytes key;  // the key the test expects the save to have used
    int keyLenIndex = 0;
    int modeIndex = 0;
};

// Checks a saved image against the image it came from, independently of the
// code under test: the header, the table decrypted with the key and the
// recorded IV against its digest and the expected entries (address, size,
// flags, digest of the stored bytes), every encrypted section decrypted back
// to its original bytes, hashed sections unchanged, and every other byte of
// the file (the AESData bytes after the table included) as it was.
void ExpectProtectedImage(const ImageSpec& spec, const Bytes& original, const Bytes& saved, const SaveChoice& choice,
                          const std::vector<ExpectedEntry>& entries);

}  // namespace vantrel::testing
