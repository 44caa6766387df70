#include "jet/index/IndexKey.h"

#include "jet/base/JetError.h"

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
           type == coltype::Binary || coltype::fixedSize(type) != 0;
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

    const std::size_t size = coltype::fixedSize(column.type);
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

} // namespace orrin::jet
