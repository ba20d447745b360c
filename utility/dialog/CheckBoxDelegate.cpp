#include "CheckBoxDelegate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace vantrel {

namespace {

bool IsCheckable(const QModelIndex& index)
{
    return (index.flags() & Qt::ItemIsUserCheckable) && index.data(Qt::CheckStateRole).isValid();
}

QStyle* StyleOf(const QStyleOptionViewItem& option)
{
    return option.widget != nullptr ? option.widget->style() : QApplication::style();
}

// A dotted frame inside the current cell of a focused list, in the cell's
// text colour: the style's own focus frame is faint, and invisible on a
// selected row.
void DrawFocusMark(QPainter* painter, const QStyleOptionViewItem& option)
{
    if (!(option.state & QStyle::State_HasFocus))
        return;
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setPen(QPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option.rect.adjusted(1, 1, -2, -2));
    painter->restore();
}

}  // namespace

void CheckBoxDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (IsCheckable(index))
        paintCheckCell(painter, option, index);
    else
        QStyledItemDelegate::paint(painter, option, index);
    DrawFocusMark(painter, option);
}

void CheckBoxDelegate::paintCheckCell(QPainter* painter, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    cell.features &= ~QStyleOptionViewItem::HasCheckIndicator;
    QStyle* style = StyleOf(option);
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);

    QStyleOptionViewItem box(cell);
    const QSize size(style->pixelMetric(QStyle::PM_IndicatorWidth, &box, option.widget),
                     style->pixelMetric(QStyle::PM_IndicatorHeight, &box, option.widget));
    box.rect = QStyle::alignedRect(option.direction, Qt::AlignCenter, size, option.rect);
    box.state &= ~(QStyle::State_HasFocus | QStyle::State_On | QStyle::State_Off);
    box.state |= index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked ? QStyle::State_On
                                                                                         : QStyle::State_Off;
    style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, option.widget);
}

bool CheckBoxDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                   const QModelIndex& index)
{
    if (!IsCheckable(index))
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
        return QStyledItemDelegate::editorEvent(event, model, option, index);

    // Every click in the cell toggles, a double click's second one included.
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !option.rect.contains(mouse->position().toPoint()))
        return false;
    const bool checked = index.data(Qt::CheckStateRole).value<Qt::CheckState>() == Qt::Checked;
    return model->setData(index, checked ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

}  // namespace vantrel
