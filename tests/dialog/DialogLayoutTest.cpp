// The main dialog as it opens: size and resizing, items, start values,
// keyboard use, closing keys and the tool directory.

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleOptionComboBox>
#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "DialogTestSupport.h"
#include "TestSupport.h"
#include "dialog/XListCtrl.h"
#include "encryption/SaveMessages.h"

using namespace vantrel;
using namespace vantrel::testing;

class DialogLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void init() { dialog_ = std::make_unique<CVantrelUtilityDlg>(); }
    void cleanup() { dialog_.reset(); }

    void opensAtTheTemplateSizeAndResizes();
    void theListTakesTheExtraRoom();
    void theSmallestWindowFitsAScaledSmallScreen();
    void comboItemsAndStartSelection_data();
    void comboItemsAndStartSelection();
    void editBoxesStartEmpty();
    void sectionListColumns();
    void tabAndShiftTabVisitEveryControlOnce();
    void theFocusedButtonIsMarked();
    void everyButtonHasItsOwnMnemonic();
    void keyLabelFollowsKeyLen();
    void noPushButtonIsDefault();
    void escapeCloses();
    void enterClosesOutsidePushButtons();
    void enterOnPushButtonPressesIt();
    void toolDirectoryIsNeverAWorkingDirectoryWithSectmend();
    void toolDirectoryFallsBackToProgramDirectory();
    void toolDirectoryIgnoresAFolderNamedSectmend();

private:
    std::unique_ptr<CVantrelUtilityDlg> dialog_;
};

void DialogLayoutTest::opensAtTheTemplateSizeAndResizes()
{
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Vantrel Utility"));
    CVantrelUtilityDlg other;
    QCOMPARE(dialog_->size(), MainDialogOpeningSize(other, other.controls(), dialog_->screen()->availableGeometry().size())
                                  .expandedTo(dialog_->minimumSize()));
    QVERIFY(dialog_->minimumSize().width() < dialog_->maximumSize().width());
    QVERIFY(dialog_->minimumSize().height() < dialog_->maximumSize().height());
    QVERIFY(!dialog_->windowIcon().isNull());
    QVERIFY(dialog_->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(dialog_->windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(dialog_->windowFlags() & Qt::WindowContextHelpButtonHint));
}

void DialogLayoutTest::theListTakesTheExtraRoom()
{
    const MainDialogControls& c = dialog_->controls();
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    const QSize list = c.sectionList->size();
    const QSize save = c.save->size();
    const QSize extra(200, 150);
    dialog_->resize(dialog_->size() + extra);
    QTRY_COMPARE(c.sectionList->size(), list + extra);
    QCOMPARE(c.save->size(), save);
}

// The smallest window fits a 1280x800 screen at QT_SCALE_FACTOR=2 (the test
// runs at 1x and 2x) with room for the window manager's frame, and no combo
// box cuts any of its items there.
void DialogLayoutTest::theSmallestWindowFitsAScaledSmallScreen()
{
    const qreal scale = qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
                                                                     : 1.0;
    const QSize screen(qRound(1280 / scale), qRound(800 / scale));
    const int frame = qRound(100 / scale);  // device pixels for title bar, borders and a panel
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    QCOMPARE(dialog_->devicePixelRatio(), scale);
    dialog_->resize(dialog_->minimumSize());
    QTRY_COMPARE(dialog_->size(), dialog_->minimumSize());
    QVERIFY2(dialog_->width() <= screen.width() && dialog_->height() + frame <= screen.height(),
             qPrintable(QStringLiteral("%1x%2").arg(dialog_->width()).arg(dialog_->height())));
    for (auto* combo : dialog_->findChildren<QComboBox*>()) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        const int room =
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo).width();
        for (int i = 0; i < combo->count(); ++i)
            QVERIFY2(combo->fontMetrics().horizontalAdvance(combo->itemText(i)) <= room,
                     qPrintable(combo->objectName() + " " + combo->itemText(i)));
    }
}

void DialogLayoutTest::comboItemsAndStartSelection_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("start");
    QTest::newRow("Key Pair") << "keyPairCombo" << QStringList{"Pelora", "Generate", "Default"} << 0;
    QTest::newRow("Key Len") << "keyLenCombo" << QStringList{"128", "192", "256"} << 0;
    QTest::newRow("Mode") << "modeCombo" << QStringList{"ECB", "CBC", "OFB", "CTR"} << 1;
    QTest::newRow("Purpose") << "purposeCombo" << QStringList{"Demonstration", "Practical use"} << 0;
    QTest::newRow("Entry, sorted") << "entryCombo" << QStringList{"Multi", "Single"} << 0;
}

