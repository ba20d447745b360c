#pragma once

#include <optional>
#include <string>

#include "core/UserInterface.h"

class QWidget;

namespace vantrel {

// The image file filters, as the chooser shows them.
inline constexpr const char* ImageFileFilter = "VNF Files (*.vnf);;All Files (*)";

// Runs a modal file chooser owned by owner: an existing file when the request
// says it must exist, otherwise any name (an existing file or a new one), in
// both cases with an Open button. After OK the process's working directory
// moves to the chosen file's folder; the full path is returned (in the
// file system's encoding). Nothing when the user cancels.
std::optional<std::string> ChooseFileWithDialog(QWidget* owner, const FileChooserRequest& request);

}  // namespace vantrel
