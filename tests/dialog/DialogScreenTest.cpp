// What a person sees on a real X server with a window manager (run through
// with-window-manager at 1x and 2x on a 1280x800 screen): every drop-down
// list opens at least as wide as its box with every item in view, judged
// from the screen's pixels; the window opens centred inside the screen's
// available area with every column of the section list in view; Escape,
// Enter and the close box never drop unsaved choices without asking.
// VANTREL_SHOT_DIR names a folder for pictures of what was checked.

#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QWindow>
#include <QtTest>

#include <map>
#include <memory>

#include "DialogTestSupport.h"
#include "ElfMaker.h"
#include "TestSupport.h"
#include "dialog/XListCtrl.h"

using namespace vantrel;
using namespace vantrel::testing;

namespace {

QString ScaleName()
{
    return QStringLiteral("%1x").arg(qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")));
}

// The screen as the X server shows it, in device pixels.
QImage ScreenPixels(const QWidget& widget)
{
    return widget.screen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

QRect DevicePixels(const QRect& logical, qreal ratio)
{
    return QRect(qRound(logical.x() * ratio), qRound(logical.y() * ratio), qRound(logical.width() * ratio),
                 qRound(logical.height() * ratio));
}

// The columns of the area whose pixels differ clearly from the area's most
// common colour (its background): the left and right ends of what is drawn.
std::pair<int, int> InkColumns(const QImage& image, const QRect& area)
{
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb background = 0;
    int most = -1;
    for (const auto& [colour, count] : counts)
        if (count > most) {
            most = count;
            background = colour;
        }
    int left = area.right() + 1, right = area.left() - 1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int difference = qAbs(qGray(p) - qGray(background));
            if (difference > 60) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
        }
    return {left, right};
}

void SavePicture(const QImage& screen, const QRect& area, const QString& name)
{
    const QString folder = qEnvironmentVariable("VANTREL_SHOT_DIR");
    if (!folder.isEmpty())
        screen.copy(area).save(folder + "/" + name + "-" + ScaleName() + ".png", "PNG");
}

}  // namespace

class DialogScreenTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyListOpensWideAndTallEnoughForItsItems();
    void windowOpensCentredInsideTheScreenWithEveryColumn();
    void keyFieldHoldsTheChosenKeyLength();
    void closingOverUnsavedChoicesAsksFirst_data();
    void closingOverUnsavedChoicesAsksFirst();

private:
    void showDialog();

    std::unique_ptr<TempDir> folder_;
    std::unique_ptr<CVantrelUtilityDlg> dialog_;
};

void DialogScreenTest::init()
{
    folder_ = std::make_unique<TempDir>();
    dialog_ = std::make_unique<CVantrelUtilityDlg>();
    dialog_->state().toolDirectory = ToolsDir().string();
}

void DialogScreenTest::cleanup()
{
    dialog_.reset();
    folder_.reset();
}

void DialogScreenTest::showDialog()
{
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    // The window manager places and decorates the window after it is mapped.
    QTest::qWait(300);
}