void DialogLayoutTest::comboItemsAndStartSelection()
{
    QFETCH(QString, name);
    QFETCH(QStringList, items);
    QFETCH(int, start);
    auto* combo = dialog_->findChild<QComboBox*>(name);
    QVERIFY(combo != nullptr);
    QStringList seen;
    for (int i = 0; i < combo->count(); ++i)
        seen << combo->itemText(i);
    QCOMPARE(seen, items);
    QCOMPARE(combo->currentIndex(), start);
    QVERIFY(!combo->isEditable());
}

void DialogLayoutTest::editBoxesStartEmpty()
{
    const MainDialogControls& c = dialog_->controls();
    QVERIFY(c.key->text().isEmpty());
    QVERIFY(c.imagePath->text().isEmpty());
    QVERIFY(c.imagePath->isReadOnly());
    QVERIFY(!c.key->isReadOnly());
    QCOMPARE(c.sectionList->GetItemCount(), 0);
    QVERIFY(!dialog_->state().inventory);
}

void DialogLayoutTest::sectionListColumns()
{
    CXListCtrl* list = dialog_->controls().sectionList;
    QAbstractItemModel* model = list->model();
    const QStringList headings{"Hash", "AES", "Name", "Addr", "Size"};
    const QList<int> widths{40, 40, 150, 80, 80};
    const QList<int> alignments{Qt::AlignHCenter, Qt::AlignHCenter, Qt::AlignLeft, Qt::AlignHCenter,
                                Qt::AlignHCenter};
    QCOMPARE(model->columnCount(), 5);
    for (int column = 0; column < 5; ++column) {
        QCOMPARE(model->headerData(column, Qt::Horizontal).toString(), headings[column]);
        QCOMPARE(list->columnWidth(column), widths[column]);
        const int alignment = model->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt();
        QCOMPARE(alignment & Qt::AlignHorizontal_Mask, alignments[column]);
    }
    QCOMPARE(list->GetExtendedStyle() & 0x35u, 0x35u);
    QVERIFY(list->showGrid());
    QVERIFY(list->horizontalHeader()->sectionsMovable());
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
}

// Tab visits every control once, top to bottom and left to right, and
// leaves the list although it has rows; Shift+Tab goes back the same way.
void DialogLayoutTest::tabAndShiftTabVisitEveryControlOnce()
{
    const MainDialogControls& c = dialog_->controls();
    const QList<QWidget*> order{c.imagePath, c.browse, c.keyPair, c.generate, c.keyLen, c.mode,
                                c.key,       c.sectionList, c.purpose, c.entry, c.load, c.save};
    for (int row = 0; row < 3; ++row)
        c.sectionList->InsertItem(row, "");
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    for (const Qt::KeyboardModifiers direction : {Qt::NoModifier, Qt::ShiftModifier}) {
        QList<QWidget*> expected = order;
        if (direction == Qt::ShiftModifier)
            std::reverse(expected.begin(), expected.end());
        expected.first()->setFocus(Qt::OtherFocusReason);
        QList<QWidget*> seen{QApplication::focusWidget()};
        for (int press = 0; press < order.size(); ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, direction);
            seen << QApplication::focusWidget();
        }
        QCOMPARE(seen, expected + QList<QWidget*>{expected.first()});
    }
}

// A button reached with Tab stands out from the same button without the
// focus.
void DialogLayoutTest::theFocusedButtonIsMarked()
{
    const MainDialogControls& c = dialog_->controls();
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    for (QPushButton* button : {c.browse, c.generate, c.load, c.save}) {
        c.imagePath->setFocus();
        const QImage before = button->grab().toImage();
        for (int press = 0; press < 12 && QApplication::focusWidget() != button; ++press)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY2(ContrastingPixels(button->grab().toImage(), before) >= button->width(), qPrintable(button->text()));
    }
}

