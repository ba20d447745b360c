#pragma once

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "dialog/VantrelUtilityDlg.h"

namespace vantrel::testing {

// Answers the first window of type Widget that the code under test opens
// with exec() (a message box, a chooser, the About box) or as a popup (a
// menu): polls for it while the nested event loop runs, hands it to the
// handler once, and stops. The handler closes it.
template <typename Widget>
class WindowAnswer {
public:
    explicit WindowAnswer(std::function<void(Widget&)> handler) : handler_(std::move(handler))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
    }

    bool answered() const { return answered_; }

private:
    void poll()
    {
        QWidget* open = QApplication::activePopupWidget();
        if (open == nullptr)
            open = QApplication::activeModalWidget();
        auto* widget = qobject_cast<Widget*>(open);
        if (widget == nullptr)
            return;
        timer_.stop();
        answered_ = true;
        handler_(*widget);
    }

    std::function<void(Widget&)> handler_;
    QTimer timer_;
    bool answered_ = false;
};

// Collects the dialog's messages instead of showing message boxes.
inline std::vector<std::string>& CollectMessages(CVantrelUtilityDlg& dialog, std::vector<std::string>& messages)
{
    dialog.userInterface().setMessageSink(
        [&messages](const std::string& text, MessageKind) { messages.push_back(text); });
    return messages;
}

// Types the full path into the chooser's file name box and presses Open (or
// Save) once it is enabled (the chooser reads the folder in the background),
// as a user does.
inline void ChooseInDialog(QFileDialog& chooser, const QString& path)
{
    chooser.selectFile(path);
    auto* name = chooser.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    auto* buttons = chooser.findChild<QDialogButtonBox*>();
    const auto accept =
        chooser.acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save : QDialogButtonBox::Open;
    QPushButton* open = buttons != nullptr ? buttons->button(accept) : nullptr;
    if (name != nullptr)
        name->setText(path);
    if (name == nullptr || open == nullptr || !QTest::qWaitFor([open] { return open->isEnabled(); }, 5000)) {
        chooser.reject();
        QFAIL("the chooser's Open button never became usable");
    }
    open->click();
}

// Pixels whose grey level differs by a quarter of the range or more between
// two pictures: a change the eye sees, not a shade.
inline int ContrastingPixels(const QImage& a, const QImage& b)
{
    int count = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            count += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) >= 64 ? 1 : 0;
    return count;
}

}  // namespace vantrel::testing
