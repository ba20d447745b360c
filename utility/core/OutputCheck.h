#pragma once

#include <string>
#include <vector>

#include "core/Outcome.h"

namespace vantrel {

// A file a command reads or writes, and what it is to the user ("image",
// "private key file", "digest file").
struct NamedFile {
    std::string path;
    std::string role;
};

// What an output holds once written: an existing file of another kind is
// replaced only when the user insists (--force).
enum class OutputKind {
    Image,            // a 32-bit ELF file
    Digest,           // 20 bytes, or 40 hexadecimal digits and a line break
    Message,          // the message beside a digest: any bytes, kept only beside a digest
    SignatureRecord,  // signature.ecs: hexadecimal numbers on lines
    PublicKeyExport,  // one of the forms keys export writes
};

struct OutputFile {
    std::string path;
    std::string role;
    OutputKind kind;
};

// Checked before anything runs: an output that is one of the files the
// command reads or the key files it uses, or another of its outputs (the
// same path, or the same file by inode: a hard or symbolic link), is
// refused by name, since writing it would destroy it.
Status CheckOutputsApart(const std::vector<OutputFile>& outputs, const std::vector<NamedFile>& reads);

// An existing output that is not of its kind, named with what it should be
// (one sentence, for the caller to say what follows).
Status CheckOutputKinds(const std::vector<OutputFile>& outputs);

// Both, for the command line: an output of another kind is replaced only
// with force (--force, which the message names).
Status CheckOutputs(const std::vector<OutputFile>& outputs, const std::vector<NamedFile>& reads, bool force);

}  // namespace vantrel
