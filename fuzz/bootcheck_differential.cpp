// Two readings of the format held against each other: the target's boot
// check (bootcheck/, C99, written from the record layout) and the host's
// verify, on one image. The fuzz input is a signed and protected image; the
// public key is the Pelora key the seeds were signed with, the AES key the
// fuzz key cut to the length the record's header asks for. Both must reach
// the same verdict check by check: both pass, or both fail first at the
// same check (for an entry, the same entry). Reading the ELF file is the
// loader's business, not the format's: the host lists it with scnlist and
// reads sections by name with sectmend, the boot check gets its sections
// from a small libelf loader. An image that either loader refuses (a
// truncated file, a section table beyond its end) or whose sections cannot
// be read by name (a name sectmend's command line cannot carry, two
// sections of one name) is not compared.

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ElfImage.h"
#include "FuzzSupport.h"
#include "runner/ToolSession.h"
#include "verify/VerifyImage.h"

namespace {

// The seeds' AES key; AES-128 and AES-192 records take its first 32 and 48 digits.
constexpr std::string_view FuzzKey = "00112233445566778899AABBCCDDEEFF0123456789ABCDEFFEDCBA9876543210";

// The Pelora public key (public.ecs), which signed the seeds.
constexpr std::string_view PeloraX = "41FBC28C91D3C6736F5B957B01D4501549FD82281";
constexpr std::string_view PeloraY = "45E137B1227FB2D84B67491B1212837A7E03A14EE";

enum class Stage { Image, Signature, Header, Table, Entry, Passed };

struct Verdict {
    Stage stage = Stage::Passed;
    std::size_t entry = 0;  // for Stage::Entry
    bool operator==(const Verdict&) const = default;
};

// The coordinate as 21 big-endian bytes, as keys export writes it.
void AppendCoordinate(std::string_view hex, std::vector<std::uint8_t>& bytes)
{
    const std::string padded = std::string(42 - hex.size(), '0') + std::string(hex);
    for (std::size_t i = 0; i < padded.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(padded.substr(i, 2), nullptr, 16)));
}

std::string ProgramFolder()
{
    return std::filesystem::canonical("/proc/self/exe").parent_path().string();
}

// The key digits for the record's key-length index (bits 4-5 of cipherChoice).
std::string KeyFor(const bootcheck_image& view)
{
    std::size_t digits = FuzzKey.size();
    if (view.aes_data && view.aes_data_size >= 44) {
        const unsigned index = view.aes_data[40] >> 4 & 3u;
        digits = index <= 2 ? 32 + 16 * index : FuzzKey.size();
    }
    return std::string(FuzzKey.substr(0, digits));
}

// What verify said, for the record of a disagreement.
std::string ReportText(const vantrel::VerifyReport& report)
{
    std::string text;
    for (const vantrel::VerifyCheck& check : report.checks)
        text += std::string(vantrel::OutcomeName(check.outcome)) + " " + check.subject + ": " + check.detail + "\n";
    return text;
}

// A disagreement is written where the fuzz script keeps its findings (the
// fuzzer closes standard error), and to standard error for a replay.
void RecordDisagreement(const Verdict& host, const Verdict& boot, const vantrel::VerifyReport& report)
{
    char line[160];
    std::snprintf(line, sizeof line, "verify: stage %d entry %zu; boot check: stage %d entry %zu\n",
                  static_cast<int>(host.stage), host.entry, static_cast<int>(boot.stage), boot.entry);
    const std::string text = line + ReportText(report);
    std::fputs(text.c_str(), stderr);
    if (std::FILE* out = std::fopen("fuzz-findings/bootcheck_differential.disagreement", "w")) {
        std::fputs(text.c_str(), out);
        std::fclose(out);
    }
}

// Every section can be read by its name: the name is one sectmend takes,
// and no other section has it.
bool ReadableByName(const bootcheck_host::ElfImage& image)
{
    std::set<std::string> names;
    for (const bootcheck_host::ElfSection& section : image.sections)
        if (!vantrel::CheckSectionName(section.name).ok() ||
            !names.insert(section.name).second)
            return false;
    return true;
}

