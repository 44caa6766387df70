#include "jet/crypto/AgileEncryption.h"

#include "jet/base/Header.h"
#include "jet/base/JetError.h"
#include "jet/crypto/PasswordText.h"

#include <array>
#include <atomic>
#include <cassert>
#include <map>
#include <mutex>
#include <tuple>

namespace orrin::jet {

namespace {

// The reserved value between the version and the XML.
constexpr std::uint32_t kReserved = 0x40;
constexpr std::uint16_t kAgileVersion = 4; // EncryptionInfo version 4.4
// The block keys of the three values encrypted under the password.
constexpr std::array<std::uint8_t, 8> kVerifierInputBlock = {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79};
constexpr std::array<std::uint8_t, 8> kVerifierValueBlock = {0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
constexpr std::array<std::uint8_t, 8> kKeyValueBlock = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};
// The most spins the format allows; more would let a damaged file hang the open.
constexpr std::uint64_t kMaxSpinCount = 10'000'000;
constexpr std::uint32_t kNewSpinCount = 100'000;
constexpr std::size_t kMaxPasswordUnits = 255;
constexpr std::string_view kPasswordKeyEncryptor =
    "http://schemas.microsoft.com/office/2006/keyEncryptor/password";

using Attributes = std::map<std::string, std::string, std::less<>>;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The attributes of the first element whose local name (without a namespace prefix) is name.
std::optional<Attributes> elementAttributes(std::string_view xml, std::string_view name)
{
    std::size_t pos = 0;
    while ((pos = xml.find('<', pos)) != std::string_view::npos) {
        ++pos;
        std::size_t end = pos;
        while (end < xml.size() && !isSpace(xml[end]) && xml[end] != '/' && xml[end] != '>')
            ++end;
        std::string_view tag = xml.substr(pos, end - pos);
        if (const auto colon = tag.find(':'); colon != std::string_view::npos)
            tag.remove_prefix(colon + 1);
        if (tag != name)
            continue;
        Attributes attributes;
        std::size_t i = end;
        for (;;) {
            while (i < xml.size() && isSpace(xml[i]))
                ++i;
            if (i >= xml.size() || xml[i] == '/' || xml[i] == '>')
                return attributes;
            const std::size_t eq = xml.find('=', i);
            if (eq == std::string_view::npos || eq + 1 >= xml.size())
                return std::nullopt;
            std::string_view key = xml.substr(i, eq - i);
            while (!key.empty() && isSpace(key.back()))
                key.remove_suffix(1);
            std::size_t q = eq + 1;
            while (q < xml.size() && isSpace(xml[q]))
                ++q;
            if (q >= xml.size() || (xml[q] != '"' && xml[q] != '\''))
                return std::nullopt;
            const std::size_t close = xml.find(xml[q], q + 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            attributes.emplace(std::string(key), std::string(xml.substr(q + 1, close - q - 1)));
            i = close + 1;
        }
    }
    return std::nullopt;
}

// One side of the description: the key data, or the password's key encryptor.
struct CipherSpec {
    HashKind hash = HashKind::Sha512;
    Bytes salt;
    std::size_t blockSize = 16;
    std::size_t keyBytes = 32;
};

class DescriptionReader {
  public:
    explicit DescriptionReader(const std::string& file) : m_file(file) {}

    const std::string& text(const Attributes& a, std::string_view name) const
    {
        const auto it = a.find(name);
        if (it == a.end())
            throw damaged(m_file, 0, "the encryption description lacks " + std::string(name));
        return it->second;
    }
    std::uint64_t number(const Attributes& a, std::string_view name) const
    {
        const std::string& s = text(a, name);
        if (s.empty() || s.size() > 12 || s.find_first_not_of("0123456789") != std::string::npos)
            throw damaged(m_file, 0,
                          "the encryption description's " + std::string(name) + " is not a number");
        return std::stoull(s);
    }
    Bytes base64(const Attributes& a, std::string_view name) const
    {
        auto bytes = base64Decode(text(a, name));
        if (!bytes)
            throw damaged(m_file, 0, "the encryption description's " + std::string(name) + " is not Base64");
        return *bytes;
    }
    CipherSpec cipher(const Attributes& a) const
    {
        CipherSpec params;
        const std::string& hashName = text(a, "hashAlgorithm");
        const auto hash = hashKindNamed(hashName);
        if (!hash)
            throw unsupported("the hash " + hashName);
        params.hash = *hash;
        if (text(a, "cipherAlgorithm") != "AES")
            throw unsupported("the cipher " + text(a, "cipherAlgorithm"));
        if (text(a, "cipherChaining") != "ChainingModeCBC")
            throw unsupported("the chaining " + text(a, "cipherChaining"));
        params.salt = base64(a, "saltValue");
        params.blockSize = number(a, "blockSize");
        const std::uint64_t keyBits = number(a, "keyBits");
        if (params.blockSize != 16 || (keyBits != 128 && keyBits != 192 && keyBits != 256) ||
            params.salt.empty() || params.salt.size() > 64)
            throw damaged(m_file, 0, "the encryption description's sizes do not fit AES");
        params.keyBytes = keyBits / 8;
        return params;
    }
    Error unsupported(const std::string& what) const
    {
        return Error(Failure::Unsupported,
                     m_file + " is encrypted with " + what + ", which this program does not read.");
    }

  private:
    const std::string& m_file;
};

Bytes passwordUtf16(std::string_view password)
{
    Bytes bytes = utf16leOf(password);
    if (bytes.size() > 2 * kMaxPasswordUnits)
        bytes.resize(2 * kMaxPasswordUnits);
    return bytes;
}

// The password hashed with the salt and spun: H(salt, password), then H(i, previous) spinCount times.
Bytes spunPasswordHash(HashKind kind, const Bytes& salt, std::string_view password, std::uint64_t spinCount)
{
    Hasher hasher(kind);
    Bytes h = hasher.digest({salt, passwordUtf16(password)});
    std::array<std::uint8_t, 4> counter{};
    for (std::uint64_t i = 0; i < spinCount; ++i) {
        encodeFixed32(counter.data(), static_cast<std::uint32_t>(i));
        h = hasher.digest({counter, h});
    }
    return h;
}

// The password hashes this process has spun, by hash, spin count and H(salt, password): a file
// opened again with the same password (the bonus database's check before a run and its lookups,
// a second connection on one file) costs its spin count once. The first hash stands for the
// password and the file's salt together, so no password text is kept. At most a few entries.
struct SpunHashes {
    std::mutex lock;
    std::map<std::tuple<HashKind, std::uint64_t, Bytes>, Bytes> byStart;
    std::atomic<std::uint64_t> derived{0};
};

SpunHashes& spunHashes()
{
    static SpunHashes hashes;
    return hashes;
}

Bytes rememberedSpunPasswordHash(HashKind kind, const Bytes& salt, std::string_view password,
                                 std::uint64_t spinCount)
{
    constexpr std::size_t kMaxRemembered = 16;
    Hasher hasher(kind);
    auto key = std::make_tuple(kind, spinCount, hasher.digest({salt, passwordUtf16(password)}));
    SpunHashes& hashes = spunHashes();
    {
        const std::lock_guard<std::mutex> hold(hashes.lock);
        if (const auto found = hashes.byStart.find(key); found != hashes.byStart.end())
            return found->second;
    }
    Bytes spun = spunPasswordHash(kind, salt, password, spinCount);
    ++hashes.derived;
    const std::lock_guard<std::mutex> hold(hashes.lock);
    if (hashes.byStart.size() >= kMaxRemembered)
        hashes.byStart.clear();
    hashes.byStart.emplace(std::move(key), spun);
    return spun;
}

Bytes keyForBlock(HashKind kind, const Bytes& spun, std::span<const std::uint8_t> block, std::size_t keyBytes)
{
    return fitToLength(Hasher(kind).digest({spun, block}), keyBytes, 0x36);
}

// An encrypted value of the description, which must be whole AES blocks.
Bytes decryptValue(const Bytes& key, const Bytes& iv, Bytes value, const std::string& file)
{
    if (value.empty() || value.size() % 16 != 0)
        throw damaged(file, 0, "an encrypted value of the encryption description is not whole blocks");
    aesApply(false, AesMode::Cbc, key, iv, value);
    return value;
}

Bytes hashPaddedToBlocks(HashKind kind, const Bytes& data, std::size_t blockSize)
{
    Bytes h = Hasher(kind).digest({data});
    return fitToLength(h, (h.size() + blockSize - 1) / blockSize * blockSize, 0);
}

} // namespace

struct AgileCipher::Parameters {
    CipherSpec keyData;
    Bytes secretKey;
    std::uint32_t databaseKey = 0;
    std::unique_ptr<Hasher> hasher;
};

AgileCipher::AgileCipher(std::unique_ptr<Parameters> parameters) : m_parameters(std::move(parameters))
{
    m_parameters->hasher = std::make_unique<Hasher>(m_parameters->keyData.hash);
}

AgileCipher::~AgileCipher() = default;

std::uint64_t AgileCipher::passwordHashesSpun()
{
    return spunHashes().derived.load();
}

std::unique_ptr<AgileCipher> AgileCipher::open(EncryptionInfoReader& in, std::string_view password,
                                               std::uint32_t databaseKey, const std::string& file)
{
    if (in.u32() != kReserved)
        throw damaged(file, 0, "the agile encryption header's reserved value is wrong");
    const auto xmlBytes = in.rest();
    const std::string_view xml(reinterpret_cast<const char*>(xmlBytes.data()), xmlBytes.size());
    DescriptionReader read(file);
    const auto keyDataAttributes = elementAttributes(xml, "keyData");
    if (!keyDataAttributes)
        throw damaged(file, 0, "the encryption description has no key data");
    const auto encryptor = elementAttributes(xml, "keyEncryptor");
    const auto encryptedKey = elementAttributes(xml, "encryptedKey");
    if (!encryptor || !encryptedKey || read.text(*encryptor, "uri") != kPasswordKeyEncryptor)
        throw read.unsupported("a key that is not a password's");

    auto parameters = std::make_unique<Parameters>();
    parameters->keyData = read.cipher(*keyDataAttributes);
    parameters->databaseKey = databaseKey;
    const CipherSpec passwordSpec = read.cipher(*encryptedKey);
    const std::uint64_t spinCount = read.number(*encryptedKey, "spinCount");
    if (spinCount > kMaxSpinCount)
        throw damaged(file, 0, "the encryption description's spin count is over 10,000,000");
    const Bytes verifierInput = read.base64(*encryptedKey, "encryptedVerifierHashInput");
    const Bytes verifierValue = read.base64(*encryptedKey, "encryptedVerifierHashValue");
    const Bytes keyValue = read.base64(*encryptedKey, "encryptedKeyValue");

    // Access encrypts a database only under a password it was given: an empty one cannot be right,
    // and is refused without spinning (the dump tries it first on every file).
    if (password.empty())
        throw wrongPassword(file);
    const Bytes spun = rememberedSpunPasswordHash(passwordSpec.hash, passwordSpec.salt, password, spinCount);
    const Bytes iv = fitToLength(passwordSpec.salt, passwordSpec.blockSize, 0x36);
    auto keyFor = [&](std::span<const std::uint8_t> block) {
        return keyForBlock(passwordSpec.hash, spun, block, passwordSpec.keyBytes);
    };
    const Bytes verifier = decryptValue(keyFor(kVerifierInputBlock), iv, verifierInput, file);
    const Bytes verifierHash = decryptValue(keyFor(kVerifierValueBlock), iv, verifierValue, file);
    if (hashPaddedToBlocks(passwordSpec.hash, verifier, passwordSpec.blockSize) != verifierHash)
        throw wrongPassword(file);
    Bytes secret = decryptValue(keyFor(kKeyValueBlock), iv, keyValue, file);
    if (secret.size() < parameters->keyData.keyBytes)
        throw damaged(file, 0, "the encrypted key is shorter than the key data's key");
    secret.resize(parameters->keyData.keyBytes);
    parameters->secretKey = std::move(secret);
    return std::unique_ptr<AgileCipher>(new AgileCipher(std::move(parameters)));
}

std::unique_ptr<AgileCipher> AgileCipher::create(std::string_view password, std::uint32_t databaseKey,
                                                 Bytes& info)
{
    auto parameters = std::make_unique<Parameters>();
    parameters->keyData.salt = randomBytes(16);
    parameters->secretKey = randomBytes(32);
    parameters->databaseKey = databaseKey;
    const Bytes passwordSalt = randomBytes(16);
    const Bytes verifier = randomBytes(16);

    const Bytes spun = spunPasswordHash(HashKind::Sha512, passwordSalt, password, kNewSpinCount);
    auto encrypted = [&](std::span<const std::uint8_t> block, Bytes value) {
        aesApply(true, AesMode::Cbc, keyForBlock(HashKind::Sha512, spun, block, 32), passwordSalt, value);
        return base64Encode(value);
    };
    const std::string verifierInput = encrypted(kVerifierInputBlock, verifier);
    const std::string verifierValue =
        encrypted(kVerifierValueBlock, hashPaddedToBlocks(HashKind::Sha512, verifier, 16));
    const std::string keyValue = encrypted(kKeyValueBlock, parameters->secretKey);

    const std::string common =
        R"(saltSize="16" blockSize="16" keyBits="256" hashSize="64" cipherAlgorithm="AES" )"
        R"(cipherChaining="ChainingModeCBC" hashAlgorithm="SHA512" saltValue=")";
    const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                            R"(<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption" )"
                            R"(xmlns:p="http://schemas.microsoft.com/office/2006/keyEncryptor/password" )"
                            R"(xmlns:c="http://schemas.microsoft.com/office/2006/keyEncryptor/certificate">)"
                            "<keyData " +
                            common + base64Encode(parameters->keyData.salt) +
                            "\"/>"
                            "<keyEncryptors><keyEncryptor uri=\"" +
                            std::string(kPasswordKeyEncryptor) +
                            "\">"
                            "<p:encryptedKey spinCount=\"" +
                            std::to_string(kNewSpinCount) + "\" " + common + base64Encode(passwordSalt) +
                            "\" encryptedVerifierHashInput=\"" + verifierInput +
                            "\" encryptedVerifierHashValue=\"" + verifierValue + "\" encryptedKeyValue=\"" +
                            keyValue + "\"/></keyEncryptor></keyEncryptors></encryption>";

