#pragma once

// Text as Access stores it, turned into UTF-8: UTF-16LE (Jet 4 and ACE), the "compressed" form of
// it (a mark, then runs of one-byte Latin-1 characters and of two-byte units, each run ended by a
// zero byte), and the file's code page (Jet 3).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orrin::jet {

// Compressed Unicode text (Jet 4 and later) starts with these two bytes.
namespace compressedtext {
constexpr std::uint8_t Mark0 = 0xFF;
constexpr std::uint8_t Mark1 = 0xFE;
constexpr std::size_t MarkSize = 2;
} // namespace compressedtext

// Appends the UTF-8 form of UTF-16LE bytes to out. An odd last byte is ignored; an unpaired
// surrogate becomes U+FFFD.
void appendUtf16(std::span<const std::uint8_t> bytes, std::string& out);

// The text of a Jet 4 / ACE text or memo value: compressed when it starts with FF FE, plain
// UTF-16LE otherwise. Replaces out.
void decodeUnicodeText(std::span<const std::uint8_t> bytes, std::string& out);

// The text of a Jet 3 value in the given Windows code page (0 means 1252). Bytes the code page does
// not define become U+FFFD. Replaces out.
void decodeCodePageText(std::span<const std::uint8_t> bytes, std::uint16_t codePage, std::string& out);

// One character of UTF-8 text: its code point and the bytes it takes.
struct Utf8Char {
    char32_t codePoint = 0;
    std::size_t length = 0; // 0: the bytes do not start a well-formed sequence
};

// The character that starts at text[at] (at < text.size()). Length 0 for a byte that starts no
// well-formed sequence: a stray continuation byte, a sequence cut short or broken, an overlong
// form, a surrogate or a point above U+10FFFF. This is the one UTF-8 decoder of the program.
Utf8Char decodeUtf8(std::string_view text, std::size_t at);

// The code points of UTF-8 text; each byte that starts no well-formed sequence becomes U+FFFD, so
// that malformed input can never equal well-formed text by accident of decoding.
std::u32string codePointsOf(std::string_view utf8);

// UTF-8 to the UTF-16 code units Access holds; invalid sequences become U+FFFD as in codePointsOf.
std::u16string utf16FromUtf8(std::string_view utf8);

// Appends the UTF-8 form of one code point.
void appendUtf8(char32_t codePoint, std::string& out);

// ASCII letters in lower case, every other byte as it is: names compare this way whatever the
// locale (a Turkish locale's dotless i never enters).
inline char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string asciiLower(std::string_view text);

// The value of a hexadecimal digit (either case), or -1 for any other character.
inline int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// True when a and b are the same name with ASCII letter case ignored, as Access compares names.
bool sameName(std::string_view a, std::string_view b);

} // namespace orrin::jet
