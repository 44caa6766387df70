#pragma once

// The layout of the pages above the pager: page types, the data page header, the table definition
// with its column and index descriptors, rows, long values and usage maps. Every offset a reader or
// a writer needs is here, once, with the differences between Jet 3 (2 KB pages, one-byte lengths)
// and Jet 4 / ACE (4 KB pages, two-byte lengths). Offsets count from the start of the page (table
// definition: from the start of its first page), unless a comment says otherwise.

#include "jet/pager/PageFile.h"

#include <cstddef>
#include <cstdint>

namespace orrin::jet {

// The first byte of every page.
namespace pagetype {
constexpr std::uint8_t Header = 0x00;    // page 0
constexpr std::uint8_t Data = 0x01;      // rows, and long-value rows ("LVAL" in place of the owner)
constexpr std::uint8_t TableDef = 0x02;  // table definition, possibly continued on further pages
constexpr std::uint8_t IndexNode = 0x03; // index page above the leaves
constexpr std::uint8_t IndexLeaf = 0x04; // index leaf page
constexpr std::uint8_t UsageMap = 0x05;  // a page of a referenced usage map's bitmap
} // namespace pagetype

// Column types as the table definition stores them.
namespace coltype {
constexpr std::uint8_t Boolean = 0x01;     // Yes/No: the value is the row's null-mask bit
constexpr std::uint8_t Byte = 0x02;        // unsigned 8 bits
constexpr std::uint8_t Int = 0x03;         // signed 16 bits
constexpr std::uint8_t Long = 0x04;        // signed 32 bits
constexpr std::uint8_t Money = 0x05;       // signed 64 bits of ten-thousandths
constexpr std::uint8_t Float = 0x06;       // IEEE single
constexpr std::uint8_t Double = 0x07;      // IEEE double
constexpr std::uint8_t DateTime = 0x08;    // IEEE double of days since 1899-12-30
constexpr std::uint8_t Binary = 0x09;      // up to 255 bytes, variable
constexpr std::uint8_t Text = 0x0A;        // up to 255 characters, variable
constexpr std::uint8_t Ole = 0x0B;         // long binary (long value)
constexpr std::uint8_t Memo = 0x0C;        // long text (long value)
constexpr std::uint8_t Guid = 0x0F;        // 16 bytes, replication id
constexpr std::uint8_t Numeric = 0x10;     // 17 bytes: sign byte and a 128-bit magnitude, scaled
constexpr std::uint8_t Complex = 0x12;     // attachment / multi-valued: a 32-bit reference number
constexpr std::uint8_t BigInt = 0x13;      // signed 64 bits (ACE 16 and later)
constexpr std::uint8_t ExtDateTime = 0x14; // extended date/time: 42 ASCII characters

// Bytes a value of this type takes in the fixed part of a row; 0 for Yes/No (the null mask holds it)
// and for the types whose length the column descriptor gives (text, memo, binary, OLE, ...).
constexpr std::size_t fixedSize(std::uint8_t type)
{
    switch (type) {
    case Byte:
        return 1;
    case Int:
        return 2;
    case Long:
    case Float:
    case Complex:
        return 4;
    case Money:
    case Double:
    case DateTime:
    case BigInt:
        return 8;
    case Guid:
        return 16;
    case Numeric:
        return 17;
    default:
        return 0;
    }
}
} // namespace coltype

// Column descriptor flag bits.
namespace colflag {
constexpr std::uint8_t Fixed = 0x01;    // stored in the fixed part of the row
constexpr std::uint8_t Nullable = 0x02; // the column may be Null (clear: required)
constexpr std::uint8_t AutoLong = 0x04; // AutoNumber (long)
constexpr std::uint8_t Replication = 0x10;
constexpr std::uint8_t AutoGuid = 0x40; // AutoNumber (replication id)
constexpr std::uint8_t Hyperlink = 0x80;
// Extended flags (Jet 4 and later), the byte after the flags.
constexpr std::uint8_t CompressedUnicode = 0x01; // text may be stored in the compressed form
} // namespace colflag

// Physical index flags, the order byte of an index column, and logical index types.
namespace indexflag {
constexpr std::uint8_t Unique = 0x01;
constexpr std::uint8_t IgnoreNulls = 0x02;
constexpr std::uint8_t Required = 0x08;
constexpr std::uint8_t Ascending = 0x01;   // index column order byte
constexpr std::uint16_t NoColumn = 0xFFFF; // an unused index column slot
constexpr std::uint8_t PrimaryKey = 0x01;  // logical index type
constexpr std::uint8_t ForeignKey = 0x02;  // logical index type
} // namespace indexflag

// The row-offset entries of a data page carry two flags above the offset.
namespace rowflag {
constexpr std::uint16_t Deleted = 0x8000; // the row is gone (also set on an overflow row's target)
constexpr std::uint16_t Lookup = 0x4000;  // the row holds a 4-byte pointer to the row's real place
constexpr std::uint16_t OffsetMask = 0x1FFF;
} // namespace rowflag

// A row pointer ("data pointer") is 32 bits: the row number in the low byte, the page above it.
inline std::uint32_t pointerPage(std::uint32_t pointer)
{
    return pointer >> 8;
}
inline std::uint32_t pointerRow(std::uint32_t pointer)
{
    return pointer & 0xFF;
}
inline std::uint32_t makePointer(std::uint32_t page, std::uint32_t row)
{
    return (page << 8) | (row & 0xFF);
}

// The long-value (memo / OLE) reference stored in a row: 12 bytes.
namespace longvalue {
constexpr std::size_t ReferenceSize = 12;
constexpr std::size_t LengthOffset = 0;  // 32 bits: length in the low 30, the kind in the top two
constexpr std::size_t PointerOffset = 4; // row pointer to the first long-value row
constexpr std::uint32_t LengthMask = 0x3FFFFFFF;
constexpr std::uint32_t Inline = 0x80000000;     // the value follows the 12 bytes in the row
constexpr std::uint32_t SinglePage = 0x40000000; // the value is one whole long-value row
// Neither flag: a chain of rows, each starting with a row pointer to the next (0 ends it).
constexpr std::size_t ChainLinkSize = 4;
} // namespace longvalue

// Usage maps: a row (inline map) or a list of bitmap pages (referenced map).
namespace usagemap {
constexpr std::uint8_t InlineType = 0x00;    // type byte, 4-byte first page, then the bitmap
constexpr std::uint8_t ReferenceType = 0x01; // type byte, then 4-byte page numbers of bitmap pages
constexpr std::size_t InlineStartPage = 1;
constexpr std::size_t InlineBitmap = 5;
constexpr std::size_t ReferencePages = 1;
constexpr std::size_t BitmapPageData = 4; // the bitmap of a usage-map page starts here
} // namespace usagemap

// The catalog's own table definition.
constexpr std::uint32_t kCatalogPage = 2;
// Catalog object types and the flags that mark system objects.
constexpr std::int32_t kCatalogTypeTable = 1;
constexpr std::uint32_t kCatalogSystemFlags = 0x80000002;
constexpr std::int32_t kCatalogTypeLinkedTable = 6;    // a table of another Access file
constexpr std::uint32_t kCatalogPageMask = 0x00FFFFFF; // Id & mask = the table definition page

// Offsets and sizes that differ between the versions.
struct Layout {
    std::size_t pageSize;

