#pragma once

// Text in the Windows code pages of Jet 3 files, through the system's own converter (the C library's
// iconv on POSIX, MultiByteToWideChar on Windows).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orrin::platform {

// The characters of the bytes 0x80 to 0xFF of a single-byte code page (index 0 is byte 0x80); a
// byte the code page does not map is U+FFFD. Nothing when the system does not know the code page.
std::optional<std::array<char32_t, 128>> singleByteUpperHalf(std::uint16_t codePage);

// Text in a double-byte code page (932, 936, 949, 950, 1361) as UTF-8; a byte that does not convert
// becomes U+FFFD and conversion goes on after it. Nothing when the system does not know the code page.
std::optional<std::string> doubleByteToUtf8(std::span<const std::uint8_t> bytes, std::uint16_t codePage);

} // namespace orrin::platform
