#pragma once

// The reverse of the row reader's field decoding: a Value turned into the bytes a Jet 4 / ACE row
// stores for a column. Shared by the row writer and the index key builder, so that a key is always
// made from exactly the bytes the row holds.

#include "jet/base/Value.h"
#include "jet/table/TableDef.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::jet {

// The bytes of a fixed-size value (Byte, Int, Long, Money, Float, Double, DateTime, GUID, Numeric,
// BigInt, Complex): exactly the column's size, little-endian as the row stores it. The value may be
// of the kind the reader gives for the column, or a kind that converts without loss (an Integer for
// a Double column, a Double holding a whole number for a Long column, text holding a number or a
// GUID). Fails with Failure::Unsupported naming table and column for a value that does not fit: a
// number out of range, text that is not a number or GUID, a decimal with too many digits.
void encodeFixedField(const ColumnDef& column, const std::string& table, const Value& value,
                      std::vector<std::uint8_t>& out);

// The stored form of text in a Jet 4 / ACE row or memo: the "compressed" form (FF FE, then one byte
// per character) when allowed and every character is U+0001..U+00FF and there are at most 1,024 of
// them, UTF-16LE otherwise. Appends to out.
void encodeUnicodeText(std::string_view utf8, bool allowCompression, std::vector<std::uint8_t>& out);

// The number of characters (UTF-16 code units) of utf8, as a text column's length counts them.
std::size_t utf16Length(std::string_view utf8);

} // namespace orrin::jet
