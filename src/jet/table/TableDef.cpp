#include "jet/table/TableDef.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/base/Text.h"
#include "jet/table/Format.h"

#include <algorithm>
#include <set>

namespace orrin::jet {

namespace {

// Reads fixed-width fields of the joined definition, checking each against its end.
class DefinitionReader {
  public:
    explicit DefinitionReader(const TableDef& def) : m_def(def) {}

    void need(std::size_t offset, std::size_t size, const char* what) const
    {
        if (offset > m_def.bytes.size() || size > m_def.bytes.size() - offset)
            throw damaged(m_def.fileName, m_def.pageAt(std::min(offset, m_def.bytes.size())),
                          std::string("the table definition ends inside ") + what);
    }
    std::uint8_t u8(std::size_t offset, const char* what) const
    {
        need(offset, 1, what);
        return m_def.bytes[offset];
    }
    std::uint16_t u16(std::size_t offset, const char* what) const
    {
        need(offset, 2, what);
        return decodeFixed16(m_def.bytes.data() + offset);
    }
    std::uint32_t u32(std::size_t offset, const char* what) const
    {
        need(offset, 4, what);
        return decodeFixed32(m_def.bytes.data() + offset);
    }
    // A name: its length (1 or 2 bytes) and its text; returns the offset after it.
    std::size_t name(std::size_t offset, const Layout& layout, std::uint16_t codePage, std::string& out) const
    {
        const std::size_t length = layout.nameLengthSize == 1 ? u8(offset, "a name") : u16(offset, "a name");
        offset += layout.nameLengthSize;
        need(offset, length, "a name");
        const std::span<const std::uint8_t> text(m_def.bytes.data() + offset, length);
        if (layout.nameLengthSize == 1) {
            decodeCodePageText(text, codePage, out);
        } else {
            out.clear();
            appendUtf16(text, out);
        }
        return offset + length;
    }

