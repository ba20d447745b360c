#include "core/SectionRows.h"

#include <cstddef>

namespace vantrel {

int SectionRows::InsertItem(int row, const std::string& text)
{
    if (row < 0 || static_cast<std::size_t>(row) > rows_.size())
        row = static_cast<int>(rows_.size());
    Row fresh{};
    fresh[0].text = text;
    rows_.insert(rows_.begin() + row, fresh);
    return row;
}

bool SectionRows::SetCheckbox(int row, int column, int state)
{
    Cell* target = cell(row, column);
    if (target == nullptr)
        return false;
    target->checked = state;
    return true;
}

bool SectionRows::SetItemText(int row, int column, const std::string& text)
{
    Cell* target = cell(row, column);
    if (target == nullptr)
        return false;
    target->text = text;
    return true;
}

bool SectionRows::DeleteAllItems()
{
    rows_.clear();
    return true;
}

int SectionRows::GetItemCheckedState(int row, int column) const
{
    const Cell* source = cell(row, column);
    return source == nullptr ? 0 : source->checked;
}

std::string SectionRows::GetItemText(int row, int column) const
{
    const Cell* source = cell(row, column);
    return source == nullptr ? std::string() : source->text;
}

int SectionRows::GetItemCount() const
{
    return static_cast<int>(rows_.size());
}

const SectionRows::Cell* SectionRows::cell(int row, int column) const
{
    if (row < 0 || column < 0 || column >= ColumnCount || static_cast<std::size_t>(row) >= rows_.size())
        return nullptr;
    return &rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

SectionRows::Cell* SectionRows::cell(int row, int column)
{
    return const_cast<Cell*>(static_cast<const SectionRows*>(this)->cell(row, column));
}

}  // namespace vantrel
