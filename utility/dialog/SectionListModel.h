#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <vector>

#include "core/SectionRows.h"

namespace vantrel {

// The rows of the section list as a Qt table model. The cells live in a
// SectionRows; this class only tells the views what changed. Columns are
// added by the list control at initialisation; cells of the check-box
// columns carry a check state that a view may change.
class SectionListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // Adds a column with its heading and text alignment at index (clamped).
    void insertListColumn(int index, const QString& heading, Qt::Alignment alignment);
    void setCheckBoxesEnabled(bool enabled);

    int insertItem(int row, const std::string& text);
    bool setCheckbox(int row, int column, int state);
    bool setItemText(int row, int column, const std::string& text);
    void deleteAllItems();
    const SectionRows& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct ListColumn {
        QString heading;
        Qt::Alignment alignment;
    };

    bool hasCheckBox(int column) const;
    void notifyCell(int row, int column, int role);

    SectionRows rows_;
    std::vector<ListColumn> columns_;
    bool checkBoxes_ = false;
};

}  // namespace vantrel
