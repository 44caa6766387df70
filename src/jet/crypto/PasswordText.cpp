#include "jet/crypto/PasswordText.h"

#include <vector>

namespace orrin::jet {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::vector<char32_t> codePointsOf(std::string_view utf8)
{
    std::vector<char32_t> out;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        int extra = lead < 0x80           ? 0
                    : (lead >> 5) == 0x6  ? 1
                    : (lead >> 4) == 0xE  ? 2
                    : (lead >> 3) == 0x1E ? 3
                                          : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= utf8.size()) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (next & 0x3F);
        }
        const bool overlong =
            (extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
        if (!ok || overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

void putUnit(Bytes& out, char32_t unit)
{
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
}

} // namespace

Bytes utf16leOf(std::string_view utf8)
{
    Bytes out;
    for (char32_t cp : codePointsOf(utf8)) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            putUnit(out, 0xD800 + (cp >> 10));
            putUnit(out, 0xDC00 + (cp & 0x3FF));
        } else {
            putUnit(out, cp);
        }
    }
    return out;
}

Bytes singleByteOf(std::string_view utf8)
{
    Bytes out;
    for (char32_t cp : codePointsOf(utf8))
        out.push_back(cp <= 0xFF ? static_cast<std::uint8_t>(cp) : static_cast<std::uint8_t>('?'));
    return out;
}

} // namespace orrin::jet