    // Data page header.
    std::size_t dataFreeSpace;  // 16 bits
    std::size_t dataOwner;      // 32 bits: the table definition page ("LVAL" for long values)
    std::size_t dataRowCount;   // 16 bits
    std::size_t dataRowOffsets; // 16 bits per row, row 0 first; rows grow from the page's end

    // Table definition: header of the first page.
    std::size_t tdefNextPage;          // 32 bits: continuation page, 0 for none (each page has this header)
    std::size_t tdefPageHeader;        // bytes of each continuation page's header skipped when joining
    std::size_t tdefLength;            // 32 bits: length of the definition
    std::size_t tdefRowCount;          // 32 bits
    std::size_t tdefAutoNumber;        // 32 bits: next AutoNumber value
    std::size_t tdefTableType;         // 8 bits: 0x4E user, 0x53 system
    std::size_t tdefMaxColumns;        // 16 bits: columns a row can have (deleted ones included)
    std::size_t tdefVarColumns;        // 16 bits
    std::size_t tdefColumnCount;       // 16 bits
    std::size_t tdefLogicalIndexCount; // 32 bits
    std::size_t tdefRealIndexCount;    // 32 bits
    std::size_t tdefOwnedPages;        // 32 bits: row pointer to the owned-pages usage map
    std::size_t tdefFreeSpacePages;    // 32 bits: row pointer to the free-space usage map
    std::size_t tdefBlocks;            // the real-index row counts start here

