#pragma once

// Office encryption of an .accdb: the EncryptionInfo that follows a 2-byte length at 0x299 of the
// first page, the password check it allows, and the cipher of the pages after the first. Each
// page is encrypted on its own, with a key (RC4, standard AES) or an initial vector (agile) made
// from the four bytes "database key XOR page number"; the first page stays plain.

#include "jet/base/Header.h"
#include "jet/crypto/Crypto.h"
#include "jet/crypto/PageCipher.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace orrin::jet {

struct OfficeCipher {
    std::unique_ptr<PageCipher> cipher;
    Encryption kind = Encryption::None;
};

// Opens the Office encryption described in an unmasked first page with password. A password that
// fails the verifier (an empty one included) is Failure::WrongPassword; an EncryptionInfo whose
// lengths run past the page is Failure::Damaged naming page 0; an encryption this program does not
// read (certificates, extensible providers) is Failure::Unsupported. Only the first page is read.
OfficeCipher openOfficeEncryption(std::span<const std::uint8_t> plainFirstPage, std::uint32_t databaseKey,
                                  std::string_view password, const std::string& file);

// The bytes the key or initial vector of page n is made from.
Bytes pageBlockKey(std::uint32_t databaseKey, std::uint32_t n);

} // namespace orrin::jet
