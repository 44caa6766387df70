#pragma once

// Text as Access stores it, turned into UTF-8: UTF-16LE (Jet 4 and ACE), the "compressed" form of
// it (a mark, then runs of one-byte Latin-1 characters and of two-byte units, each run ended by a
// zero byte), and the file's code page (Jet 3).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace orrin::jet {

// Compressed Unicode text (Jet 4 and later) starts with these two bytes.
constexpr std::uint8_t kCompressedTextMark0 = 0xFF;
constexpr std::uint8_t kCompressedTextMark1 = 0xFE;

// Appends the UTF-8 form of UTF-16LE bytes to out. An odd last byte is ignored; an unpaired
// surrogate becomes U+FFFD.
void appendUtf16(std::span<const std::uint8_t> bytes, std::string& out);

// The text of a Jet 4 / ACE text or memo value: compressed when it starts with FF FE, plain
// UTF-16LE otherwise. Replaces out.
void decodeUnicodeText(std::span<const std::uint8_t> bytes, std::string& out);

// The text of a Jet 3 value in the given Windows code page (0 means 1252). Bytes the code page does
// not define become U+FFFD. Replaces out.
void decodeCodePageText(std::span<const std::uint8_t> bytes, std::uint16_t codePage, std::string& out);

// UTF-8 to the UTF-16 code units Access holds; invalid sequences become U+FFFD.
std::u16string utf16FromUtf8(std::string_view utf8);

// Appends the UTF-8 form of one code point.
void appendUtf8(char32_t codePoint, std::string& out);

// True when a and b are the same name with ASCII letter case ignored, as Access compares names.
bool sameName(std::string_view a, std::string_view b);

} // namespace orrin::jet
