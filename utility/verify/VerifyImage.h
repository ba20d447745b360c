#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/Progress.h"
#include "core/Secret.h"
#include "verify/VerifyReport.h"

namespace vantrel {

struct VerifyRequest {
    std::string imagePath;
    std::string toolDirectory;             // sectmend, scnlist and ecc_koblitz.ecs
    std::string publicKeyPath = "public.ecs";
    std::optional<SecretText> keyText;    // the AES key in hex; none: AESData is not checked
    std::string originalImagePath;         // the unprotected image; "": decryption is not compared
    Progress progress;                       // one line per section; may be empty
};

// Checks a protected image the way the target's boot code does: the ECDSA
// signature in digital_signature over the contents of msg_data, and with a
// key the AESData record and every section it names. With the original
// image too, every encrypted section is decrypted and compared with the
// original's section of the same name. Reads the images through the tools;
// never writes them.
VerifyReport VerifyImage(const VerifyRequest& request);

// Why the image's signature does not hold for the request's public key (no
// signature, another key, no key file...); nothing when it holds. Checks the
// signature only, whatever the request's key and original say.
std::optional<std::string> SignatureProblem(const VerifyRequest& request);

}  // namespace vantrel
