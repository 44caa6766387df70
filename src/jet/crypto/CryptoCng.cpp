#include "jet/crypto/Crypto.h"

#include "jet/base/JetError.h"

// windows.h first: bcrypt.h needs its types.
#include <windows.h>

#include <bcrypt.h>

namespace orrin::jet {

namespace {

[[noreturn]] void refused(const std::string& what)
{
    throw Error(Failure::Unsupported, "The cryptography library refused " + what + ".");
}

bool ok(NTSTATUS status)
{
    return status >= 0;
}

const wchar_t* algorithmOf(HashKind kind)
{
    switch (kind) {
    case HashKind::Sha1:
        return BCRYPT_SHA1_ALGORITHM;
    case HashKind::Sha256:
        return BCRYPT_SHA256_ALGORITHM;
    case HashKind::Sha384:
        return BCRYPT_SHA384_ALGORITHM;
    case HashKind::Sha512:
        return BCRYPT_SHA512_ALGORITHM;
    }
    return BCRYPT_SHA1_ALGORITHM;
}

// An open algorithm provider, closed on every path out.
struct Provider {
    BCRYPT_ALG_HANDLE handle = nullptr;
    ~Provider()
    {
        if (handle != nullptr)
            BCryptCloseAlgorithmProvider(handle, 0);
    }
};

struct KeyHandle {
    BCRYPT_KEY_HANDLE handle = nullptr;
    ~KeyHandle()
    {
        if (handle != nullptr)
            BCryptDestroyKey(handle);
    }
};

} // namespace

struct Hasher::Context {
    Provider provider;
};

Hasher::Hasher(HashKind kind) : m_context(std::make_unique<Context>())
{
    if (!ok(BCryptOpenAlgorithmProvider(&m_context->provider.handle, algorithmOf(kind), nullptr, 0)))
        refused("a hash context");
    DWORD length = 0;
    ULONG got = 0;
    if (!ok(BCryptGetProperty(m_context->provider.handle, BCRYPT_HASH_LENGTH,
                              reinterpret_cast<PUCHAR>(&length), sizeof length, &got, 0)))
        refused("a hash context");
    m_size = length;
}

Hasher::~Hasher() = default;

Bytes Hasher::digest(std::initializer_list<std::span<const std::uint8_t>> parts)
{
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!ok(BCryptCreateHash(m_context->provider.handle, &hash, nullptr, 0, nullptr, 0, 0)))
        refused("a hash");
    bool hashed = true;
    for (const auto& part : parts)
        if (hashed && !part.empty())
            hashed =
                ok(BCryptHashData(hash, const_cast<PUCHAR>(part.data()), static_cast<ULONG>(part.size()), 0));
    Bytes out(m_size);
    hashed = hashed && ok(BCryptFinishHash(hash, out.data(), static_cast<ULONG>(out.size()), 0));
    BCryptDestroyHash(hash);
    if (!hashed)
        refused("a hash");
    return out;
}

void aesApply(bool encrypt, AesMode mode, std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
              std::span<std::uint8_t> data)
{
    if (data.size() % 16 != 0 || (mode == AesMode::Cbc && iv.size() != 16))
        refused("an AES operation");
    if (key.size() != 16 && key.size() != 24 && key.size() != 32)
        refused("an AES key of " + std::to_string(key.size()) + " bytes");
    Provider provider;
    if (!ok(BCryptOpenAlgorithmProvider(&provider.handle, BCRYPT_AES_ALGORITHM, nullptr, 0)))
        refused("an AES operation");
    const wchar_t* chaining = mode == AesMode::Cbc ? BCRYPT_CHAIN_MODE_CBC : BCRYPT_CHAIN_MODE_ECB;
    if (!ok(BCryptSetProperty(provider.handle, BCRYPT_CHAINING_MODE,
                              reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(chaining)),
                              static_cast<ULONG>((wcslen(chaining) + 1) * sizeof(wchar_t)), 0)))
        refused("an AES operation");
    KeyHandle keyHandle;
    if (!ok(BCryptGenerateSymmetricKey(provider.handle, &keyHandle.handle, nullptr, 0,
                                       const_cast<PUCHAR>(key.data()), static_cast<ULONG>(key.size()), 0)))
        refused("an AES key");
    if (data.empty())
        return;
    // The call changes the IV it is given; the caller's stays as it was.
    Bytes chain(iv.begin(), iv.end());
    PUCHAR ivData = mode == AesMode::Cbc ? chain.data() : nullptr;
    const ULONG ivSize = mode == AesMode::Cbc ? static_cast<ULONG>(chain.size()) : 0;
    ULONG written = 0;
    const ULONG size = static_cast<ULONG>(data.size());
    const NTSTATUS status = encrypt ? BCryptEncrypt(keyHandle.handle, data.data(), size, nullptr, ivData,
                                                    ivSize, data.data(), size, &written, 0)
                                    : BCryptDecrypt(keyHandle.handle, data.data(), size, nullptr, ivData,
                                                    ivSize, data.data(), size, &written, 0);
    if (!ok(status) || written != size)
        refused("an AES operation");
}

Bytes randomBytes(std::size_t count)
{
    Bytes out(count);
    if (count > 0 &&
        !ok(BCryptGenRandom(nullptr, out.data(), static_cast<ULONG>(count), BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        refused("random bytes");
    return out;
}

} // namespace orrin::jet
