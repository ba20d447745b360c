#include "SectionListModel.h"

#include <algorithm>

namespace vantrel {

namespace {

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Views read alignments as plain integers.
QVariant AlignmentValue(Qt::Alignment alignment)
{
    return static_cast<int>(alignment | Qt::AlignVCenter);
}

}  // namespace

void SectionListModel::insertListColumn(int index, const QString& heading, Qt::Alignment alignment)
{
    const int count = static_cast<int>(columns_.size());
    index = std::clamp(index, 0, count);
    beginInsertColumns({}, index, index);
    columns_.insert(columns_.begin() + index, ListColumn{heading, alignment});
    endInsertColumns();
}

void SectionListModel::setCheckBoxesEnabled(bool enabled)
{
    checkBoxes_ = enabled;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

int SectionListModel::insertItem(int row, const std::string& text)
{
    const int count = rows_.GetItemCount();
    if (row < 0 || row > count)
        row = count;
    beginInsertRows({}, row, row);
    const int inserted = rows_.InsertItem(row, text);
    endInsertRows();
    return inserted;
}

bool SectionListModel::setCheckbox(int row, int column, int state)
{
    if (!rows_.SetCheckbox(row, column, state))
        return false;
    notifyCell(row, column, Qt::CheckStateRole);
    return true;
}

bool SectionListModel::setItemText(int row, int column, const std::string& text)
{
    if (!rows_.SetItemText(row, column, text))
        return false;
    notifyCell(row, column, Qt::DisplayRole);
    return true;
}

void SectionListModel::deleteAllItems()
{
    beginResetModel();
    rows_.DeleteAllItems();
    endResetModel();
}

int SectionListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_.GetItemCount();
}

int SectionListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant SectionListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return FromUtf8(rows_.GetItemText(row, column));
    case Qt::CheckStateRole:
        if (!hasCheckBox(column))
            return {};
        return rows_.GetItemCheckedState(row, column) != 0 ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
        return AlignmentValue(columns_[static_cast<std::size_t>(column)].alignment);
    default:
        return {};
    }
}

bool SectionListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::CheckStateRole || !hasCheckBox(index.column()))
        return false;
    const int state = value.value<Qt::CheckState>() == Qt::Unchecked ? 0 : 1;
    return setCheckbox(index.row(), index.column(), state);
}

QVariant SectionListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const ListColumn& column = columns_[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return column.heading;
    if (role == Qt::TextAlignmentRole)
        return AlignmentValue(column.alignment);
    return {};
}

Qt::ItemFlags SectionListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (hasCheckBox(index.column()))
        result |= Qt::ItemIsUserCheckable;
    return result;
}

void SectionListModel::notifyCell(int row, int column, int role)
{
    if (column >= columnCount())
        return;  // a cell of a column no view shows
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, {role});
}

bool SectionListModel::hasCheckBox(int column) const
{
    return checkBoxes_ && (column == SectionList::HashColumn || column == SectionList::AesColumn);
}

}  // namespace vantrel
