#include "store/ColumnType.h"

#include "store/SqlText.h"
#include "store/StoreError.h"
#include "value/Conversions.h"
#include "value/DateValue.h"

#include <sqlcipher/sqlite3.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>

namespace orrin::store {

namespace {

using Kind = ColumnType::Kind;

// Serial days of 1 January 100 and of the day after 31 December 9999: the dates a field can hold.
constexpr double kFirstSerial = -657434.0;
constexpr double kEndSerial = 2958466.0;

// The largest amount a CURRENCY field holds (a 64-bit count of ten-thousandths).
constexpr double kCurrencyLimit = 922337203685477.5807;

std::string qualified(std::string_view table, std::string_view field)
{
    return std::string(table) + "." + std::string(field);
}

// The value as the messages show it.
std::string shown(const Variant& value)
{
    if (value.isText())
        return shownValue(value.text());
    if (value.type() == Variant::Type::Bool)
        return value.boolean() ? "True" : "False";
    if (value.isDate())
        return formatDate(value.date());
    if (value.isNumber())
        return formatNumber(value.number());
    return "";
}

const char* kindWord(Kind kind)
{
    switch (kind) {
    case Kind::DateTime:
        return "date";
    case Kind::YesNo:
        return "yes/no";
    default:
        return "number";
    }
}

Error mismatch(Kind kind, const Variant& value, std::string_view table, std::string_view field)
{
    return Error(err::TypeMismatch, "Type mismatch: cannot store '" + shown(value) + "' in the " +
                                        kindWord(kind) + " field '" + qualified(table, field) + "'.");
}

Error overflow(const Variant& value, std::string_view table, std::string_view field, const std::string& range)
{
    return Error(err::Overflow, "Overflow: the value '" + shown(value) + "' does not fit the field '" +
                                    qualified(table, field) + "' (" + range + ").");
}

// The number a value stands for in a numeric field: numbers as they are (true is -1), dates as
// their serial, text only when it reads wholly as a number.
double numberFor(Kind kind, const Variant& value, std::string_view table, std::string_view field)
{
    if (value.isNumber())
        return value.number();
    if (value.isDate())
        return value.date().serial;
    if (value.isText()) {
        if (const auto number = parseNumber(value.text()))
            return *number;
    }
    throw mismatch(kind, value, table, field);
}

Variant wholeNumber(Kind kind, const Variant& value, std::string_view table, std::string_view field)
{
    const double rounded = roundHalfEven(numberFor(kind, value, table, field));
    switch (kind) {
    case Kind::Byte:
        if (!(rounded >= 0 && rounded <= 255))
            throw overflow(value, table, field, "whole numbers from 0 to 255");
        return Variant(static_cast<std::int16_t>(rounded));
    case Kind::Short:
        if (!(rounded >= -32768 && rounded <= 32767))
            throw overflow(value, table, field, "whole numbers from -32768 to 32767");
        return Variant(static_cast<std::int16_t>(rounded));
    default:
        if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
            throw overflow(value, table, field, "whole numbers from -2147483648 to 2147483647");
        return Variant(static_cast<std::int32_t>(rounded));
    }
}

std::string textFor(const Variant& value)
{
    if (value.isText())
        return value.text();
    if (value.type() == Variant::Type::Bool)
        return value.boolean() ? "True" : "False";
    if (value.isDate())
        return formatDate(value.date());
    return formatNumber(value.number());
}

std::optional<bool> yesNoText(std::string_view text)
{
    const std::string word = lowerAscii(text);
    if (word == "true" || word == "yes" || word == "on")
        return true;
    if (word == "false" || word == "no" || word == "off")
        return false;
    if (const auto number = parseNumber(text))
        return *number != 0;
    return std::nullopt;
}

// Text that is a plain decimal number (a sign, digits, at most one point, blanks around it allowed),
// without its blanks; nothing for any other text.
std::optional<std::string> plainDecimal(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::size_t at = text[0] == '-' || text[0] == '+' ? 1 : 0;
    bool point = false;
    bool digit = false;
    for (; at < text.size(); ++at) {
        if (text[at] == '.' && !point)
            point = true;
        else if (text[at] >= '0' && text[at] <= '9')
            digit = true;
        else
            return std::nullopt;
    }
    if (!digit)
        return std::nullopt;
    return std::string(text);
}

// The size inside "TEXT(25)", 0 when there is none.
std::size_t sizeIn(std::string_view declared)
{
    const auto open = declared.find('(');
    if (open == std::string_view::npos)
        return 0;
    std::size_t size = 0;
    for (std::size_t i = open + 1; i < declared.size() && declared[i] >= '0' && declared[i] <= '9'; ++i)
        size = size * 10 + static_cast<std::size_t>(declared[i] - '0');
    return size;
}

bool fitsDigitsAt(std::string_view text, std::size_t at, std::size_t count)
{
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

int digitsAt(std::string_view text, std::size_t at, std::size_t count)
{
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

// Reads exactly the storage form "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS" of a valid date.
std::optional<Date> storedDate(std::string_view text)
{
    if (text.size() != 10 && text.size() != 19)
        return std::nullopt;
    if (!fitsDigitsAt(text, 0, 4) || text[4] != '-' || !fitsDigitsAt(text, 5, 2) || text[7] != '-' ||
        !fitsDigitsAt(text, 8, 2))
        return std::nullopt;
    int hour = 0, minute = 0, second = 0;
    if (text.size() == 19) {
        if (text[10] != ' ' || !fitsDigitsAt(text, 11, 2) || text[13] != ':' || !fitsDigitsAt(text, 14, 2) ||
            text[16] != ':' || !fitsDigitsAt(text, 17, 2))
            return std::nullopt;
        hour = digitsAt(text, 11, 2);
        minute = digitsAt(text, 14, 2);
        second = digitsAt(text, 17, 2);
        if (hour > 23 || minute > 59 || second > 59)
            return std::nullopt;
    }
    try {
        return makeDate(digitsAt(text, 0, 4), digitsAt(text, 5, 2), digitsAt(text, 8, 2), hour, minute,
                        second);
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::string columnText(sqlite3_stmt* statement, int index)
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
    const int size = sqlite3_column_bytes(statement, index);
    return bytes != nullptr ? std::string(bytes, static_cast<std::size_t>(size)) : std::string();
}

// An integer as the narrowest of the given kinds it fits, a Double beyond 32 bits.
Variant integerValue(sqlite3_int64 value, bool allowShort)
{
    if (allowShort && value >= std::numeric_limits<std::int16_t>::min() &&
        value <= std::numeric_limits<std::int16_t>::max())
        return Variant(static_cast<std::int16_t>(value));
    if (value >= std::numeric_limits<std::int32_t>::min() &&
        value <= std::numeric_limits<std::int32_t>::max())
        return Variant(static_cast<std::int32_t>(value));
    return Variant(static_cast<double>(value));
}

// A real in a whole-number column: as the whole number when it is one, else as it is.
Variant realInWholeColumn(double value, bool allowShort)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) <= 9.0e15)
        return integerValue(static_cast<sqlite3_int64>(value), allowShort);
    return Variant(value);
}

using StoredDateText = std::array<char, 20>;

// Writes count digits of value, leading zeros included.
char* putDigits(char* at, int value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        at[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    return at + count;
}

// The storage form of a date, exactly as formatDate writes it, without building a string: dates are
// bound for every row written. Returns the length written into text.
std::size_t storedDateText(Date date, StoredDateText& text)
{
    // Fails as formatDate does for a date outside the years 100 to 9999, so the year has 4 digits.
    const CalendarDate c = calendar(date);
    char* at = putDigits(text.data(), c.year, 4);
    *at++ = '-';
    at = putDigits(at, c.month, 2);
    *at++ = '-';
    at = putDigits(at, c.day, 2);
    if (c.hour != 0 || c.minute != 0 || c.second != 0) {
        *at++ = ' ';
        at = putDigits(at, c.hour, 2);
        *at++ = ':';
        at = putDigits(at, c.minute, 2);
        *at++ = ':';
        at = putDigits(at, c.second, 2);
    }
    return static_cast<std::size_t>(at - text.data());
}

} // namespace

ColumnType ColumnType::parse(std::string_view declaredType)
{
    const std::string declared = lowerAscii(declaredType);
    const auto nameEnd = declared.find_first_of(" (");
    const std::string name = declared.substr(0, nameEnd);

    ColumnType type;
    if (name == "text" || name == "varchar" || name == "char" || name == "nvarchar" || name == "nchar" ||
        name == "character" || name == "string") {
        type.kind = Kind::Text;
        type.size = sizeIn(declared);
    } else if (name == "memo" || name == "longtext" || name == "clob" || name == "ntext") {
        type.kind = Kind::Memo;
    } else if (name == "byte" || name == "tinyint") {
        type.kind = Kind::Byte;
    } else if (name == "short" || name == "smallint" || name == "integer2") {
        type.kind = Kind::Short;
    } else if (name == "long" || name == "int" || name == "integer" || name == "integer4" ||
               name == "counter" || name == "autoincrement" || name == "bigint") {
        type.kind = Kind::Long;
    } else if (name == "single" || name == "float4") {
        type.kind = Kind::Single;
    } else if (name == "double" || name == "float" || name == "float8" || name == "real" ||
               name == "numeric" || name == "decimal" || name == "number") {
        type.kind = Kind::Double;
    } else if (name == "currency" || name == "money") {
        type.kind = Kind::Currency;
    } else if (name == "datetime" || name == "date" || name == "time" || name == "timestamp") {
        type.kind = Kind::DateTime;
    } else if (name == "yesno" || name == "bit" || name == "boolean" || name == "bool" || name == "logical") {
        type.kind = Kind::YesNo;
    }
    return type;
}

std::string ColumnType::name() const
{
    switch (kind) {
    case Kind::Text:
        return size > 0 ? "TEXT(" + std::to_string(size) + ")" : "TEXT";
    case Kind::Memo:
        return "MEMO";
    case Kind::Byte:
        return "BYTE";
    case Kind::Short:
        return "SHORT";
    case Kind::Long:
        return "LONG";
    case Kind::Single:
        return "SINGLE";
    case Kind::Double:
        return "DOUBLE";
    case Kind::Currency:
        return "CURRENCY";
    case Kind::DateTime:
        return "DATETIME";
    case Kind::YesNo:
        return "YESNO";
    case Kind::Decimal:
        return "DECIMAL";
    case Kind::Unknown:
        break;
    }
    return "BLOB";
}

Variant convertForColumn(const ColumnType& type, const Variant& value, std::string_view table,
                         std::string_view field)
{
    if (value.isNull() || value.isEmpty())
        return Variant::null();

    switch (type.kind) {
    case Kind::Text:
    case Kind::Memo: {
        std::string text = textFor(value);
        if (type.kind == Kind::Text && type.size > 0) {
            const std::size_t length = characterCount(text);
            if (length > type.size) {
                throw Error(code::FieldTooSmall,
                            "The field '" + qualified(table, field) + "' is too small for the value '" +
                                shownValue(text) + "' (" + std::to_string(length) + " characters, at most " +
                                std::to_string(type.size) + ").");
            }
        }
        return Variant(std::move(text));
    }
    case Kind::Byte:
    case Kind::Short:
    case Kind::Long:
        return wholeNumber(type.kind, value, table, field);
    case Kind::Single: {
        const double number = numberFor(type.kind, value, table, field);
        if (!std::isfinite(number) || std::fabs(number) > static_cast<double>(FLT_MAX))
            throw overflow(value, table, field, "single precision");
        return Variant(static_cast<double>(static_cast<float>(number)));
    }
    case Kind::Double: {
        const double number = numberFor(type.kind, value, table, field);
        if (!std::isfinite(number))
            throw overflow(value, table, field, "double precision");
        return Variant(number);
    }
    case Kind::Decimal: {
        // Plain decimal text keeps its digits, which a double may not hold.
        if (value.isText()) {
            if (auto digits = plainDecimal(value.text()))
                return Variant(std::move(*digits));
        }
        const double number = numberFor(type.kind, value, table, field);
        if (!std::isfinite(number))
            throw overflow(value, table, field, "decimal");
        return Variant(number);
    }
    case Kind::Currency: {
        const double number = numberFor(type.kind, value, table, field);
        if (!std::isfinite(number) || std::fabs(number) > kCurrencyLimit)
            throw overflow(value, table, field, "currency, at most 922337203685477.5807");
        return Variant(roundHalfEven(number * 10000.0) / 10000.0);
    }
    case Kind::DateTime: {
        Date date;
        if (value.isDate()) {
            date = value.date();
        } else if (value.isText()) {
            const auto parsed = parseDate(value.text());
            if (!parsed)
                throw mismatch(type.kind, value, table, field);
            date = *parsed;
        } else {
            date = Date{value.number()};
        }
        if (!(date.serial >= kFirstSerial && date.serial < kEndSerial))
            throw overflow(value, table, field, "dates from the year 100 to 9999");
        return Variant(date);
    }
    case Kind::YesNo: {
        if (value.type() == Variant::Type::Bool)
            return value;
        if (value.isNumber())
            return Variant(value.number() != 0);
        if (value.isDate())
            return Variant(value.date().serial != 0);
        if (const auto flag = yesNoText(value.text()))
            return Variant(*flag);
        throw mismatch(type.kind, value, table, field);
    }
    case Kind::Unknown:
        break;
    }
    return value;
}

void bindValue(sqlite3_stmt* statement, int index, const Variant& value, TextBinding binding,
               ColumnType::Form form)
{
    int rc = SQLITE_OK;
    switch (value.type()) {
    case Variant::Type::Empty:
    case Variant::Type::Null:
        rc = sqlite3_bind_null(statement, index);
        break;
    case Variant::Type::Text:
        rc = sqlite3_bind_text(statement, index, value.text().data(), static_cast<int>(value.text().size()),
                               binding == TextBinding::Referenced ? SQLITE_STATIC : SQLITE_TRANSIENT);
        break;
    case Variant::Type::Bool:
        rc = sqlite3_bind_int(statement, index, value.boolean() ? 1 : 0);
        break;
    case Variant::Type::Short:
    case Variant::Type::Long:
        rc = sqlite3_bind_int64(statement, index, static_cast<sqlite3_int64>(value.number()));
        break;
    case Variant::Type::Double:
        rc = sqlite3_bind_double(statement, index, value.number());
        break;
    case Variant::Type::Date: {
        if (form == ColumnType::Form::Exact) {
            rc = sqlite3_bind_double(statement, index, value.date().serial);
            break;
        }
        StoredDateText text;
        const std::size_t size = storedDateText(value.date(), text);
        rc = sqlite3_bind_text(statement, index, text.data(), static_cast<int>(size), SQLITE_TRANSIENT);
        break;
    }
    }
    if (rc != SQLITE_OK) {
        throw Error(code::General, "Cannot bind the value '" + shown(value) + "' to parameter " +
                                       std::to_string(index) + ": " + sqlite3_errstr(rc) + ".");
    }
}

void bindForColumn(sqlite3_stmt* statement, int index, const Variant& value, const ColumnType& type,
                   TextBinding binding)
{
    if (type.form == ColumnType::Form::Exact && type.kind == Kind::Currency && value.isNumber()) {
        const long double count = std::round(static_cast<long double>(value.number()) * 10000.0L);
        if (!(count >= -9223372036854775808.0L && count <= 9223372036854775807.0L)) {
            throw Error(err::Overflow, "Overflow: the value '" + shown(value) +
                                           "' does not fit a currency field (at most 922337203685477.5807).");
        }
        const int rc = sqlite3_bind_int64(statement, index, static_cast<sqlite3_int64>(count));
        if (rc != SQLITE_OK) {
            throw Error(code::General, "Cannot bind the value '" + shown(value) + "' to parameter " +
                                           std::to_string(index) + ": " + sqlite3_errstr(rc) + ".");
        }
        return;
    }
    bindValue(statement, index, value, binding, type.form);
}

Variant readColumn(sqlite3_stmt* statement, int index, const ColumnType& type)
{
    const int storage = sqlite3_column_type(statement, index);
    if (storage == SQLITE_NULL)
        return Variant::null();

    if (type.form == ColumnType::Form::Exact) {
        if (type.kind == Kind::Currency && storage == SQLITE_INTEGER) {
            const auto count = static_cast<long double>(sqlite3_column_int64(statement, index));
            return Variant(static_cast<double>(count / 10000.0L));
        }
        if (type.kind == Kind::DateTime && (storage == SQLITE_FLOAT || storage == SQLITE_INTEGER))
            return Variant(Date{sqlite3_column_double(statement, index)});
    }
    if (type.kind == Kind::Decimal) {
        if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
            return Variant(sqlite3_column_double(statement, index));
        std::string text = columnText(statement, index);
        if (const auto number = parseNumber(text))
            return Variant(*number);
        return Variant(std::move(text));
    }

    switch (type.kind) {
    case Kind::Text:
    case Kind::Memo:
        // A column without text affinity may hold a number; it reads as its text. Reals go through
        // the one number formatter so that 0.1 reads "0.1" whatever the engine would print.
        if (storage == SQLITE_FLOAT)
            return Variant(formatNumber(sqlite3_column_double(statement, index)));
        if (storage == SQLITE_INTEGER)
            return Variant(std::to_string(sqlite3_column_int64(statement, index)));
        return Variant(columnText(statement, index));
    case Kind::Byte:
    case Kind::Short:
    case Kind::Long: {
        const bool allowShort = type.kind != Kind::Long;
        if (storage == SQLITE_INTEGER) {
            return integerValue(sqlite3_column_int64(statement, index), allowShort);
        }
        if (storage == SQLITE_FLOAT)
            return realInWholeColumn(sqlite3_column_double(statement, index), allowShort);
        return Variant(columnText(statement, index));
    }
    case Kind::Single:
    case Kind::Double:
    case Kind::Currency:
        if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
            return Variant(sqlite3_column_double(statement, index));
        return Variant(columnText(statement, index));
    case Kind::DateTime:
        if (storage == SQLITE_TEXT || storage == SQLITE_BLOB) {
            std::string text = columnText(statement, index);
            if (const auto date = storedDate(text))
                return Variant(*date);
            return Variant(std::move(text));
        }
        break;
    case Kind::YesNo:
        if (storage == SQLITE_INTEGER || storage == SQLITE_FLOAT)
            return Variant(sqlite3_column_double(statement, index) != 0);
        return Variant(columnText(statement, index));
    case Kind::Decimal:
    case Kind::Unknown:
        break;
    }

    if (storage == SQLITE_INTEGER)
        return integerValue(sqlite3_column_int64(statement, index), false);
    if (storage == SQLITE_FLOAT)
        return Variant(sqlite3_column_double(statement, index));
    return Variant(columnText(statement, index));
}

} // namespace orrin::store
