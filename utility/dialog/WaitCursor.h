#pragma once

#include <QGuiApplication>

namespace vantrel {

// Shows the wait cursor for its lifetime (while an operation runs).
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Shows the ordinary cursor for its lifetime when a wait cursor is up, so that
// a message box or chooser opened during an operation can be used as usual.
class NormalCursor {
public:
    NormalCursor() : active_(QGuiApplication::overrideCursor() != nullptr)
    {
        if (active_)
            QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalCursor()
    {
        if (active_)
            QGuiApplication::restoreOverrideCursor();
    }
    NormalCursor(const NormalCursor&) = delete;
    NormalCursor& operator=(const NormalCursor&) = delete;

private:
    bool active_;
};

}  // namespace vantrel
