#include "jet/crypto/OfficeEncryption.h"

#include "jet/base/Header.h"
#include "jet/base/JetError.h"
#include "jet/base/Text.h"
#include "jet/crypto/AgileEncryption.h"
#include "jet/crypto/EncryptionInfoReader.h"
#include "jet/crypto/PasswordText.h"
#include "jet/crypto/Rc4.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace orrin::jet {

namespace {

// EncryptionHeader flags.
constexpr std::uint32_t kFlagCryptoApi = 0x04;
constexpr std::uint32_t kFlagExternal = 0x10;
constexpr std::uint32_t kFlagAes = 0x20;

// Algorithm ids of the EncryptionHeader.
constexpr std::uint32_t kAlgRc4 = 0x6801;
constexpr std::uint32_t kAlgAes128 = 0x660E;
constexpr std::uint32_t kAlgAes192 = 0x660F;
constexpr std::uint32_t kAlgAes256 = 0x6610;
constexpr std::uint32_t kAlgHashSha1 = 0x8004;

// Office caps a password at 255 characters before hashing it.
constexpr std::size_t kMaxPasswordUnits = 255;

// The standard AES encryption hashes the password this many times; the "non-standard" provider
// (an AES algorithm id without the AES flag) not at all.
constexpr std::uint32_t kStandardSpinCount = 50000;

constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kVerifierSize = 16;

Bytes passwordUtf16(std::string_view password)
{
    Bytes bytes = utf16leOf(password);
    if (bytes.size() > 2 * kMaxPasswordUnits)
        bytes.resize(2 * kMaxPasswordUnits);
    return bytes;
}

// What the EncryptionHeader and EncryptionVerifier of a CryptoAPI encryption say.
struct CryptoApiHeader {
    bool aes = false;
    std::size_t keyBytes = 0;
    Bytes salt;
    Bytes encryptedVerifier;
    std::uint32_t verifierHashSize = 0;
    Bytes encryptedVerifierHash;
};

// The provider name: UTF-16LE up to its terminating zero, as UTF-8.
std::string cspNameOf(std::span<const std::uint8_t> bytes)
{
    std::size_t length = 0;
    while (length + 1 < bytes.size() && decodeFixed16(bytes.data() + length) != 0)
        length += 2;
    std::string name;
    appendUtf16(bytes.first(length), name);
    return name;
}

// The default RC4 key length, which depends on the provider: 40 bits for the "Base" ones or when
// none is named, 128 for the others ("Enhanced", "Strong").
std::size_t defaultRc4KeyBits(const std::string& cspName)
{
    const std::string lower = asciiLower(cspName);
    const bool blank = std::all_of(lower.begin(), lower.end(), [](char c) { return c == ' '; });
    return blank || lower.find(" base ") != std::string::npos ? 40 : 128;
}

CryptoApiHeader readCryptoApiHeader(EncryptionInfoReader& in, const std::string& file)
{
    CryptoApiHeader h;
    const std::uint32_t headerSize = in.u32();
    EncryptionInfoReader header(in.take(headerSize), file);
    const std::uint32_t flags = header.u32();
    header.u32(); // size of extra data
    const std::uint32_t algId = header.u32();
    const std::uint32_t hashId = header.u32();
    const std::uint32_t keyBits = header.u32();
    header.u32(); // provider type
    header.u32(); // reserved
    header.u32(); // reserved
    const std::string cspName = cspNameOf(header.rest());

    if ((flags & kFlagExternal) != 0)
        throw Error(Failure::Unsupported,
                    file + " is encrypted through an external provider, which this program "
                           "does not read.");
    std::size_t defaultBits = 0;
    switch (algId) {
    case 0:
        h.aes = (flags & kFlagAes) != 0;
        defaultBits = h.aes ? 128 : defaultRc4KeyBits(cspName);
        break;
    case kAlgRc4:
        defaultBits = defaultRc4KeyBits(cspName);
        break;
    case kAlgAes128:
        h.aes = true;
        defaultBits = 128;
        break;
    case kAlgAes192:
        h.aes = true;
        defaultBits = 192;
        break;
    case kAlgAes256:
        h.aes = true;
        defaultBits = 256;
        break;
    default:
        throw Error(Failure::Unsupported, file +
                                              " is encrypted with an algorithm this program does not read (" +
                                              std::to_string(algId) + ").");
    }
    if (hashId != 0 && hashId != kAlgHashSha1)
        throw Error(Failure::Unsupported, file + " is encrypted with a hash this program does not read (" +
                                              std::to_string(hashId) + ").");
    const std::size_t bits = keyBits != 0 ? keyBits : defaultBits;
    const bool validBits = h.aes ? bits == defaultBits : bits >= 40 && bits <= 512 && bits % 8 == 0;
    if (!validBits)
        throw damaged(file, 0, "the encryption header gives a key of " + std::to_string(bits) + " bits");
    h.keyBytes = bits / 8;

    if (in.u32() != kSaltSize)
        throw damaged(file, 0, "the encryption verifier's salt is not 16 bytes");
    h.salt = in.bytes(kSaltSize);
    h.encryptedVerifier = in.bytes(kVerifierSize);
    h.verifierHashSize = in.u32();
    h.encryptedVerifierHash = in.bytes(h.aes ? 32 : 20);
    if (h.verifierHashSize == 0 || h.verifierHashSize > 20)
        throw damaged(file, 0,
                      "the encryption verifier's hash size is " + std::to_string(h.verifierHashSize));
    return h;
}

// RC4 CryptoAPI: the key of a block is SHA-1(SHA-1(salt, password), block) cut to the key length;
// a 40-bit key is used as 16 bytes, zero-filled.
class Rc4CryptoApiCipher : public PageCipher {
  public:
    Rc4CryptoApiCipher(const CryptoApiHeader& h, std::string_view password, std::uint32_t databaseKey)
        : m_keyBytes(h.keyBytes), m_databaseKey(databaseKey), m_hasher(HashKind::Sha1)
    {
        m_baseHash = m_hasher.digest({h.salt, passwordUtf16(password)});
    }

