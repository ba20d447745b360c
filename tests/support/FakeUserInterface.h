#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/SectionRows.h"
#include "core/UserInterface.h"

namespace vantrel::testing {

// A user interface whose controls are plain fields; it records every message
// with its kind and every question, answers questions with answer and file
// choosers from a queue (an empty queue means cancel). Long work runs at once;
// it records the progress lines and is cancelled right after the line
// cancelAt, as a user pressing Cancel while that step runs.
class FakeUserInterface final : public UserInterface {
public:
    std::string image;
    std::string key;
    int keyPair = KeyPairIndex::Pelora;
    int keyLen = KeyLenIndex::Bits128;
    int mode = ModeIndex::CBC;
    int purpose = PurposeIndex::Demonstration;
    int entry = EntryIndex::Multi;
    SectionRows rows;
    std::vector<std::string> messages;
    std::vector<MessageKind> kinds;  // one per message
    std::deque<std::optional<std::string>> chooserAnswers;
    std::vector<FileChooserRequest> chooserRequests;
    std::vector<std::string> questions;
    bool answer = true;  // to every question
    int keyDigits = 0;   // what the Key label says
    std::vector<std::string> progressLines;
    std::string cancelAt;  // "": never cancelled

    void showMessage(const std::string& text, MessageKind kind) override
    {
        messages.push_back(text);
        kinds.push_back(kind);
    }
    bool askYesNo(const std::string& question) override
    {
        questions.push_back(question);
        return answer;
    }
    std::optional<std::string> chooseFile(const FileChooserRequest& request) override
    {
        chooserRequests.push_back(request);
        if (chooserAnswers.empty())
            return std::nullopt;
        auto answer = chooserAnswers.front();
        chooserAnswers.pop_front();
        return answer;
    }
    void runLongWork(const std::string&, const LongWork& work) override
    {
        bool cancelled = false;
        work(
            [this, &cancelled](const std::string& line) {
                progressLines.push_back(line);
                cancelled = cancelled || line == cancelAt;
            },
            [&cancelled] { return cancelled; });
    }
    void showKeyDigits(int digits) override { keyDigits = digits; }
    SectionList& sectionList() override { return rows; }
    int comboSelection(Combo combo) const override
    {
        switch (combo) {
        case Combo::KeyPair: return keyPair;
        case Combo::KeyLen: return keyLen;
        case Combo::Mode: return mode;
        case Combo::Purpose: return purpose;
        case Combo::Entry: return entry;
        }
        return 0;
    }
    std::string keyText() const override { return key; }
    std::string imagePath() const override { return image; }

    // The last message shown, or "" when there was none.
    std::string lastMessage() const { return messages.empty() ? std::string() : messages.back(); }
};

}  // namespace vantrel::testing
