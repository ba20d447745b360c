#pragma once

#include <string>

#include "core/UserInterface.h"

class QWidget;

namespace vantrel {

// Runs the work on a worker thread under a modal progress dialog owned by
// owner: the label shows the title, then each progress line as the work
// reports it (queued to the interface thread); Cancel, Escape or closing the
// window make the cancel check true. Returns when the work has ended, so
// nothing it uses outlives the call; an exception it throws is thrown again
// here.
void RunWithProgressDialog(QWidget* owner, const std::string& title, const LongWork& work);

}  // namespace vantrel
