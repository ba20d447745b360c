#include "core/OutputCheck.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace vantrel {

namespace {

namespace fs = std::filesystem;

// The same file: one name once links and "." and ".." are resolved, or one
// inode.
bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    const fs::path left = fs::weakly_canonical(a, error);
    if (!error) {
        const fs::path right = fs::weakly_canonical(b, error);
        if (!error && left == right)
            return true;
    }
    return fs::exists(a, error) && fs::exists(b, error) && fs::equivalent(a, b, error);
}

std::string Head(const std::string& path, std::size_t bytes)
{
    std::ifstream in(path, std::ios::binary);
    std::string head(bytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(bytes));
    head.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return head;
}

bool HexLines(const std::string& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) || c == '\n' || c == ' ' || c == '\r';
    });
}

bool IsDigest(const std::string& path, std::uintmax_t size)
{
    return size == 20 || (size == 41 && HexLines(Head(path, 41)));
}

// A DER SEQUENCE whose length is the whole file.
bool IsDerSequence(const std::string& head, std::uintmax_t size)
{
    if (head.size() < 3 || static_cast<unsigned char>(head[0]) != 0x30)
        return false;
    const auto byte = [&head](std::size_t i) { return static_cast<std::uintmax_t>(static_cast<unsigned char>(head[i])); };
    if (byte(1) < 0x80)
        return byte(1) + 2 == size;
    if (byte(1) == 0x81)
        return byte(2) + 3 == size;
    return byte(1) == 0x82 && head.size() >= 4 && (byte(2) << 8 | byte(3)) + 4 == size;
}

bool IsPublicKeyExport(const std::string& path, std::uintmax_t size)
{
    const std::string head = Head(path, 32);
    return head.starts_with("-----BEGIN PUBLIC KEY-----") || head.starts_with("/* Public key") ||
           (size == 65 && HexLines(Head(path, 65))) ||  // SHA-256
           IsDerSequence(head, size) ||                  // DER
           (size <= 144 && size % 2 == 0 && !HexLines(head));  // raw X and Y
}

bool OfItsKind(const OutputFile& output)
{
    std::error_code error;
    const std::uintmax_t size = fs::file_size(output.path, error);
    if (error)
        return true;  // not a regular file: the operation refuses it by its own rule
    switch (output.kind) {
    case OutputKind::Image: {
        const std::string head = Head(output.path, 5);
        return head == std::string("\x7f" "ELF\x01", 5);
    }
    case OutputKind::Digest:
        return IsDigest(output.path, size);
    case OutputKind::Message: {
        // A message kept beside a digest of the same name is a message.
        const std::string digest = output.path.substr(0, output.path.size() - std::string(".message").size());
        const std::uintmax_t digestSize = fs::file_size(digest, error);
        return output.path.ends_with(".message") && !error && IsDigest(digest, digestSize);
    }
    case OutputKind::SignatureRecord:
        return size <= 256 && HexLines(Head(output.path, 256));
    case OutputKind::PublicKeyExport:
        return IsPublicKeyExport(output.path, size);
    }
    return false;
}

std::string KindName(OutputKind kind)
{
    switch (kind) {
    case OutputKind::Image:
        return "a 32-bit ELF image";
    case OutputKind::Digest:
        return "a digest";
    case OutputKind::Message:
        return "a message beside its digest";
    case OutputKind::SignatureRecord:
        return "a signature record";
    case OutputKind::PublicKeyExport:
        return "an exported public key";
    }
    return {};
}

}  // namespace

Status CheckOutputsApart(const std::vector<OutputFile>& outputs, const std::vector<NamedFile>& reads)
{
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const OutputFile& output = outputs[i];
        std::vector<NamedFile> others = reads;
        for (std::size_t j = 0; j < outputs.size(); ++j)
            if (j != i)
                others.push_back({outputs[j].path, outputs[j].role});
        for (const NamedFile& other : others)
            if (!output.path.empty() && !other.path.empty() && SameFile(output.path, other.path))
                return Status::Fail("The " + output.role + " " + output.path + " is the " + other.role +
                                    (other.path == output.path ? "" : " " + other.path) +
                                    "; writing it would destroy it. Name another file. Nothing was changed.\n");
    }
    return Done{};
}

Status CheckOutputKinds(const std::vector<OutputFile>& outputs)
{
    for (const OutputFile& output : outputs) {
        std::error_code error;
        if (output.path.empty() || !fs::exists(output.path, error) || OfItsKind(output))
            continue;
        return Status::Fail("The " + output.role + " " + output.path + " exists and is not " +
                            KindName(output.kind) + ".");
    }
    return Done{};
}

Status CheckOutputs(const std::vector<OutputFile>& outputs, const std::vector<NamedFile>& reads, bool force)
{
    if (Status apart = CheckOutputsApart(outputs, reads); !apart)
        return apart;
    if (force)
        return Done{};
    if (Status kinds = CheckOutputKinds(outputs); !kinds)
        return Status::Fail(kinds.message() + " Give --force to replace it. Nothing was changed.\n");
    return Done{};
}

}  // namespace vantrel
