#pragma once

// The few pieces of cryptography the page codecs need, behind small value-typed calls (OpenSSL's
// libcrypto on Linux, the system's CNG on Windows):
// hashes, AES over whole blocks, Base64 and random bytes. A refusal by the library (which only
// happens for an algorithm it lacks) is Failure::Unsupported.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::jet {

using Bytes = std::vector<std::uint8_t>;

enum class HashKind { Sha1, Sha256, Sha384, Sha512 };

// The hash named as the Office encryption descriptions name it ("SHA1", "SHA512"...), if known.
std::optional<HashKind> hashKindNamed(std::string_view name);

// A reusable hash context: one allocation for any number of digests (the password key derivation
// hashes a hundred thousand times).
class Hasher {
  public:
    explicit Hasher(HashKind kind);
    ~Hasher();
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    std::size_t size() const { return m_size; }
    // The digest of the concatenated parts.
    Bytes digest(std::initializer_list<std::span<const std::uint8_t>> parts);

  private:
    struct Context;
    std::unique_ptr<Context> m_context;
    std::size_t m_size = 0;
};

enum class AesMode { Ecb, Cbc };

// Encrypts or decrypts data in place with AES (128, 192 or 256 bits by the key's length), without
// padding. Data that is not whole 16-byte blocks, or a Cbc iv that is not 16 bytes (both can come
// from a damaged description), is refused as Failure::Unsupported.
void aesApply(bool encrypt, AesMode mode, std::span<const std::uint8_t> key, std::span<const std::uint8_t> iv,
              std::span<std::uint8_t> data);

// Base64 with padding; decoding gives nothing for text that is not Base64.
std::optional<Bytes> base64Decode(std::string_view text);
std::string base64Encode(std::span<const std::uint8_t> bytes);

// Bytes from the operating system's random source.
Bytes randomBytes(std::size_t count);

// bytes cut or padded with pad to length.
Bytes fitToLength(Bytes bytes, std::size_t length, std::uint8_t pad);

} // namespace orrin::jet
