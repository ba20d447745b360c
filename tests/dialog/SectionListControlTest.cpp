// The section list control: the operations Load and Save use, and check
// boxes that a click (or Space) toggles, read back by GetItemCheckedState.

#include <QHeaderView>
#include <QtTest>

#include <memory>

#include "DialogTestSupport.h"
#include "dialog/XListCtrl.h"

using namespace vantrel;
using namespace vantrel::testing;

class SectionListControlTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { dialog_.reset(); }

    void rowsHoldTextsAndClearBoxes();
    void insertBeyondTheEndAppends();
    void deleteAllItemsEmptiesTheList();
    void nonZeroStateCountsAsTicked();
    void clickAnywhereInACheckCellToggles_data();
    void clickAnywhereInACheckCellToggles();
    void clicksOnTextCellsChangeNoBox();
    void spaceTogglesTheCurrentCheckCell();
    void theCurrentCellIsMarked();
    void movedColumnsKeepTheirIndex();

private:
    void click(int row, int column, QPoint offset = {});
    CXListCtrl& list() { return *dialog_->controls().sectionList; }
    // Fills the list the way Load does.
    void addRow(const std::string& name, const std::string& address, const std::string& size);

    std::unique_ptr<CVantrelUtilityDlg> dialog_;
};

void SectionListControlTest::init()
{
    dialog_ = std::make_unique<CVantrelUtilityDlg>();
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    addRow("ShareFunctionSection1", "0x00001000", "0x00000040");
    addRow("ShareFunctionSection2", "0x00002000", "0x00000010");
}

void SectionListControlTest::addRow(const std::string& name, const std::string& address, const std::string& size)
{
    const int row = list().InsertItem(list().GetItemCount(), "");
    list().SetCheckbox(row, 0, 0);
    list().SetCheckbox(row, 1, 0);
    list().SetItemText(row, 2, name);
    list().SetItemText(row, 3, address);
    list().SetItemText(row, 4, size);
}

void SectionListControlTest::click(int row, int column, QPoint offset)
{
    const QModelIndex index = list().model()->index(row, column);
    const QRect cell = list().visualRect(index);
    const QPoint at = offset.isNull() ? cell.center() : cell.topLeft() + offset;
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, at);
}

void SectionListControlTest::rowsHoldTextsAndClearBoxes()
{
    QCOMPARE(list().GetItemCount(), 2);
    QCOMPARE(list().GetItemText(1, 2), std::string("ShareFunctionSection2"));
    QCOMPARE(list().GetItemText(1, 3), std::string("0x00002000"));
    QCOMPARE(list().GetItemText(1, 4), std::string("0x00000010"));
    QCOMPARE(list().GetItemText(1, 0), std::string());
    // What the view shows is what the control holds.
    QAbstractItemModel* model = list().model();
    QCOMPARE(model->data(model->index(0, 2)).toString(), QStringLiteral("ShareFunctionSection1"));
    QCOMPARE(model->data(model->index(0, 0), Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    QVERIFY(!model->data(model->index(0, 2), Qt::CheckStateRole).isValid());
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(list().GetItemCheckedState(row, 0), 0);
        QCOMPARE(list().GetItemCheckedState(row, 1), 0);
    }
}

void SectionListControlTest::insertBeyondTheEndAppends()
{
    QCOMPARE(list().InsertItem(99, "x"), 2);
    QCOMPARE(list().GetItemText(2, 0), std::string("x"));
    QCOMPARE(list().model()->rowCount(), 3);
}

void SectionListControlTest::deleteAllItemsEmptiesTheList()
{
    list().SetCheckbox(0, 1, 1);
    QVERIFY(list().DeleteAllItems());
    QCOMPARE(list().GetItemCount(), 0);
    QCOMPARE(list().model()->rowCount(), 0);
    addRow("L2_Hash", "0x00003000", "0x00000004");
    QCOMPARE(list().GetItemCheckedState(0, 1), 0);
    QCOMPARE(list().GetItemText(0, 2), std::string("L2_Hash"));
}

void SectionListControlTest::nonZeroStateCountsAsTicked()
{
    list().SetCheckbox(1, 0, 5);
    QCOMPARE(list().GetItemCheckedState(1, 0), 5);
    QAbstractItemModel* model = list().model();
    QCOMPARE(model->data(model->index(1, 0), Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    click(1, 0);
    QCOMPARE(list().GetItemCheckedState(1, 0), 0);
}

void SectionListControlTest::clickAnywhereInACheckCellToggles_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QPoint>("offset");  // from the cell's corner; null: centre
    QTest::newRow("Hash, centre") << 0 << QPoint();
    QTest::newRow("Hash, corner") << 0 << QPoint(2, 2);
    QTest::newRow("AES, centre") << 1 << QPoint();
    QTest::newRow("AES, corner") << 1 << QPoint(2, 2);
}

void SectionListControlTest::clickAnywhereInACheckCellToggles()
{
    QFETCH(int, column);
    QFETCH(QPoint, offset);
    const int other = 1 - column;
    click(1, column, offset);
    QVERIFY(list().GetItemCheckedState(1, column) != 0);
    QCOMPARE(list().GetItemCheckedState(1, other), 0);
    QCOMPARE(list().GetItemCheckedState(0, column), 0);
    click(1, column, offset);
    QCOMPARE(list().GetItemCheckedState(1, column), 0);
}

void SectionListControlTest::clicksOnTextCellsChangeNoBox()
{
    for (int column = 2; column < 5; ++column)
        click(0, column);
    QCOMPARE(list().GetItemCheckedState(0, 0), 0);
    QCOMPARE(list().GetItemCheckedState(0, 1), 0);
}

void SectionListControlTest::spaceTogglesTheCurrentCheckCell()
{
    list().setFocus();
    list().setCurrentIndex(list().model()->index(0, 1));
    QTest::keyClick(&list(), Qt::Key_Space);
    QVERIFY(list().GetItemCheckedState(0, 1) != 0);
    QCOMPARE(list().GetItemCheckedState(0, 0), 0);
}

// Within a selected row the current cell still stands out clearly: moving
// the current cell to its neighbour changes a number of its pixels in
// contrast, not only in shade.
void SectionListControlTest::theCurrentCellIsMarked()
{
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    list().setFocus();
    for (int column = 0; column < 3; ++column) {
        const QModelIndex cell = list().model()->index(0, column);
        const QRect area = list().visualRect(cell);
        list().setCurrentIndex(cell);
        const QImage marked = list().viewport()->grab(area).toImage();
        list().setCurrentIndex(list().model()->index(0, column + 1));
        const QImage unmarked = list().viewport()->grab(area).toImage();
        QVERIFY2(ContrastingPixels(marked, unmarked) >= area.height(), qPrintable(QString::number(column)));
    }
}

void SectionListControlTest::movedColumnsKeepTheirIndex()
{
    // Dragging "Hash" to the far right changes the display only.
    list().horizontalHeader()->moveSection(0, 4);
    QCOMPARE(list().horizontalHeader()->visualIndex(0), 4);
    click(0, 0);
    QVERIFY(list().GetItemCheckedState(0, 0) != 0);
    QCOMPARE(list().GetItemCheckedState(0, 1), 0);
}

QTEST_MAIN(SectionListControlTest)
#include "SectionListControlTest.moc"
