#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace orrin::jet {

// The RC4 stream cipher. Access uses it three ways: to mask the header of every file (a fixed key),
// to encode whole pages of a Jet "encoded" file (the database key and the page number), and under
// Office RC4 CryptoAPI encryption (a key hashed from the password). Encrypting and decrypting are
// the same operation. Kept here because OpenSSL 3 only offers RC4 through its legacy provider,
// which a machine may not have.
class Rc4 {
  public:
    // REQUIRES: key is 1 to 256 bytes long.
    explicit Rc4(std::span<const std::uint8_t> key);

    // XORs the next bytes of the key stream into data; successive calls continue the stream.
    void apply(std::span<std::uint8_t> data);

    // One pass of a fresh stream with key over data.
    static void apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data)
    {
        Rc4(key).apply(data);
    }

  private:
    std::array<std::uint8_t, 256> m_state{};
    std::uint8_t m_i = 0;
    std::uint8_t m_j = 0;
};

} // namespace orrin::jet
