#include "XListCtrl.h"

#include <QHeaderView>

#include <algorithm>

#include "CheckBoxDelegate.h"
#include "SectionListModel.h"

namespace vantrel {

namespace {

Qt::Alignment AlignmentOf(int format)
{
    switch (format) {
    case CXListCtrl::FormatRight: return Qt::AlignRight;
    case CXListCtrl::FormatCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
    }
}

}  // namespace

CXListCtrl::CXListCtrl(QWidget* parent)
    : QTableView(parent), model_(new SectionListModel(this))
{
    setModel(model_);
    setItemDelegate(new CheckBoxDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    setFocusPolicy(Qt::StrongFocus);
    // Tab leaves the list for the next control; arrow keys move inside it.
    setTabKeyNavigation(false);
}

CXListCtrl::~CXListCtrl() = default;

int CXListCtrl::InsertColumn(int column, const QString& heading, int format, int width)
{
    column = std::clamp(column, 0, model_->columnCount());
    model_->insertListColumn(column, heading, AlignmentOf(format));
    setColumnWidth(column, width);
    return column;
}

void CXListCtrl::SetExtendedStyle(unsigned style)
{
    extendedStyle_ = style;
    setShowGrid((style & GridLines) != 0);
    model_->setCheckBoxesEnabled((style & CheckBoxes) != 0);
    horizontalHeader()->setSectionsMovable((style & HeaderDragDrop) != 0);
    setSelectionBehavior((style & FullRowSelect) != 0 ? QAbstractItemView::SelectRows
                                                      : QAbstractItemView::SelectItems);
}

int CXListCtrl::InsertItem(int row, const std::string& text)
{
    return model_->insertItem(row, text);
}

bool CXListCtrl::SetCheckbox(int row, int column, int state)
{
    return model_->setCheckbox(row, column, state);
}

bool CXListCtrl::SetItemText(int row, int column, const std::string& text)
{
    return model_->setItemText(row, column, text);
}

bool CXListCtrl::DeleteAllItems()
{
    model_->deleteAllItems();
    return true;
}

int CXListCtrl::GetItemCheckedState(int row, int column) const
{
    return model_->rows().GetItemCheckedState(row, column);
}

std::string CXListCtrl::GetItemText(int row, int column) const
{
    return model_->rows().GetItemText(row, column);
}

int CXListCtrl::GetItemCount() const
{
    return model_->rows().GetItemCount();
}

}  // namespace vantrel
