// The main dialog's buttons and menus: messages of the operations, the wait
// cursor, the image chooser, the About box and the context menu.

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

using namespace vantrel;
using namespace vantrel::testing;

namespace fs = std::filesystem;

namespace {

// Types the full path into the chooser's file name box and presses Open once
// it is enabled (the chooser reads the folder in the background), as a user
// does.
void ChooseInDialog(QFileDialog& chooser, const QString& path)
{
    chooser.selectFile(path);
    auto* name = chooser.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* buttons = chooser.findChild<QDialogButtonBox*>();
    QPushButton* open = buttons != nullptr ? buttons->button(QDialogButtonBox::Open) : nullptr;
    if (name != nullptr)
        name->setText(path);
    if (name == nullptr || open == nullptr || !QTest::qWaitFor([open] { return open->isEnabled(); }, 5000)) {
        chooser.reject();
        QFAIL("the chooser's Open button never became usable");
    }
    open->click();
}

}  // namespace

class DialogOperationTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { dialog_.reset(); }

    void emptyPathShowsTheOperationsMessage_data();
    void emptyPathShowsTheOperationsMessage();
    void operationsRunUnderTheWaitCursor();
    void messageBoxIsOwnedOkOnlyAndTitled();
    void cancelledChooserKeepsThePath();
    void chosenImageFillsThePathAndMovesTheWorkingDirectory();
    void newFileChooserAcceptsANewName();
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
        if (button->text() == text)
            return button;
    return nullptr;
}

void DialogOperationTest::emptyPathShowsTheOperationsMessage_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::newRow("Load") << "Load" << "Please input binary file";
    QTest::newRow("Generate") << "Generate" << "Please input the VNF file!";
    QTest::newRow("Save") << "Save" << "Please input the VNF file!";
}

void DialogOperationTest::emptyPathShowsTheOperationsMessage()
{
    QFETCH(QString, button);
    QFETCH(QString, message);
    std::vector<std::string> messages;
    CollectMessages(*dialog_, messages);
    CXListCtrl& list = *dialog_->controls().sectionList;
    list.InsertItem(0, "");
    list.SetItemText(0, 2, "kept");

    QTest::mouseClick(buttonFor(button), Qt::LeftButton);

    QCOMPARE(messages, std::vector<std::string>{message.toStdString()});
    QCOMPARE(list.GetItemCount(), 1);
    QVERIFY(dialog_->controls().imagePath->text().isEmpty());
    QVERIFY(dialog_->isVisible());
}

void DialogOperationTest::operationsRunUnderTheWaitCursor()
{
    std::vector<Qt::CursorShape> shapes;
    dialog_->userInterface().setMessageSink([&shapes](const std::string&) {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        shapes.push_back(cursor != nullptr ? cursor->shape() : Qt::BlankCursor);
    });
    QTest::mouseClick(buttonFor("Load"), Qt::LeftButton);
    QCOMPARE(shapes, std::vector<Qt::CursorShape>{Qt::WaitCursor});
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void DialogOperationTest::messageBoxIsOwnedOkOnlyAndTitled()
{
    QString title, text;
    QWidget* owner = nullptr;
    QList<QAbstractButton*> buttons;
    Qt::CursorShape shape = Qt::BlankCursor;
    WindowAnswer<QMessageBox> answer([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        owner = box.parentWidget();
        buttons = box.buttons();
        shape = QGuiApplication::overrideCursor() != nullptr ? QGuiApplication::overrideCursor()->shape()
                                                              : Qt::ArrowCursor;
        box.button(QMessageBox::Ok)->click();
    });

    QTest::mouseClick(buttonFor("Save"), Qt::LeftButton);

    QVERIFY(answer.answered());
    QCOMPARE(title, QStringLiteral("Vantrel Utility"));
    QCOMPARE(text, QStringLiteral("Please input the VNF file!"));
    QCOMPARE(owner, dialog_.get());
    QCOMPARE(buttons.size(), 1);
    QCOMPARE(shape, Qt::ArrowCursor);  // the box is usable while the operation waits
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

void DialogOperationTest::cancelledChooserKeepsThePath()
{
    QtUserInterface& ui = dialog_->userInterface();
    ui.setImagePath("/images/previous.vnf");
    const fs::path before = fs::current_path();
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::Directory;
    WindowAnswer<QFileDialog> answer([&](QFileDialog& chooser) {
        filters = chooser.nameFilters();
        mode = chooser.fileMode();
        QCOMPARE(chooser.parentWidget(), dialog_.get());
        QCOMPARE(chooser.acceptMode(), QFileDialog::AcceptOpen);
        chooser.reject();
    });

    QTest::mouseClick(buttonFor("..."), Qt::LeftButton);

    QVERIFY(answer.answered());
    QCOMPARE(filters, (QStringList{"VNF Files (*.vnf)", "All Files (*)"}));
    QCOMPARE(mode, QFileDialog::ExistingFile);
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

void DialogOperationTest::newFileChooserAcceptsANewName()
{
    TempDir folder;
    const ScopedWorkingDirectory restore(fs::current_path());
    const QString chosen = QString::fromStdString((folder / "protected.vnf").string());
    QFileDialog::FileMode mode = QFileDialog::Directory;
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptSave;
    WindowAnswer<QFileDialog> answer([&](QFileDialog& chooser) {
        mode = chooser.fileMode();
        acceptMode = chooser.acceptMode();
        ChooseInDialog(chooser, chosen);
    });

    FileChooserRequest request;
    request.mustExist = false;
    const auto path = dialog_->userInterface().chooseFile(request);

    QVERIFY(answer.answered());
    QCOMPARE(mode, QFileDialog::AnyFile);
    QCOMPARE(acceptMode, QFileDialog::AcceptOpen);
    QVERIFY(path.has_value());
    QCOMPARE(QString::fromStdString(*path), chosen);
    QVERIFY(!fs::exists(folder / "protected.vnf"));
    QCOMPARE(fs::canonical(fs::current_path()), fs::canonical(folder.path()));
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
    QCOMPARE(version, QStringLiteral("Vantrel Utility Version 1.6"));
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
