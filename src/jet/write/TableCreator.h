#pragma once

// New databases with new tables, made from an empty database that Access itself wrote (a
// template): each new table gets its definition page (columns, the real and logical descriptors of
// its indexes), a page of usage maps (owned pages, pages with free space, one map per index), an
// empty root page per index, its row in the catalog (MSysObjects) with the properties Access's
// table designer sets (Required, AllowZeroLength, DefaultValue, ValidationRule and ValidationText,
// of its columns and of the table, in the catalog's LvProp value), and its access-control entries
// (MSysACEs) copied from those of the Tables container, as Access gives a table it creates.
// Relationships between the new tables go into MSysRelationships. The tables start empty;
// TableWriter fills them.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::jet {

struct NewColumn {
    std::string name;
    std::uint8_t type = 0;      // coltype::...: Boolean, Byte, Int, Long, Money, Float, Double,
                                // DateTime, Text, Memo, Numeric
    std::uint16_t length = 0;   // Text: characters (1..255); ignored for the others
    std::uint8_t precision = 0; // Numeric: digits in all (1..28)
    std::uint8_t scale = 0;     // Numeric: digits after the point (at most precision)
    bool autoNumber = false;    // Long only: an incrementing AutoNumber, numbered from 1
    // The column's properties; an empty text, or an unset AllowZeroLength, is a property not set.
    bool required = false;
    std::optional<bool> allowZeroLength = std::nullopt; // Text and Memo only
    std::string defaultValue = {};                      // an expression, as the designer keeps it
    std::string validationRule = {};
    std::string validationText = {};
};

// An index, every column ascending. A primary key is unique and required.
struct NewIndex {
    std::string name;
    std::vector<std::string> columns; // 1..10 names of the table's columns
    bool primaryKey = false;
    bool unique = false;
    bool ignoreNulls = false; // rows whose key is all Null are left out of the index
    bool required = false;    // a key may not hold a Null
};

struct NewTable {
    std::string name;
    std::vector<NewColumn> columns;
    std::vector<NewIndex> indexes;
    std::string validationRule = {}; // the table's own rule and its text; empty: none
    std::string validationText = {};
};

// A relationship between two of the new tables: table's columns refer to referencedTable's,
// pairwise.
struct NewRelationship {
    std::string name;
    std::string table; // the referring (child) table
    std::string referencedTable;
    std::vector<std::string> columns;
    std::vector<std::string> referencedColumns;
    bool enforced = true; // referential integrity
    bool cascadeUpdates = false;
    bool cascadeDeletes = false;
};

// Writes target as a copy of the Jet 4 or ACE file templateFile (which has no password) holding,
// besides what the template holds, the given tables, empty, in the given order, and the given
// relationships between them; protected with
// password as protectNewFile does (a Jet database password, or agile encryption for an .accdb; none
// when empty). The file is made beside target as TARGET.partial and renamed onto target only when
// whole; on any failure the partial file is removed and target is as it was. Fails with
// Failure::Unsupported for a Jet 3 template, a table or column name that is empty, longer than 64
// characters or given twice, a column type this writer does not create, an index naming no column
// or one the table lacks, more than one primary key, an AutoNumber that is not a Long or a second
// one in a table, AllowZeroLength on a column that holds no text, a relationship naming a table
// that is not new or a field that table lacks (or pairing none, or unequal numbers of fields), a
// relationship name given twice, or more indexes and memo fields than one page of usage maps holds;
// as PageFile, Database and TableWriter fail for a template that does not hold (or has no
// MSysRelationships when relationships are given); Failure::Io when the file cannot be written.
void createDatabase(const std::filesystem::path& templateFile, const std::filesystem::path& target,
                    std::string_view password, const std::vector<NewTable>& tables,
                    const std::vector<NewRelationship>& relationships = {});

// The same over a template held in memory (templateName stands for it in messages).
void createDatabase(std::vector<std::uint8_t> templateBytes, const std::string& templateName,
                    const std::filesystem::path& target, std::string_view password,
                    const std::vector<NewTable>& tables,
                    const std::vector<NewRelationship>& relationships = {});

} // namespace orrin::jet
