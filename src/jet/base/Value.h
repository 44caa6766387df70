#pragma once

// One field value read from an Access row. A row is a vector of these, reused from row to row so
// that reading a table does not allocate per row once the strings have grown.

#include <cstdint>
#include <string>
#include <vector>

namespace orrin::jet {

struct Value {
    enum class Kind : std::uint8_t {
        Null,
        Bool,     // integer: 0 or 1
        Integer,  // integer: BYTE, SHORT, LONG and reference numbers
        Double,   // real: SINGLE (widened), DOUBLE, and NUMERIC / BIGINT where a double holds them exactly
        Currency, // integer: ten-thousandths
        DateTime, // real: days since 1899-12-30, the time as the fraction
        Text,     // text: UTF-8 (GUIDs in braces, NUMERIC / BIGINT beyond a double's precision)
        Bytes,    // bytes: binary and OLE values, whole
    };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;
    std::vector<std::uint8_t> bytes;

    bool isNull() const { return kind == Kind::Null; }
    void setNull() { kind = Kind::Null; }
};

// "YYYY-MM-DD HH:MM:SS" of a date value, proleptic Gregorian for every year, the time rounded to the
// nearest second. Before 1899-12-30 the integer part is the day and the absolute fraction the time.
std::string formatDateTime(double days);

} // namespace orrin::jet
