#include "KeysTestSupport.h"

#include <stdexcept>

namespace vantrel::testing {

namespace fs = std::filesystem;

ProgramResult OpenSsl(const std::vector<std::string>& arguments, const fs::path& folder)
{
    std::vector<std::string> argv{VANTREL_OPENSSL};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProgram(argv, {}, folder);
}

ProgramResult Keys(const std::vector<std::string>& arguments, const fs::path& folder)
{
    std::vector<std::string> all{"keys"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return Utility(all, folder);
}

Bytes RawPublicKey(const fs::path& folder, const std::vector<std::string>& options)
{
    std::vector<std::string> arguments{"export", "--format", "raw"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const ProgramResult raw = Keys(arguments, folder);
    if (raw.status != 0)
        throw std::runtime_error("keys export --format raw failed: " + raw.err);
    return Bytes(raw.out.begin(), raw.out.end());
}

Bytes PointOfPublicKeyInfo(const Bytes& der)
{
    return der.size() < 42 ? Bytes() : Bytes(der.end() - 42, der.end());
}

FolderBytes FilesIn(const fs::path& folder)
{
    FolderBytes files;
    for (const std::string& name : FileNamesIn(folder))
        files.emplace_back(name, ReadFileBytes(folder / name));
    return files;
}

}  // namespace vantrel::testing
