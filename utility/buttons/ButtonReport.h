#pragma once

#include <string>

#include "core/Outcome.h"
#include "core/UserInterface.h"

namespace vantrel {

// How the buttons end: every refusal and failure is shown as an error, work
// done as a success, so the dialog can tell them apart at a glance.

// Shows message as an error and returns it as the button's status.
inline Status Refuse(UserInterface& ui, const std::string& message)
{
    ui.showMessage(message, MessageKind::Error);
    return Status::Fail(message);
}

// Shows what the operation returned: its message as an error, or success
// when it worked. Returns the operation's status.
inline Status Report(UserInterface& ui, const Status& outcome, const std::string& success)
{
    if (outcome)
        ui.showMessage(success, MessageKind::Success);
    else
        ui.showMessage(outcome.message(), MessageKind::Error);
    return outcome;
}

// The user declined a question or cancelled a chooser: nothing to show.
inline Status Withdrawn()
{
    return Status::Fail("");
}

}  // namespace vantrel
