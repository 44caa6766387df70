#include "jet/crypto/Crypto.h"

#include <algorithm>

namespace orrin::jet {

namespace {

constexpr char kBase64Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The six bits a Base64 letter stands for; -1 for anything else.
int base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

std::optional<HashKind> hashKindNamed(std::string_view name)
{
    if (name == "SHA1" || name == "SHA-1")
        return HashKind::Sha1;
    if (name == "SHA256" || name == "SHA-256")
        return HashKind::Sha256;
    if (name == "SHA384" || name == "SHA-384")
        return HashKind::Sha384;
    if (name == "SHA512" || name == "SHA-512")
        return HashKind::Sha512;
    return std::nullopt;
}

std::optional<Bytes> base64Decode(std::string_view text)
{
    std::string clean;
    for (char c : text)
        if (c != ' ' && c != '\r' && c != '\n' && c != '\t')
            clean.push_back(c);
    if (clean.size() % 4 != 0)
        return std::nullopt;
    Bytes out;
    out.reserve(clean.size() / 4 * 3);
    for (std::size_t i = 0; i < clean.size(); i += 4) {
        const bool last = i + 4 == clean.size();
        // Padding stands only at the very end: "xx==" or "xxx=".
        const int padding = last && clean[i + 3] == '=' ? (clean[i + 2] == '=' ? 2 : 1) : 0;
        std::uint32_t group = 0;
        for (int k = 0; k < 4; ++k) {
            const int value = k >= 4 - padding ? 0 : base64Value(clean[i + static_cast<std::size_t>(k)]);
            if (value < 0)
                return std::nullopt;
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        out.push_back(static_cast<std::uint8_t>(group >> 16));
        if (padding < 2)
            out.push_back(static_cast<std::uint8_t>(group >> 8));
        if (padding < 1)
            out.push_back(static_cast<std::uint8_t>(group));
    }
    return out;
}

std::string base64Encode(std::span<const std::uint8_t> bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = static_cast<std::uint32_t>(bytes[i]) << 16;
        if (n > 1)
            group |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        if (n > 2)
            group |= bytes[i + 2];
        out += kBase64Letters[(group >> 18) & 0x3F];
        out += kBase64Letters[(group >> 12) & 0x3F];
        out += n > 1 ? kBase64Letters[(group >> 6) & 0x3F] : '=';
        out += n > 2 ? kBase64Letters[group & 0x3F] : '=';
    }
    return out;
}

Bytes fitToLength(Bytes bytes, std::size_t length, std::uint8_t pad)
{
    bytes.resize(length, pad);
    return bytes;
}

} // namespace orrin::jet
