// Long work under the progress dialog: each progress line is shown (a count
// line also fills the bar), Cancel reaches the work, and the call returns
// only once the work has ended.

#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "DialogTestSupport.h"
#include "dialog/ProgressRun.h"

using namespace vantrel;
using namespace vantrel::testing;

class ProgressRunTest : public QObject {
    Q_OBJECT

private slots:
    void cancelReachesTheWorkAfterItsCountIsShown();
    void anExceptionOfTheWorkIsThrownAgain();
};

// A full bar ends a section's step, not the work: the dialog stays open
// with it until the user cancels.
void ProgressRunTest::cancelReachesTheWorkAfterItsCountIsShown()
{
    CVantrelUtilityDlg owner;
    bool lineShown = false;
    WindowAnswer<QProgressDialog> answer([&lineShown](QProgressDialog& progress) {
        lineShown = QTest::qWaitFor([&progress] {
            return progress.labelText() == "encrypting section A: 1024 of 1024 MiB" && progress.maximum() == 1024 &&
                   progress.value() == 1024;
        }, 10000);
        QTest::qWait(50);
        lineShown = lineShown && progress.isVisible();
        progress.findChild<QPushButton*>()->click();
    });
    bool sawCancel = false;
    bool ended = false;
    RunWithProgressDialog(&owner, "Loading image.vnf", [&](const Progress& progress, const CancelCheck& cancelled) {
        progress("reading section A");
        progress("encrypting section A: 1024 of 1024 MiB");
        // Waits for the user's Cancel; the bound only ends a broken run.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!cancelled() && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sawCancel = cancelled();
        ended = true;
    });
    QVERIFY(answer.answered());
    QVERIFY(lineShown);
    QVERIFY(sawCancel);
    QVERIFY(ended);
}

void ProgressRunTest::anExceptionOfTheWorkIsThrownAgain()
{
    CVantrelUtilityDlg owner;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             RunWithProgressDialog(&owner, "Saving out.vnf", [](const Progress&, const CancelCheck&) {
                                 throw std::runtime_error("tool gone");
                             }));
}

QTEST_MAIN(ProgressRunTest)
#include "ProgressRunTest.moc"
