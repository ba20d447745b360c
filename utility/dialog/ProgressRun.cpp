#include "ProgressRun.h"

#include <QProgressDialog>
#include <QThread>

#include <atomic>
#include <exception>
#include <memory>

#include "WaitCursor.h"

namespace vantrel {

namespace {

// Carries the worker's progress lines to the progress dialog: emitted on the
// worker thread, delivered queued on the dialog's.
class ProgressRelay final : public QObject {
    Q_OBJECT

signals:
    void line(const QString& text);
};

}  // namespace

void RunWithProgressDialog(QWidget* owner, const std::string& title, const LongWork& work)
{
    const NormalCursor cursor;
    QProgressDialog dialog(QString::fromStdString(title), QStringLiteral("&Cancel"), 0, 0, owner);
    dialog.setObjectName(QStringLiteral("progressDialog"));
    dialog.setWindowTitle(QStringLiteral("Vantrel Utility"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumWidth(dialog.fontMetrics().averageCharWidth() * 60);

    std::atomic<bool> cancelled{false};
    std::exception_ptr failure;
    ProgressRelay relay;
    QObject::connect(&relay, &ProgressRelay::line, &dialog, &QProgressDialog::setLabelText, Qt::QueuedConnection);
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