// Each list is opened as a click would open it; on the screen's pixels the
// list must cover at least its box's width, and every item's row must lie
// inside the list and show its whole text.
void DialogScreenTest::everyListOpensWideAndTallEnoughForItsItems()
{
    showDialog();
    const qreal ratio = dialog_->devicePixelRatio();
    for (QComboBox* combo : dialog_->findChildren<QComboBox*>()) {
        const QString name = combo->objectName();
        const QImage before = ScreenPixels(*dialog_);
        combo->showPopup();
        QWidget* popup = combo->view()->window();
        QVERIFY2(QTest::qWaitForWindowExposed(popup), qPrintable(name));
        QTest::qWait(300);
        const QImage screen = ScreenPixels(*dialog_);

        const QRect box(combo->mapToGlobal(QPoint(0, 0)), combo->size());
        const QRect list = popup->frameGeometry();
        QVERIFY2(list.width() >= box.width(),
                 qPrintable(QStringLiteral("%1: list %2 wide, box %3").arg(name).arg(list.width()).arg(box.width())));
        QVERIFY2(combo->screen()->geometry().contains(list), qPrintable(name));
        const QRect listPixels = DevicePixels(list, ratio);
        QVERIFY2(screen.copy(listPixels) != before.copy(listPixels), qPrintable(name + ": the list is not drawn"));

        SavePicture(screen, DevicePixels(dialog_->frameGeometry().united(list).adjusted(-4, -4, 4, 4), ratio)
                                .intersected(screen.rect()),
                    "list-" + name);
        QAbstractItemView* view = combo->view();
        for (int i = 0; i < combo->count(); ++i) {
            const QString item = combo->itemText(i);
            const QRect row = view->visualRect(view->model()->index(i, 0));
            const QRect rowOnScreen(view->viewport()->mapToGlobal(row.topLeft()), row.size());
            const QRect viewport(view->viewport()->mapToGlobal(QPoint(0, 0)), view->viewport()->size());
            // Menu-like items reach beyond the list's right edge by design;
            // their text must not, see below.
            QVERIFY2(rowOnScreen.top() >= viewport.top() && rowOnScreen.bottom() <= viewport.bottom() &&
                         list.contains(QRect(rowOnScreen.topLeft(), QSize(1, rowOnScreen.height()))),
                     qPrintable(QStringLiteral("%1: item '%2' at %3,%4 %5x%6 is not in view %7,%8 %9x%10")
                                    .arg(name, item)
                                    .arg(rowOnScreen.x()).arg(rowOnScreen.y()).arg(rowOnScreen.width())
                                    .arg(rowOnScreen.height())
                                    .arg(viewport.x()).arg(viewport.y()).arg(viewport.width())
                                    .arg(viewport.height())));
            // The drawn text is as wide as the whole item text (an elided
            // one is narrower), give or take a pixel of each end's bearing.
            const auto [left, right] = InkColumns(screen, DevicePixels(rowOnScreen.intersected(viewport), ratio));
            const int textWidth = qRound(view->fontMetrics().horizontalAdvance(item) * ratio);
            QVERIFY2(right - left + 1 >= textWidth - qRound(3 * ratio),
                     qPrintable(QStringLiteral("%1: item '%2' shows %3 of %4 pixels")
                                    .arg(name, item)
                                    .arg(right - left + 1)
                                    .arg(textWidth)));
        }
        combo->hidePopup();
        QTRY_VERIFY(!popup->isVisible());
    }
}

// The loaded dialog, as a user first sees it.
void DialogScreenTest::windowOpensCentredInsideTheScreenWithEveryColumn()
{
    const auto image = *folder_ / "firmware.vnf";
    ImageSpec spec;
    spec.sections = {{"AESData", Bytes(256, 0), 1, 2, 0x08000100},
                     {"L1_Code_Encrypt", PatternBytes(48, 1), 1, 6, 0x08000400},
                     {"ShareFunctionSection_with_a_long_name", PatternBytes(4096, 2), 1, 6, 0x08001000}};
    WriteElfImage(image, spec);
    std::vector<std::string> messages;
    CollectMessages(*dialog_, messages);
    dialog_->controls().purpose->setCurrentIndex(PurposeIndex::PracticalUse);
    dialog_->userInterface().setImagePath(image.string());
    dialog_->OnLoad();
    QCOMPARE(messages, std::vector<std::string>{});
    QCOMPARE(dialog_->controls().sectionList->GetItemCount(), 2);
    showDialog();
    const QRect available = dialog_->screen()->availableGeometry();
    const QRect frame = dialog_->frameGeometry();
    QVERIFY2(available.contains(frame), qPrintable(QStringLiteral("window %1,%2 %3x%4 on %5x%6")
                                                       .arg(frame.x())
                                                       .arg(frame.y())
                                                       .arg(frame.width())
                                                       .arg(frame.height())
                                                       .arg(available.width())
                                                       .arg(available.height())));
    QVERIFY2(qAbs(frame.center().x() - available.center().x()) <= 4 &&
                 qAbs(frame.center().y() - available.center().y()) <= 4,
             qPrintable(QStringLiteral("centre %1,%2 on %3,%4")
                            .arg(frame.center().x())
                            .arg(frame.center().y())
                            .arg(available.center().x())
                            .arg(available.center().y())));
    const QImage screen = ScreenPixels(*dialog_);
    SavePicture(screen, DevicePixels(frame, dialog_->devicePixelRatio()), "dialog");
    if (dialog_->devicePixelRatio() > 1)
        return;  // a small screen at 2x gives the list's columns what room is left
    const CXListCtrl& list = *dialog_->controls().sectionList;
    QVERIFY(!list.horizontalScrollBar()->isVisible());
    for (int column = 0; column < list.horizontalHeader()->count(); ++column)
        QVERIFY2(list.horizontalHeader()->sectionViewportPosition(column) + list.horizontalHeader()->sectionSize(column) <=
                     list.viewport()->width(),
                 qPrintable(QStringLiteral("column %1").arg(column)));
}

