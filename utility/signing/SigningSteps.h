#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/Files.h"
#include "core/Outcome.h"
#include "core/OutputCheck.h"
#include "core/Sha1.h"
#include "runner/ToolSession.h"
#include "signing/EcdsaSign.h"
#include "signing/KeyFiles.h"

namespace vantrel {

// The steps every way of signing shares: one-step signing (SignImage.h) and
// the two steps of a signature made elsewhere (ExternalSigning.h) are these
// steps in different orders, so an image signed either way is the same.


// Refuses an image that does not exist and a target (the image, or the file
// the signed image is to replace) that is not a regular file or is one of
// the files named in others (key files, signature.ecs, digest files):
// writing those would destroy it.
Status CheckSigningFiles(const std::string& image, const std::string& target, const std::vector<NamedFile>& others);

// A working copy of the image in a private session folder beside target,
// which it replaces only through CommitCopy or FinishSigning.
struct WorkingCopy {
    ToolSession session;
    std::filesystem::path file;
    std::filesystem::path target;
    std::string image;  // the user's name of the image, for messages
};
Outcome<WorkingCopy> OpenWorkingCopy(const std::string& toolDirectory, const std::string& image,
                                     const std::string& target);

// The message a signature is made over: its bytes in a file of the copy's
// private folder (a message section of any size is never held whole), its
// size and its SHA-1 digest.
struct SigningMessage {
    std::filesystem::path file;
    std::uint64_t size = 0;
    Sha1Digest digest{};
};

// Exchanges msg_code and msg_data on the copy and returns the message to be
// signed: the former msg_code, now in msg_data. Refuses, before changing
// anything, sections of different sizes and a digital_signature section too
// small for r and s.
Outcome<SigningMessage> ExchangeMessages(WorkingCopy& copy);

// The message to sign: exchanged as the first signing does it
// (ExchangeMessages), or, for an image whose digital_signature already holds
// a signature (anything but one byte repeated), msg_data as it stands, when
// confirmResign allows it; otherwise the image is refused
// (AlreadySignedMessage): a second exchange would put the other section's
// bytes under the signature.
Outcome<SigningMessage> MessageToSign(WorkingCopy& copy, const std::function<bool(const std::string&)>& confirmResign);
std::string AlreadySignedMessage(const std::string& image);

// The message an exchanged copy is signed over: its msg_data.
Outcome<SigningMessage> SignedMessage(WorkingCopy& copy);

// r then s, 24 bytes each, least significant byte first, as
// digital_signature holds them.
Outcome<std::vector<std::uint8_t>> SignatureRecordBytes(const EcdsaSignature& signature);

// Puts the working copy in its target's place (flushed, then renamed).
Status CommitCopy(WorkingCopy& copy);

// Writes r and s into digital_signature of the copy (zeros up to the
// section's size) and reads them back, then puts the copy in its target's
// place (CommitCopy) and signature.ecs beside it. signature.ecs
// is written in full before the image is replaced, and replaces whatever
// another run wrote there meanwhile: it records the folder's last signature.
Status FinishSigning(WorkingCopy& copy, const EcdsaSignature& signature);

}  // namespace vantrel
