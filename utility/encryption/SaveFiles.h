#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "core/Outcome.h"

namespace vantrel {

// The fixed-name files a save passes to sectmend, in the working directory:
// "tmp.bin" the bytes for a section, "tmp.vnf" the copy of the image that
// sectmend reads.
inline constexpr const char* SaveBytesFile = "tmp.bin";
inline constexpr const char* SaveImageFile = "tmp.vnf";

// Removes the two temporary files when made (stale ones from an earlier run
// must not be mistaken for this run's) and again when it goes, on every way
// out of the save.
class SaveTempFiles {
public:
    SaveTempFiles();
    ~SaveTempFiles();
    SaveTempFiles(const SaveTempFiles&) = delete;
    SaveTempFiles& operator=(const SaveTempFiles&) = delete;
};

// The image a save works on: a copy of the input in a fresh file beside the
// output, put in the output's place only by Commit, after every step has
// passed. On any other way out it is removed, so a failed save leaves neither
// a half-written output nor a changed input, even when the two are one file.
class WorkingImage {
public:
    static Status Create(const std::filesystem::path& input, const std::filesystem::path& output,
                          std::optional<WorkingImage>& created);
    ~WorkingImage();
    WorkingImage(WorkingImage&& other) noexcept;
    WorkingImage& operator=(WorkingImage&&) = delete;
    WorkingImage(const WorkingImage&) = delete;
    WorkingImage& operator=(const WorkingImage&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Renames the working image over the output.
    Status Commit();

private:
    WorkingImage(std::filesystem::path path, std::filesystem::path output)
        : path_(std::move(path)), output_(std::move(output)) {}

    std::filesystem::path path_;
    std::filesystem::path output_;
};

// A whole-file copy that replaces the target; a failure names both files.
Status CopyImage(const std::filesystem::path& from, const std::filesystem::path& to);
// Writes exactly these bytes to the file, replacing it.
Status WriteBytesFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
// Reads the whole file.
Status ReadBytesFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes);

}  // namespace vantrel
