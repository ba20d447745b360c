#include "cli/KeyInput.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cli/ConsoleMessages.h"
#include "cli/EnvironmentSecret.h"
#include "core/Files.h"
#include "filereplace/UniqueFd.h"
#include "encryption/AesKeyText.h"

namespace vantrel::cli {

namespace {

// More than any key text with a line end and some blanks; more is not a key
// (a file, standard input, the environment or --key).
constexpr std::size_t MaxKeyTextBytes = 4096;
const char* const KeyKind = "an AES key";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The text without the white space around it.
SecretText Trimmed(std::string_view text)
{
    const auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
    return first < last ? SecretText(std::string_view(first, last)) : SecretText();
}

// The key text from source, refused when it is longer than a key can be.
Outcome<KeyInput> KeyFromText(std::string_view text, const std::string& shownAs, std::string source)
{
    if (text.size() > MaxKeyTextBytes)
        return Outcome<KeyInput>::Fail(TooLargeMessage(shownAs, MaxKeyTextBytes, KeyKind));
    return KeyInput{Trimmed(text), std::move(source)};
}

// The whole of a file (or standard input), read into memory that is wiped
// when released, and no more of it than a key can take.
Outcome<KeyInput> ReadKeyFile(const std::string& path)
{
    const bool standardInput = path == "-";
    const std::string shownAs = standardInput ? "standard input" : path;
    UniqueFd file(standardInput ? -1 : open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!standardInput && !file.valid())
        return Outcome<KeyInput>::Fail("cannot read the key file " + path + ": " + std::strerror(errno));
    const Outcome<SecretBytes> bytes =
        ReadSecretDescriptor(standardInput ? STDIN_FILENO : file.get(), shownAs, MaxKeyTextBytes, KeyKind);
    if (!bytes)
        return Outcome<KeyInput>::Fail(bytes.message());
    const std::string_view text(reinterpret_cast<const char*>(bytes.value().data()), bytes.value().size());
    return KeyFromText(text, shownAs, standardInput ? "standard input" : "--key-file " + path);
}

Outcome<KeyInput> ReadKeyVariable(const std::string& name)
{
    const std::optional<SecretBytes> value = TakeSecretVariable(name);
    if (!value)
        return Outcome<KeyInput>::Fail("the environment variable " + name + " named by --key-env is not set");
    const std::string source = "the environment variable " + name;
    const std::string_view text(reinterpret_cast<const char*>(value->data()), value->size());
    return KeyFromText(text, source, source);
}

}  // namespace

void AddKeyInputOptions(CLI::App& command, KeyInputOptions& options)
{
    CLI::Option* text = command.add_option("--key", options.keyText);
    CLI::Option* file = command.add_option("--key-file", options.keyFile);
    CLI::Option* variable = command.add_option("--key-env", options.keyEnv);
    text->excludes(file)->excludes(variable);
    file->excludes(variable);
}

Outcome<KeyInput> ReadKey(KeyInputOptions& options)
{
    if (!options.keyFile.empty())
        return ReadKeyFile(options.keyFile);
    if (!options.keyEnv.empty())
        return ReadKeyVariable(options.keyEnv);
    Warn("--key shows the AES key to every user of this machine (ps, /proc) and leaves it in the shell "
         "history; give it with --key-file FILE, --key-file - or --key-env NAME");
    Outcome<KeyInput> key = KeyFromText(options.keyText, "--key", "--key");
    WipeString(options.keyText);
    return key;
}

Status CheckKeyDigits(const KeyInput& key, const std::vector<std::size_t>& digitCounts,
                      const std::string& lengthText)
{
    if (key.text.empty())
        return Status::Fail("the key from " + key.source + " is empty");
    if (!IsHexKeyText(key.text.view()))
        return Status::Fail("the key from " + key.source +
                            " holds characters other than hexadecimal digits (0-9, a-f, A-F)");
    if (std::find(digitCounts.begin(), digitCounts.end(), key.text.size()) == digitCounts.end()) {
        const bool shorter = key.text.size() < *std::min_element(digitCounts.begin(), digitCounts.end());
        return Status::Fail("the key from " + key.source + " has " + std::to_string(key.text.size()) +
                            " digits; " + lengthText + (shorter ? " (a shorter key is a weaker key)" : ""));
    }
    return Done{};
}

}  // namespace vantrel::cli
