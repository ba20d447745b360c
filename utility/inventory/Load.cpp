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

// The message for section bytes that did not come through.
std::string SectionBytesProblem(const ToolSession& session, const std::string& name, const std::string& detail)
{
    using End = ToolRunResult::End;
    const ToolRunResult& run = session.lastRun();
    if (detail == CancelledMessage)
        return detail;
    if (run.end == End::Exited && run.status == 0)
        return "Pipe error\n" + detail;
    return "Section: " + name + " error. Please check your memory sections.\n" + detail;
}

// The digest of the section's bytes as sectmend streams them.
Status ReadDigest(ToolSession& tools, const LoadRequest& request, SectionRecord& record)
{
    const std::uint64_t size = ReadHexNumber(record.sizeText);
    ByteProgress progress(request.progress, "reading section " + record.name, size);
    Sha1Stream digest;
    const Status read = tools.StreamSection(request.imagePath, record.name, size,
                                            [&](std::span<const std::uint8_t> block) {
                                                progress.Add(block.size());
                                                return digest.Add(block);
                                            });
    if (!read)
        return Status::Fail(SectionBytesProblem(tools, record.name, read.message()));
    return digest.Finish(record.digest);
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

    tools.SetCancelCheck(request.cancelled);
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
        if (Status read = ReadDigest(tools, request, record); !read)
            return Result::Fail(read.message());
        inventory.sectionTable.push_back(std::move(record));
    }
    return inventory;
}

}  // namespace vantrel
