#include "inventory/Load.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "inventory/NumberText.h"
#include "inventory/SectionFilter.h"
#include "inventory/SectionListing.h"
#include "inventory/ToolTextCapture.h"

namespace vantrel {

namespace {

const char* const ListingFailedMessage = "Section header dump error. \n";

// The message for a listing that did not come through, or "" for a listing
// that did. A tool that ended with an error adds the error line it printed
// (scnlist's "ERROR: ..."), so the user learns what was wrong.
std::string ListingProblem(const ListingCapture& listing)
{
    using Outcome = ListingCapture::Outcome;
    switch (listing.outcome) {
    case Outcome::Complete:
        return "";
    case Outcome::NotStarted:
        return "popen error";
    case Outcome::TimedOut:
        return ListingFailedMessage;
    case Outcome::ToolFailed:
        break;
    }
    for (std::string_view line : ListingLines(listing.text))
        if (line.rfind("ERROR: ", 0) == 0)
            return ListingFailedMessage + std::string(line) + "\n";
    return ListingFailedMessage;
}

// The message for a section text that did not come through, or "".
std::string SectionTextProblem(const SectionTextCapture& capture, const std::string& name)
{
    using Outcome = SectionTextCapture::Outcome;
    switch (capture.outcome) {
    case Outcome::Complete:
        return "";
    case Outcome::ReadFailed:
    case Outcome::TooMuch:
        return "Pipe error\n";
    case Outcome::NotStarted:
    case Outcome::TimedOut:
    case Outcome::ToolFailed:
    case Outcome::NotHex:
        break;
    }
    return "Section: " + name + " error. Please check your memory sections.\n";
}

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

void OnLoad(DialogState& state, UserInterface& ui)
{
    const std::string image = ui.imagePath();
    if (image.empty()) {
        ui.showMessage("Please input binary file");
        return;
    }

    // From here on the inventory belongs to this image, even when the Load
    // fails half-way: never a mixture of two images.
    state.loadedImagePath = image;
    SectionList& list = ui.sectionList();
    list.DeleteAllItems();
    state.sectionTable.clear();
    state.aesDataSize = 0;

    const ListingCapture listing = CaptureListing(state.toolDirectory, image);
    if (const std::string problem = ListingProblem(listing); !problem.empty()) {
        ui.showMessage(problem);
        return;
    }

    const int purpose = ui.comboSelection(Combo::Purpose);
    const int entry = ui.comboSelection(Combo::Entry);
    int row = 0;
    for (SectionRecord& record : ParseSectionListing(listing.text)) {
        // Noted before the filters: AESData is reserved and never listed.
        if (record.name == "AESData")
            state.aesDataSize = ReadHexNumber(record.sizeText);
        if (!KeepsSection(record, purpose, entry))
            continue;

        AddRow(list, row++, record);
        const std::uint64_t length = 2 * static_cast<std::uint64_t>(ReadHexNumber(record.sizeText));
        const SectionTextCapture text = CaptureSectionText(state.toolDirectory, record.name, image, length);
        if (const std::string problem = SectionTextProblem(text, record.name); !problem.empty()) {
            ui.showMessage(problem);
            return;
        }
        record.contentText = text.text + "\n";
        state.sectionTable.push_back(std::move(record));
    }
}

}  // namespace vantrel
