#include <algorithm>
#include <filesystem>
#include <iostream>
#include <set>

#include "cli/Commands.h"
#include "encryption/Save.h"

namespace vantrel::cli {

namespace fs = std::filesystem;

namespace {

struct ProtectChoices {
    std::string output;
    std::vector<std::string> hashNames;
    std::vector<std::string> aesNames;
};

// Every option value, checked before anything is read or written.
bool ReadChoices(const ParsedArguments& parsed, ConsoleInterface& ui, ProtectChoices& choices, std::string& error)
{
    const auto keyLen = ChoiceIndex("--key-len", parsed.value("--key-len", "128"), {"128", "192", "256"}, error);
    const auto mode = keyLen ? ChoiceIndex("--mode", parsed.value("--mode", "cbc"), {"ecb", "cbc", "ofb", "ctr"}, error)
                             : std::nullopt;
    if (!mode || !InventoryChoices(parsed, ui, error))
        return false;
    ui.setCombo(Combo::KeyLen, *keyLen);
    ui.setCombo(Combo::Mode, *mode);
    ui.key = parsed.value("--key");
    if (!CheckKeyText("--key", ui.key, 32 + 16 * static_cast<std::size_t>(*keyLen), error))
        return false;
    choices.hashNames = parsed.values("--hash");
    choices.aesNames = parsed.values("--aes");
    if (choices.hashNames.empty() && choices.aesNames.empty()) {
        error = "protect needs at least one --hash NAME or --aes NAME";
        return false;
    }
    if (!parsed.has("-o")) {
        error = "protect needs -o OUTPUT";
        return false;
    }
    std::error_code fileError;
    const fs::path output = fs::absolute(parsed.value("-o"), fileError).lexically_normal();
    if (output.filename().empty() || fs::is_directory(output, fileError) ||
        !fs::is_directory(output.parent_path(), fileError)) {
        error = "cannot write output " + parsed.value("-o") + " (not a file in an existing directory)";
        return false;
    }
    choices.output = output.string();
    return true;
}

// Ticks the rows of the named sections; false naming those Load did not keep.
bool TickRows(const DialogState& state, ConsoleInterface& ui, const ProtectChoices& choices, std::string& error)
{
    std::set<std::string> kept;
    for (const auto& record : state.sectionTable)
        kept.insert(record.name);
    std::string missing;
    for (const auto* names : {&choices.hashNames, &choices.aesNames})
        for (const auto& name : *names)
            if (!kept.count(name) && missing.find("'" + name + "'") == std::string::npos)
                missing += (missing.empty() ? "'" : ", '") + name + "'";
    if (!missing.empty()) {
        std::string keptList;
        for (const auto& name : kept)
            keptList += (keptList.empty() ? "" : ", ") + name;
        error = "section " + missing + " is not among the sections Load kept (" +
                (keptList.empty() ? std::string("none") : keptList) +
                "); see --purpose and --entry. Nothing was written";
        return false;
    }
    const auto named = [](const std::vector<std::string>& names, const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (std::size_t row = 0; row < state.sectionTable.size(); ++row) {
        const std::string& name = state.sectionTable[row].name;
        const int index = static_cast<int>(row);
        ui.rows().SetCheckbox(index, SectionList::HashColumn, named(choices.hashNames, name) ? 1 : 0);
        ui.rows().SetCheckbox(index, SectionList::AesColumn, named(choices.aesNames, name) ? 1 : 0);
    }
    return true;
}

// Save itself writes a private working copy beside the output and puts it in
// place only when every step passed, so a failed save leaves no
// half-protected image and never damages the input, even when they are the
// same file.
int SaveInto(DialogState& state, ConsoleInterface& ui, const std::string& output)
{
    ui.chosenFile = output;
    return OnSave(state, ui) ? 0 : 1;
}

}  // namespace

int RunProtectCommand(const std::vector<std::string>& arguments, const CommandContext& context)
{
    static const std::vector<OptionSpec> specs = {{"-o"},       {"--key"},     {"--key-len"},
                                                  {"--mode"},   {"--purpose"}, {"--entry"},
                                                  {"--hash", true, true}, {"--aes", true, true}};
    ParsedArguments parsed;
    ConsoleInterface ui;
    ProtectChoices choices;
    std::string error;
    if (const auto done = ParseCommandArguments("protect", specs, arguments, parsed))
        return *done;
    if (!ReadChoices(parsed, ui, choices, error) || !ImageArgument("protect", parsed, ui.image, error))
        return Fail(error);
    if (ui.key.empty())
        Warn("no --key given: the AES key is all zeros");

    DialogState state;
    state.toolDirectory = context.toolDirectory;
    if (!LoadInventory(state, ui, context, error))
        return error.empty() ? 1 : Fail(error);
    if (!TickRows(state, ui, choices, error))
        return Fail(error);
    Progress(context, "protecting into " + choices.output);
    return SaveInto(state, ui, choices.output);
}

}  // namespace vantrel::cli
