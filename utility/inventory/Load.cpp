#include "inventory/Load.h"

#include <string_view>
#include <utility>

#include "inventory/NumberText.h"
#include "inventory/SectionListing.h"
#include "runner/ToolSession.h"

namespace vantrel {

namespace {

const char* const ListingFailedMessage = "Section header dump error. \n";

// The message for a listing that did not come through: the words the
// program has always used, then what the tool or the runner said.
std::string ListingProblem(const ToolSession& session, const std::string& detail)
{
    using End = ToolRunResult::End;
    if (session.lastRun().end == End::NotStarted)
        return "popen error\n" + detail;
    if (session.lastRun().end == End::Exited) {
        for (std::string_view line : ListingLines(session.lastRun().output))
            if (line.rfind("ERROR: ", 0) == 0)
                return ListingFailedMessage + std::string(line) + "\n";
    }
    return ListingFailedMessage + detail;
}

// The message for a section text that did not come through.
std::string SectionTextProblem(const ToolSession& session, const std::string& name, const std::string& detail)
{
    using End = ToolRunResult::End;
    const ToolRunResult& run = session.lastRun();
    if (run.end == End::Exited && run.status == 0)
        return "Pipe error\n" + detail;
    return "Section: " + name + " error. Please check your memory sections.\n" + detail;
}

}  // namespace

Outcome<Inventory> LoadInventory(const LoadRequest& request)
{
    using Result = Outcome<Inventory>;
    Outcome<ToolSession> session = ToolSession::Open(request.toolDirectory);
    if (!session)
        return Result::Fail(session.message());
    ToolSession& tools = session.value();

    Outcome<std::string> listing = tools.ListSections(request.imagePath);
    if (!listing)
        return Result::Fail(ListingProblem(tools, listing.message()));

    Inventory inventory;
    inventory.imagePath = request.imagePath;
    for (SectionRecord& record : ParseSectionListing(listing.value())) {
        // Noted before the filters: AESData is reserved and never listed.
        if (record.name == "AESData")
            inventory.aesDataSize = ReadHexNumber(record.sizeText);
        if (!KeepsSection(record, request.purpose, request.entry))
            continue;
        // Refused by name before anything runs.
        if (Status name = CheckSectionName(record.name); !name)
            return Result::Fail(name.message());
        if (IsCancelled(request.cancelled))
            return Result::Fail(CancelledMessage);
        Report(request.progress, "reading section " + record.name);
        const Outcome<std::string> text =
            tools.GetSectionText(request.imagePath, record.name, ReadHexNumber(record.sizeText));
        if (!text)
            return Result::Fail(SectionTextProblem(tools, record.name, text.message()));
        record.contentText = text.value() + "\n";
        inventory.sectionTable.push_back(std::move(record));
    }
    return inventory;
}

}  // namespace vantrel