  private:
    const TableDef& m_def;
};

} // namespace

bool ColumnDef::isFixed() const
{
    return (flags & colflag::Fixed) != 0;
}

std::size_t ColumnDef::fixedWidth() const
{
    if (type == coltype::Boolean)
        return 0;
    const std::size_t size = coltype::fixedSize(type);
    return size != 0 ? size : length;
}

bool ColumnDef::isLongValue() const
{
    return type == coltype::Memo || type == coltype::Ole;
}

std::uint16_t ColumnDef::textLength(Version version) const
{
    return isJet4Family(version) ? static_cast<std::uint16_t>(length / 2) : length;
}

std::string ColumnDef::storeType(Version version) const
{
    switch (type) {
    case coltype::Boolean:
        return "YESNO";
    case coltype::Byte:
        return "BYTE";
    case coltype::Int:
        return "SHORT";
    case coltype::Long:
        return "LONG";
    case coltype::Money:
        return "CURRENCY";
    case coltype::Float:
        return "SINGLE";
    case coltype::Double:
        return "DOUBLE";
    case coltype::DateTime:
        return "DATETIME";
    case coltype::Text:
        return "TEXT(" + std::to_string(textLength(version)) + ")";
    case coltype::Memo:
        return "MEMO";
    case coltype::Guid:
        return "TEXT(38)";
    case coltype::Numeric:
    case coltype::BigInt:
        return "DOUBLE";
    case coltype::Complex:
        return "LONG";
    case coltype::ExtDateTime:
        return "TEXT(42)";
    default:
        return "BLOB"; // binary, OLE and kinds we keep as their bytes
    }
}

bool RealIndexDef::unique() const
{
    return (flags & indexflag::Unique) != 0;
}
bool RealIndexDef::ignoreNulls() const
{
    return (flags & indexflag::IgnoreNulls) != 0;
}
bool RealIndexDef::required() const
{
    return (flags & indexflag::Required) != 0;
}
bool LogicalIndexDef::primaryKey() const
{
    return type == indexflag::PrimaryKey;
}
bool LogicalIndexDef::foreignKey() const
{
    return type == indexflag::ForeignKey;
}

std::uint32_t TableDef::pageAt(std::size_t offset) const
{
    const Layout& layout = layoutFor(version);
    if (pages.empty())
        return page;
    if (offset < layout.pageSize)
        return pages.front();
    const std::size_t continued = (offset - layout.pageSize) / (layout.pageSize - layout.tdefPageHeader) + 1;
    return pages[std::min(continued, pages.size() - 1)];
}

const ColumnDef* TableDef::columnByNumber(std::uint16_t number) const
{
    for (const auto& c : columns) {
        if (c.number == number)
            return &c;
    }
    return nullptr;
}

int TableDef::columnIndex(std::string_view name) const
{
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (sameName(columns[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

TableDef TableDef::read(const PageFile& file, std::uint32_t first)
{
    const Layout& layout = layoutFor(file.header().version);
    TableDef def;
    def.fileName = file.fileName();
    def.version = file.header().version;
    def.page = first;

    // Join the pages; a page seen twice means the chain loops.
    std::set<std::uint32_t> seen;
    for (std::uint32_t at = first; at != 0;) {
        if (at >= file.pageCount())
            throw damaged(file.fileName(), at, "a table definition continues past the end of the file");
        if (!seen.insert(at).second)
            throw damaged(file.fileName(), at, "the table definition's pages loop");
        const auto page = file.page(at);
        if (page[pagehead::Type] != pagetype::TableDef)
            throw damaged(file.fileName(), at,
                          "expected a table definition page, found page type " +
                              std::to_string(page[pagehead::Type]));
        const std::size_t from = def.pages.empty() ? 0 : layout.tdefPageHeader;
        def.bytes.insert(def.bytes.end(), page.begin() + static_cast<std::ptrdiff_t>(from), page.end());
        def.pages.push_back(at);
        at = decodeFixed32(page.data() + layout.tdefNextPage);
    }

    const DefinitionReader in(def);
    def.length = in.u32(layout.tdefLength, "its header");
    def.rowCount = in.u32(layout.tdefRowCount, "its header");
    def.autoNumber = in.u32(layout.tdefAutoNumber, "its header");
    def.tableType = in.u8(layout.tdefTableType, "its header");
    def.maxColumns = in.u16(layout.tdefMaxColumns, "its header");
    def.varColumnCount = in.u16(layout.tdefVarColumns, "its header");
    def.columnCount = in.u16(layout.tdefColumnCount, "its header");
    def.logicalIndexCount = in.u32(layout.tdefLogicalIndexCount, "its header");
    def.realIndexCount = in.u32(layout.tdefRealIndexCount, "its header");
    def.ownedPages = in.u32(layout.tdefOwnedPages, "its header");
    def.freeSpacePages = in.u32(layout.tdefFreeSpacePages, "its header");
    // Counts that could not fit a definition of this size are damage, not a reason to allocate.
    if (def.realIndexCount > def.bytes.size() / layout.realIndexCountSize ||
        def.logicalIndexCount > def.bytes.size() / layout.logicalIndexSize ||
        def.columnCount > def.bytes.size() / layout.columnSize)
        throw damaged(file.fileName(), first, "the table definition's column or index counts do not fit it");

    std::size_t at = layout.tdefBlocks;
    def.realIndexes.resize(def.realIndexCount);
    for (auto& index : def.realIndexes) {
        index.countOffset = at;
        index.rowCount = in.u32(at + layout.realIndexCountRows, "the index counts");
        at += layout.realIndexCountSize;
    }

    def.columnsOffset = at;
    const bool complexIds = file.header().version != Version::Jet3 && file.header().version != Version::Jet4;
    def.columns.resize(def.columnCount);
    for (auto& column : def.columns) {
        in.need(at, layout.columnSize, "a column descriptor");
        column.descriptorOffset = at;
        column.type = in.u8(at + layout.columnType, "a column descriptor");
        column.number = in.u16(at + layout.columnNumber, "a column descriptor");
        column.varIndex = in.u16(at + layout.columnVarIndex, "a column descriptor");
        column.index = in.u16(at + layout.columnIndex, "a column descriptor");
        column.sortOrder = in.u16(at + layout.columnSortOrder, "a column descriptor");
        if (layout.columnCodePage != 0)
            column.codePage = in.u16(at + layout.columnCodePage, "a column descriptor");
        column.precision = in.u8(at + layout.columnPrecision, "a column descriptor");
        column.scale = in.u8(at + layout.columnScale, "a column descriptor");
        if (complexIds && column.type == coltype::Complex)
            column.complexId = in.u32(at + layout.columnComplexId, "a column descriptor");
        column.flags = in.u8(at + layout.columnFlags, "a column descriptor");
        if (layout.columnExtFlags != 0)
            column.extFlags = in.u8(at + layout.columnExtFlags, "a column descriptor");
        column.fixedOffset = in.u16(at + layout.columnFixedOffset, "a column descriptor");
        column.length = in.u16(at + layout.columnLength, "a column descriptor");
        at += layout.columnSize;
    }
    def.columnNamesOffset = at;
    const std::uint16_t nameCodePage = file.header().codePage;
    for (auto& column : def.columns)
        at = in.name(at, layout, nameCodePage, column.name);

    // Columns in number order: the order they were made in, which is the order Access keeps them
    // in (a column deleted and made again comes last). descriptorOffset keeps their place.
    std::stable_sort(def.columns.begin(), def.columns.end(),
                     [](const ColumnDef& a, const ColumnDef& b) { return a.number < b.number; });

    def.realIndexesOffset = at;
    for (auto& index : def.realIndexes) {
        in.need(at, layout.realIndexSize, "an index descriptor");
        index.descriptorOffset = at;
        for (std::size_t slot = 0; slot < indexcolumn::ColumnSlots; ++slot) {
            const std::size_t s = at + layout.realIndexColumns + indexcolumn::Size * slot;
            const std::uint16_t number = in.u16(s + indexcolumn::Number, "an index descriptor");
            if (number == indexflag::NoColumn)
                continue;
            index.columns.push_back(IndexColumn{
                number, (in.u8(s + indexcolumn::Order, "an index descriptor") & indexflag::Ascending) != 0});
        }
        index.usageMap = in.u32(at + layout.realIndexUsageMap, "an index descriptor");
        index.firstPage = in.u32(at + layout.realIndexFirstPage, "an index descriptor");
        index.flags = in.u8(at + layout.realIndexFlags, "an index descriptor");
        at += layout.realIndexSize;
    }

    def.logicalIndexesOffset = at;
    def.indexes.resize(def.logicalIndexCount);
    for (auto& index : def.indexes) {
        in.need(at, layout.logicalIndexSize, "an index descriptor");
        index.descriptorOffset = at;
        index.number = in.u32(at + layout.logicalIndexNumber, "an index descriptor");
        index.realIndex = in.u32(at + layout.logicalIndexRealIndex, "an index descriptor");
        index.relTableType = in.u8(at + layout.logicalIndexRelTableType, "an index descriptor");
        index.relIndex = in.u32(at + layout.logicalIndexRelIndex, "an index descriptor");
        index.relTable = in.u32(at + layout.logicalIndexRelTable, "an index descriptor");
        index.cascadeUpdates = in.u8(at + layout.logicalIndexCascadeUpdates, "an index descriptor");
        index.cascadeDeletes = in.u8(at + layout.logicalIndexCascadeDeletes, "an index descriptor");
        index.type = in.u8(at + layout.logicalIndexType, "an index descriptor");
        if (index.realIndex >= def.realIndexes.size())
            throw damaged(file.fileName(), def.pageAt(at),
                          "index " + std::to_string(index.number) + " names a missing physical index");
        at += layout.logicalIndexSize;
    }
    def.indexNamesOffset = at;
    for (auto& index : def.indexes)
        at = in.name(at, layout, nameCodePage, index.name);

    // The columns' own usage maps (long values), ended by 0xFFFF or by the end of the definition.
    def.columnUsageMapsOffset = at;
    while (at + sizeof tabledef::End <= def.bytes.size()) {
        const std::uint16_t number = in.u16(at + columnmaps::Number, "a column usage map");
        if (number == tabledef::End) {
            at += sizeof tabledef::End;
            break;
        }
        if (at + columnmaps::Size > def.bytes.size())
            break;
        def.columnUsageMaps.push_back(
            ColumnUsageMaps{number, in.u32(at + columnmaps::OwnedPages, "a column usage map"),
                            in.u32(at + columnmaps::FreeSpace, "a column usage map")});
        at += columnmaps::Size;
    }
    def.endOffset = at;

    for (const auto& column : def.columns) {
        if (column.isFixed() && column.type != coltype::Boolean &&
            std::size_t(column.fixedOffset) + column.length > layout.pageSize)
            throw damaged(file.fileName(), first, "column " + column.name + " lies outside any row");
    }
    return def;
}

} // namespace orrin::jet