    info.assign(header::InfoHeaderSize, 0);
    encodeFixed16(info.data() + header::InfoVersionMajor, kAgileVersion);
    encodeFixed16(info.data() + header::InfoVersionMinor, kAgileVersion);
    encodeFixed32(info.data() + header::InfoReserved, kReserved);
    info.insert(info.end(), xml.begin(), xml.end());
    return std::unique_ptr<AgileCipher>(new AgileCipher(std::move(parameters)));
}

Bytes AgileCipher::ivFor(std::uint32_t n)
{
    const Parameters& p = *m_parameters;
    const Bytes block = [&] {
        Bytes b(4);
        encodeFixed32(b.data(), p.databaseKey ^ n);
        return b;
    }();
    return fitToLength(p.hasher->digest({p.keyData.salt, block}), p.keyData.blockSize, 0x36);
}

void AgileCipher::decrypt(std::uint32_t n, std::span<std::uint8_t> page)
{
    assert(n >= 1);
    aesApply(false, AesMode::Cbc, m_parameters->secretKey, ivFor(n), page);
}

void AgileCipher::encrypt(std::uint32_t n, std::span<std::uint8_t> page)
{
    assert(n >= 1);
    aesApply(true, AesMode::Cbc, m_parameters->secretKey, ivFor(n), page);
}

} // namespace orrin::jet