    bool verify(const CryptoApiHeader& h)
    {
        Rc4 rc4(keyFor(Bytes(4, 0)));
        Bytes verifier = h.encryptedVerifier;
        Bytes verifierHash = h.encryptedVerifierHash;
        rc4.apply(verifier);
        rc4.apply(verifierHash);
        const Bytes expected = m_hasher.digest({verifier});
        return std::equal(expected.begin(), expected.begin() + h.verifierHashSize, verifierHash.begin());
    }

    void decrypt(std::uint32_t n, std::span<std::uint8_t> page) override
    {
        assert(n >= 1);
        Rc4::apply(keyFor(pageBlockKey(m_databaseKey, n)), page);
    }
    void encrypt(std::uint32_t n, std::span<std::uint8_t> page) override { decrypt(n, page); }

  private:
    Bytes keyFor(const Bytes& block)
    {
        Bytes key = fitToLength(m_hasher.digest({m_baseHash, block}), m_keyBytes, 0);
        if (m_keyBytes == 5)
            key.resize(16, 0);
        return key;
    }

    std::size_t m_keyBytes;
    std::uint32_t m_databaseKey;
    Hasher m_hasher;
    Bytes m_baseHash;
};

// Standard AES (ECB): the key of a block is derived from the iterated password hash and the block
// through the two padded hashes X1 (0x36) and X2 (0x5C).
class StandardAesCipher : public PageCipher {
  public:
    StandardAesCipher(const CryptoApiHeader& h, std::string_view password, std::uint32_t spinCount,
                      std::uint32_t databaseKey)
        : m_keyBytes(h.keyBytes), m_databaseKey(databaseKey), m_hasher(HashKind::Sha1)
    {
        m_iterated = m_hasher.digest({h.salt, passwordUtf16(password)});
        std::array<std::uint8_t, 4> counter{};
        for (std::uint32_t i = 0; i < spinCount; ++i) {
            encodeFixed32(counter.data(), i);
            m_iterated = m_hasher.digest({counter, m_iterated});
        }
    }

