#include "platform/CodePage.h"

#include "platform/TextWin32.h"

#include <windows.h>

namespace orrin::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

} // namespace

std::optional<std::array<char32_t, 128>> singleByteUpperHalf(std::uint16_t codePage)
{
    if (!IsValidCodePage(codePage))
        return std::nullopt;
    std::array<char32_t, 128> table{};
    for (std::size_t b = 0x80; b < 256; ++b) {
        const char in = static_cast<char>(b);
        wchar_t out[2] = {};
        const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &in, 1, out, 2);
        table[b - 0x80] = n == 1 ? static_cast<char32_t>(out[0]) : kReplacement;
    }
    return table;
}

std::optional<std::string> doubleByteToUtf8(std::span<const std::uint8_t> bytes, std::uint16_t codePage)
{
    if (!IsValidCodePage(codePage))
        return std::nullopt;
    if (bytes.empty())
        return std::string();
    const char* in = reinterpret_cast<const char*>(bytes.data());
    const int size = static_cast<int>(bytes.size());
    // Without MB_ERR_INVALID_CHARS the system puts its replacement character for what does not convert.
    const int units = MultiByteToWideChar(codePage, 0, in, size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, in, size, wide.data(), units);
    return utf8FromWide(wide);
}

} // namespace orrin::platform