Verdict HostVerdict(const vantrel::VerifyReport& report)
{
    std::size_t sectionsPassed = 0;
    for (const vantrel::VerifyCheck& check : report.checks) {
        const std::string& subject = check.subject;
        const bool aboutEntry = subject.rfind("section ", 0) == 0 || subject.rfind("entry ", 0) == 0;
        if (check.outcome == vantrel::CheckOutcome::Passed && aboutEntry)
            ++sectionsPassed;
        if (check.outcome != vantrel::CheckOutcome::Failed)
            continue;
        if (subject == "image")
            return {Stage::Image};
        if (subject == "signature")
            return {Stage::Signature};
        if (subject == "AESData" || subject == "AESData header" || subject == "AESData key")
            return {Stage::Header};
        if (subject == "AESData table")
            return {Stage::Table};
        FUZZ_CHECK(aboutEntry);
        return {Stage::Entry, sectionsPassed};
    }
    FUZZ_CHECK(report.AllPassed());
    return {Stage::Passed};
}

Verdict BootVerdict(const bootcheck_report& report)
{
    switch (report.result) {
    case BOOTCHECK_PASSED:
        return {Stage::Passed};
    case BOOTCHECK_SIGNATURE:
        return {Stage::Signature};
    case BOOTCHECK_AESDATA_HEADER:
        return {Stage::Header};
    case BOOTCHECK_TABLE_DIGEST:
        return {Stage::Table};
    case BOOTCHECK_ENTRY:
    case BOOTCHECK_SECTION_DIGEST:
        return {Stage::Entry, report.failed_entry};
    case BOOTCHECK_BAD_CALL:
        break;
    }
    FUZZ_CHECK(!"the boot check refused its call");
    return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The tools run under the sanitizers on a shared machine: no verdict may
    // depend on how long they take.
    static const bool patient = setenv("VANTREL_TOOL_TIMEOUT_MS", "600000", 0) == 0;
    (void)patient;
    static const std::string tools = ProgramFolder();
    static const std::string publicKeyPath =
        vantrel::fuzz::WriteScratchFile("public.ecs", std::string(PeloraX) + " " + std::string(PeloraY) + "\n");
    static const std::vector<std::uint8_t> publicKey = [] {
        std::vector<std::uint8_t> bytes;
        AppendCoordinate(PeloraX, bytes);
        AppendCoordinate(PeloraY, bytes);
        return bytes;
    }();

    std::string error;
    std::optional<bootcheck_host::ElfImage> image =
        bootcheck_host::ElfImage::Parse(std::vector<std::uint8_t>(data, data + size), error);
    Verdict boot{Stage::Image};
    std::string key = std::string(FuzzKey.substr(0, 32));
    if (image && !ReadableByName(*image))
        return 0;
    if (image) {
        const bootcheck_image view = image->View();
        key = KeyFor(view);
        std::vector<std::uint8_t> keyBytes;
        for (std::size_t i = 0; i < key.size(); i += 2)
            keyBytes.push_back(static_cast<std::uint8_t>(std::stoul(key.substr(i, 2), nullptr, 16)));
        const bootcheck_keys keys{publicKey.data(), keyBytes.data(), static_cast<std::uint32_t>(keyBytes.size())};
        bootcheck_report report{};
        bootcheck_run(&view, &keys, &report);
        boot = BootVerdict(report);
    }

    vantrel::VerifyRequest request;
    request.imagePath = vantrel::fuzz::WriteScratchFile("image.vnf", data, size);
    request.toolDirectory = tools;
    request.publicKeyPath = publicKeyPath;
    request.keyText = vantrel::SecretText(key);
    vantrel::VerifyReport report = vantrel::VerifyImage(request);
    Verdict host = HostVerdict(report);
    // The machine is shared: another program may remove a file under the
    // tools (the scratch image, a tool's private folder in /tmp). A verdict
    // that differs is taken again, from a fresh copy, before it counts.
    for (int again = 0; again < 2 && host != boot; ++again) {
        request.imagePath = vantrel::fuzz::WriteScratchFile("image.vnf", data, size);
        report = vantrel::VerifyImage(request);
        host = HostVerdict(report);
    }
    if (host.stage == Stage::Image || boot.stage == Stage::Image)
        return 0;
    if (host != boot)
        RecordDisagreement(host, boot, report);
    FUZZ_CHECK(host == boot);
    return 0;
}
