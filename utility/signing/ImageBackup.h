#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/Outcome.h"

namespace vantrel {

// The image's bytes as they were before a signing changed it, so that a
// signing that stops halfway leaves the image as it found it.
class ImageBackup {
public:
    static Outcome<ImageBackup> Take(const std::string& imagePath);

    // Writes the saved bytes back over the image.
    Outcome<Done> Restore() const;

private:
    std::string path_;
    std::vector<char> bytes_;
};

// Runs change, which rewrites the image; when it fails, the image gets its
// bytes from before back. The failure's message says so only if the image
// could not be restored.
Outcome<Done> ChangeImageOrRestore(const std::string& imagePath, const std::function<Outcome<Done>()>& change);

}  // namespace vantrel
