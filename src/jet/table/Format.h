#pragma once

// The layout of the pages above the pager: page types, the data page header, the table definition
// with its column and index descriptors, rows, long values, usage maps and index pages. Every
// offset a reader or a writer needs is here, once, with the differences between Jet 3 (2 KB pages,
// one-byte lengths) and Jet 4 / ACE (4 KB pages, two-byte lengths). Offsets count from the start of
// the page (table definition: from the start of its first page), unless a comment says otherwise.
// The first page has its own layout, beside the header (jet/base/Header.h).
//
// Every constant is spelled namespace::Name; the offsets that differ between versions are the
// fields of Layout.

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

// The head of every page after the first.
namespace pagehead {
constexpr std::size_t Type = 0;          // 8 bits: one of pagetype
constexpr std::size_t Mark = 1;          // 8 bits: MarkValue on data, definition and index pages
constexpr std::uint8_t MarkValue = 0x01; // the byte Access writes after the type
constexpr std::size_t FreeSpace = 2;     // 16 bits: the bytes of the page still free
} // namespace pagehead

// Data pages: the row-offset table follows the header (Layout::dataRowOffsets).
namespace datapage {
constexpr std::size_t RowOffsetSize = 2;             // 16 bits per row: offset and rowflag bits
constexpr std::size_t MaxRows = 255;                 // a row pointer has one byte for the row
constexpr std::uint32_t LongValueOwner = 0x4C41564C; // "LVAL" in place of the owner
} // namespace datapage

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

// A Decimal (coltype::Numeric) value: a sign byte, then the 128-bit magnitude as four 32-bit
// little-endian words, the most significant first; the column's scale places the decimal point.
namespace numeric {
constexpr std::size_t Sign = 0;         // 8 bits
constexpr std::uint8_t Negative = 0x80; // the sign byte of a negative value
constexpr std::size_t FirstWord = 1;    // the most significant word of the magnitude
constexpr std::size_t Words = 4;        // 32-bit words of the magnitude
// Where word n of the magnitude starts.
constexpr std::size_t wordAt(std::size_t word)
{
    return FirstWord + 4 * word;
}
} // namespace numeric

// Column descriptor flag bits.
namespace colflag {
constexpr std::uint8_t Fixed = 0x01;       // stored in the fixed part of the row
constexpr std::uint8_t Nullable = 0x02;    // the column may be Null (clear: required)
constexpr std::uint8_t AutoLong = 0x04;    // AutoNumber (long)
constexpr std::uint8_t Replication = 0x10; // a column kept for replication
constexpr std::uint8_t AutoGuid = 0x40;    // AutoNumber (replication id)
constexpr std::uint8_t Hyperlink = 0x80;   // a memo shown as a hyperlink
// Extended flags (Jet 4 and later), the byte after the flags.
constexpr std::uint8_t CompressedUnicode = 0x01; // text may be stored in the compressed form
} // namespace colflag

// Physical index flags, the order byte of an index column, and logical index types.
namespace indexflag {
constexpr std::uint8_t AlwaysSet = 0x80;   // the physical flags of every index since Access 2000
constexpr std::uint8_t Unique = 0x01;      // no two rows share a key
constexpr std::uint8_t IgnoreNulls = 0x02; // rows whose key is all Null are left out
constexpr std::uint8_t Required = 0x08;    // a key may not be Null
constexpr std::uint8_t Ascending = 0x01;   // index column order byte
constexpr std::uint16_t NoColumn = 0xFFFF; // an unused index column slot
constexpr std::uint8_t PrimaryKey = 0x01;  // logical index type
constexpr std::uint8_t ForeignKey = 0x02;  // logical index type
} // namespace indexflag

// The grbit of a relationship's rows in MSysRelationships.
namespace relationflag {
constexpr std::uint32_t NotEnforced = 0x00000002;    // referential integrity is not kept
constexpr std::uint32_t CascadeUpdates = 0x00000100; // a changed key changes the children's
constexpr std::uint32_t CascadeDeletes = 0x00001000; // a deleted row takes its children with it
} // namespace relationflag

// The row-offset entries of a data page carry two flags above the offset.
namespace rowflag {
constexpr std::uint16_t Deleted = 0x8000;    // the row is gone (also set on an overflow row's target)
constexpr std::uint16_t Lookup = 0x4000;     // the row holds a 4-byte pointer to the row's real place
constexpr std::uint16_t OffsetMask = 0x1FFF; // the row's offset in the page
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
constexpr std::size_t ReferenceSize = 12;        // bytes of the reference
constexpr std::size_t LengthOffset = 0;          // 32 bits: length in the low 30, the kind in the top two
constexpr std::size_t PointerOffset = 4;         // row pointer to the first long-value row
constexpr std::uint32_t LengthMask = 0x3FFFFFFF; // the length bits of the first 32
constexpr std::uint32_t Inline = 0x80000000;     // the value follows the 12 bytes in the row
constexpr std::uint32_t SinglePage = 0x40000000; // the value is one whole long-value row
// Neither flag: a chain of rows, each starting with a row pointer to the next (0 ends it).
constexpr std::size_t ChainLinkSize = 4; // the row pointer that starts each row of a chain
} // namespace longvalue

