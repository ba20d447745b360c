#pragma once

#include <QStyledItemDelegate>

namespace vantrel {

// Draws a cell's check box centred in the cell and toggles it on a click
// anywhere in the cell (or Space), as the list's check-box columns need.
// Cells without a check box are drawn as usual. The current cell of a
// focused list gets a clear focus mark.
class CheckBoxDelegate final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    void paintCheckCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
};

}  // namespace vantrel
