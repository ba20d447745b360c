#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include <openssl/crypto.h>

namespace vantrel {

// An allocator whose memory is wiped before it is given back, so that a
// container of secrets leaves no copy behind, also when it grows.
template <class T>
struct WipingAllocator {
    using value_type = T;

    WipingAllocator() = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept
    {
        OPENSSL_cleanse(p, n * sizeof(T));
        ::operator delete(p);
    }

    template <class U>
    bool operator==(const WipingAllocator<U>&) const noexcept { return true; }
};

// The one container for secrets (private keys, AES keys, key texts): bytes
// on the heap, wiped when released or moved out of by growth.
using SecretBytes = std::vector<std::uint8_t, WipingAllocator<std::uint8_t>>;

// A key as typed. Kept in a vector, never in a std::string, whose short
// strings live inside the object where no allocator sees them.
class SecretText {
public:
    SecretText() = default;
    explicit SecretText(std::string_view text) : characters_(text.begin(), text.end()) {}
    SecretText(const SecretText&) = default;
    SecretText& operator=(const SecretText&) = default;
    SecretText(SecretText&&) noexcept = default;
    SecretText& operator=(SecretText&&) noexcept = default;

    std::string_view view() const { return {characters_.data(), characters_.size()}; }
    std::size_t size() const { return characters_.size(); }
    bool empty() const { return characters_.empty(); }

private:
    std::vector<char, WipingAllocator<char>> characters_;
};

// Wipes a plain string that held a secret (text from a widget or the command
// line) in place; its length stays, its characters become zeros.
inline void WipeString(std::string& text)
{
    OPENSSL_cleanse(text.data(), text.size());
}

}  // namespace vantrel