    std::size_t realIndexCountSize; // per real index: [skip], 32-bit row count, [skip]
    std::size_t realIndexCountRows; // offset of the row count in that entry

    // Column descriptor (one per column, after the real-index counts).
    std::size_t columnSize;
    std::size_t columnType;        // 8 bits
    std::size_t columnNumber;      // 16 bits: null-mask bit; counts deleted columns
    std::size_t columnVarIndex;    // 16 bits: slot in the row's variable-offset table
    std::size_t columnIndex;       // 16 bits
    std::size_t columnSortOrder;   // 16 bits (text)
    std::size_t columnCodePage;    // 16 bits (Jet 3 text); 0 where absent
    std::size_t columnPrecision;   // 8 bits (numeric)
    std::size_t columnScale;       // 8 bits (numeric)
    std::size_t columnComplexId;   // 32 bits (ACE complex columns); 0 where absent
    std::size_t columnFlags;       // 8 bits
    std::size_t columnExtFlags;    // 8 bits; 0 where absent
    std::size_t columnFixedOffset; // 16 bits: from the start of the fixed part of the row
    std::size_t columnLength;      // 16 bits

    std::size_t nameLengthSize; // 1 (Jet 3: bytes of code page text) or 2 (UTF-16 bytes)

    // Real (physical) index descriptor.
    std::size_t realIndexSize;
    std::size_t realIndexColumns;   // 10 x (16-bit column number, 8-bit order)
    std::size_t realIndexUsageMap;  // 32 bits: row pointer
    std::size_t realIndexFirstPage; // 32 bits
    std::size_t realIndexFlags;     // 8 bits

    // Logical index descriptor.
    std::size_t logicalIndexSize;
    std::size_t logicalIndexNumber;         // 32 bits
    std::size_t logicalIndexRealIndex;      // 32 bits: which real index holds its entries
    std::size_t logicalIndexRelTableType;   // 8 bits
    std::size_t logicalIndexRelIndex;       // 32 bits
    std::size_t logicalIndexRelTable;       // 32 bits
    std::size_t logicalIndexCascadeUpdates; // 8 bits
    std::size_t logicalIndexCascadeDeletes; // 8 bits
    std::size_t logicalIndexType;           // 8 bits: 1 primary key, 2 foreign key

    // Rows.
    std::size_t rowColumnCountSize; // 1 or 2: leading column count, also the fixed part's start
    std::size_t rowVarOffsetSize;   // 1 (Jet 3, with a jump table) or 2

