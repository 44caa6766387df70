#include "jet/write/FieldWriter.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/base/Text.h"
#include "jet/index/IndexKey.h"
#include "jet/table/Format.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace orrin::jet {

namespace {

__extension__ typedef unsigned __int128 Magnitude;

constexpr std::size_t kMaxCompressedCharacters = 1024;

[[noreturn]] void doesNotFit(const ColumnDef& column, const std::string& table, const std::string& what)
{
    throw Error(Failure::Unsupported,
                "The value " + what + " does not fit the field '" + table + "." + column.name + "'.");
}

std::string describe(const Value& v)
{
    switch (v.kind) {
    case Value::Kind::Text:
        return "\"" + v.text + "\"";
    case Value::Kind::Bytes:
        return "of " + std::to_string(v.bytes.size()) + " bytes";
    case Value::Kind::Double:
    case Value::Kind::DateTime:
        return std::to_string(v.real);
    default:
        return std::to_string(v.integer);
    }
}

// A whole number from an Integer, Bool, Currency (whole units only), a whole Double, or text.
std::int64_t wholeNumber(const ColumnDef& column, const std::string& table, const Value& v)
{
    switch (v.kind) {
    case Value::Kind::Integer:
    case Value::Kind::Bool:
        return v.integer;
    case Value::Kind::Double:
    case Value::Kind::DateTime:
        if (std::isfinite(v.real) && std::trunc(v.real) == v.real && std::fabs(v.real) < 9.2e18)
            return static_cast<std::int64_t>(v.real);
        break;
    case Value::Kind::Text: {
        std::int64_t n = 0;
        const auto* end = v.text.data() + v.text.size();
        const auto r = std::from_chars(v.text.data(), end, n);
        if (r.ec == std::errc() && r.ptr == end)
            return n;
        break;
    }
    default:
        break;
    }
    doesNotFit(column, table, describe(v));
}

double realNumber(const ColumnDef& column, const std::string& table, const Value& v)
{
    switch (v.kind) {
    case Value::Kind::Integer:
    case Value::Kind::Bool:
        return static_cast<double>(v.integer);
    case Value::Kind::Currency:
        return static_cast<double>(v.integer) / 10000.0;
    case Value::Kind::Double:
    case Value::Kind::DateTime:
        return v.real;
    case Value::Kind::Text: {
        double d = 0;
        const auto* end = v.text.data() + v.text.size();
        const auto r = std::from_chars(v.text.data(), end, d);
        if (r.ec == std::errc() && r.ptr == end)
            return d;
        break;
    }
    default:
        break;
    }
    doesNotFit(column, table, describe(v));
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces optional) to the 16 stored bytes: the first three
// groups little-endian, the rest as written.
bool parseGuid(std::string_view text, std::uint8_t out[16])
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return false;
    std::uint8_t written[16];
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '-')
            continue;
        const int hi = hexDigitValue(text[i]);
        const int lo = i + 1 < text.size() ? hexDigitValue(text[i + 1]) : -1;
        if (hi < 0 || lo < 0 || n >= 16)
            return false;
        written[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
        ++i;
    }
    if (n != 16)
        return false;
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i)
        out[i] = written[order[i]];
    return true;
}

// A decimal value scaled by 10^scale, as sign and magnitude: exact from text ("-12.345"), from a
// double by rounding (the reader gives a double only when it holds the value exactly).
bool scaledDecimal(const Value& v, unsigned scale, bool& negative, Magnitude& magnitude)
{
    negative = false;
    magnitude = 0;
    if (v.kind == Value::Kind::Text) {
        std::string_view t = v.text;
        if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
            negative = t[0] == '-';
            t.remove_prefix(1);
        }
        unsigned fraction = 0;
        bool point = false;
        bool digits = false;
        for (const char c : t) {
            if (c == '.' && !point) {
                point = true;
                continue;
            }
            if (c < '0' || c > '9')
                return false;
            if (point) {
                if (fraction == scale) {
                    if (c != '0')
                        return false; // more decimals than the column keeps
                    continue;
                }
                ++fraction;
            }
            digits = true;
            if (magnitude > (~Magnitude{0}) / 10)
                return false;
            magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
        }
        for (; fraction < scale; ++fraction)
            magnitude *= 10;
        return digits;
    }
    long double real;
    if (v.kind == Value::Kind::Integer || v.kind == Value::Kind::Bool)
        real = static_cast<long double>(v.integer);
    else if (v.kind == Value::Kind::Currency)
        real = static_cast<long double>(v.integer) / 10000.0L;
    else if (v.kind == Value::Kind::Double)
        real = v.real;
    else
        return false;
    if (!std::isfinite(real))
        return false;
    negative = real < 0;
    const long double scaled = std::round(std::fabs(real) * std::pow(10.0L, static_cast<long double>(scale)));
    if (scaled >= 1.0e38L)
        return false;
    magnitude = static_cast<Magnitude>(scaled);
    return true;
}

} // namespace

