#include "encryption/SaveFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

namespace vantrel {

namespace fs = std::filesystem;

namespace {

void RemoveQuietly(const fs::path& path)
{
    std::error_code ignored;
    fs::remove(path, ignored);
}

// " in DIR" for a file named relative to the working directory.
std::string WhereText(const fs::path& path)
{
    if (path.is_absolute())
        return {};
    std::error_code error;
    const fs::path here = fs::current_path(error);
    return error ? std::string() : " in " + here.string();
}

// A new, empty file of a name no other file has, beside the output.
Status MakeUniqueFileBeside(const fs::path& output, fs::path& made)
{
    const fs::path folder = output.has_parent_path() ? output.parent_path() : fs::path(".");
    std::string pattern = (folder / ("." + output.filename().string() + ".saving-XXXXXX")).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return Status::Fail("Could not create a file beside " + output.string() + ": " + std::strerror(errno) + "\n");
    close(fd);
    made = pattern;
    return Status(Done{});
}

}  // namespace

SaveTempFiles::SaveTempFiles()
{
    RemoveQuietly(SaveBytesFile);
    RemoveQuietly(SaveImageFile);
}

SaveTempFiles::~SaveTempFiles()
{
    RemoveQuietly(SaveBytesFile);
    RemoveQuietly(SaveImageFile);
}

Status WorkingImage::Create(const fs::path& input, const fs::path& output, std::optional<WorkingImage>& created)
{
    fs::path path;
    if (Status made = MakeUniqueFileBeside(output, path); !made)
        return made;
    WorkingImage image(path, output);  // removes the file if the copy fails
    if (Status copied = CopyImage(input, path); !copied)
        return copied;
    created.emplace(std::move(image));
    return Status(Done{});
}

WorkingImage::WorkingImage(WorkingImage&& other) noexcept
    : path_(std::move(other.path_)), output_(std::move(other.output_))
{
    other.path_.clear();
}

WorkingImage::~WorkingImage()
{
    if (!path_.empty())
        RemoveQuietly(path_);
}

Status WorkingImage::Commit()
{
    std::error_code error;
    fs::rename(path_, output_, error);
    if (error)
        return Status::Fail("Could not write " + output_.string() + ": " + error.message() + "\n");
    path_.clear();
    return Status(Done{});
}

Status CopyImage(const fs::path& from, const fs::path& to)
{
    std::error_code error;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    if (error)
        return Status::Fail("Could not copy " + from.string() + " to " + to.string() + ": " + error.message() + "\n");
    return Status(Done{});
}

Status WriteBytesFile(const fs::path& path, std::span<const std::uint8_t> bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file)
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (file)
        file.close();
    if (!file)
        return Status::Fail("Could not write " + path.string() + WhereText(path) + ".\n");
    return Status(Done{});
}

Status ReadBytesFile(const fs::path& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream file(path, std::ios::binary);
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (!file || error)
        return Status::Fail("Could not read " + path.string() + WhereText(path) + ".\n");
    bytes.resize(size);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (!file)
        return Status::Fail("Could not read " + path.string() + WhereText(path) + ".\n");
    return Status(Done{});
}

}  // namespace vantrel
