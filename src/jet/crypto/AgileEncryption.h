#pragma once

#include "jet/crypto/Crypto.h"
#include "jet/crypto/EncryptionInfoReader.h"
#include "jet/crypto/PageCipher.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orrin::jet {

// Office agile encryption (EncryptionInfo version 4.4) as Access applies it: an XML description
// names a random secret key, encrypted under a key hashed from the password (salt, spin count),
// with a verifier to check the password by. Each page after the first is AES-CBC under the secret
// key, its initial vector the hash of the key data's salt and the page's block key.
class AgileCipher : public PageCipher {
  public:
    // Reads the description that follows the version in, checks password against its verifier and
    // gives the cipher. A wrong password is Failure::WrongPassword (an empty one at once, unspun);
    // a description that cannot be read is Failure::Damaged (page 0); one using what this program
    // lacks, Failure::Unsupported. The spun password hash is remembered for the process: opening
    // the same file with the same password again does not spin again.
    static std::unique_ptr<AgileCipher> open(EncryptionInfoReader& in, std::string_view password,
                                             std::uint32_t databaseKey, const std::string& file);

    // A new encryption for password: random salts, secret key and verifier; AES-256, SHA-512 and
    // 100,000 spins, as Access makes it. info receives the whole EncryptionInfo (version included)
    // to store after its 2-byte length at 0x299 of the first page.
    static std::unique_ptr<AgileCipher> create(std::string_view password, std::uint32_t databaseKey,
                                               Bytes& info);

    // How many password hashes open has spun in this process (remembered ones not counted).
    static std::uint64_t passwordHashesSpun();

    void decrypt(std::uint32_t n, std::span<std::uint8_t> page) override;
    void encrypt(std::uint32_t n, std::span<std::uint8_t> page) override;

    ~AgileCipher() override;

  private:
    struct Parameters;
    explicit AgileCipher(std::unique_ptr<Parameters> parameters);
    Bytes ivFor(std::uint32_t n);

    std::unique_ptr<Parameters> m_parameters;
};

} // namespace orrin::jet
