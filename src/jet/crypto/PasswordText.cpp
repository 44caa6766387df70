#include "jet/crypto/PasswordText.h"

#include "jet/base/Text.h"

namespace orrin::jet {

Bytes utf16leOf(std::string_view utf8)
{
    Bytes out;
    for (const char16_t unit : utf16FromUtf8(utf8)) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return out;
}

Bytes singleByteOf(std::string_view utf8)
{
    Bytes out;
    for (const char32_t cp : codePointsOf(utf8))
        out.push_back(cp <= 0xFF ? static_cast<std::uint8_t>(cp) : static_cast<std::uint8_t>('?'));
    return out;
}

} // namespace orrin::jet
