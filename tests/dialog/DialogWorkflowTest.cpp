// Generate and Save through the dialog with the real tools: the key files
// survive a No, checks that need no output file come before the chooser, and
// a save over the image itself asks, then says where it wrote.

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <filesystem>
#include <memory>

#include "DialogTestSupport.h"
#include "ElfMaker.h"
#include "TestSupport.h"
#include "dialog/XListCtrl.h"
#include "encryption/SaveMessages.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace {

// A signable image whose "Practical use" rows are "whole" (two AES blocks)
// and "odd" (not a whole number of blocks).
ImageSpec WorkflowImage()
{
    ImageSpec spec;
    spec.sections = {
        {"msg_code", PatternBytes(64, 1), 1, 2, 0x1000},
        {"msg_data", PatternBytes(64, 2), 1, 2, 0x1040},
        {"digital_signature", Bytes(48, 0), 1, 2, 0x1080},
        {"AESData", Bytes(256, 0), 1, 2, 0x1100},
        {"whole", PatternBytes(32, 3), 1, 6, 0x2000},
        {"odd", PatternBytes(24, 4), 1, 6, 0x3000},
    };
    return spec;
}

}  // namespace

class DialogWorkflowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void noToReplacingTheKeyFilesKeepsThemByteForByte();
    void checksBeforeTheChooser_data();
    void checksBeforeTheChooser();
    void savingOverTheImageAsksThenNamesIt();

private:
    // Load with "Practical use", then tick the named row's boxes.
    void loadAndTick(const std::string& name, bool hash, bool aes);

    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<ScopedWorkingDirectory> inFolder_;
    std::unique_ptr<CVantrelUtilityDlg> dialog_;
    std::string image_;
};

void DialogWorkflowTest::init()
{
    folder_ = std::make_unique<TempDir>();
    inFolder_ = std::make_unique<ScopedWorkingDirectory>(folder_->path());
    image_ = (*folder_ / "image.vnf").string();
    WriteElfImage(image_, WorkflowImage());
    dialog_ = std::make_unique<CVantrelUtilityDlg>();
    dialog_->state().toolDirectory = ToolsDir().string();
    dialog_->userInterface().setImagePath(image_);
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
}

void DialogWorkflowTest::cleanup()
{
    dialog_.reset();
    inFolder_.reset();
    folder_.reset();
}

void DialogWorkflowTest::loadAndTick(const std::string& name, bool hash, bool aes)
{
    const MainDialogControls& c = dialog_->controls();
    c.purpose->setCurrentIndex(PurposeIndex::PracticalUse);
    QTest::mouseClick(c.load, Qt::LeftButton);
    CXListCtrl& list = *c.sectionList;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        if (list.GetItemText(row, SectionList::NameColumn) == name) {
            list.SetCheckbox(row, SectionList::HashColumn, hash ? 1 : 0);
            list.SetCheckbox(row, SectionList::AesColumn, aes ? 1 : 0);
        }
    }
}

void DialogWorkflowTest::noToReplacingTheKeyFilesKeepsThemByteForByte()
{
    const MainDialogControls& c = dialog_->controls();
    std::vector<std::string> messages;
    CollectMessages(*dialog_, messages);
    // The Pelora pair is asked about first, No by default: No writes nothing.
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        QString text;
        QMessageBox::StandardButton preset = QMessageBox::NoButton;
        WindowAnswer<QMessageBox> pelora([&](QMessageBox& box) {
            text = box.text();
            preset = box.standardButton(box.defaultButton());
            box.button(answer)->click();
        });
        QTest::mouseClick(c.generate, Qt::LeftButton);  // the Pelora pair
        QVERIFY(pelora.answered());
        QVERIFY(text.contains("public") && text.contains("demonstrations only"));
        QCOMPARE(preset, QMessageBox::No);
        if (answer == QMessageBox::No)
            QCOMPARE(FileNamesIn(folder_->path()), std::vector<std::string>{"image.vnf"});
    }
    QCOMPARE(messages.size(), std::size_t(2));
    const Bytes privateKey = ReadFileBytes(*folder_ / "private.ecs");
    const Bytes publicKey = ReadFileBytes(*folder_ / "public.ecs");
    const Bytes image = ReadFileBytes(image_);
    const std::vector<std::string> files = FileNamesIn(folder_->path());

    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WindowAnswer<QMessageBox> question([&](QMessageBox& box) {
        icon = box.icon();
        box.button(QMessageBox::No)->click();
    });
    c.keyPair->setCurrentIndex(KeyPairIndex::Generate);
    QTest::mouseClick(c.generate, Qt::LeftButton);

    QVERIFY(question.answered());
    QCOMPARE(icon, QMessageBox::Question);
    QCOMPARE(ReadFileBytes(*folder_ / "private.ecs"), privateKey);
    QCOMPARE(ReadFileBytes(*folder_ / "public.ecs"), publicKey);
    QCOMPARE(ReadFileBytes(image_), image);
    QCOMPARE(FileNamesIn(folder_->path()), files);
}

