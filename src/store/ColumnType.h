#pragma once

#include "value/Variant.h"

#include <cstddef>
#include <string>
#include <string_view>

struct sqlite3_stmt;

namespace orrin::store {

// The type of a column. A SQLCipher file's columns declare it with the Access type names the
// schemas use: TEXT(n), MEMO, BYTE, SHORT, LONG, SINGLE, DOUBLE, CURRENCY, DATETIME, YESNO; other
// declarations (INTEGER, REAL, VARCHAR(n), none) are read by their nearest kind, and Unknown keeps
// values as the engine has them. An Access file's columns take theirs from the table definition
// itself, in the exact form (Decimal only there).
struct ColumnType {
    enum class Kind {
        Text,
        Memo,
        Byte,
        Short,
        Long,
        Single,
        Double,
        Currency,
        DateTime,
        YesNo,
        Decimal,
        Unknown
    };
    // How the memory database holds the column's values. Declared: the store's forms of a SQLCipher
    // file (dates as "YYYY-MM-DD[ HH:MM:SS]" text, currency as a double of units). Exact: the Access
    // file's own values (dates as their double of days, currency as its 64-bit count of
    // ten-thousandths, decimals as a double when one holds them exactly, else as their digits).
    enum class Form { Declared, Exact };
    Kind kind = Kind::Unknown;
    std::size_t size = 0; // characters, for Text; 0 means no limit
    Form form = Form::Declared;

    static ColumnType parse(std::string_view declaredType);
    // The name listings show for the type: TEXT(n) (TEXT without a limit), MEMO, BYTE, SHORT, LONG,
    // SINGLE, DOUBLE, CURRENCY, DATETIME, YESNO, DECIMAL, or BLOB for Unknown.
    std::string name() const;
};

// A column of a table: its name as the table spells it, and its type.
struct ColumnInfo {
    std::string name;
    ColumnType type;
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

// Binds a converted value (convertForColumn's result) in its storage form: booleans as 1/0, whole
// numbers as integers, doubles as reals, dates as "YYYY-MM-DD[ HH:MM:SS]" text in the Declared form
// and as their double of days in the Exact form.
void bindValue(sqlite3_stmt* statement, int index, const Variant& value,
               TextBinding binding = TextBinding::Copied, ColumnType::Form form = ColumnType::Form::Declared);

// Binds a value converted for the column type (convertForColumn's result) in that column's storage
// form: as bindValue in the type's form, and an Exact currency as its count of ten-thousandths.
// Throws Error 6 for a currency beyond the 64-bit count.
void bindForColumn(sqlite3_stmt* statement, int index, const Variant& value, const ColumnType& type,
                   TextBinding binding = TextBinding::Copied);

// Reads column index of the current row by the column's type: DATETIME text in the storage form
// reads as a Date (other contents as they are stored), SHORT/BYTE as Short, LONG as Long, SINGLE,
// DOUBLE and CURRENCY as Double, YESNO as Bool, TEXT/MEMO as Text (a number stored there as its
// text), SQL NULL as Null. Unknown: integer as Long (Double when beyond 32 bits), real as Double.
// Exact form: a date's double as a Date, a currency's ten-thousandths as the nearest Double of
// units, a decimal's digits as the nearest Double.
Variant readColumn(sqlite3_stmt* statement, int index, const ColumnType& type);

} // namespace orrin::store
