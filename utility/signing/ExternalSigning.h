#pragma once

#include <string>

#include "core/Outcome.h"
#include "core/Progress.h"
#include "core/Sha1.h"

namespace vantrel {

// Signing with a private key that never comes near this program, in two
// steps: the first prepares the image and hands out what is to be signed,
// the second puts a signature made elsewhere into the image once it
// verifies. The image that results is the one SignImage gives with the same
// key and the same r and s.

enum class DigestFormat { Raw, Hex };

struct DigestRequest {
    std::string imagePath;
    std::string outputPath;     // the exchanged image; empty: the image itself
    std::string toolDirectory;  // sectmend and scnlist
    std::string digestPath;     // the digest; the message goes to digestPath + ".message"
    DigestFormat format = DigestFormat::Raw;
    Progress progress;
};

struct PreparedDigest {
    Sha1Digest digest;
    std::string target;  // the image that waits for the signature
    std::string messagePath;
};

// The first step: exchanges msg_code and msg_data on a working copy as
// signing does, writes the SHA-1 digest of the message (the former
// msg_code; 20 bytes, or lowercase hexadecimal and a line break) and the
// message bytes themselves, then puts the copy in the target's place. The
// digest files are in place before the image changes, and a failure leaves
// the image as it was.
Outcome<PreparedDigest> PrepareExternalSignature(const DigestRequest& request);

struct ExternalSignatureRequest {
    std::string imagePath;
    std::string outputPath;     // the signed image; empty: the image itself
    std::string toolDirectory;  // sectmend, scnlist and the curve file
    std::string signaturePath;  // DER ECDSA-Sig-Value or raw r || s (SignatureFile.h)
    std::string publicKeyPath;  // "X Y", as public.ecs
    Progress progress;
};

// The second step: verifies the signature against the public key and the
// image's message (msg_data, as left by the first step) before anything is
// written; only a signature that holds goes into digital_signature and
// signature.ecs. A failure leaves the image and signature.ecs as they were.
Status ApplyExternalSignature(const ExternalSignatureRequest& request);

}  // namespace vantrel
