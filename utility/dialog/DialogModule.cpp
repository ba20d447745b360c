#include "DialogModule.h"

#include <dlfcn.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "core/ToolDirectory.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr const char* ModuleName = "vantrel-dialog.so";
constexpr const char* EntryName = "vantrel_run_dialog";
using DialogEntry = int (*)(int, char**);

int Refuse(const std::string& message)
{
    std::cerr << "ERROR: " << message << "\n";
    return 1;
}

// The module's path, or "" when neither place holds it.
fs::path FindModule(const fs::path& programFolder)
{
    std::error_code error;
    for (const fs::path& candidate :
         {programFolder / ModuleName, (programFolder / VANTREL_DIALOG_MODULE).lexically_normal()})
        if (fs::is_regular_file(candidate, error))
            return candidate;
    return {};
}

}  // namespace

int OpenDialog(int argc, char** argv)
{
    const std::string programFolder = CommandLineToolDirectory();
    if (programFolder.empty())
        return Refuse("the dialog cannot be found: the program's own folder is unknown (is /proc mounted?)");
    const fs::path module = FindModule(programFolder);
    if (module.empty())
        return Refuse(std::string("the dialog is not installed: no ") +
                      (fs::path(programFolder) / VANTREL_DIALOG_MODULE).lexically_normal().string() +
                      "; the commands still work (vantrel-utility --help)");
    // Never unloaded: the dialog's objects live until the process ends.
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return Refuse("the dialog cannot be loaded: " + std::string(dlerror()));
    auto entry = reinterpret_cast<DialogEntry>(dlsym(handle, EntryName));
    if (!entry)
        return Refuse("the dialog cannot be loaded: " + module.string() + " has no " + EntryName);
    return entry(argc, argv);
}

}  // namespace vantrel
