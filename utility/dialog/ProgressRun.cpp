#include "ProgressRun.h"

#include <QProgressDialog>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <exception>
#include <memory>

#include "WaitCursor.h"
#include "core/Progress.h"

namespace vantrel {

namespace {

// Carries the worker's progress lines to the progress dialog: emitted on the
// worker thread, delivered queued on the dialog's.
class ProgressRelay final : public QObject {
    Q_OBJECT

signals:
    void line(const QString& text);
};

// A line with a count ("encrypting section S: 96 of 1024 MiB") fills the
// bar; any other line makes it a busy indicator again.
void ShowLine(QProgressDialog& dialog, const QString& text)
{
    dialog.setLabelText(text);
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    if (!ByteProgress::CountOf(text.toStdString(), done, total)) {
        dialog.setRange(0, 0);
        return;
    }
    dialog.setRange(0, static_cast<int>(std::min<std::uint64_t>(total, INT_MAX)));
    dialog.setValue(static_cast<int>(std::min(done, total)));
}

}  // namespace

void RunWithProgressDialog(QWidget* owner, const std::string& title, const LongWork& work)
{
    const NormalCursor cursor;
    QProgressDialog dialog(QString::fromStdString(title), QStringLiteral("&Cancel"), 0, 0, owner);
    dialog.setObjectName(QStringLiteral("progressDialog"));
    dialog.setWindowTitle(QStringLiteral("Vantrel Utility"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumWidth(dialog.fontMetrics().averageCharWidth() * 60);
    // A full bar ends one section's step, not the work: the dialog stays
    // until the worker has finished.
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);

    std::atomic<bool> cancelled{false};
    std::exception_ptr failure;
    ProgressRelay relay;
    QObject::connect(&relay, &ProgressRelay::line, &dialog, [&dialog](const QString& text) { ShowLine(dialog, text); },
                     Qt::QueuedConnection);
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&cancelled] { cancelled = true; });
    const std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            work([&relay](const std::string& text) { emit relay.line(QString::fromStdString(text)); },
                 [&cancelled] { return cancelled.load(); });
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QObject::connect(worker.get(), &QThread::finished, &dialog, &QDialog::accept);
    worker->start();
    dialog.exec();
    // The dialog also ends on Escape or its close box: the work is told to
    // stop, and stops at its next check.
    cancelled = true;
    worker->wait();
    if (failure)
        std::rethrow_exception(failure);
}

}  // namespace vantrel

#include "ProgressRun.moc"