void DialogWorkflowTest::checksBeforeTheChooser_data()
{
    QTest::addColumn<QString>("row");    // the ticked row, "" for none
    QTest::addColumn<bool>("aes");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("message");  // a part of it
    const QString key = QStringLiteral("000102030405060708090a0b0c0d0e0f");
    QTest::newRow("nothing ticked") << "" << false << key << SaveNoOperationMessage;
    QTest::newRow("not whole blocks") << "odd" << false << key << "Section odd holds 24 bytes.";
    QTest::newRow("no key") << "whole" << true << "" << "Please type the AES key";
    QTest::newRow("key too long") << "whole" << true << key + "0" << "The key has 33 hexadecimal digits";
}

void DialogWorkflowTest::checksBeforeTheChooser()
{
    QFETCH(QString, row);
    QFETCH(bool, aes);
    QFETCH(QString, key);
    QFETCH(QString, message);
    int choosers = 0, questions = 0;
    std::vector<std::string> messages;
    CollectMessages(*dialog_, messages);
    dialog_->userInterface().setFileChooser([&choosers](const FileChooserRequest&) {
        ++choosers;
        return std::nullopt;
    });
    dialog_->userInterface().setQuestionSink([&questions](const std::string&) { return ++questions, true; });
    loadAndTick(row.toStdString(), !aes, aes);
    dialog_->controls().key->setText(key);

    QTest::mouseClick(dialog_->controls().save, Qt::LeftButton);

    QCOMPARE(messages.size(), std::size_t(1));
    QVERIFY2(QString::fromStdString(messages[0]).contains(message), messages[0].c_str());
    QCOMPARE(choosers, 0);
    QCOMPARE(questions, 0);
}

void DialogWorkflowTest::savingOverTheImageAsksThenNamesIt()
{
    std::vector<std::string> questions;
    dialog_->userInterface().setQuestionSink([&questions](const std::string& question) {
        questions.push_back(question);
        return true;
    });
    loadAndTick("whole", false, true);
    dialog_->controls().key->setText(QStringLiteral("000102030405060708090a0b0c0d0e0f"));
    const Bytes original = ReadFileBytes(image_);
    QString replace, done;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WindowAnswer<QMessageBox> replaceQuestion([&](QMessageBox& box) {
        replace = box.text();
        box.button(QMessageBox::Yes)->click();
    });
    std::unique_ptr<WindowAnswer<QMessageBox>> success;
    WindowAnswer<QFileDialog> chooser([&](QFileDialog& files) {
        ChooseInDialog(files, QString::fromStdString(image_));
        success = std::make_unique<WindowAnswer<QMessageBox>>([&](QMessageBox& box) {
            done = box.text();
            icon = box.icon();
            box.button(QMessageBox::Ok)->click();
        });
    });

    QTest::mouseClick(dialog_->controls().save, Qt::LeftButton);

    QVERIFY(chooser.answered());
    QVERIFY(replaceQuestion.answered());
    QVERIFY2(replace.contains(QStringLiteral("image.vnf")), qPrintable(replace));
    QVERIFY(success && success->answered());
    QCOMPARE(icon, QMessageBox::Information);
    QVERIFY2(done.contains(QString::fromStdString(image_)), qPrintable(done));
    QCOMPARE(questions.size(), std::size_t(1));  // the image is not signed
    QVERIFY(ReadFileBytes(image_) != original);
}

QTEST_MAIN(DialogWorkflowTest)
#include "DialogWorkflowTest.moc"
