#pragma once

#include "jet/crypto/PageCipher.h"

namespace orrin::jet {

// Jet's page encoding (an "encoded" .mdb): page n is RC4 with the four bytes of
// databaseKey XOR n, little-endian, as its key. No password is involved.
class JetRc4Cipher : public PageCipher {
  public:
    explicit JetRc4Cipher(std::uint32_t databaseKey) : m_databaseKey(databaseKey) {}
    void decrypt(std::uint32_t n, std::span<std::uint8_t> page) override;
    void encrypt(std::uint32_t n, std::span<std::uint8_t> page) override { decrypt(n, page); }

  private:
    std::uint32_t m_databaseKey;
};

} // namespace orrin::jet
