// The key file readers: the fuzz input's first byte chooses the reader, the
// rest is the file. public.ecs and private.ecs that read are written again
// and read back as the same numbers; an OpenSSL private key file that
// imports leaves key files that are one pair of the curve file's curve.
#include <openssl/bn.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "keys/KeyImport.h"
#include "keys/KeyPairCheck.h"
#include "signing/KeyFiles.h"

namespace {

vantrel::KeyFilePaths WrittenPaths()
{
    const std::filesystem::path folder = vantrel::fuzz::ScratchFolder() / "keys";
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder);
    return {(folder / "private.ecs").string(), (folder / "public.ecs").string()};
}

void CheckPublicKey(const std::string& file)
{
    vantrel::Outcome<vantrel::PublicKeyNumbers> key = vantrel::ReadPublicKey(file);
    if (!key.ok())
        return;
    const vantrel::KeyFilePaths paths = WrittenPaths();
    vantrel::BignumPtr one(BN_new());
    FUZZ_CHECK(one && BN_one(one.get()));
    FUZZ_CHECK(vantrel::WriteKeyFiles(paths, key.value().x.get(), key.value().y.get(), one.get()).ok());
    vantrel::Outcome<vantrel::PublicKeyNumbers> again = vantrel::ReadPublicKey(paths.publicKey);
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(BN_cmp(key.value().x.get(), again.value().x.get()) == 0);
    FUZZ_CHECK(BN_cmp(key.value().y.get(), again.value().y.get()) == 0);
}

void CheckPrivateKey(const std::string& file)
{
    vantrel::Outcome<vantrel::BignumPtr> key = vantrel::ReadPrivateKey(file);
    if (!key.ok())
        return;
    const vantrel::KeyFilePaths paths = WrittenPaths();
    vantrel::BignumPtr one(BN_new());
    FUZZ_CHECK(one && BN_one(one.get()));
    FUZZ_CHECK(vantrel::WriteKeyFiles(paths, one.get(), one.get(), key.value().get()).ok());
    vantrel::Outcome<vantrel::BignumPtr> again = vantrel::ReadPrivateKey(paths.privateKey);
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(BN_cmp(key.value().get(), again.value().get()) == 0);
}

void CheckImport(const std::string& file)
{
    vantrel::KeyImportRequest request;
    request.toolDirectory = VANTREL_CURVE_DIRECTORY;
    request.sourcePath = file;
    request.paths = WrittenPaths();
    request.confirmReplace = [](const std::string&) { return true; };
    if (!vantrel::ImportPrivateKey(request).ok())
        return;
    FUZZ_CHECK(vantrel::CheckKeyPair({VANTREL_CURVE_DIRECTORY, request.paths, {}}).ok());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string file = vantrel::fuzz::WriteScratchFile("key.input", data + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        CheckPublicKey(file);
        break;
    case 1:
        CheckPrivateKey(file);
        break;
    default:
        CheckImport(file);
        break;
    }
    return 0;
}
