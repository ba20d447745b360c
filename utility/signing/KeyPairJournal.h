#pragma once

#include <span>
#include <string>

#include "core/Outcome.h"
#include "core/Progress.h"
#include "signing/KeyFiles.h"

namespace vantrel {

// Replacing a key pair is one journalled step. Both new key files are
// written in full and flushed beside their targets (".NAME.vantrel-new"),
// then the journal (".vantrel-keys.journal" in the private key's folder) is
// put in place: from that moment the replacement is decided. The two files
// are renamed over their targets, and the journal goes last. Whatever moment
// a kill or a power loss strikes, the next command that takes the folder
// lock sees either no journal (the old pair stands; the new files are
// removed) or the journal (the renames are finished): one whole pair, old or
// new. The caller holds the exclusive KeyFolderLock.
Status ReplaceKeyPair(const KeyFilePaths& paths, std::span<const std::uint8_t> privateText,
                      std::span<const std::uint8_t> publicText);

// Finishes a replacement whose journal lies in folder, then removes what dead
// runs left there for the key files (new files of an undecided replacement,
// a half-written journal, the working files of earlier versions). Reports
// each on progress. Only under the exclusive KeyFolderLock.
Status RecoverKeyFolder(const std::string& folder, const Progress& progress);

// Whether folder holds anything RecoverKeyFolder would act on.
bool KeyFolderNeedsRecovery(const std::string& folder);

}  // namespace vantrel