    bool verify(const CryptoApiHeader& h)
    {
        const Bytes key = keyFor(Bytes(4, 0));
        Bytes verifier = h.encryptedVerifier;
        Bytes verifierHash = h.encryptedVerifierHash;
        aesApply(false, AesMode::Ecb, key, {}, verifier);
        aesApply(false, AesMode::Ecb, key, {}, verifierHash);
        const Bytes expected = m_hasher.digest({verifier});
        return std::equal(expected.begin(), expected.begin() + h.verifierHashSize, verifierHash.begin());
    }

    void decrypt(std::uint32_t n, std::span<std::uint8_t> page) override
    {
        assert(n >= 1);
        aesApply(false, AesMode::Ecb, keyFor(pageBlockKey(m_databaseKey, n)), {}, page);
    }
    void encrypt(std::uint32_t n, std::span<std::uint8_t> page) override
    {
        assert(n >= 1);
        aesApply(true, AesMode::Ecb, keyFor(pageBlockKey(m_databaseKey, n)), {}, page);
    }

  private:
    Bytes keyFor(const Bytes& block)
    {
        const Bytes final = m_hasher.digest({m_iterated, block});
        auto padded = [&](std::uint8_t fill) {
            Bytes x(64, fill);
            for (std::size_t i = 0; i < final.size(); ++i)
                x[i] ^= final[i];
            return m_hasher.digest({x});
        };
        Bytes key = padded(0x36);
        const Bytes x2 = padded(0x5C);
        key.insert(key.end(), x2.begin(), x2.end());
        key.resize(m_keyBytes);
        return key;
    }

    std::size_t m_keyBytes;
    std::uint32_t m_databaseKey;
    Hasher m_hasher;
    Bytes m_iterated;
};

} // namespace

Bytes pageBlockKey(std::uint32_t databaseKey, std::uint32_t n)
{
    Bytes block(4);
    encodeFixed32(block.data(), databaseKey ^ n);
    return block;
}

OfficeCipher openOfficeEncryption(std::span<const std::uint8_t> plainFirstPage, std::uint32_t databaseKey,
                                  std::string_view password, const std::string& file)
{
    if (plainFirstPage.size() < header::EncryptionInfo + header::EncryptionInfoLengthSize)
        throw damaged(file, 0, "the page is too short for an encryption header");
    const std::size_t length = decodeFixed16(plainFirstPage.data() + header::EncryptionInfo);
    if (length > plainFirstPage.size() - header::EncryptionInfo - header::EncryptionInfoLengthSize)
        throw damaged(file, 0,
                      "the encryption header's length (" + std::to_string(length) + ") runs past the page");
    const auto info =
        plainFirstPage.subspan(header::EncryptionInfo + header::EncryptionInfoLengthSize, length);
    EncryptionInfoReader in(info, file);
    const std::uint16_t major = in.u16();
    const std::uint16_t minor = in.u16();

    OfficeCipher result;
    if (major == 4 && minor == 4) {
        auto agile = AgileCipher::open(in, password, databaseKey, file);
        result.cipher = std::move(agile);
        result.kind = Encryption::OfficeAgile;
        return result;
    }
    if (minor == 2 && major >= 2 && major <= 4) {
        const std::uint32_t flags = in.u32();
        if ((flags & kFlagCryptoApi) == 0)
            throw Error(Failure::Unsupported, file + " is encrypted in a form this program does not read.");
        const CryptoApiHeader h = readCryptoApiHeader(in, file);
        if (h.aes) {
            const std::uint32_t spinCount = (flags & kFlagAes) != 0 ? kStandardSpinCount : 0;
            auto cipher = std::make_unique<StandardAesCipher>(h, password, spinCount, databaseKey);
            if (!cipher->verify(h))
                throw wrongPassword(file);
            result.cipher = std::move(cipher);
            result.kind = Encryption::OfficeAesStandard;
        } else {
            auto cipher = std::make_unique<Rc4CryptoApiCipher>(h, password, databaseKey);
            if (!cipher->verify(h))
                throw wrongPassword(file);
            result.cipher = std::move(cipher);
            result.kind = Encryption::OfficeRc4CryptoApi;
        }
        return result;
    }
    throw Error(Failure::Unsupported, file + " is encrypted with encryption version " +
                                          std::to_string(major) + "." + std::to_string(minor) +
                                          ", which this program does not read.");
}

} // namespace orrin::jet
