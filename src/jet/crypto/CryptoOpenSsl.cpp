#include "jet/crypto/Crypto.h"

#include "jet/base/JetError.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

namespace orrin::jet {

namespace {

[[noreturn]] void refused(const std::string& what)
{
    throw Error(Failure::Unsupported, "The cryptography library refused " + what + ".");
}

const EVP_MD* mdOf(HashKind kind)
{
    switch (kind) {
    case HashKind::Sha1:
        return EVP_sha1();
    case HashKind::Sha256:
        return EVP_sha256();
    case HashKind::Sha384:
        return EVP_sha384();
    case HashKind::Sha512:
        return EVP_sha512();
    }
    return EVP_sha1();
}

const EVP_CIPHER* aesCipher(AesMode mode, std::size_t keyLength)
{
    switch (keyLength) {
    case 16:
        return mode == AesMode::Cbc ? EVP_aes_128_cbc() : EVP_aes_128_ecb();
    case 24:
        return mode == AesMode::Cbc ? EVP_aes_192_cbc() : EVP_aes_192_ecb();
    case 32:
        return mode == AesMode::Cbc ? EVP_aes_256_cbc() : EVP_aes_256_ecb();
    default:
        refused("an AES key of " + std::to_string(keyLength) + " bytes");
    }
}

} // namespace

struct Hasher::Context {
    EVP_MD_CTX* ctx = nullptr;
    const EVP_MD* md = nullptr;
    ~Context() { EVP_MD_CTX_free(ctx); }
};

Hasher::Hasher(HashKind kind) : m_context(std::make_unique<Context>())
{
    m_context->md = mdOf(kind);
    m_context->ctx = EVP_MD_CTX_new();
    if (!m_context->ctx)
        refused("a hash context");
    m_size = static_cast<std::size_t>(EVP_MD_get_size(m_context->md));
}

Hasher::~Hasher() = default;

Bytes Hasher::digest(std::initializer_list<std::span<const std::uint8_t>> parts)
{
    if (EVP_DigestInit_ex(m_context->ctx, m_context->md, nullptr) != 1)
        refused("a hash");
    for (const auto& part : parts)
        if (!part.empty() && EVP_DigestUpdate(m_context->ctx, part.data(), part.size()) != 1)
            refused("a hash");
    Bytes out(m_size);
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(m_context->ctx, out.data(), &length) != 1)
        refused("a hash");
    out.resize(length);
    return out;
}

void aesApply(bool encrypt, AesMode mode, std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
              std::span<std::uint8_t> data)
{
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
    if (!ctx || data.size() % 16 != 0 || (mode == AesMode::Cbc && iv.size() != 16))
        refused("an AES operation");
    if (EVP_CipherInit_ex(ctx.get(), aesCipher(mode, key.size()), nullptr, key.data(),
                          mode == AesMode::Cbc ? iv.data() : nullptr, encrypt ? 1 : 0) != 1)
        refused("an AES key");
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    int written = 0;
    if (EVP_CipherUpdate(ctx.get(), data.data(), &written, data.data(), static_cast<int>(data.size())) != 1)
        refused("an AES operation");
    int tail = 0;
    if (EVP_CipherFinal_ex(ctx.get(), data.data() + written, &tail) != 1)
        refused("an AES operation");
}

Bytes randomBytes(std::size_t count)
{
    Bytes out(count);
    if (count > 0 && RAND_bytes(out.data(), static_cast<int>(count)) != 1)
        refused("random bytes");
    return out;
}

} // namespace orrin::jet
