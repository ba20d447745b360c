#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "core/Outcome.h"
#include "pkcs11/TokenOperations.h"

namespace vantrel::cli {

// The options that name a key in a PKCS#11 token and where its PIN comes
// from. The PIN itself is never an option.
struct TokenOptions {
    std::string uri;
    std::string modulePath;
    std::string pinFile;
    std::string pinEnv;
    CLI::Option* uriOption = nullptr;
    CLI::Option* moduleOption = nullptr;
    CLI::Option* pinFileOption = nullptr;
    CLI::Option* pinEnvOption = nullptr;

    bool given() const { return uriOption->count() > 0; }
    // Whether an option that goes only with --pkcs11 is given.
    bool extraGiven() const
    {
        return moduleOption->count() > 0 || pinFileOption->count() > 0 || pinEnvOption->count() > 0;
    }
};

// Adds --pkcs11 URI, --pkcs11-module PATH, --pin-file FILE and --pin-env NAME.
void AddTokenOptions(CLI::App& command, TokenOptions& options);

// The token key's location with its PIN: the first line of --pin-file, the
// variable --pin-env names, or else a prompt without echo when standard
// input is a terminal.
Outcome<TokenKeyLocation> TokenLocation(const TokenOptions& options);

}  // namespace vantrel::cli