    // Usage maps.
    std::size_t usageMapInlineBytes; // bitmap bytes an inline map of a new table has
};

inline constexpr Layout kJet3Layout{
    .pageSize = 2048,
    .dataFreeSpace = 2,
    .dataOwner = 4,
    .dataRowCount = 8,
    .dataRowOffsets = 10,
    .tdefNextPage = 4,
    .tdefPageHeader = 8,
    .tdefLength = 8,
    .tdefRowCount = 12,
    .tdefAutoNumber = 16,
    .tdefTableType = 20,
    .tdefMaxColumns = 21,
    .tdefVarColumns = 23,
    .tdefColumnCount = 25,
    .tdefLogicalIndexCount = 27,
    .tdefRealIndexCount = 31,
    .tdefOwnedPages = 35,
    .tdefFreeSpacePages = 39,
    .tdefBlocks = 43,
    .realIndexCountSize = 8,
    .realIndexCountRows = 4,
    .columnSize = 18,
    .columnType = 0,
    .columnNumber = 1,
    .columnVarIndex = 3,
    .columnIndex = 5,
    .columnSortOrder = 9,
    .columnCodePage = 11,
    .columnPrecision = 11,
    .columnScale = 12,
    .columnComplexId = 0,
    .columnFlags = 13,
    .columnExtFlags = 0,
    .columnFixedOffset = 14,
    .columnLength = 16,
    .nameLengthSize = 1,
    .realIndexSize = 39,
    .realIndexColumns = 0,
    .realIndexUsageMap = 30,
    .realIndexFirstPage = 34,
    .realIndexFlags = 38,
    .logicalIndexSize = 20,
    .logicalIndexNumber = 0,
    .logicalIndexRealIndex = 4,
    .logicalIndexRelTableType = 8,
    .logicalIndexRelIndex = 9,
    .logicalIndexRelTable = 13,
    .logicalIndexCascadeUpdates = 17,
    .logicalIndexCascadeDeletes = 18,
    .logicalIndexType = 19,
    .rowColumnCountSize = 1,
    .rowVarOffsetSize = 1,
    .usageMapInlineBytes = 128,
};

inline constexpr Layout kJet4Layout{
    .pageSize = 4096,
    .dataFreeSpace = 2,
    .dataOwner = 4,
    .dataRowCount = 12,
    .dataRowOffsets = 14,
    .tdefNextPage = 4,
    .tdefPageHeader = 8,
    .tdefLength = 8,
    .tdefRowCount = 16,
    .tdefAutoNumber = 20,
    .tdefTableType = 40,
    .tdefMaxColumns = 41,
    .tdefVarColumns = 43,
    .tdefColumnCount = 45,
    .tdefLogicalIndexCount = 47,
    .tdefRealIndexCount = 51,
    .tdefOwnedPages = 55,
    .tdefFreeSpacePages = 59,
    .tdefBlocks = 63,
    .realIndexCountSize = 12,
    .realIndexCountRows = 4,
    .columnSize = 25,
    .columnType = 0,
    .columnNumber = 5,
    .columnVarIndex = 7,
    .columnIndex = 9,
    .columnSortOrder = 11,
    .columnCodePage = 0,
    .columnPrecision = 11,
    .columnScale = 12,
    .columnComplexId = 11,
    .columnFlags = 15,
    .columnExtFlags = 16,
    .columnFixedOffset = 21,
    .columnLength = 23,
    .nameLengthSize = 2,
    .realIndexSize = 52,
    .realIndexColumns = 4,
    .realIndexUsageMap = 34,
    .realIndexFirstPage = 38,
    .realIndexFlags = 46,
    .logicalIndexSize = 28,
    .logicalIndexNumber = 4,
    .logicalIndexRealIndex = 8,
    .logicalIndexRelTableType = 12,
    .logicalIndexRelIndex = 13,
    .logicalIndexRelTable = 17,
    .logicalIndexCascadeUpdates = 21,
    .logicalIndexCascadeDeletes = 22,
    .logicalIndexType = 23,
    .rowColumnCountSize = 2,
    .rowVarOffsetSize = 2,
    .usageMapInlineBytes = 64,
};

// The layout of a version: Jet 3 has its own, Jet 4 and every ACE version share one.
inline const Layout& layoutFor(Version version)
{
    return version == Version::Jet3 ? kJet3Layout : kJet4Layout;
}

constexpr std::size_t kIndexColumnSlots = 10; // a real index names up to 10 columns

} // namespace orrin::jet
