#pragma once

#include "runner/ChildProcess.h"
#include "runner/UniqueFd.h"

namespace vantrel {

// The one captured run of the process: the read end of its pipe and its
// child. OpenToolPipe fills it, CloseToolPipe empties it (closing the pipe
// and reaping the child) and notes the child's exit status.
struct ToolCaptureRecord {
    UniqueFd readEnd;
    ChildProcess child;
    int lastExitStatus = ToolCouldNotStart;
};

ToolCaptureRecord& ToolCapture();

}  // namespace vantrel
