#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include <openssl/crypto.h>

namespace vantrel {

// A byte buffer for key material, wiped when it is released. It never grows
// in place (which would leave an unwiped copy behind): its size is fixed at
// construction.
class SecretBytes {
public:
    explicit SecretBytes(std::size_t size) : bytes_(size) {}
    ~SecretBytes() { OPENSSL_cleanse(bytes_.data(), bytes_.size()); }
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;

    unsigned char* data() { return bytes_.data(); }
    const unsigned char* data() const { return bytes_.data(); }
    std::size_t size() const { return bytes_.size(); }
    int intSize() const { return static_cast<int>(bytes_.size()); }

private:
    std::vector<unsigned char> bytes_;
};

// Text that may hold a key, wiped when it is released. Reserve room before
// filling it, so that growing it leaves no unwiped copy behind.
struct SecretText {
    SecretText() = default;
    explicit SecretText(std::string value) : text(std::move(value)) {}
    ~SecretText() { OPENSSL_cleanse(text.data(), text.size()); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    std::string text;
};

}  // namespace vantrel
