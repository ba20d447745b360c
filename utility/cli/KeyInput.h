#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "core/Outcome.h"
#include "core/Secret.h"

namespace vantrel::cli {

// Where the AES key comes from, as the options name it: at most one of them.
struct KeyInputOptions {
    std::string keyText;  // --key HEX: seen by every user of the machine; wiped once read
    std::string keyFile;  // --key-file FILE, "-" for standard input
    std::string keyEnv;   // --key-env NAME

    bool given() const { return !keyText.empty() || !keyFile.empty() || !keyEnv.empty(); }
};

// The key as read, and where it came from in words ("--key-file k.txt",
// "standard input", ...) for messages that must name it but never show it.
struct KeyInput {
    SecretText text;
    std::string source;
};

// --key, --key-file and --key-env, each excluding the others.
void AddKeyInputOptions(CLI::App& command, KeyInputOptions& options);

// Reads the key the options name, white space around it dropped. A key
// from the environment is wiped there and removed from it, so the tools the
// command runs do not inherit it; --key's text is wiped and warned about.
Outcome<KeyInput> ReadKey(KeyInputOptions& options);

// Refuses a key that is not hexadecimal digits, or whose count of digits is
// not one of digitCounts; lengthText says what asks for that count
// ("--key-len 128 needs 32"). The message names the key's source, never the
// key.
Status CheckKeyDigits(const KeyInput& key, const std::vector<std::size_t>& digitCounts,
                      const std::string& lengthText);

}  // namespace vantrel::cli
