#pragma once

#include <string>

namespace vantrel {

// The section list with a "Hash" (column 0) and an "AES" (column 1) check box
// per row. Load fills it, Save reads the check boxes. The dialog shows it in a
// list control; tests and the command line keep it in memory.
class SectionList {
public:
    enum Column { HashColumn = 0, AesColumn = 1, NameColumn = 2, AddrColumn = 3, SizeColumn = 4 };

    virtual ~SectionList() = default;

    // Appends a row at index row with text in column 0; returns its index.
    virtual int InsertItem(int row, const std::string& text) = 0;
    virtual bool SetCheckbox(int row, int column, int state) = 0;
    virtual bool SetItemText(int row, int column, const std::string& text) = 0;
    virtual bool DeleteAllItems() = 0;
    // 0 = clear; any other value counts as ticked.
    virtual int GetItemCheckedState(int row, int column) const = 0;
    virtual std::string GetItemText(int row, int column) const = 0;
    virtual int GetItemCount() const = 0;
};

}  // namespace vantrel