// Every button has a mnemonic, in its text or in the text of the label that
// names it; no two labels or buttons share one; Alt with it presses the
// button.
void DialogLayoutTest::everyButtonHasItsOwnMnemonic()
{
    QMap<int, QWidget*> owners;
    for (auto* label : dialog_->findChildren<QLabel*>()) {
        const int key = QKeySequence::mnemonic(label->text())[0].toCombined();
        QVERIFY2(key != 0 && !owners.contains(key), qPrintable(label->text()));
        owners.insert(key, label->buddy());
    }
    for (auto* button : dialog_->findChildren<QPushButton*>()) {
        const int key = QKeySequence::mnemonic(button->text())[0].toCombined();
        QVERIFY2(key == 0 || !owners.contains(key), qPrintable(button->text()));
        if (key != 0)
            owners.insert(key, button);
    }
    dialog_->userInterface().setFileChooser([](const FileChooserRequest&) { return std::nullopt; });
    std::vector<std::string> messages;
    CollectMessages(*dialog_, messages);
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    for (auto* button : dialog_->findChildren<QPushButton*>()) {
        const int key = owners.key(button, 0);
        QVERIFY2(key != 0, qPrintable(button->text()));
        QSignalSpy pressed(button, &QPushButton::clicked);
        QTest::keyClick(dialog_.get(), Qt::Key(key & ~Qt::KeyboardModifierMask), Qt::AltModifier);
        QTRY_COMPARE(pressed.count(), 1);
    }
}

// The Key label tells how many hexadecimal digits the chosen Key Len takes.
void DialogLayoutTest::keyLabelFollowsKeyLen()
{
    const MainDialogControls& c = dialog_->controls();
    for (int index : {2, 1, 0}) {
        c.keyLen->setCurrentIndex(index);
        const int digits = c.keyLen->itemText(index).toInt() / 4;
        QCOMPARE(c.keyLabel->text(), QStringLiteral("&Key (%1 hex digits):").arg(digits));
    }
}

void DialogLayoutTest::noPushButtonIsDefault()
{
    for (auto* button : dialog_->findChildren<QPushButton*>()) {
        QVERIFY2(!button->isDefault(), qPrintable(button->text()));
        QVERIFY2(!button->autoDefault(), qPrintable(button->text()));
    }
}

void DialogLayoutTest::escapeCloses()
{
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    QTest::keyClick(dialog_->controls().key, Qt::Key_Escape);
    QVERIFY(!dialog_->isVisible());
    QCOMPARE(dialog_->result(), int(QDialog::Rejected));
}

void DialogLayoutTest::enterClosesOutsidePushButtons()
{
    const MainDialogControls& c = dialog_->controls();
    for (QWidget* target : QList<QWidget*>{c.mode, c.sectionList, c.imagePath}) {
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Return);
        QVERIFY2(!dialog_->isVisible(), qPrintable(target->objectName()));
    }
}

void DialogLayoutTest::enterOnPushButtonPressesIt()
{
    std::vector<std::string> messages;
    CollectMessages(*dialog_, messages);
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    QPushButton* load = dialog_->controls().load;
    load->setFocus();
    QTest::keyClick(load, Qt::Key_Return);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(messages, std::vector<std::string>{SaveNoInputMessage});
}

void DialogLayoutTest::toolDirectoryIsNeverAWorkingDirectoryWithSectmend()
{
    // An unpacked firmware bundle's own sectmend never runs as the user.
    TempDir folder;
    WriteFileText(folder / "sectmend", "#!/bin/sh\n");
    std::filesystem::permissions(folder / "sectmend", std::filesystem::perms::owner_all);
    const ScopedWorkingDirectory inFolder(folder.path());
    CVantrelUtilityDlg dialog;
    QCOMPARE(QString::fromStdString(dialog.state().toolDirectory), QCoreApplication::applicationDirPath());
}

void DialogLayoutTest::toolDirectoryFallsBackToProgramDirectory()
{
    TempDir folder;
    const ScopedWorkingDirectory inFolder(folder.path());
    CVantrelUtilityDlg dialog;
    QCOMPARE(QString::fromStdString(dialog.state().toolDirectory), QCoreApplication::applicationDirPath());
}

void DialogLayoutTest::toolDirectoryIgnoresAFolderNamedSectmend()
{
    // As in the source tree or a build tree.
    TempDir folder;
    std::filesystem::create_directory(folder / "sectmend");
    const ScopedWorkingDirectory inFolder(folder.path());
    CVantrelUtilityDlg dialog;
    QCOMPARE(QString::fromStdString(dialog.state().toolDirectory), QCoreApplication::applicationDirPath());
}

QTEST_MAIN(DialogLayoutTest)
#include "DialogLayoutTest.moc"