void encodeFixedField(const ColumnDef& column, const std::string& table, const Value& value,
                      std::vector<std::uint8_t>& out)
{
    std::uint8_t b[coltype::fixedSize(coltype::Numeric)] = {};
    switch (column.type) {
    case coltype::Byte: {
        const auto n = wholeNumber(column, table, value);
        if (n < 0 || n > 255)
            doesNotFit(column, table, describe(value));
        b[0] = static_cast<std::uint8_t>(n);
        break;
    }
    case coltype::Int: {
        const auto n = wholeNumber(column, table, value);
        if (n < std::numeric_limits<std::int16_t>::min() || n > std::numeric_limits<std::int16_t>::max())
            doesNotFit(column, table, describe(value));
        encodeFixed16(b, static_cast<std::uint16_t>(n));
        break;
    }
    case coltype::Long:
    case coltype::Complex: {
        const auto n = wholeNumber(column, table, value);
        if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max())
            doesNotFit(column, table, describe(value));
        encodeFixed32(b, static_cast<std::uint32_t>(n));
        break;
    }
    case coltype::BigInt:
        encodeFixed64(b, static_cast<std::uint64_t>(wholeNumber(column, table, value)));
        break;
    case coltype::Money: {
        std::int64_t tenThousandths;
        if (value.kind == Value::Kind::Currency) {
            tenThousandths = value.integer;
        } else {
            const long double r =
                std::round(static_cast<long double>(realNumber(column, table, value)) * 10000.0L);
            if (!(std::fabs(r) < 9.2e18L))
                doesNotFit(column, table, describe(value));
            tenThousandths = static_cast<std::int64_t>(r);
        }
        encodeFixed64(b, static_cast<std::uint64_t>(tenThousandths));
        break;
    }
    case coltype::Float: {
        const double d = realNumber(column, table, value);
        if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
            doesNotFit(column, table, describe(value));
        encodeFloat(b, static_cast<float>(d));
        break;
    }
    case coltype::Double:
    case coltype::DateTime:
        encodeDouble(b, realNumber(column, table, value));
        break;
    case coltype::Guid:
        if (value.kind == Value::Kind::Bytes && value.bytes.size() == coltype::fixedSize(coltype::Guid)) {
            std::copy(value.bytes.begin(), value.bytes.end(), b);
        } else if (value.kind != Value::Kind::Text || !parseGuid(value.text, b)) {
            doesNotFit(column, table, describe(value));
        }
        break;
    case coltype::Numeric: {
        bool negative = false;
        Magnitude magnitude = 0;
        if (!scaledDecimal(value, column.scale, negative, magnitude))
            doesNotFit(column, table, describe(value));
        Magnitude limit = 1;
        for (unsigned i = 0; i < std::max<unsigned>(column.precision, 1); ++i)
            limit *= 10;
        if (column.precision > 0 && magnitude >= limit)
            doesNotFit(column, table, describe(value));
        b[numeric::Sign] = negative && magnitude != 0 ? numeric::Negative : 0x00;
        for (std::size_t word = 0; word < numeric::Words; ++word)
            encodeFixed32(b + numeric::wordAt(word),
                          static_cast<std::uint32_t>(magnitude >> (32 * (numeric::Words - 1 - word))));
        break;
    }
    default:
        throw Error(Failure::Unsupported,
                    "The field '" + table + "." + column.name + "' is not of a fixed size.");
    }
    out.insert(out.end(), b, b + coltype::fixedSize(column.type));
}

void encodeUnicodeText(std::string_view utf8, bool allowCompression, std::vector<std::uint8_t>& out)
{
    const std::u16string units = utf16FromUtf8(utf8);
    bool compress = allowCompression && !units.empty() && units.size() <= kMaxCompressedCharacters;
    for (std::size_t i = 0; compress && i < units.size(); ++i)
        compress = units[i] >= 1 && units[i] <= 0xFF;
    if (compress) {
        out.push_back(compressedtext::Mark0);
        out.push_back(compressedtext::Mark1);
        for (const char16_t u : units)
            out.push_back(static_cast<std::uint8_t>(u));
        return;
    }
    for (const char16_t u : units) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
}

std::size_t utf16Length(std::string_view utf8)
{
    return utf16FromUtf8(utf8).size();
}

} // namespace orrin::jet
