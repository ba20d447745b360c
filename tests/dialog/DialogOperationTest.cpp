// The main dialog's buttons and menus: messages of the operations, the wait
// cursor, the choosers, the About box and the context menu.

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <filesystem>
#include <memory>

#include "DialogTestSupport.h"
#include "TestSupport.h"
#include "dialog/AboutDlg.h"
#include "dialog/XListCtrl.h"
#include "encryption/SaveMessages.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace fs = std::filesystem;


class DialogOperationTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { dialog_.reset(); }

    void emptyPathShowsOneMessageForEveryButton();
    void operationsRunUnderTheWaitCursor();
    void errorBoxIsOwnedOkOnlyWithAWarningIcon();
    void boxesShowTheirKindAndTheirWholeTitle_data();
    void boxesShowTheirKindAndTheirWholeTitle();
    void cancelledChooserKeepsThePath();
    void chosenImageFillsThePathAndMovesTheWorkingDirectory();
    void saveChooserAcceptsANewName();
    void saveChooserAsksBeforeReplacing_data();
    void saveChooserAsksBeforeReplacing();
    void contextMenuEndsWithAboutAfterASeparator();
    void aboutBoxOpensFromTheContextMenu();
    void contextMenuCloseClosesTheDialog();

private:
    QPushButton* buttonFor(const QString& text) const;

    std::unique_ptr<CVantrelUtilityDlg> dialog_;
};

void DialogOperationTest::init()
{
    dialog_ = std::make_unique<CVantrelUtilityDlg>();
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
}

QPushButton* DialogOperationTest::buttonFor(const QString& text) const
{
    for (auto* button : dialog_->findChildren<QPushButton*>())
        if (button->text().remove(QLatin1Char('&')) == text)
            return button;
    return nullptr;
}

void DialogOperationTest::emptyPathShowsOneMessageForEveryButton()
{
    std::vector<std::string> messages;
    CollectMessages(*dialog_, messages);
    CXListCtrl& list = *dialog_->controls().sectionList;
    list.InsertItem(0, "");
    list.SetItemText(0, 2, "kept");

    for (const char* button : {"Load", "Generate", "Save"})
        QTest::mouseClick(buttonFor(QString::fromLatin1(button)), Qt::LeftButton);

    QCOMPARE(messages, std::vector<std::string>(3, SaveNoInputMessage));
    QCOMPARE(list.GetItemCount(), 1);
    QVERIFY(dialog_->controls().imagePath->text().isEmpty());
    QVERIFY(dialog_->isVisible());
}

