#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/Outcome.h"
#include "core/Progress.h"
#include "core/Secret.h"
#include "inventory/Load.h"

namespace vantrel {

// The "Key Len:" and "Mode:" choices. Their numbers are what the AESData
// record carries.
enum class AesKeyLength { Bits128 = 0, Bits192 = 1, Bits256 = 2 };
enum class AesMode { Ecb = 0, Cbc = 1, Ofb = 2, Ctr = 3 };

// What a save does with one section of the inventory.
enum class Treatment { None, Hash, Encrypt };

struct ProtectRequest {
    std::shared_ptr<const Inventory> inventory;  // the last Load, whose image is the input
    std::vector<Treatment> treatments;  // one per inventory row
    AesKeyLength keyLength = AesKeyLength::Bits128;
    AesMode mode = AesMode::Cbc;
    SecretBytes key;                    // 16, 24 or 32 bytes, as keyLength says
    std::string outputPath;
    std::string toolDirectory;
    Progress progress;                  // "encrypting/hashing section NAME", with a count in large ones
    CancelCheck cancelled;              // asked before each section, while tools run and before the copy is put in place
};

// Bytes of a key of this length.
int AesKeyBytes(AesKeyLength keyLength);

// The checks of a save that need no file: an AESData section the record of
// the treated rows fits, at least one treated row, and every treated
// section a whole number of 16-byte blocks (the message names the section and
// its size). ProtectImage makes them first; the dialog makes them before it
// asks for the output.
Status CheckProtectChoices(const ProtectRequest& request);

// Writes a protected copy of the inventory's image to the output: encrypts
// or hashes the treated sections in inventory order, streaming each through
// sectmend in blocks and checking that it still has the digest Load took, writes the AESData record (with a
// fresh IV) and puts the copy in the output's place. All of it happens on one
// private working copy beside the output, renamed over it only when every
// step passed: any failure, and a cancel (CancelledMessage), leaves the
// output and the input as they were.
Status ProtectImage(const ProtectRequest& request);

}  // namespace vantrel
