#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ElfMaker.h"
#include "FakeUserInterface.h"
#include "SavedImage.h"
#include "TestSupport.h"
#include "buttons/DialogState.h"

namespace vantrel::testing {

// A real Load of a generated image in a fresh working directory, then the
// save as the user drives it: ticks, key, choices and the chooser's answer.
class SaveFixture : public ::testing::Test {
protected:
    // Every section Load lists under "Practical use", in list order, and the
    // reserved ones it does not list. L3_copy holds the bytes of L1_code;
    // "odd" is not a whole number of AES blocks.
    static ImageSpec TestImage(std::size_t aesDataSize = 256);

    void SetUp() override;
    void UseImage(const ImageSpec& image);

    // Load through the real tools; fails the test on any message.
    void Load();
    // Ticks the row of the named section.
    void Tick(const std::string& name, bool hash, bool aes);
    // Answers the chooser with output and presses Save.
    bool Save(const std::filesystem::path& output);
    // After a failure: the input as it was, and no other file left in the
    // working directory, which holds the outputs (and so the save's working
    // folder) too.
    void ExpectNothingWritten() const;
    // After a refusal that needs no output file: the one error message, and
    // no chooser was opened.
    void ExpectRefusedBeforeChooser(const std::string& message) const;
    // After a save: the last message is a success that names the target.
    void ExpectSavedTo(const std::filesystem::path& target) const;

    TempDir dir;
    ScopedWorkingDirectory cwd{dir.path()};
    ImageSpec spec;
    std::filesystem::path input;
    std::filesystem::path output;
    Bytes original;
    FakeUserInterface ui;
    DialogState state;
};

// 32 hex digits that make a 128-bit key (the start value of Key Len).
inline const std::string Key128Text = "000102030405060708090a0b0c0d0e0f";
// 64 hex digits that make a 256-bit key.
inline const std::string Key256Text = "603DEB1015CA71BE2B73AEF0857D77811F352C073B6108D72D9810A30914DFF4";

}  // namespace vantrel::testing
