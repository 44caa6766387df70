#include "jet/base/Text.h"

#include "jet/base/Coding.h"
#include "platform/CodePage.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace orrin::jet {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Code pages whose characters take one or two bytes; these are converted whole.
bool isDoubleByteCodePage(std::uint16_t codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361;
}

// The 256 characters of a single-byte code page, from the system's converter (code page 1252 when it
// does not know the file's); a byte it does not map is U+FFFD. Built once per code page.
const std::array<char32_t, 256>& singleByteTable(std::uint16_t codePage)
{
    static std::mutex mutex;
    static std::map<std::uint16_t, std::unique_ptr<std::array<char32_t, 256>>> tables;
    const std::lock_guard lock(mutex);
    auto& slot = tables[codePage];
    if (slot)
        return *slot;
    slot = std::make_unique<std::array<char32_t, 256>>();
    auto& table = *slot;
    for (std::size_t b = 0; b < 256; ++b)
        table[b] = b < 0x80 ? static_cast<char32_t>(b) : kReplacement;
    auto upper = platform::singleByteUpperHalf(codePage);
    if (!upper)
        upper = platform::singleByteUpperHalf(1252);
    if (upper)
        std::copy(upper->begin(), upper->end(), table.begin() + 0x80);
    return table;
}

// Converts a double-byte code page's text whole; an invalid sequence ends in U+FFFD.
void appendDoubleByte(std::span<const std::uint8_t> bytes, std::uint16_t codePage, std::string& out)
{
    if (auto text = platform::doubleByteToUtf8(bytes, codePage)) {
        out += *text;
        return;
    }
    for (std::uint8_t b : bytes)
        appendUtf8(b < 0x80 ? b : kReplacement, out);
}

} // namespace

std::string asciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

Utf8Char decodeUtf8(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length;
    char32_t point;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        point = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        point = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        point = lead & 0x07;
    } else {
        return {};
    }
    if (at + length > text.size())
        return {};
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(at + k) & 0xC0) != 0x80)
            return {};
        point = (point << 6) | (byte(at + k) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < kSmallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return {};
    return {point, length};
}

std::u32string codePointsOf(std::string_view utf8)
{
    std::u32string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Utf8Char c = decodeUtf8(utf8, i);
        out.push_back(c.length == 0 ? kReplacement : c.codePoint);
        i += c.length == 0 ? 1 : c.length;
    }
    return out;
}

void appendUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendUtf16(std::span<const std::uint8_t> bytes, std::string& out)
{
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = bytes[2 * i] | (bytes[2 * i + 1] << 8);
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
            const char32_t low = bytes[2 * i + 2] | (bytes[2 * i + 3] << 8);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), out);
                ++i;
            } else {
                appendUtf8(kReplacement, out);
            }
        } else if (unit >= 0xD800 && unit < 0xE000) {
            appendUtf8(kReplacement, out);
        } else {
            appendUtf8(unit, out);
        }
    }
}

void decodeUnicodeText(std::span<const std::uint8_t> text, std::string& out)
{
    out.clear();
    if (text.size() < compressedtext::MarkSize || text[0] != compressedtext::Mark0 ||
        text[1] != compressedtext::Mark1) {
        appendUtf16(text, out);
        return;
    }
    // Runs start in the one-byte form; each zero byte switches between the forms.
    bool oneByte = true;
    std::size_t start = compressedtext::MarkSize;
    for (std::size_t i = start; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != 0)
            continue;
        const auto run = text.subspan(start, i - start);
        if (oneByte) {
            for (std::uint8_t b : run)
                appendUtf8(b, out);
        } else {
            appendUtf16(run, out);
        }
        oneByte = !oneByte;
        start = i + 1;
    }
}

void decodeCodePageText(std::span<const std::uint8_t> bytes, std::uint16_t codePage, std::string& out)
{
    out.clear();
    if (codePage == 0)
        codePage = 1252;
    if (isDoubleByteCodePage(codePage)) {
        appendDoubleByte(bytes, codePage, out);
        return;
    }
    const auto& table = singleByteTable(codePage);
    for (std::uint8_t b : bytes) {
        if (b < 0x80)
            out += static_cast<char>(b);
        else
            appendUtf8(table[b], out);
    }
}

std::u16string utf16FromUtf8(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (char32_t cp : codePointsOf(utf8)) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

} // namespace orrin::jet
