#include "jet/IndexKey.h"

#include "jet/JetError.h"

#include <algorithm>
#include <string>

namespace orrin::jet {

namespace {

constexpr std::uint8_t kAscendingStart = 0x7F; // a value follows, ascending column
constexpr std::uint8_t kAscendingNull = 0x00;
constexpr std::uint8_t kDescendingStart = 0x80;
constexpr std::uint8_t kDescendingNull = 0xFF;
constexpr std::uint8_t kAscendingTrue = 0x00; // Yes sorts before No
constexpr std::uint8_t kAscendingFalse = 0xFF;
constexpr std::uint8_t kNumericNegative = 0x80; // the sign byte of a negative decimal
constexpr std::size_t kBinaryGroup = 8;         // binary keys: 8 bytes and a length byte
constexpr std::uint8_t kBinaryMore = 9;         // the length byte of a group that is not the last

void invert(std::uint8_t* p, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i)
        p[i] = static_cast<std::uint8_t>(~p[i]);
}

[[noreturn]] void badValue(const IndexKeyColumn& column, const char* what)
{
    throw Error(Failure::Unsupported, "An index key of a column of type " + std::to_string(column.type) +
                                          " cannot hold " + what + ".");
}

std::size_t fixedSize(std::uint8_t type)
{
    switch (type) {
    case coltype::Byte:
        return 1;
    case coltype::Int:
        return 2;
    case coltype::Long:
    case coltype::Float:
    case coltype::Complex:
        return 4;
    case coltype::Money:
    case coltype::Double:
    case coltype::DateTime:
    case coltype::BigInt:
        return 8;
    case coltype::Guid:
        return 16;
    case coltype::Numeric:
        return 17;
    default:
        return 0;
    }
}

// Binary values go in groups of 8 bytes, each followed by a length byte: 9 for a full group with
// more after it, else the number of bytes that count (the group padded with zeros). Descending:
// every byte inverted except the 9s.
void appendBinary(std::vector<std::uint8_t>& key, std::span<const std::uint8_t> bytes, bool ascending)
{
    std::size_t pos = 0;
    while (bytes.size() - pos > kBinaryGroup) {
        const std::size_t at = key.size();
        key.insert(key.end(), bytes.begin() + pos, bytes.begin() + pos + kBinaryGroup);
        if (!ascending)
            invert(key.data() + at, kBinaryGroup);
        key.push_back(kBinaryMore);
        pos += kBinaryGroup;
    }
    const std::size_t rest = bytes.size() - pos;
    if (rest == 0)
        return;
    const std::size_t at = key.size();
    key.insert(key.end(), bytes.begin() + pos, bytes.end());
    key.insert(key.end(), kBinaryGroup - rest, 0);
    key.push_back(static_cast<std::uint8_t>(rest));
    if (!ascending)
        invert(key.data() + at, kBinaryGroup + 1);
}

} // namespace

bool canIndexColumnType(std::uint8_t type)
{
    return type == coltype::Boolean || type == coltype::Text || type == coltype::Memo ||
           type == coltype::Binary || fixedSize(type) != 0;
}

void appendIndexKey(std::vector<std::uint8_t>& key, const IndexKeyColumn& column, const KeyValue& value)
{
    const bool asc = column.ascending;
    if (!canIndexColumnType(column.type))
        throw Error(Failure::Unsupported,
                    "Indexes on columns of type " + std::to_string(column.type) + " cannot be written.");

    if (column.type == coltype::Boolean) {
        const bool yes = value.kind == KeyValue::Kind::Boolean && value.boolean;
        if (value.kind != KeyValue::Kind::Boolean && value.kind != KeyValue::Kind::Null)
            badValue(column, "anything but Yes or No");
        key.push_back(asc ? kAscendingStart : kDescendingStart);
        const std::uint8_t b = yes ? kAscendingTrue : kAscendingFalse;
        key.push_back(asc ? b : static_cast<std::uint8_t>(~b));
        return;
    }
    if (value.kind == KeyValue::Kind::Null) {
        key.push_back(asc ? kAscendingNull : kDescendingNull);
        return;
    }
    key.push_back(asc ? kAscendingStart : kDescendingStart);

    if (column.type == coltype::Text || column.type == coltype::Memo) {
        if (value.kind != KeyValue::Kind::Text)
            badValue(column, "a value that is not text");
        SortOrder::of(column.sortOrder).appendTextKey(value.text, asc, key);
        return;
    }
    if (value.kind != KeyValue::Kind::Stored)
        badValue(column, "a value that is not stored bytes");
    if (column.type == coltype::Binary) {
        appendBinary(key, value.stored, asc);
        return;
    }

    const std::size_t size = fixedSize(column.type);
    if (value.stored.size() != size)
        badValue(column, ("a stored value of " + std::to_string(value.stored.size()) + " bytes").c_str());
    std::uint8_t be[17];
    const std::uint8_t* s = value.stored.data();

    switch (column.type) {
    case coltype::Guid:
        // The first three parts are stored little-endian; the key takes the GUID as it is written.
        for (int i = 0; i < 4; ++i)
            be[i] = s[3 - i];
        be[4] = s[5];
        be[5] = s[4];
        be[6] = s[7];
        be[7] = s[6];
        std::copy(s + 8, s + 16, be + 8);
        appendBinary(key, {be, 16}, asc);
        return;
    case coltype::Numeric: {
        // Stored: a sign byte, then the 16-byte magnitude big-endian except that each 32-bit word
        // has its bytes reversed; the key takes it wholly big-endian.
        be[0] = s[0];
        for (int w = 0; w < 4; ++w)
            for (int i = 0; i < 4; ++i)
                be[1 + 4 * w + i] = s[1 + 4 * w + (3 - i)];
        const bool negative = (be[0] & kNumericNegative) != 0;
        if (column.legacyNumeric) {
            if (negative == asc)
                invert(be, 17);
            be[0] = negative ? 0x00 : 0xFF;
        } else {
            be[0] = 0xFF;
            if (negative == asc)
                invert(be, 17);
        }
        key.insert(key.end(), be, be + 17);
        return;
    }
    default:
        break;
    }

    for (std::size_t i = 0; i < size; ++i)
        be[i] = s[size - 1 - i];
    switch (column.type) {
    case coltype::Byte:
        if (!asc)
            invert(be, 1);
        break;
    case coltype::Float:
    case coltype::Double:
    case coltype::DateTime: {
        const bool negative = (be[0] & 0x80) != 0;
        if (!negative)
            be[0] ^= 0x80;
        if (negative == asc)
            invert(be, size);
        break;
    }
    default: // two's complement integers
        be[0] ^= 0x80;
        if (!asc)
            invert(be, size);
        break;
    }
    key.insert(key.end(), be, be + size);
}

std::u16string utf16FromUtf8(std::string_view s)
{
    std::u16string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        char32_t cp;
        std::size_t len;
        if (b < 0x80) {
            cp = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            len = 4;
        } else {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        bool ok = i + len <= s.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            ok = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

} // namespace orrin::jet
