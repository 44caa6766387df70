#pragma once

#include <cstdint>
#include <span>

namespace orrin::jet {

// The encoding or encryption of the pages after the first. Each page is transformed on its own,
// keyed by its number, so any page can be read or written without its neighbours. encrypt is the
// exact reverse of decrypt. Not thread-safe: a cipher may keep working state between calls.
class PageCipher {
  public:
    virtual ~PageCipher() = default;
    // REQUIRES: n >= 1 (the first page is masked, never encrypted). page is encrypted as one unit:
    // the codec hands over whole pages; the RC4 ciphers take any length, the AES ones whole
    // 16-byte blocks.
    virtual void decrypt(std::uint32_t n, std::span<std::uint8_t> page) = 0;
    virtual void encrypt(std::uint32_t n, std::span<std::uint8_t> page) = 0;
};

} // namespace orrin::jet
