#pragma once

#include <string>

#include <openssl/crypto.h>

namespace vantrel {

// A text that holds a secret (the key as typed, or padded): its characters
// are wiped when it goes. Changes that would reallocate are the owner's to
// avoid (reserve first).
class SecretText {
public:
    SecretText() = default;
    explicit SecretText(std::string text) : text_(std::move(text)) {}
    ~SecretText() { OPENSSL_cleanse(text_.data(), text_.capacity()); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    std::string& text() { return text_; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

}  // namespace vantrel
