#pragma once

#include <memory>
#include <string>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/decoder.h>
#include <openssl/ec.h>
#include <openssl/encoder.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

namespace vantrel {

// Owning handles for every OpenSSL object the core uses. No raw owning
// pointer anywhere, so every path out of an operation releases them.
struct BignumClearFree { void operator()(BIGNUM* p) const { BN_clear_free(p); } };
struct BnCtxFree { void operator()(BN_CTX* p) const { BN_CTX_free(p); } };
struct EcGroupFree { void operator()(EC_GROUP* p) const { EC_GROUP_free(p); } };
struct EcPointClearFree { void operator()(EC_POINT* p) const { EC_POINT_clear_free(p); } };
struct CipherCtxFree { void operator()(EVP_CIPHER_CTX* p) const { EVP_CIPHER_CTX_free(p); } };
struct MdCtxFree { void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); } };
struct MacFree { void operator()(EVP_MAC* p) const { EVP_MAC_free(p); } };
struct MacCtxFree { void operator()(EVP_MAC_CTX* p) const { EVP_MAC_CTX_free(p); } };
struct PkeyFree { void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); } };
struct PkeyCtxFree { void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); } };
struct OpenSslStringFree { void operator()(char* p) const { OPENSSL_free(p); } };
struct ParamBldFree { void operator()(OSSL_PARAM_BLD* p) const { OSSL_PARAM_BLD_free(p); } };
struct ParamFree { void operator()(OSSL_PARAM* p) const { OSSL_PARAM_free(p); } };
struct DecoderCtxFree { void operator()(OSSL_DECODER_CTX* p) const { OSSL_DECODER_CTX_free(p); } };
struct EncoderCtxFree { void operator()(OSSL_ENCODER_CTX* p) const { OSSL_ENCODER_CTX_free(p); } };
struct BioFree { void operator()(BIO* p) const { BIO_free(p); } };
struct EcdsaSigFree { void operator()(ECDSA_SIG* p) const { ECDSA_SIG_free(p); } };

// BIGNUMs are always freed with BN_clear_free: some of them hold private keys.
using BignumPtr = std::unique_ptr<BIGNUM, BignumClearFree>;
using BnCtxPtr = std::unique_ptr<BN_CTX, BnCtxFree>;
using EcGroupPtr = std::unique_ptr<EC_GROUP, EcGroupFree>;
using EcPointPtr = std::unique_ptr<EC_POINT, EcPointClearFree>;
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;
using MdCtxPtr = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;
using MacPtr = std::unique_ptr<EVP_MAC, MacFree>;
using MacCtxPtr = std::unique_ptr<EVP_MAC_CTX, MacCtxFree>;
using PkeyPtr = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using OpenSslString = std::unique_ptr<char, OpenSslStringFree>;
using ParamBldPtr = std::unique_ptr<OSSL_PARAM_BLD, ParamBldFree>;
using ParamPtr = std::unique_ptr<OSSL_PARAM, ParamFree>;
using DecoderCtxPtr = std::unique_ptr<OSSL_DECODER_CTX, DecoderCtxFree>;
using EncoderCtxPtr = std::unique_ptr<OSSL_ENCODER_CTX, EncoderCtxFree>;
using BioPtr = std::unique_ptr<BIO, BioFree>;
using EcdsaSigPtr = std::unique_ptr<ECDSA_SIG, EcdsaSigFree>;

// The text of OpenSSL's error queue (emptied), for a message that says what
// went wrong inside the library; "unknown error" when the queue is empty.
std::string OpenSslErrorText();

}  // namespace vantrel
