#pragma once

// Index keys: the bytes by which an index orders its rows. A key is the concatenation of one part
// per index column; each part starts with a flag byte (0x7F a value, 0x00 Null, inverted for a
// descending column) and then the value in a form whose unsigned byte order is the column's order:
// numbers big-endian with the sign bit flipped (floating point: every bit of a negative number),
// text through the file's sort order, GUIDs and binary in 8-byte groups. A descending column has
// the value's bytes inverted.

#include "jet/index/SortOrder.h"
#include "jet/table/Format.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace orrin::jet {

// One column of an index as its keys need it.
struct IndexKeyColumn {
    std::uint8_t type = coltype::Long; // coltype::...
    bool ascending = true;
    TextSortOrder sortOrder = TextSortOrder::GeneralLegacy; // text and memo columns
    bool legacyNumeric = true; // Jet 4 orders decimals the old way; Access 2007 and later do not
};

// A column's value as a key takes it.
struct KeyValue {
    enum class Kind { Null, Boolean, Stored, Text };
    Kind kind = Kind::Null;
    bool boolean = false;                 // Kind::Boolean
    std::span<const std::uint8_t> stored; // Kind::Stored: the bytes as a data row holds them
                                          // (little-endian numbers; GUID and decimal as stored;
                                          // binary as it is)
    std::u16string_view text;             // Kind::Text: UTF-16 code units

    static KeyValue null() { return {}; }
    static KeyValue ofBoolean(bool b)
    {
        KeyValue v;
        v.kind = Kind::Boolean;
        v.boolean = b;
        return v;
    }
    static KeyValue ofStored(std::span<const std::uint8_t> bytes)
    {
        KeyValue v;
        v.kind = Kind::Stored;
        v.stored = bytes;
        return v;
    }
    static KeyValue ofText(std::u16string_view t)
    {
        KeyValue v;
        v.kind = Kind::Text;
        v.text = t;
        return v;
    }
};

// True for the column types whose keys this library builds.
bool canIndexColumnType(std::uint8_t type);

// Appends the key part of one column's value to key. A Yes/No column has no Null (a Null is No).
// Fails with Failure::Unsupported for a column type it cannot index (OLE, unknown types) or a
// value that does not fit the column (a stored value of the wrong size, text for a number).
void appendIndexKey(std::vector<std::uint8_t>& key, const IndexKeyColumn& column, const KeyValue& value);

} // namespace orrin::jet
