#pragma once

// A table definition as the file holds it: the header (row count, AutoNumber, column and index
// counts, usage maps), the column descriptors and names, the real (physical) indexes with their
// columns, the logical indexes with their names, and the columns' own usage maps. Every field is
// kept as read, with the raw bytes and the pages they came from, so that a writer can rebuild the
// definition or patch it in place.

#include "jet/pager/PageFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orrin::jet {

struct ColumnDef {
    std::string name;
    std::uint8_t type = 0;            // coltype::...
    std::uint16_t number = 0;         // its bit in the null mask; counts deleted columns
    std::uint16_t varIndex = 0;       // its slot in the row's variable-offset table
    std::uint16_t index = 0;          // the column index the descriptor stores
    std::uint16_t sortOrder = 0;      // text columns
    std::uint16_t codePage = 0;       // Jet 3 text columns; 0 elsewhere
    std::uint8_t precision = 0;       // numeric columns
    std::uint8_t scale = 0;           // numeric columns
    std::uint32_t complexId = 0;      // ACE attachment and multi-valued columns
    std::uint8_t flags = 0;           // colflag::...
    std::uint8_t extFlags = 0;        // colflag::CompressedUnicode ...
    std::uint16_t fixedOffset = 0;    // from the start of the row's fixed part
    std::uint16_t length = 0;         // bytes (text: bytes of storage, two per character in Jet 4)
    std::size_t descriptorOffset = 0; // of its descriptor in TableDef::bytes

    bool isFixed() const;
    // Bytes the column takes in the fixed part of a row: its type's size, 0 for Yes/No, else its
    // descriptor's length.
    std::size_t fixedWidth() const;
    bool isLongValue() const; // memo and OLE
    // The declared type a store gives this column: YESNO, BYTE, SHORT, LONG, CURRENCY, SINGLE,
    // DOUBLE, DATETIME, TEXT(n), MEMO, GUID as TEXT(38), NUMERIC and BIGINT as DOUBLE, binary and
    // OLE as BLOB, attachments and multi-valued columns as LONG.
    std::string storeType(Version version) const;
    // Characters a text column holds (Jet 4 stores two bytes each).
    std::uint16_t textLength(Version version) const;
};

struct IndexColumn {
    std::uint16_t columnNumber = 0; // ColumnDef::number
    bool ascending = true;
};

struct RealIndexDef {
    std::uint32_t rowCount = 0;       // the count block's figure
    std::vector<IndexColumn> columns; // the slots in use, in key order
    std::uint32_t usageMap = 0;       // row pointer to the index's usage map
    std::uint32_t firstPage = 0;      // the index's root page
    std::uint8_t flags = 0;           // indexflag::Unique ...
    std::size_t countOffset = 0;      // of its count entry in TableDef::bytes
    std::size_t descriptorOffset = 0;

    bool unique() const;
    bool ignoreNulls() const;
    bool required() const;
};

struct LogicalIndexDef {
    std::string name;
    std::uint32_t number = 0;
    std::uint32_t realIndex = 0;   // into TableDef::realIndexes
    std::uint8_t relTableType = 0; // foreign keys: which side of the relationship this table is
    std::uint32_t relIndex = 0xFFFFFFFF;
    std::uint32_t relTable = 0;
    std::uint8_t cascadeUpdates = 0;
    std::uint8_t cascadeDeletes = 0;
    std::uint8_t type = 0; // indexflag::PrimaryKey, indexflag::ForeignKey, or 0
    std::size_t descriptorOffset = 0;

    bool primaryKey() const;
    bool foreignKey() const;
};

struct ColumnUsageMaps {
    std::uint16_t columnNumber = 0;
    std::uint32_t ownedPages = 0; // row pointers
    std::uint32_t freeSpacePages = 0;
};

struct TableDef {
    std::string name;     // the catalog's name for it (set by whoever looked it up)
    std::string fileName; // for messages
    Version version = Version::Jet4;
    std::uint32_t page = 0;           // its first page
    std::vector<std::uint32_t> pages; // every page of it, first first
    // The definition joined: the first page whole, then each continuation page without its header.
    std::vector<std::uint8_t> bytes;

    std::uint32_t length = 0; // the length the header states
    std::uint32_t rowCount = 0;
    std::uint32_t autoNumber = 0;
    std::uint8_t tableType = 0;
    std::uint16_t maxColumns = 0;
    std::uint16_t varColumnCount = 0;
    std::uint16_t columnCount = 0;
    std::uint32_t logicalIndexCount = 0;
    std::uint32_t realIndexCount = 0;
    std::uint32_t ownedPages = 0; // row pointers to the table's usage maps
    std::uint32_t freeSpacePages = 0;

    std::vector<ColumnDef> columns; // by ColumnDef::number (descriptor order is descriptorOffset order)
    std::vector<RealIndexDef> realIndexes;
    std::vector<LogicalIndexDef> indexes;
    std::vector<ColumnUsageMaps> columnUsageMaps;

    // Where each part starts in bytes.
    std::size_t columnsOffset = 0;
    std::size_t columnNamesOffset = 0;
    std::size_t realIndexesOffset = 0;
    std::size_t logicalIndexesOffset = 0;
    std::size_t indexNamesOffset = 0;
    std::size_t columnUsageMapsOffset = 0;
    std::size_t endOffset = 0;

    // Reads the definition starting at page of file. Fails with Failure::Damaged naming the page
    // when a page is not a definition page, the continuation pages loop or leave the file, or a
    // count, offset or name does not fit the definition.
    static TableDef read(const PageFile& file, std::uint32_t page);

    // The column with this null-mask number, or nullptr.
    const ColumnDef* columnByNumber(std::uint16_t number) const;
    // The place in columns of the column with this name (letter case ignored, as Access compares
    // names), or -1 when there is none.
    int columnIndex(std::string_view name) const;
    // The page of the definition that holds byte offset of bytes.
    std::uint32_t pageAt(std::size_t offset) const;
};

} // namespace orrin::jet
