// The main dialog as it opens: texts, positions, items, start values, tab
// order, closing keys and the tool directory.

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <filesystem>
#include <memory>

#include "DialogTestSupport.h"
#include "TestSupport.h"
#include "dialog/DialogUnits.h"
#include "dialog/XListCtrl.h"

using namespace vantrel;
using namespace vantrel::testing;

class DialogLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void init() { dialog_ = std::make_unique<CVantrelUtilityDlg>(); }
    void cleanup() { dialog_.reset(); }

    void windowTitleSizeAndIcon();
    void comboItemsAndStartSelection_data();
    void comboItemsAndStartSelection();
    void editBoxesStartEmpty();
    void controlPositions_data();
    void controlPositions();
    void sectionListColumns();
    void tabOrderFollowsTemplate();
    void noPushButtonIsDefault();
    void escapeCloses();
    void enterClosesOutsidePushButtons();
    void enterOnPushButtonPressesIt();
    void toolDirectoryIsWorkingDirectoryWithSectmend();
    void toolDirectoryFallsBackToProgramDirectory();
    void toolDirectoryIgnoresAFolderNamedSectmend();

private:
    QRect expected(int x, int y, int w, int h) const { return DialogUnits(dialog_->font()).rect(x, y, w, h); }
    QWidget* findByText(const QString& kind, const QString& text) const;

    std::unique_ptr<CVantrelUtilityDlg> dialog_;
};

void DialogLayoutTest::windowTitleSizeAndIcon()
{
    QCOMPARE(dialog_->windowTitle(), QStringLiteral("Vantrel Utility"));
    const QSize size = DialogUnits(dialog_->font()).size(372, 276);
    QCOMPARE(dialog_->minimumSize(), size);
    QCOMPARE(dialog_->maximumSize(), size);
    QVERIFY(!dialog_->windowIcon().isNull());
    QVERIFY(!(dialog_->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(dialog_->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(dialog_->windowFlags() & Qt::WindowCloseButtonHint);
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

void DialogLayoutTest::controlPositions_data()
{
    // Every control, label and group box with its rectangle in dialog units.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("units");
    auto row = [](const char* kind, const char* text, int x, int y, int w, int h) {
        QTest::newRow(text) << QString::fromLatin1(kind) << QString::fromLatin1(text) << QRect(x, y, w, h);
    };
    row("button", "...", 311, 30, 32, 14);
    row("combo", "keyPairCombo", 66, 68, 48, 14);
    row("button", "Generate", 29, 90, 73, 14);
    row("combo", "keyLenCombo", 169, 68, 48, 14);
    row("combo", "modeCombo", 283, 68, 48, 14);
    row("edit", "keyEdit", 150, 90, 181, 14);
    row("combo", "purposeCombo", 303, 140, 48, 14);
    row("combo", "entryCombo", 303, 170, 48, 14);
    row("button", "Load", 303, 200, 48, 14);
    row("button", "Save", 303, 232, 48, 14);
    row("label", "Input VNF File:", 21, 33, 61, 8);
    row("edit", "imagePathEdit", 96, 31, 206, 14);
    row("group", "Information", 14, 116, 278, 148);
    row("group", "Tessaro Vantrel Utility", 10, 7, 352, 260);
    row("label", "Purpose:", 308, 129, 37, 8);
    row("label", "Key Len:", 130, 70, 37, 10);
    row("label", "Mode:", 252, 71, 21, 8);
    row("label", "Entry:", 311, 159, 30, 8);
    row("group", "Input Parameter", 14, 17, 343, 34);
    row("label", "Key:", 130, 91, 17, 14);
    row("label", "(Hex)", 333, 92, 21, 8);
    row("label", "Key Pair:", 22, 69, 36, 15);
    row("list", "sectionList", 19, 127, 267, 133);
    row("group", "ECDSA Options", 14, 56, 107, 56);
    row("group", "AES Options", 123, 56, 234, 56);
    row("group", "Operation", 297, 116, 60, 148);
}

void DialogLayoutTest::controlPositions()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QRect, units);
    QWidget* widget = findByText(kind, text);
    QVERIFY2(widget != nullptr, qPrintable(kind + " " + text));
    QCOMPARE(widget->parentWidget(), dialog_.get());
    QCOMPARE(widget->geometry(), expected(units.x(), units.y(), units.width(), units.height()));
}

QWidget* DialogLayoutTest::findByText(const QString& kind, const QString& text) const
{
    if (kind == "button") {
        for (auto* button : dialog_->findChildren<QPushButton*>())
            if (button->text() == text)
                return button;
    } else if (kind == "label") {
        for (auto* label : dialog_->findChildren<QLabel*>())
            if (label->text() == text)
                return label;
    } else if (kind == "group") {
        for (auto* group : dialog_->findChildren<QGroupBox*>()) {
            if (group->title() == text) {
                // Centred titles, as in the template.
                return group->alignment() == Qt::AlignHCenter ? group : nullptr;
            }
        }
    } else {
        return dialog_->findChild<QWidget*>(text);
    }
    return nullptr;
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

void DialogLayoutTest::tabOrderFollowsTemplate()
{
    const MainDialogControls& c = dialog_->controls();
    const QList<QWidget*> order{c.browse, c.keyPair, c.generate, c.keyLen, c.mode, c.key,
                                c.purpose, c.entry, c.load, c.save, c.imagePath, c.sectionList};
    QList<QWidget*> seen;
    QWidget* widget = c.browse;
    do {
        if (widget->parentWidget() == dialog_.get() && (widget->focusPolicy() & Qt::TabFocus))
            seen << widget;
        widget = widget->nextInFocusChain();
    } while (widget != c.browse);
    QCOMPARE(seen, order);
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
    for (QWidget* target : QList<QWidget*>{c.key, c.mode, c.sectionList, c.imagePath}) {
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
    QCOMPARE(messages, std::vector<std::string>{"Please input binary file"});
}

void DialogLayoutTest::toolDirectoryIsWorkingDirectoryWithSectmend()
{
    TempDir folder;
    WriteFileText(folder / "sectmend", "#!/bin/sh\n");
    std::filesystem::permissions(folder / "sectmend", std::filesystem::perms::owner_all);
    const ScopedWorkingDirectory inFolder(folder.path());
    CVantrelUtilityDlg dialog;
    QCOMPARE(dialog.state().toolDirectory, std::filesystem::current_path().string());
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
