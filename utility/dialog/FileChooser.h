#pragma once

#include <optional>
#include <string>

#include "core/UserInterface.h"

class QWidget;

namespace vantrel {

// The image file filters, as the chooser shows them.
inline constexpr const char* ImageFileFilter = "VNF Files (*.vnf);;All Files (*)";

// Runs a modal file chooser owned by owner, titled as the request says: an
// existing file with an Open button, or for a save any name with a Save
// button, where choosing an existing file (the input image included) asks
// before replacing it. After OK the process's working directory moves to the
// chosen file's folder; the full path is returned (in the file system's
// encoding). Nothing when the user cancels.
std::optional<std::string> ChooseFileWithDialog(QWidget* owner, const FileChooserRequest& request);

}  // namespace vantrel
