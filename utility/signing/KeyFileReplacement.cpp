#include "signing/KeyFileReplacement.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vantrel {

namespace {

namespace fs = std::filesystem;

bool HoldsPair(const KeyFilePaths& paths, const BIGNUM* x, const BIGNUM* y, const BIGNUM* d)
{
    Outcome<BignumPtr> heldD = ReadPrivateKey(paths.privateKey);
    Outcome<PublicKeyNumbers> held = ReadPublicKey(paths.publicKey);
    return heldD && held && BN_cmp(heldD.value().get(), d) == 0 && BN_cmp(held.value().x.get(), x) == 0 &&
           BN_cmp(held.value().y.get(), y) == 0;
}

}  // namespace

Status AllowKeyFileReplacement(const KeyFilePaths& paths, const ConfirmReplace& confirmReplace,
                               const Progress& progress, const BIGNUM* x, const BIGNUM* y, const BIGNUM* d)
{
    std::vector<std::string> existing;
    std::error_code error;
    for (const std::string& path : {paths.privateKey, paths.publicKey})
        if (fs::exists(fs::symlink_status(path, error)))
            existing.push_back(path);
    if (existing.empty() || HoldsPair(paths, x, y, d))
        return Done{};
    std::string names;
    for (const std::string& path : existing)
        names += (names.empty() ? "" : " and ") + path;
    if (!confirmReplace ||
        !confirmReplace(names + " hold another key pair. Replace it? (The old files are kept beside as dated copies.)"))
        return Status::Fail(names + " hold another key pair and were not replaced. Losing a private key whose "
                                    "public key is in devices cannot be undone; name other key files, or allow "
                                    "the replacement (the old pair is then kept as a dated copy).\n");
    for (const std::string& path : existing) {
        Outcome<std::string> copy = KeepDatedCopy(path);
        if (!copy)
            return Status::Fail(copy.message());
        Report(progress, "kept " + path + " as " + copy.value());
    }
    return Done{};
}

}  // namespace vantrel
