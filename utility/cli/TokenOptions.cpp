#include "cli/TokenOptions.h"

#include <cstdlib>
#include <fstream>
#include <iostream>

#include <termios.h>
#include <unistd.h>

namespace vantrel::cli {

namespace {

// Ends a PIN at its first line break.
void TrimLine(SecretBytes& pin)
{
    for (std::size_t i = 0; i < pin.size(); ++i)
        if (pin[i] == '\n' || pin[i] == '\r') {
            pin.resize(i);
            return;
        }
}

Outcome<SecretBytes> PinFromFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return Outcome<SecretBytes>::Fail("cannot read the PIN file " + path);
    SecretBytes pin;
    char c = 0;
    while (file.get(c) && c != '\n')
        pin.push_back(static_cast<std::uint8_t>(c));
    if (file.bad())
        return Outcome<SecretBytes>::Fail("cannot read the PIN file " + path);
    TrimLine(pin);
    return pin;
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
        while (std::cin.get(c) && c != '\n')
            pin.push_back(static_cast<std::uint8_t>(c));
    }
    std::cerr << std::endl;
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
        const char* value = std::getenv(options.pinEnv.c_str());
        if (value == nullptr)
            return Result::Fail("--pin-env names " + options.pinEnv + ", which is not set");
        const std::string_view text(value);
        pin = SecretBytes(text.begin(), text.end());
    } else {
        pin = PinFromPrompt(options.uri);
    }
    if (!pin)
        return Result::Fail(pin.message());
    return TokenKeyLocation{options.uri, options.modulePath, std::move(pin.value())};
}

}  // namespace vantrel::cli