void DialogOperationTest::operationsRunUnderTheWaitCursor()
{
    std::vector<Qt::CursorShape> shapes;
    dialog_->userInterface().setMessageSink([&shapes](const std::string&, MessageKind) {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        shapes.push_back(cursor != nullptr ? cursor->shape() : Qt::BlankCursor);
    });
    QTest::mouseClick(buttonFor("Load"), Qt::LeftButton);
    QCOMPARE(shapes, std::vector<Qt::CursorShape>{Qt::WaitCursor});
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void DialogOperationTest::errorBoxIsOwnedOkOnlyWithAWarningIcon()
{
    QString title, text;
    QWidget* owner = nullptr;
    QList<QAbstractButton*> buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::CursorShape shape = Qt::BlankCursor;
    WindowAnswer<QMessageBox> answer([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        owner = box.parentWidget();
        buttons = box.buttons();
        icon = box.icon();
        shape = QGuiApplication::overrideCursor() != nullptr ? QGuiApplication::overrideCursor()->shape()
                                                              : Qt::ArrowCursor;
        box.button(QMessageBox::Ok)->click();
    });

    QTest::mouseClick(buttonFor("Save"), Qt::LeftButton);

    QVERIFY(answer.answered());
    QCOMPARE(title, QStringLiteral("Vantrel Utility"));
    QCOMPARE(text, QString::fromLatin1(SaveNoInputMessage));
    QCOMPARE(owner, dialog_.get());
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(shape, Qt::ArrowCursor);  // the box is usable while the operation waits
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void DialogOperationTest::boxesShowTheirKindAndTheirWholeTitle_data()
{
    QTest::addColumn<int>("kind");  // MessageKind, or -1 for a question
    QTest::addColumn<int>("icon");
    QTest::newRow("error") << int(MessageKind::Error) << int(QMessageBox::Warning);
    QTest::newRow("success") << int(MessageKind::Success) << int(QMessageBox::Information);
    QTest::newRow("question") << -1 << int(QMessageBox::Question);
}

// Even with a one-word text, a box is wide enough for its title in a bold
// font beside an icon and three buttons, each a square as tall as a title
// bar of one and a half lines: what window managers draw, more than Qt's own
// estimate allows.
void DialogOperationTest::boxesShowTheirKindAndTheirWholeTitle()
{
    QFETCH(int, kind);
    QFETCH(int, icon);
    int shownIcon = -1, width = 0, titleWidth = 0;
    WindowAnswer<QMessageBox> answer([&](QMessageBox& box) {
        shownIcon = box.icon();
        QFont bold = box.font();
        bold.setBold(true);
        const QFontMetrics metrics(bold);
        width = box.width();
        titleWidth = metrics.horizontalAdvance(box.windowTitle()) + 4 * 3 * metrics.height() / 2;
        box.reject();
    });
    if (kind < 0)
        dialog_->userInterface().askYesNo("Sure?");
    else
        dialog_->userInterface().showMessage("Done.", MessageKind(kind));
    QVERIFY(answer.answered());
    QCOMPARE(shownIcon, icon);
    QVERIFY2(width >= titleWidth, qPrintable(QStringLiteral("%1 < %2").arg(width).arg(titleWidth)));
}

void DialogOperationTest::cancelledChooserKeepsThePath()
{
    QtUserInterface& ui = dialog_->userInterface();
    ui.setImagePath("/images/previous.vnf");
    const fs::path before = fs::current_path();
    QStringList filters;
    QString title;
    QFileDialog::FileMode mode = QFileDialog::Directory;
    WindowAnswer<QFileDialog> answer([&](QFileDialog& chooser) {
        filters = chooser.nameFilters();
        mode = chooser.fileMode();
        title = chooser.windowTitle();
        QCOMPARE(chooser.parentWidget(), dialog_.get());
        QCOMPARE(chooser.acceptMode(), QFileDialog::AcceptOpen);
        chooser.reject();
    });

    QTest::mouseClick(buttonFor("..."), Qt::LeftButton);

    QVERIFY(answer.answered());
    QCOMPARE(filters, (QStringList{"VNF Files (*.vnf)", "All Files (*)"}));
    QCOMPARE(mode, QFileDialog::ExistingFile);
    QCOMPARE(title, QStringLiteral("Open the Image"));
    QCOMPARE(ui.imagePath(), std::string("/images/previous.vnf"));
    QCOMPARE(fs::current_path(), before);
}

void DialogOperationTest::chosenImageFillsThePathAndMovesTheWorkingDirectory()
{
    TempDir folder;
    WriteFileText(folder / "firmware.vnf", "image");
    const ScopedWorkingDirectory restore(fs::current_path());
    const QString chosen = QString::fromStdString((folder / "firmware.vnf").string());
    WindowAnswer<QFileDialog> answer([&](QFileDialog& chooser) {
        ChooseInDialog(chooser, chosen);
    });

    QTest::mouseClick(buttonFor("..."), Qt::LeftButton);

    QVERIFY(answer.answered());
    QCOMPARE(dialog_->controls().imagePath->text(), chosen);
    QCOMPARE(fs::canonical(fs::current_path()), fs::canonical(folder.path()));
}

void DialogOperationTest::saveChooserAcceptsANewName()
{
    TempDir folder;
    const ScopedWorkingDirectory restore(fs::current_path());
    const QString chosen = QString::fromStdString((folder / "protected.vnf").string());
    QFileDialog::FileMode mode = QFileDialog::Directory;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    QString title;
    QStringList filters;
    WindowAnswer<QFileDialog> answer([&](QFileDialog& chooser) {
        mode = chooser.fileMode();
        acceptMode = chooser.acceptMode();
        title = chooser.windowTitle();
        filters = chooser.nameFilters();
        ChooseInDialog(chooser, chosen);
    });

    FileChooserRequest request;
    request.save = true;
    request.title = "Save the Test Image As";
    const auto path = dialog_->userInterface().chooseFile(request);

    QVERIFY(answer.answered());
    QCOMPARE(mode, QFileDialog::AnyFile);
    QCOMPARE(acceptMode, QFileDialog::AcceptSave);
    QCOMPARE(title, QStringLiteral("Save the Test Image As"));
    QCOMPARE(filters.first(), QStringLiteral("VNF Files (*.vnf)"));
    QVERIFY(path.has_value());
    QCOMPARE(QString::fromStdString(*path), chosen);
    QVERIFY(!fs::exists(folder / "protected.vnf"));
    QCOMPARE(fs::canonical(fs::current_path()), fs::canonical(folder.path()));
}

void DialogOperationTest::saveChooserAsksBeforeReplacing_data()
{
    QTest::addColumn<bool>("replace");
    QTest::newRow("No: the chooser stays open") << false;
    QTest::newRow("Yes: the file is chosen") << true;
}

// Choosing an existing file asks first; the chooser itself never writes it.
void DialogOperationTest::saveChooserAsksBeforeReplacing()
{
    QFETCH(bool, replace);
    TempDir folder;
    const ScopedWorkingDirectory restore(fs::current_path());
    WriteFileText(folder / "existing.vnf", "kept");
    const QString existing = QString::fromStdString((folder / "existing.vnf").string());
    QString question;
    WindowAnswer<QMessageBox> ask([&](QMessageBox& box) {
        question = box.text();
        box.button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    bool stayedOpen = false;
    WindowAnswer<QFileDialog> answer([&](QFileDialog& chooser) {
        ChooseInDialog(chooser, existing);
        stayedOpen = chooser.isVisible();
        if (stayedOpen)
            chooser.reject();
    });

    FileChooserRequest request;
    request.save = true;
    const auto path = dialog_->userInterface().chooseFile(request);

    QVERIFY(ask.answered());
    QVERIFY2(question.contains(QStringLiteral("existing.vnf")), qPrintable(question));
    QCOMPARE(stayedOpen, !replace);
    QCOMPARE(path.has_value(), replace);
    QCOMPARE(ReadFileText(folder / "existing.vnf"), std::string("kept"));
}

void DialogOperationTest::contextMenuEndsWithAboutAfterASeparator()
{
    QCOMPARE(dialog_->contextMenuPolicy(), Qt::ActionsContextMenu);
    const QList<QAction*> actions = dialog_->actions();
    QVERIFY(actions.size() >= 2);
    QCOMPARE(actions.last(), dialog_->aboutAction());
    QCOMPARE(actions.last()->text(), QStringLiteral("&About Vantrel Utility..."));
    QVERIFY(actions.at(actions.size() - 2)->isSeparator());
}

void DialogOperationTest::aboutBoxOpensFromTheContextMenu()
{
    QString title, version;
    bool hasIcon = false;
    QWidget* owner = nullptr;
    WindowAnswer<CAboutDlg> about([&](CAboutDlg& box) {
        title = box.windowTitle();
        owner = box.parentWidget();
        version = box.findChild<QLabel*>("aboutVersion")->text();
        hasIcon = !box.findChild<QLabel*>("aboutIcon")->pixmap().isNull();
        auto* ok = box.findChild<QPushButton*>("aboutOk");
        QVERIFY(ok->isDefault());
        ok->click();
    });
    WindowAnswer<QMenu> menu([](QMenu& popup) {
        QAction* last = popup.actions().last();
        QTest::mouseClick(&popup, Qt::LeftButton, {}, popup.actionGeometry(last).center());
    });

    // A right click on a label reaches the dialog's context menu.
    QLabel* label = dialog_->findChildren<QLabel*>().first();
    const QPoint at = label->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, label->mapToGlobal(at));
    QApplication::sendEvent(label, &event);

    QVERIFY(menu.answered());
    QVERIFY(about.answered());
    QCOMPARE(title, QStringLiteral("About Vantrel Utility"));
    QCOMPARE(version, QStringLiteral("Vantrel Utility Version " VANTREL_VERSION));
    QVERIFY(hasIcon);
    QCOMPARE(owner, dialog_.get());
    QVERIFY(dialog_->isVisible());
}

void DialogOperationTest::contextMenuCloseClosesTheDialog()
{
    WindowAnswer<QMenu> menu([](QMenu& popup) {
        QAction* first = popup.actions().first();
        QCOMPARE(first->text(), QStringLiteral("&Close"));
        QTest::mouseClick(&popup, Qt::LeftButton, {}, popup.actionGeometry(first).center());
    });
    const QPoint at(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, dialog_->mapToGlobal(at));
    QApplication::sendEvent(dialog_.get(), &event);
    QVERIFY(menu.answered());
    QVERIFY(!dialog_->isVisible());
}

QTEST_MAIN(DialogOperationTest)
#include "DialogOperationTest.moc"
