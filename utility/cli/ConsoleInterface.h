#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/SectionRows.h"
#include "core/UserInterface.h"

namespace vantrel::cli {

// The user interface of a command-line run: the controls hold the values of
// the command's options, messages go to standard error as they come, and the
// file chooser answers with the output the command was given.
class ConsoleInterface final : public UserInterface {
public:
    std::string image;
    std::string key;
    std::optional<std::string> chosenFile;  // what every file chooser answers; none: cancel
    std::array<int, 5> combos{};            // indexed by Combo
    std::function<void(const std::string&)> progress;  // one line per listed section; may be empty

    void showMessage(const std::string& text) override;
    std::optional<std::string> chooseFile(const FileChooserRequest& request) override;
    SectionList& sectionList() override { return rows_; }
    int comboSelection(Combo combo) const override { return combos[static_cast<std::size_t>(combo)]; }
    std::string keyText() const override { return key; }
    std::string imagePath() const override { return image; }

    void setCombo(Combo combo, int index) { combos[static_cast<std::size_t>(combo)] = index; }
    const std::vector<std::string>& messages() const { return messages_; }
    const SectionRows& rows() const { return rows_.rows; }
    SectionRows& rows() { return rows_.rows; }

    ~ConsoleInterface() override;

private:
    // The rows in memory; reports each section as Load names it.
    class ProgressRows final : public SectionList {
    public:
        explicit ProgressRows(const ConsoleInterface& owner) : owner_(owner) {}
        SectionRows rows;

        int InsertItem(int row, const std::string& text) override { return rows.InsertItem(row, text); }
        bool SetCheckbox(int row, int column, int state) override { return rows.SetCheckbox(row, column, state); }
        bool SetItemText(int row, int column, const std::string& text) override;
        bool DeleteAllItems() override { return rows.DeleteAllItems(); }
        int GetItemCheckedState(int row, int column) const override { return rows.GetItemCheckedState(row, column); }
        std::string GetItemText(int row, int column) const override { return rows.GetItemText(row, column); }
        int GetItemCount() const override { return rows.GetItemCount(); }

    private:
        const ConsoleInterface& owner_;
    };

    std::vector<std::string> messages_;
    ProgressRows rows_{*this};
};

// A message as one line: the trailing line ends it carries dropped.
std::string MessageLine(const std::string& text);

}  // namespace vantrel::cli
