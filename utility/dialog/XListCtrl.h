#pragma once

#include <QTableView>

#include "core/SectionList.h"

namespace vantrel {

class SectionListModel;

// The section list control: a report-style list whose cells in columns 0
// ("Hash") and 1 ("AES") hold check boxes that a click or Space toggles.
// Arrow keys move the current cell, which is marked while the list has the
// focus; Tab and Shift+Tab leave the list. The rest of
// the program reaches it through SectionList; the dialog sets it up with the
// column and extended-style operations below.
class CXListCtrl final : public QTableView, public SectionList {
    Q_OBJECT

public:
    // Extended list styles the control honours.
    enum ExtendedStyle : unsigned {
        GridLines = 0x01,
        CheckBoxes = 0x04,
        HeaderDragDrop = 0x10,
        FullRowSelect = 0x20,
    };
    // Column text alignments.
    enum ColumnFormat { FormatLeft = 0, FormatRight = 1, FormatCenter = 2 };

    explicit CXListCtrl(QWidget* parent = nullptr);
    ~CXListCtrl() override;

    // Adds a column; width in pixels. Returns the column's index.
    int InsertColumn(int column, const QString& heading, int format, int width);
    unsigned GetExtendedStyle() const { return extendedStyle_; }
    void SetExtendedStyle(unsigned style);

    int InsertItem(int row, const std::string& text) override;
    bool SetCheckbox(int row, int column, int state) override;
    bool SetItemText(int row, int column, const std::string& text) override;
    bool DeleteAllItems() override;
    int GetItemCheckedState(int row, int column) const override;
    std::string GetItemText(int row, int column) const override;
    int GetItemCount() const override;

private:
    SectionListModel* model_;
    unsigned extendedStyle_ = 0;
};

}  // namespace vantrel
