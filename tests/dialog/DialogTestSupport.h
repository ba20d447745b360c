#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

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
    dialog.userInterface().setMessageSink([&messages](const std::string& text) { messages.push_back(text); });
    return messages;
}

}  // namespace vantrel::testing