// Usage maps: a row (inline map) or a list of bitmap pages (referenced map).
namespace usagemap {
constexpr std::uint8_t InlineType = 0x00;    // type byte, 4-byte first page, then the bitmap
constexpr std::uint8_t ReferenceType = 0x01; // type byte, then 4-byte page numbers of bitmap pages
constexpr std::size_t InlineStartPage = 1;
constexpr std::size_t InlineBitmap = 5;
constexpr std::size_t ReferencePages = 1;
constexpr std::size_t PageNumberSize = 4; // each page number of a reference map
constexpr std::size_t BitmapPageMark = 1; // byte 1 of a usage-map page: always BitmapPageMarkValue
constexpr std::uint8_t BitmapPageMarkValue = 0x01;
constexpr std::size_t BitmapPageData = 4; // the bitmap of a usage-map page starts here
// The file's global map of free pages: row 0 of page 1. A set bit marks a free page; pages past the
// end of the file count as free.
constexpr std::uint32_t GlobalMapPage = 1;
constexpr std::uint32_t GlobalMapRow = 0;
// Room an inline global map leaves for the file to grow, in bytes of bitmap, when it is widened.
constexpr std::size_t GlobalMapSpare = 64;
} // namespace usagemap

// The catalog (MSysObjects): its own table definition, object types and the flags that mark
// system objects.
namespace catalog {
constexpr std::uint32_t DefinitionPage = 2;       // the catalog's own table definition
constexpr std::int32_t TypeTable = 1;             // Type of a table's row
constexpr std::int32_t TypeLinkedTable = 6;       // Type of a table of another Access file
constexpr std::uint32_t SystemFlags = 0x80000002; // Flags bits of system objects
constexpr std::uint32_t PageMask = 0x00FFFFFF;    // Id & mask = the table definition page
} // namespace catalog

// Values Access writes into every table definition and its descriptors.
namespace tabledef {
constexpr std::uint32_t Magic = 1625;            // after the length, in each column and logical index
constexpr std::size_t MagicAfterLength = 4;      // the table's magic: this far after Layout::tdefLength
constexpr std::size_t ColumnMagic = 1;           // a column descriptor's magic: this far into it
constexpr std::size_t AutoNumberFlag = 4;        // 8 bits, this far after Layout::tdefAutoNumber: 0x01
constexpr std::uint8_t AutoNumberOn = 0x01;      // lets Access number AutoNumber fields
constexpr std::uint32_t IndexMagic = 1923;       // the first 32 bits of a real index descriptor
constexpr std::uint32_t NoRelation = 0xFFFFFFFF; // a logical index's related index when it has none
constexpr std::uint8_t UserTable = 0x4E;         // Layout::tdefTableType of a user table
constexpr std::uint8_t SystemTable = 0x53;       // Layout::tdefTableType of a system table
constexpr std::size_t NameLengthSize = 2;        // 16 bits before each name (Jet 4: UTF-16 bytes)
constexpr std::size_t SortOrderSize = 4;         // a text column's sort order at Layout::columnSortOrder
constexpr std::size_t TableMaps = 2;             // usage-map rows of a table: owned pages, free space
constexpr std::uint16_t End = 0xFFFF;            // the two bytes that end a definition
// A definition page's free space is counted this many bytes short of the unused tail.
constexpr std::size_t FreeSpaceSlack = 8;
} // namespace tabledef

// A column's own usage maps (memo and OLE columns), listed after the index names: the column
// number, then row pointers to its owned-pages and free-space maps.
namespace columnmaps {
constexpr std::size_t Number = 0;     // 16 bits
constexpr std::size_t OwnedPages = 2; // 32 bits: row pointer
constexpr std::size_t FreeSpace = 6;  // 32 bits: row pointer
constexpr std::size_t Size = 10;      // bytes of one entry
} // namespace columnmaps

// A column slot of a real index descriptor (Layout::realIndexColumns, ColumnSlots of them).
namespace indexcolumn {
constexpr std::size_t ColumnSlots = 10; // a real index names up to 10 columns
constexpr std::size_t Number = 0;       // 16 bits: the column number, indexflag::NoColumn unused
constexpr std::size_t Order = 2;        // 8 bits: indexflag::Ascending or 0
constexpr std::size_t Size = 3;         // bytes of one slot
} // namespace indexcolumn

