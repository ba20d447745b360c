#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace vantrel::testing {

// Runs OpenSSL's own command line in the folder.
ProgramResult OpenSsl(const std::vector<std::string>& arguments, const std::filesystem::path& folder);

// Runs vantrel-utility keys ACTION with the arguments in the folder.
ProgramResult Keys(const std::vector<std::string>& arguments, const std::filesystem::path& folder);

// The raw public key of public.ecs in the folder (keys export --format raw
// with the options).
Bytes RawPublicKey(const std::filesystem::path& folder, const std::vector<std::string>& options = {});

// The last 42 bytes of a DER SubjectPublicKeyInfo of a 163-bit curve: X and
// Y of its uncompressed point.
Bytes PointOfPublicKeyInfo(const Bytes& der);

// The key files of a folder, by name, with their bytes.
using FolderBytes = std::vector<std::pair<std::string, Bytes>>;
FolderBytes FilesIn(const std::filesystem::path& folder);

}  // namespace vantrel::testing
