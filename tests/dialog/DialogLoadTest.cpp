// Load through the real scnlist and sectmend from the dialog, and the
// program's screenshot run on a generated image.

#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QtTest>

#include <memory>

#include "DialogTestSupport.h"
#include "ElfMaker.h"
#include "TestSupport.h"
#include "dialog/DialogUnits.h"
#include "dialog/XListCtrl.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace {

// Sections for every Purpose and Entry choice, the reserved ones and one
// without contents.
ImageSpec ChoicesImage()
{
    ImageSpec spec;
    spec.sections = {
        {"msg_code", PatternBytes(16, 1), 1, 6, 0x1000},
        {"ShareFunctionSection", PatternBytes(12, 2), 1, 6, 0x2000},
        {"L2_Hash", PatternBytes(8, 3), 1, 2, 0x3000},
        {"AESData", PatternBytes(44, 4), 1, 2, 0x4000},
        {"ShareFunctionSectionData", PatternBytes(20, 5), 1, 3, 0x5000},
        {"ShareFunctionSectionBss", {}, 8, 3, 0x6000, 64},
        {"other", PatternBytes(4, 6), 1, 2, 0x7000},
    };
    return spec;
}

}  // namespace

class DialogLoadTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadFillsTheRowsForTheChoices_data();
    void loadFillsTheRowsForTheChoices();
    void reloadClearsTheTicks();
    void screenshotRunWritesThePicture_data();
    void screenshotRunWritesThePicture();

private:
    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<CVantrelUtilityDlg> dialog_;
    std::vector<std::string> messages_;
    std::string image_;
};

void DialogLoadTest::init()
{
    folder_ = std::make_unique<TempDir>();
    image_ = (*folder_ / "image.vnf").string();
    WriteElfImage(image_, ChoicesImage());
    dialog_ = std::make_unique<CVantrelUtilityDlg>();
    dialog_->state().toolDirectory = ToolsDir().string();
    messages_.clear();
    CollectMessages(*dialog_, messages_);
    dialog_->userInterface().setImagePath(image_);
}

void DialogLoadTest::cleanup()
{
    dialog_.reset();
    folder_.reset();
}

void DialogLoadTest::loadFillsTheRowsForTheChoices_data()
{
    QTest::addColumn<int>("purpose");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("Demonstration, Multi") << 0 << 0
                                          << QStringList{"ShareFunctionSection", "ShareFunctionSectionData"};
    QTest::newRow("Demonstration, Single") << 0 << 1 << QStringList{"L2_Hash"};
    QTest::newRow("Practical use") << 1 << 1
                                   << QStringList{"ShareFunctionSection", "L2_Hash", "ShareFunctionSectionData",
                                                  "other"};
}

void DialogLoadTest::loadFillsTheRowsForTheChoices()
{
    QFETCH(int, purpose);
    QFETCH(int, entry);
    QFETCH(QStringList, names);
    const MainDialogControls& c = dialog_->controls();
    c.purpose->setCurrentIndex(purpose);
    c.entry->setCurrentIndex(entry);

    QTest::mouseClick(c.load, Qt::LeftButton);

    QCOMPARE(messages_, std::vector<std::string>{});
    CXListCtrl& list = *c.sectionList;
    QStringList seen;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        seen << QString::fromStdString(list.GetItemText(row, 2));
        QCOMPARE(list.GetItemCheckedState(row, 0), 0);
        QCOMPARE(list.GetItemCheckedState(row, 1), 0);
    }
    QCOMPARE(seen, names);
    QVERIFY(dialog_->state().inventory);
    QCOMPARE(dialog_->state().inventory->sectionTable.size(), static_cast<std::size_t>(names.size()));
    QCOMPARE(dialog_->state().inventory->aesDataSize, 44u);
    if (names.first() == "ShareFunctionSection") {
        QCOMPARE(list.GetItemText(0, 3), std::string("0x00002000"));
        QCOMPARE(list.GetItemText(0, 4), std::string("0x0000000c"));
    }
}

void DialogLoadTest::reloadClearsTheTicks()
{
    CXListCtrl& list = *dialog_->controls().sectionList;
    QTest::mouseClick(dialog_->controls().load, Qt::LeftButton);
    QCOMPARE(list.GetItemCount(), 2);
    list.SetCheckbox(0, 0, 1);
    list.SetCheckbox(1, 1, 1);
    QTest::mouseClick(dialog_->controls().load, Qt::LeftButton);
    QCOMPARE(list.GetItemCount(), 2);
    QCOMPARE(list.GetItemCheckedState(0, 0), 0);
    QCOMPARE(list.GetItemCheckedState(1, 1), 0);
    QCOMPARE(messages_, std::vector<std::string>{});
}

void DialogLoadTest::screenshotRunWritesThePicture_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("1x") << 1;
    QTest::newRow("2x") << 2;
}

// The loaded dialog at its opening size, in pixels of the scale factor: at
// least the template's at 1x, never more than the 1280x1024 screen less a
// frame.
void DialogLoadTest::screenshotRunWritesThePicture()
{
    QFETCH(int, scale);
    const std::string picture = (*folder_ / "dialog.png").string();
    const ProgramResult run = RunProgram({"/usr/bin/env", "QT_SCALE_FACTOR=" + std::to_string(scale),
                                          (ToolsDir() / "vantrel-utility").string(), "--screenshot", picture, image_});
    QCOMPARE(run.status, 0);
    const QImage shot(QString::fromStdString(picture));
    QVERIFY(!shot.isNull());
    QVERIFY2(shot.width() <= 1280 && shot.height() <= 1024 - 40 * scale,
             qPrintable(QStringLiteral("%1x%2").arg(shot.width()).arg(shot.height())));
    if (scale == 1)
        QVERIFY(shot.width() >= MainDialogTemplateSize(TemplateFont()).width() &&
                shot.height() >= MainDialogTemplateSize(TemplateFont()).height());
}

QTEST_MAIN(DialogLoadTest)
#include "DialogLoadTest.moc"