// Rows of Jet 4 and ACE: the column count (Layout::rowColumnCountSize), the fixed part, the
// variable part, then from the end backwards: the null mask, the count of variable columns (16
// bits), and the variable offsets (16 bits each, slot 0 nearest the count), the last one the end
// of the variable part. Jet 3 rows keep one-byte offsets with a jump entry per JumpSpan bytes.
namespace rowlayout {
constexpr std::size_t VarCountSize = 2; // the count of variable columns (Jet 4 and ACE)
constexpr std::size_t JumpSpan = 256;   // Jet 3: bytes of row per jump-table entry

// The bytes of the null mask of a row with this many columns: one bit per column.
constexpr std::size_t nullMaskSize(std::size_t columns)
{
    return (columns + 7) / 8;
}

// Jet 4 rows: where the 16-bit offset of variable slot lies when the null mask starts at tail
// (slot = the variable column count: the end of the variable part).
constexpr std::size_t varOffsetAt(std::size_t tail, std::size_t slot)
{
    return tail - VarCountSize - 2 * (slot + 1);
}
} // namespace rowlayout

// An object's properties (the catalog's LvProp value): a 4-byte mark ("MR2" or "KKD" with a zero),
// then blocks. Each block: a 32-bit length (counting its head), a 16-bit type, then either the
// property names (NameListType: names, each a 16-bit byte count and the text) or the owner's name
// (a 32-bit length counting itself, then a name) and values. Each value: a 16-bit length, a DDL
// flag, the value's column type, the 16-bit place of its name in the name list, the 16-bit size of
// its data, then the data.
namespace properties {
constexpr std::size_t MarkSize = 4;          // "MR2" or "KKD" and a zero byte
constexpr std::size_t BlockLength = 0;       // 32 bits, from the block's start
constexpr std::size_t BlockType = 4;         // 16 bits
constexpr std::size_t BlockHead = 6;         // the bytes before a block's contents
constexpr std::uint16_t NameListType = 0x80; // the block of property names
constexpr std::uint16_t ObjectBlockType = 0; // the values of the object itself
constexpr std::uint16_t ColumnBlockType = 1; // the values of one column
constexpr std::size_t NameLengthSize = 2;    // 16 bits before each name
constexpr std::size_t OwnerLengthSize = 4;   // 32 bits before the owner's name
constexpr std::size_t ValueLength = 0;       // 16 bits, from the value's start
constexpr std::size_t ValueDdl = 2;          // 8 bits
constexpr std::size_t ValueType = 3;         // 8 bits: a coltype
constexpr std::size_t ValueName = 4;         // 16 bits
constexpr std::size_t ValueSize = 6;         // 16 bits
constexpr std::size_t ValueHead = 8;         // the bytes before a value's data
constexpr std::uint8_t DdlValue = 1;         // in ValueDdl: a property the engine itself keeps
} // namespace properties

// Index pages of Jet 4 and ACE files (types pagetype::IndexNode and pagetype::IndexLeaf). Entries
// are a key followed by the row's pointer (data page, 3 bytes, and row, 1 byte, both big-endian);
// entries of node pages then give the child page (4 bytes, big-endian).
namespace indexpage {
constexpr std::size_t FreeSpace = 2;       // 16 bits
constexpr std::size_t TableDefinition = 4; // 32 bits: the table the index belongs to
constexpr std::size_t Previous = 12;       // 32 bits: the page before on the same level, or 0
constexpr std::size_t Next = 16;           // 32 bits: the page after on the same level, or 0
constexpr std::size_t ChildTail = 20;      // 32 bits: node pages, the last child
constexpr std::size_t PrefixLength = 24;   // 16 bits: leading bytes every entry shares
constexpr std::size_t EntryMask = 27;      // bit n set where an entry ends n bytes into the entries
constexpr std::size_t EntryMaskSize = 453; // bytes
constexpr std::size_t Entries = EntryMask + EntryMaskSize; // 480: the first entry
constexpr std::size_t RowPage = 0;                         // in an entry's pointers: 24 bits big-endian
constexpr std::size_t RowNumber = 3;                       // 8 bits
constexpr std::size_t Child = 4;                           // 32 bits big-endian, node pages
constexpr std::size_t RowPointerSize = 4;                  // data page and row, after every key
constexpr std::size_t ChildPointerSize = 4; // the child page, after the row pointer (node pages)

// The bytes of entries one page of pageSize bytes holds (after prefix compression): bounded by the
// page and by what the bitmap can mark.
constexpr std::size_t entryCapacity(std::size_t pageSize)
{
    const std::size_t room = pageSize - Entries;
    return room < EntryMaskSize * 8 ? room : EntryMaskSize * 8;
}
} // namespace indexpage

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
    std::size_t tdefTableType;         // 8 bits: tabledef::UserTable or SystemTable
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
    std::size_t realIndexColumns;   // indexcolumn::ColumnSlots entries of indexcolumn::Size
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
    .pageSize = header::PageSizeJet3,
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
    .pageSize = header::PageSizeJet4,
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

} // namespace orrin::jet
