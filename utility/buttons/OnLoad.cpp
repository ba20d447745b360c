#include "buttons/ButtonReport.h"
#include "buttons/Buttons.h"
#include "encryption/SaveMessages.h"

#include <memory>
#include <optional>
#include <utility>

namespace vantrel {

namespace {

void AddRow(SectionList& list, int row, const SectionRecord& record)
{
    list.InsertItem(row, "");
    list.SetCheckbox(row, SectionList::HashColumn, 0);
    list.SetCheckbox(row, SectionList::AesColumn, 0);
    list.SetItemText(row, SectionList::NameColumn, record.name);
    list.SetItemText(row, SectionList::AddrColumn, record.addressText);
    list.SetItemText(row, SectionList::SizeColumn, record.sizeText);
}

}  // namespace

Status OnLoad(DialogState& state, UserInterface& ui)
{
    const std::string image = ui.imagePath();
    if (image.empty())
        return Refuse(ui, SaveNoInputMessage);
    // From here on the list belongs to this Load: never a mixture of two
    // images, and nothing to save from after a failure.
    SectionList& list = ui.sectionList();
    list.DeleteAllItems();
    state.inventory.reset();

    LoadRequest request;
    request.imagePath = image;
    request.toolDirectory = state.toolDirectory;
    request.purpose = ui.comboSelection(Combo::Purpose) == PurposeIndex::PracticalUse ? Purpose::PracticalUse
                                                                                       : Purpose::Demonstration;
    request.entry = ui.comboSelection(Combo::Entry) == EntryIndex::Single ? Entry::Single : Entry::Multi;
    std::optional<Outcome<Inventory>> result;
    ui.runLongWork("Loading " + image, [&request, &result](const Progress& progress, const CancelCheck& cancelled) {
        request.progress = progress;
        request.cancelled = cancelled;
        result = LoadInventory(request);
    });
    Outcome<Inventory>& loaded = *result;
    if (!loaded)
        return Refuse(ui, loaded.message());
    int row = 0;
    for (const SectionRecord& record : loaded.value().sectionTable)
        AddRow(list, row++, record);
    state.inventory = std::make_shared<const Inventory>(std::move(loaded.value()));
    return Done{};
}

}  // namespace vantrel
