#pragma once

#include "value/Variant.h"

#include <cstddef>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace orrin::store {

// The declared type of a column, with the Access type names the schemas use: TEXT(n), MEMO, BYTE,
// SHORT, LONG, SINGLE, DOUBLE, CURRENCY, DATETIME, YESNO. Other declarations (INTEGER, REAL,
// VARCHAR(n), none) are read by their nearest kind; Unknown keeps values as the engine has them.
struct ColumnType {
    enum class Kind { Text, Memo, Byte, Short, Long, Single, Double, Currency, DateTime, YesNo, Unknown };
    Kind kind = Kind::Unknown;
    std::size_t size = 0; // characters, for Text; 0 means no limit

    static ColumnType parse(std::string_view declaredType);
};

// Converts a value being assigned to a field of this type, the way an Access field does: numbers
// into text fields as their shortest text, number-like text into numeric fields, date-like text into
// date fields, halves to even into whole-number fields. Null and Empty give Null. Throws Error naming
// table, field and value: 13 for a value that does not convert ("" into a number or date included),
// 6 for a number out of range, store::code::FieldTooSmall for too long a text.
Variant convertForColumn(const ColumnType& type, const Variant& value, std::string_view table,
                         std::string_view field);

// How bindValue hands a text value to the engine: as a copy, or by reference, for a value that
// stays alive and unchanged until the statement is reset (dates are always copied).
enum class TextBinding { Copied, Referenced };

// Binds a converted value (convertForColumn's result) in its storage form: dates as
// "YYYY-MM-DD[ HH:MM:SS]" text, booleans as 1/0, whole numbers as integers, doubles as reals.
void bindValue(sqlite3_stmt* statement, int index, const Variant& value,
               TextBinding binding = TextBinding::Copied);

// Reads column index of the current row by the column's type: DATETIME text in the storage form
// reads as a Date (other contents as they are stored), SHORT/BYTE as Short, LONG as Long, SINGLE,
// DOUBLE and CURRENCY as Double, YESNO as Bool, TEXT/MEMO as Text (a number stored there as its
// text), SQL NULL as Null. Unknown: integer as Long (Double when beyond 32 bits), real as Double.
Variant readColumn(sqlite3_stmt* statement, int index, const ColumnType& type);

} // namespace orrin::store
