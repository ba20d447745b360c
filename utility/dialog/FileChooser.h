#pragma once

#include <QFileInfo>

#include <optional>
#include <string>

#include "core/UserInterface.h"

class QMimeData;
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

// The file a drag carries when it is one local regular file (an image to
// open); nothing for folders, several files or anything else.
std::optional<QFileInfo> DroppedFile(const QMimeData& data);

// Takes a file the user chose (in the chooser or by dropping it): the
// working directory moves to its folder, and its full path is returned in the
// file system's encoding.
std::string TakeChosenFile(const QFileInfo& chosen);

}  // namespace vantrel
