// What desktop users expect of the window: an image file dropped on it is
// chosen as "..." would choose it, and the folder and the choices (never the
// key) are found again in the next run.

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include <filesystem>
#include <memory>

#include "DialogTestSupport.h"
#include "TestSupport.h"
#include "dialog/DialogSettings.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace {

// Drags the files' URLs onto the widget and drops them there if it accepts
// them; returns whether it did.
bool DropFiles(QWidget& target, const QStringList& files)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    data.setUrls(urls);
    const QPoint centre = target.rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    return drop.isAccepted();
}

QString Canonical(const std::filesystem::path& path)
{
    return QDir(QString::fromStdString(path.string())).canonicalPath();
}

}  // namespace

class DialogDesktopTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void droppedFileIsChosenAsTheChooserWould();
    void foldersAndSeveralFilesAreNotTaken();
    void folderAndChoicesAreRememberedButNeverTheKey();

private:
    // The settings of this run live here, never in the user's own.
    std::unique_ptr<TempDir> config_;
    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<ScopedWorkingDirectory> start_;
};

void DialogDesktopTest::initTestCase()
{
    config_ = std::make_unique<TempDir>();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QString::fromStdString(config_->path().string())));
}

void DialogDesktopTest::init()
{
    folder_ = std::make_unique<TempDir>();
    start_ = std::make_unique<ScopedWorkingDirectory>(std::filesystem::temp_directory_path());
}

void DialogDesktopTest::cleanup()
{
    start_.reset();
    folder_.reset();
}

void DialogDesktopTest::droppedFileIsChosenAsTheChooserWould()
{
    const auto image = *folder_ / "dropped image.bin";
    WriteFileText(image, "any regular file");
    CVantrelUtilityDlg dialog;

    QVERIFY(DropFiles(dialog, {QString::fromStdString(image.string())}));

    QCOMPARE(dialog.userInterface().imagePath(), image.string());
    QCOMPARE(QDir::currentPath(), Canonical(folder_->path()));
}

void DialogDesktopTest::foldersAndSeveralFilesAreNotTaken()
{
    const auto first = *folder_ / "first.vnf";
    const auto second = *folder_ / "second.vnf";
    WriteFileText(first, "1");
    WriteFileText(second, "2");
    CVantrelUtilityDlg dialog;

    QVERIFY(!DropFiles(dialog, {QString::fromStdString(folder_->path().string())}));
    QVERIFY(!DropFiles(dialog, {QString::fromStdString(first.string()), QString::fromStdString(second.string())}));

    QCOMPARE(dialog.userInterface().imagePath(), std::string());
    QCOMPARE(QDir::currentPath(), Canonical(std::filesystem::temp_directory_path()));
}

void DialogDesktopTest::folderAndChoicesAreRememberedButNeverTheKey()
{
    const std::string key = "0123456789abcdef0123456789abcdef";
    {
        CVantrelUtilityDlg last;
        const MainDialogControls& c = last.controls();
        c.keyPair->setCurrentIndex(KeyPairIndex::Generate);
        c.keyLen->setCurrentIndex(KeyLenIndex::Bits256);
        c.mode->setCurrentIndex(ModeIndex::ECB);
        c.purpose->setCurrentIndex(PurposeIndex::PracticalUse);
        c.entry->setCurrentIndex(EntryIndex::Single);
        c.key->setText(QString::fromStdString(key));
        QDir::setCurrent(QString::fromStdString(folder_->path().string()));
        SaveDialogSettings(c);
    }
    const auto settingsFile = *config_ / "vantrel/vantrel-utility.conf";
    QVERIFY(std::filesystem::exists(settingsFile));
    QVERIFY(ReadFileText(settingsFile).find(key) == std::string::npos);

    QDir::setCurrent(QDir::rootPath());
    CVantrelUtilityDlg next;
    RestoreDialogSettings(next.controls());

    const MainDialogControls& c = next.controls();
    QCOMPARE(c.keyPair->currentIndex(), int(KeyPairIndex::Generate));
    QCOMPARE(c.keyLen->currentIndex(), int(KeyLenIndex::Bits256));
    QCOMPARE(c.keyLabel->text(), QStringLiteral("&Key (64 hex digits):"));
    QCOMPARE(c.mode->currentIndex(), int(ModeIndex::ECB));
    QCOMPARE(c.purpose->currentIndex(), int(PurposeIndex::PracticalUse));
    QCOMPARE(c.entry->currentIndex(), int(EntryIndex::Single));
    QCOMPARE(c.key->text(), QString());
    QCOMPARE(QDir::currentPath(), Canonical(folder_->path()));
}

QTEST_MAIN(DialogDesktopTest)
#include "DialogDesktopTest.moc"
