// Long work under the progress dialog: each progress line is shown, Cancel
// reaches the work, and the call returns only once the work has ended.

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
    void cancelReachesTheWorkAfterItsLineIsShown();
    void anExceptionOfTheWorkIsThrownAgain();
};

void ProgressRunTest::cancelReachesTheWorkAfterItsLineIsShown()
{
    CVantrelUtilityDlg owner;
    bool lineShown = false;
    WindowAnswer<QProgressDialog> answer([&lineShown](QProgressDialog& progress) {
        lineShown = QTest::qWaitFor([&progress] { return progress.labelText() == "reading section A"; }, 10000);
        progress.findChild<QPushButton*>()->click();
    });
    bool sawCancel = false;
    bool ended = false;
    RunWithProgressDialog(&owner, "Loading image.vnf", [&](const Progress& progress, const CancelCheck& cancelled) {
        progress("reading section A");
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
