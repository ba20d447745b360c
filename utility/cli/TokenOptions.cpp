#include "cli/TokenOptions.h"

#include <openssl/crypto.h>

#include <cstdlib>
#include <iostream>

#include <termios.h>
#include <unistd.h>

#include "cli/EnvironmentSecret.h"
#include "core/Files.h"

namespace vantrel::cli {

namespace {

// Far longer than any PIN a token takes; a longer file, variable or typed
// line is not a PIN.
constexpr std::size_t MaxPinBytes = 1024;
const char* const PinKind = "a PIN";

// Ends a PIN at its first line break.
void TrimLine(SecretBytes& pin)
{
    for (std::size_t i = 0; i < pin.size(); ++i)
        if (pin[i] == '\n' || pin[i] == '\r') {
            pin.resize(i);
            return;
        }
}

// The first line of the file.
Outcome<SecretBytes> PinFromFile(const std::string& path)
{
    Outcome<SecretBytes> pin = ReadSecretFile(path, MaxPinBytes, "a PIN file");
    if (pin)
        TrimLine(pin.value());
    return pin;
}

Outcome<SecretBytes> PinFromVariable(const std::string& name)
{
    std::optional<SecretBytes> pin = TakeSecretVariable(name);
    if (!pin)
        return Outcome<SecretBytes>::Fail("--pin-env names " + name + ", which is not set");
    if (pin->size() > MaxPinBytes)
        return Outcome<SecretBytes>::Fail(TooLargeMessage("the environment variable " + name, MaxPinBytes, PinKind));
    return std::move(*pin);
}

// Echo off while the PIN is typed, restored whatever happens.
class EchoOff {
public:
    EchoOff()
    {
        if (tcgetattr(STDIN_FILENO, &saved_) != 0)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    ~EchoOff()
    {
        if (active_)
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }

private:
    termios saved_{};
    bool active_ = false;
};

Outcome<SecretBytes> PinFromPrompt(const std::string& uri)
{
    if (isatty(STDIN_FILENO) == 0)
        return Outcome<SecretBytes>::Fail("the token " + uri +
                                          " needs its PIN: give --pin-file FILE or --pin-env NAME (standard input "
                                          "is not a terminal to ask on)");
    std::cerr << "PIN for " << uri << ": " << std::flush;
    SecretBytes pin;
    {
        EchoOff echoOff;
        char c = 0;
        while (pin.size() <= MaxPinBytes && std::cin.get(c) && c != '\n')
            pin.push_back(static_cast<std::uint8_t>(c));
    }
    std::cerr << std::endl;
    if (pin.size() > MaxPinBytes)
        return Outcome<SecretBytes>::Fail(TooLargeMessage("the line typed", MaxPinBytes, PinKind));
    return pin;
}

}  // namespace

void AddTokenOptions(CLI::App& command, TokenOptions& options)
{
    options.uriOption = command.add_option("--pkcs11", options.uri);
    options.moduleOption = command.add_option("--pkcs11-module", options.modulePath);
    options.pinFileOption = command.add_option("--pin-file", options.pinFile)->check(CLI::ExistingFile);
    options.pinEnvOption = command.add_option("--pin-env", options.pinEnv);
    options.pinFileOption->excludes(options.pinEnvOption);
}

Outcome<TokenKeyLocation> TokenLocation(const TokenOptions& options)
{
    using Result = Outcome<TokenKeyLocation>;
    Outcome<SecretBytes> pin = Outcome<SecretBytes>::Fail("");
    if (!options.pinFile.empty()) {
        pin = PinFromFile(options.pinFile);
    } else if (options.pinEnvOption->count() > 0) {
        pin = PinFromVariable(options.pinEnv);
    } else {
        pin = PinFromPrompt(options.uri);
    }
    if (!pin)
        return Result::Fail(pin.message());
    return TokenKeyLocation{options.uri, options.modulePath, std::move(pin.value())};
}

}  // namespace vantrel::cli
