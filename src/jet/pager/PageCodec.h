#pragma once

#include "jet/base/Header.h"
#include "jet/crypto/PageCipher.h"

#include <cstdint>
#include <memory>
#include <span>

namespace orrin::jet {

// Everything a file does to its pages on the way to disk: the header mask on the first page and
// the file's cipher, if any, on every other page. decode and encode are exact reverses, so a page
// decoded and encoded again gives the stored bytes. A page of zeros stays zeros both ways: Access
// leaves a page it never used as zeros on disk, even in an encrypted file, and it reads as the free
// page it is.
class PageCodec {
  public:
    PageCodec(Version version, std::unique_ptr<PageCipher> cipher)
        : m_version(version), m_cipher(std::move(cipher))
    {
    }

    // Turns stored page n into its plain form, in place. REQUIRES: page is a whole page.
    void decode(std::uint32_t n, std::span<std::uint8_t> page);
    // Turns plain page n into its stored form, in place. REQUIRES: page is a whole page.
    void encode(std::uint32_t n, std::span<std::uint8_t> page);

    // False when the pages after the first are stored as they are.
    bool hasCipher() const { return m_cipher != nullptr; }

  private:
    Version m_version;
    std::unique_ptr<PageCipher> m_cipher;
};

} // namespace orrin::jet
