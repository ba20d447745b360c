#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/SectionList.h"

namespace vantrel {

// The section list kept in memory: rows of five cells, each with a text and a
// check-box state. Serves the command line, the tests and the dialog's model.
class SectionRows final : public SectionList {
public:
    static constexpr int ColumnCount = 5;

    int InsertItem(int row, const std::string& text) override;
    bool SetCheckbox(int row, int column, int state) override;
    bool SetItemText(int row, int column, const std::string& text) override;
    bool DeleteAllItems() override;
    int GetItemCheckedState(int row, int column) const override;
    std::string GetItemText(int row, int column) const override;
    int GetItemCount() const override;

private:
    struct Cell {
        std::string text;
        int checked = 0;
    };
    using Row = std::array<Cell, ColumnCount>;

    const Cell* cell(int row, int column) const;
    Cell* cell(int row, int column);

    std::vector<Row> rows_;
};

}  // namespace vantrel