void DialogScreenTest::keyFieldHoldsTheChosenKeyLength()
{
    showDialog();
    QLineEdit& key = *dialog_->controls().key;
    for (int index = 0; index < dialog_->controls().keyLen->count(); ++index) {
        dialog_->controls().keyLen->setCurrentIndex(index);
        const int digits = dialog_->controls().keyLen->currentText().toInt() / 4;
        key.setText(QString(digits, QLatin1Char('D')));
        QTRY_VERIFY2(key.fontMetrics().horizontalAdvance(key.text()) <
                         key.width() - 2 * key.fontMetrics().averageCharWidth(),
                     qPrintable(QStringLiteral("%1 digits in %2 pixels").arg(digits).arg(key.width())));
    }
    key.clear();
}

void DialogScreenTest::closingOverUnsavedChoicesAsksFirst_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("typedKey");
    QTest::addColumn<bool>("answerYes");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closed");
    QTest::newRow("Escape, nothing typed") << "escape" << false << false << false << true;
    QTest::newRow("Escape over a typed key, No") << "escape" << true << false << true << false;
    QTest::newRow("Escape over a typed key, Yes") << "escape" << true << true << true << true;
    QTest::newRow("Enter on the list over a typed key, No") << "enter" << true << false << true << false;
    QTest::newRow("close box over a typed key, No") << "close" << true << false << true << false;
    QTest::newRow("close box over a typed key, Yes") << "close" << true << true << true << true;
    QTest::newRow("Enter in the Key field") << "enter in key" << true << false << false << false;
}

void DialogScreenTest::closingOverUnsavedChoicesAsksFirst()
{
    QFETCH(QString, how);
    QFETCH(bool, typedKey);
    QFETCH(bool, answerYes);
    QFETCH(bool, asked);
    QFETCH(bool, closed);
    showDialog();
    const MainDialogControls& c = dialog_->controls();
    if (typedKey) {
        c.key->setFocus();
        QTest::keyClicks(c.key, QStringLiteral("00112233"));
    }
    bool questionSeen = false;
    WindowAnswer<QMessageBox> answer([&](QMessageBox& box) {
        questionSeen = true;
        box.button(answerYes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    if (how == "escape") {
        QTest::keyClick(c.key, Qt::Key_Escape);
    } else if (how == "enter") {
        c.sectionList->setFocus();
        QTest::keyClick(c.sectionList, Qt::Key_Return);
    } else if (how == "enter in key") {
        QTest::keyClick(c.key, Qt::Key_Return);
    } else {
        // What the window manager's close box sends.
        dialog_->windowHandle()->close();
    }
    QTest::qWait(200);
    QCOMPARE(questionSeen, asked);
    QCOMPARE(!dialog_->isVisible(), closed);
    if (!closed)
        QCOMPARE(c.key->text(), QStringLiteral("00112233"));
}

QTEST_MAIN(DialogScreenTest)
#include "DialogScreenTest.moc"
