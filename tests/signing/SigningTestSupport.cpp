#include "SigningTestSupport.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

namespace vantrel::testing {

namespace fs = std::filesystem;

namespace {

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

struct EcdsaSigFree { void operator()(ECDSA_SIG* p) const { ECDSA_SIG_free(p); } };
struct ParamBldFree { void operator()(OSSL_PARAM_BLD* p) const { OSSL_PARAM_BLD_free(p); } };
struct ParamFree { void operator()(OSSL_PARAM* p) const { OSSL_PARAM_free(p); } };

// The public point "X Y" as an uncompressed octet string of the curve.
std::vector<unsigned char> PublicOctets(const EC_GROUP* group, const std::string& publicKeyText)
{
    std::istringstream in(publicKeyText);
    std::string x, y;
    in >> x >> y;
    BignumPtr bx = HexNumber(x), by = HexNumber(y);
    EcPointPtr point(EC_POINT_new(group));
    std::vector<unsigned char> octets(1 + 2 * 66);
    if (!bx || !by || !point ||
        !EC_POINT_set_affine_coordinates(group, point.get(), bx.get(), by.get(), nullptr))
        return {};
    octets.resize(EC_POINT_point2oct(group, point.get(), POINT_CONVERSION_UNCOMPRESSED, octets.data(),
                                     octets.size(), nullptr));
    return octets;
}

}  // namespace

std::vector<VectorBlock> ReadVectorFile(const fs::path& path)
{
    std::ifstream in(path);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::vector<VectorBlock> blocks;
    std::string line;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            blocks.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos || blocks.empty())
            throw std::runtime_error("malformed vector line: " + line);
        blocks.back().values[Trim(line.substr(0, equals))] = Trim(line.substr(equals + 1));
    }
    return blocks;
}

fs::path SigningVectorsDir()
{
    return fs::path(VANTREL_SIGNING_TEST_DIR);
}

BignumPtr HexNumber(const std::string& hex)
{
    BIGNUM* number = nullptr;
    if (BN_hex2bn(&number, hex.c_str()) != static_cast<int>(hex.size()))
        throw std::runtime_error("not a hexadecimal number: " + hex);
    return BignumPtr(number);
}

std::string Hex(const BIGNUM* number)
{
    OpenSslString text(BN_bn2hex(number));
    return text ? std::string(text.get()) : std::string();
}

std::string CurveFileText(int curveNid)
{
    EcGroupPtr group(EC_GROUP_new_by_curve_name(curveNid));
    BignumPtr p(BN_new()), a(BN_new()), b(BN_new()), x(BN_new()), y(BN_new());
    if (!group || !EC_GROUP_get_curve(group.get(), p.get(), a.get(), b.get(), nullptr) ||
        !EC_POINT_get_affine_coordinates(group.get(), EC_GROUP_get0_generator(group.get()), x.get(), y.get(),
                                         nullptr))
        throw std::runtime_error("no such binary curve");
    int exponents[6] = {};
    const int count = BN_GF2m_poly2arr(p.get(), exponents, 6);
    // m, a, 0, -1 for a trinomial; m, a, b, c, 0, -1 for a pentanomial.
    const bool pentanomial = count == 6;
    const int pa = exponents[1], pb = pentanomial ? exponents[2] : 0, pc = pentanomial ? exponents[3] : 0;
    return std::to_string(exponents[0]) + " " + Hex(a.get()) + " " + Hex(b.get()) + " " +
           Hex(EC_GROUP_get0_order(group.get())) + " " + Hex(x.get()) + " " + Hex(y.get()) + " " +
           std::to_string(pa) + " " + std::to_string(pb) + " " + std::to_string(pc) + "\n";
}

bool OpenSslVerifies(int curveNid, const std::string& publicKeyText, const Bytes& message, const BIGNUM* r,
                     const BIGNUM* s)
{
    EcGroupPtr group(EC_GROUP_new_by_curve_name(curveNid));
    const std::vector<unsigned char> octets = group ? PublicOctets(group.get(), publicKeyText)
                                                    : std::vector<unsigned char>();
    std::unique_ptr<OSSL_PARAM_BLD, ParamBldFree> builder(OSSL_PARAM_BLD_new());
    if (octets.empty() || !builder ||
        !OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_GROUP_NAME, OBJ_nid2sn(curveNid), 0) ||
        !OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_PUB_KEY, octets.data(), octets.size()))
        return false;
    std::unique_ptr<OSSL_PARAM, ParamFree> params(OSSL_PARAM_BLD_to_param(builder.get()));
    PkeyCtxPtr fromData(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* rawKey = nullptr;
    if (!params || !fromData || EVP_PKEY_fromdata_init(fromData.get()) != 1 ||
        EVP_PKEY_fromdata(fromData.get(), &rawKey, EVP_PKEY_PUBLIC_KEY, params.get()) != 1)
        return false;
    PkeyPtr key(rawKey);

    std::unique_ptr<ECDSA_SIG, EcdsaSigFree> signature(ECDSA_SIG_new());
    if (!signature || !ECDSA_SIG_set0(signature.get(), BN_dup(r), BN_dup(s)))
        return false;
    unsigned char* der = nullptr;
    const int derLength = i2d_ECDSA_SIG(signature.get(), &der);
    OpenSslString derOwner(reinterpret_cast<char*>(der));
    unsigned char digest[20];
    PkeyCtxPtr verify(EVP_PKEY_CTX_new(key.get(), nullptr));
    return derLength > 0 && EVP_Digest(message.data(), message.size(), digest, nullptr, EVP_sha1(), nullptr) &&
           verify && EVP_PKEY_verify_init(verify.get()) == 1 &&
           EVP_PKEY_CTX_set_signature_md(verify.get(), EVP_sha1()) == 1 &&
           EVP_PKEY_verify(verify.get(), der, static_cast<std::size_t>(derLength), digest, sizeof digest) == 1;
}

SigningBench::SigningBench()
{
    state.toolDirectory = ToolsDir().string();
}

ToolDirectory::ToolDirectory() : ToolDirectory(ReadFileText(ToolsDir() / "ecc_koblitz.ecs")) {}

ToolDirectory::ToolDirectory(const std::string& curveText)
{
    fs::create_symlink(ToolsDir() / "sectmend", dir_.path() / "sectmend");
    WriteFileText(dir_.path() / "ecc_koblitz.ecs", curveText);
}

}  // namespace vantrel::testing
