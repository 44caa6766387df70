#include "jet/write/TableCreator.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/base/Text.h"
#include "jet/index/IndexBuilder.h"
#include "jet/pager/FileProtection.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/table/TableCursor.h"
#include "jet/write/FieldWriter.h"
#include "jet/write/TableWriter.h"
#include "jet/write/UsageMapWriter.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <set>

namespace orrin::jet {

namespace {

constexpr std::size_t kMaxNameLength = 64;
constexpr std::int32_t kDatabaseContainerParent = 0x0F000000;
constexpr std::int32_t kFullAccess = 1048575; // the access mask a new table's owner gets
// The "Admin" user's id, for a file whose MSysDb row names no owner.
const std::vector<std::uint8_t> kDefaultOwner{0xA6, 0x33};

// The plain pages of the new file while it is being made.
class MemoryPages : public PageStore {
  public:
    MemoryPages(const PageFile& file, std::size_t pageSize) : m_pageSize(pageSize), m_name(file.fileName())
    {
        for (std::uint32_t n = 0; n < file.pageCount(); ++n) {
            const auto p = file.page(n);
            m_pages.emplace_back(p.begin(), p.end());
        }
        for (const std::uint32_t p : readGlobalFreePages(*this))
            m_free.insert(p);
    }

    std::span<const std::uint8_t> page(std::uint32_t n) override { return changePage(n); }
    std::span<std::uint8_t> changePage(std::uint32_t n) override
    {
        while (m_pages.size() <= n)
            m_pages.emplace_back(m_pageSize, 0);
        return m_pages[n];
    }
    std::uint32_t allocatePage() override
    {
        std::uint32_t n;
        if (!m_free.empty()) {
            n = *m_free.begin();
            m_free.erase(m_free.begin());
        } else {
            n = static_cast<std::uint32_t>(m_pages.size());
        }
        auto bytes = changePage(n);
        std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
        return n;
    }
    std::uint32_t pageCount() const override { return static_cast<std::uint32_t>(m_pages.size()); }
    const std::string& fileName() const override { return m_name; }

    std::vector<std::vector<std::uint8_t>>& pages() { return m_pages; }
    std::vector<std::uint32_t> freePages() const { return {m_free.begin(), m_free.end()}; }

  private:
    std::size_t m_pageSize;
    std::string m_name;
    std::vector<std::vector<std::uint8_t>> m_pages;
    std::set<std::uint32_t> m_free;
};

bool isFixedType(std::uint8_t type)
{
    return type != coltype::Text && type != coltype::Memo && type != coltype::Binary && type != coltype::Ole;
}

void checkName(const std::string& name, const std::string& what)
{
    if (name.empty() || utf16Length(name) > kMaxNameLength)
        throw Error(Failure::Unsupported,
                    "The name of " + what + " \"" + name + "\" is empty or longer than 64 characters.");
}

void putName(std::vector<std::uint8_t>& out, const std::string& name)
{
    std::vector<std::uint8_t> text;
    encodeUnicodeText(name, false, text);
    const std::size_t at = out.size();
    out.resize(at + tabledef::NameLengthSize);
    encodeFixed16(&out[at], static_cast<std::uint16_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v)
{
    encodeFixed16(&out[at], v);
}
void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v)
{
    encodeFixed32(&out[at], v);
}

// A row pointer's 4 bytes: the row number, then the page in three bytes.
std::uint32_t rowPointer(std::uint32_t page, std::uint8_t row)
{
    return makePointer(page, row);
}

// Where the pages of one new table are.
struct Placement {
    std::uint32_t definition = 0;
    std::uint32_t usageMaps = 0;
    std::vector<std::uint32_t> indexRoots;
    std::size_t longValueColumns = 0; // memo fields, each with two maps after the indexes' maps
};

bool isLongValueType(std::uint8_t type)
{
    return type == coltype::Memo || type == coltype::Ole;
}

// The usage-map page of a new table: row 0 its owned pages (a reference map, still without bitmap
// pages), row 1 its pages with free space (inline, empty), then one inline map per index holding
// the index's root page, then for each memo field the maps of its long-value pages (owned, with
// free space; inline, empty).
std::vector<std::uint8_t> usageMapPage(const Layout& layout, const Placement& place)
{
    std::vector<std::uint8_t> page(layout.pageSize, 0);
    const std::size_t rowLength = usagemap::InlineBitmap + layout.usageMapInlineBytes;
    const std::size_t rows = tabledef::TableMaps + place.indexRoots.size() + 2 * place.longValueColumns;
    page[pagehead::Type] = pagetype::Data;
    page[pagehead::Mark] = pagehead::MarkValue;
    std::size_t start = layout.pageSize;
    for (std::size_t r = 0; r < rows; ++r) {
        start -= rowLength;
        put16(page, layout.dataRowOffsets + datapage::RowOffsetSize * r, static_cast<std::uint16_t>(start));
        if (r == 0) {
            page[start] = usagemap::ReferenceType;
        } else {
            page[start] = usagemap::InlineType;
            if (r >= tabledef::TableMaps && r < tabledef::TableMaps + place.indexRoots.size()) {
                put32(page, start + usagemap::InlineStartPage, place.indexRoots[r - tabledef::TableMaps]);
                page[start + usagemap::InlineBitmap] = 0x01;
            }
        }
    }
    const std::size_t used = layout.dataRowOffsets + rows * (rowLength + datapage::RowOffsetSize);
    put16(page, layout.dataFreeSpace, static_cast<std::uint16_t>(layout.pageSize - used));
    put16(page, layout.dataRowCount, static_cast<std::uint16_t>(rows));
    return page;
}

// The definition of a new table, joined (as TableDef::bytes holds it).
std::vector<std::uint8_t> definitionBytes(const Layout& layout, const NewTable& table, const Placement& place,
                                          const std::uint8_t textSortOrder[tabledef::SortOrderSize])
{
    std::vector<std::uint8_t> out;
    out.reserve(2 * layout.pageSize);
    out.resize(layout.tdefBlocks, 0);
    out[pagehead::Type] = pagetype::TableDef;
    out[pagehead::Mark] = pagehead::MarkValue;
    put32(out, layout.tdefLength + tabledef::MagicAfterLength, tabledef::Magic);
    out[layout.tdefAutoNumber + tabledef::AutoNumberFlag] = tabledef::AutoNumberOn;
    out[layout.tdefTableType] = tabledef::UserTable;
    std::uint16_t varColumns = 0;
    for (const auto& c : table.columns)
        varColumns += isFixedType(c.type) ? 0 : 1;
    const auto columnCount = static_cast<std::uint16_t>(table.columns.size());
    put16(out, layout.tdefMaxColumns, columnCount);
    put16(out, layout.tdefVarColumns, varColumns);
    put16(out, layout.tdefColumnCount, columnCount);
    put32(out, layout.tdefLogicalIndexCount, static_cast<std::uint32_t>(table.indexes.size()));
    put32(out, layout.tdefRealIndexCount, static_cast<std::uint32_t>(table.indexes.size()));
    put32(out, layout.tdefOwnedPages, rowPointer(place.usageMaps, 0));
    put32(out, layout.tdefFreeSpacePages, rowPointer(place.usageMaps, 1));
    out.resize(out.size() + table.indexes.size() * layout.realIndexCountSize, 0);

    // Columns: fixed ones at rising offsets, variable ones in rising slots (long values last).
    std::uint16_t fixedOffset = 0;
    std::uint16_t varSlot = 0;
    std::uint16_t longSlot = 0;
    for (const auto& c : table.columns)
        longSlot += (c.type == coltype::Text || c.type == coltype::Binary) ? 1 : 0;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        const NewColumn& c = table.columns[i];
        const std::size_t at = out.size();
        out.resize(at + layout.columnSize, 0);
        out[at + layout.columnType] = c.type;
        put32(out, at + tabledef::ColumnMagic, tabledef::Magic);
        put16(out, at + layout.columnNumber, static_cast<std::uint16_t>(i));
        put16(out, at + layout.columnIndex, static_cast<std::uint16_t>(i));
        const bool fixed = isFixedType(c.type);
        std::uint16_t slot = varSlot;
        if (!fixed)
            slot = c.type == coltype::Memo ? longSlot++ : varSlot++;
        put16(out, at + layout.columnVarIndex, slot);
        if (c.type == coltype::Text || c.type == coltype::Memo)
            std::copy(textSortOrder, textSortOrder + tabledef::SortOrderSize,
                      out.begin() + static_cast<std::ptrdiff_t>(at + layout.columnSortOrder));
        out[at + layout.columnFlags] = static_cast<std::uint8_t>(
            colflag::Nullable | (fixed ? colflag::Fixed : 0) | (c.autoNumber ? colflag::AutoLong : 0));
        if (c.type == coltype::Text || c.type == coltype::Memo)
            out[at + layout.columnExtFlags] = colflag::CompressedUnicode;
        if (fixed) {
            put16(out, at + layout.columnFixedOffset, fixedOffset);
            fixedOffset = static_cast<std::uint16_t>(fixedOffset + coltype::fixedSize(c.type));
            put16(out, at + layout.columnLength, static_cast<std::uint16_t>(coltype::fixedSize(c.type)));
        } else if (c.type == coltype::Text) {
            put16(out, at + layout.columnLength, static_cast<std::uint16_t>(2 * c.length));
        }
        if (c.type == coltype::Numeric) {
            out[at + layout.columnPrecision] = c.precision;
            out[at + layout.columnScale] = c.scale;
        }
    }
    for (const auto& c : table.columns)
        putName(out, c.name);

    // Real index descriptors, then the logical ones (one each), then the index names.
    for (std::size_t i = 0; i < table.indexes.size(); ++i) {
        const NewIndex& index = table.indexes[i];
        const std::size_t at = out.size();
        out.resize(at + layout.realIndexSize, 0);
        put32(out, at, tabledef::IndexMagic);
        for (std::size_t slot = 0; slot < indexcolumn::ColumnSlots; ++slot) {
            const std::size_t s = at + layout.realIndexColumns + indexcolumn::Size * slot;
            if (slot >= index.columns.size()) {
                put16(out, s + indexcolumn::Number, indexflag::NoColumn);
                continue;
            }
            std::size_t number = 0;
            while (!sameName(table.columns[number].name, index.columns[slot]))
                ++number;
            put16(out, s + indexcolumn::Number, static_cast<std::uint16_t>(number));
            out[s + indexcolumn::Order] = indexflag::Ascending;
        }
        put32(out, at + layout.realIndexUsageMap,
              rowPointer(place.usageMaps, static_cast<std::uint8_t>(tabledef::TableMaps + i)));
        put32(out, at + layout.realIndexFirstPage, place.indexRoots[i]);
        std::uint8_t flags = indexflag::AlwaysSet;
        if (index.primaryKey || index.unique)
            flags |= indexflag::Unique;
        if (index.primaryKey || index.required)
            flags |= indexflag::Required;
        if (index.ignoreNulls)
            flags |= indexflag::IgnoreNulls;
        out[at + layout.realIndexFlags] = flags;
    }
    for (std::size_t i = 0; i < table.indexes.size(); ++i) {
        const std::size_t at = out.size();
        out.resize(at + layout.logicalIndexSize, 0);
        put32(out, at, tabledef::Magic);
        put32(out, at + layout.logicalIndexNumber, static_cast<std::uint32_t>(i));
        put32(out, at + layout.logicalIndexRealIndex, static_cast<std::uint32_t>(i));
        put32(out, at + layout.logicalIndexRelIndex, tabledef::NoRelation);
        if (table.indexes[i].primaryKey)
            out[at + layout.logicalIndexType] = indexflag::PrimaryKey;
    }
    for (const auto& index : table.indexes)
        putName(out, index.name);
    // Each memo field's own maps: its number, then the row pointers of its two maps.
    std::size_t mapRow = tabledef::TableMaps + table.indexes.size();
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (!isLongValueType(table.columns[i].type))
            continue;
        const std::size_t at = out.size();
        out.resize(at + columnmaps::Size, 0);
        put16(out, at + columnmaps::Number, static_cast<std::uint16_t>(i));
        put32(out, at + columnmaps::OwnedPages,
              rowPointer(place.usageMaps, static_cast<std::uint8_t>(mapRow++)));
        put32(out, at + columnmaps::FreeSpace,
              rowPointer(place.usageMaps, static_cast<std::uint8_t>(mapRow++)));
    }
    out.resize(out.size() + sizeof tabledef::End);
    encodeFixed16(&out[out.size() - sizeof tabledef::End], tabledef::End);
    put32(out, layout.tdefLength, static_cast<std::uint32_t>(out.size()));
    return out;
}

// Splits a joined definition over its first page and as many continuation pages as it needs.
void storeDefinition(MemoryPages& pages, const Layout& layout, std::uint32_t first,
                     const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t current = first;
    std::size_t from = 0;
    bool firstPage = true;
    while (true) {
        auto page = pages.changePage(current);
        std::fill(page.begin(), page.end(), std::uint8_t{0});
        std::size_t to = 0;
        if (!firstPage) {
            page[pagehead::Type] = pagetype::TableDef;
            page[pagehead::Mark] = pagehead::MarkValue;
            to = layout.tdefPageHeader;
        }
        const std::size_t take = std::min(layout.pageSize - to, bytes.size() - from);
        std::copy(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                  bytes.begin() + static_cast<std::ptrdiff_t>(from + take),
                  page.begin() + static_cast<std::ptrdiff_t>(to));
        from += take;
        const std::size_t unused = layout.pageSize - (to + take);
        encodeFixed16(&page[pagehead::FreeSpace],
                      static_cast<std::uint16_t>(
                          unused > tabledef::FreeSpaceSlack ? unused - tabledef::FreeSpaceSlack : 0));
        if (from == bytes.size())
            return;
        const std::uint32_t next = pages.allocatePage();
        encodeFixed32(&pages.changePage(current)[layout.tdefNextPage], next);
        current = next;
        firstPage = false;
    }
}

void checkTables(const std::vector<NewTable>& tables)
{
    std::vector<std::string> tableNames;
    for (const auto& t : tables) {
        checkName(t.name, "a table");
        for (const auto& other : tableNames)
            if (sameName(other, t.name))
                throw Error(Failure::Unsupported, "The table " + t.name + " is given twice.");
        tableNames.push_back(t.name);
        if (t.columns.empty())
            throw Error(Failure::Unsupported, "The table " + t.name + " has no fields.");
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            const NewColumn& c = t.columns[i];
            checkName(c.name, "a field of " + t.name);
            for (std::size_t j = 0; j < i; ++j)
                if (sameName(t.columns[j].name, c.name))
                    throw Error(Failure::Unsupported,
                                "The field " + t.name + "." + c.name + " is given twice.");
            switch (c.type) {
            case coltype::Boolean:
            case coltype::Byte:
            case coltype::Int:
            case coltype::Long:
            case coltype::Money:
            case coltype::Float:
            case coltype::Double:
            case coltype::DateTime:
            case coltype::Memo:
                break;
            case coltype::Numeric:
                if (c.precision == 0 || c.precision > 28 || c.scale > c.precision)
                    throw Error(Failure::Unsupported,
                                "The decimal field " + t.name + "." + c.name +
                                    " must have 1 to 28 digits, its scale at most as many.");
                break;
            case coltype::Text:
                if (c.length == 0 || c.length > 255)
                    throw Error(Failure::Unsupported, "The text field " + t.name + "." + c.name +
                                                          " must hold 1 to 255 characters.");
                break;
            default:
                throw Error(Failure::Unsupported, "The field " + t.name + "." + c.name +
                                                      " has a type this program does not create.");
            }
            if (c.autoNumber && c.type != coltype::Long)
                throw Error(Failure::Unsupported,
                            "The AutoNumber field " + t.name + "." + c.name + " must be a Long.");
            if (c.autoNumber &&
                std::any_of(t.columns.begin(), t.columns.begin() + static_cast<std::ptrdiff_t>(i),
                            [](const NewColumn& other) { return other.autoNumber; }))
                throw Error(Failure::Unsupported,
                            "The table " + t.name + " has more than one AutoNumber field.");
            if (c.allowZeroLength && c.type != coltype::Text && c.type != coltype::Memo)
                throw Error(Failure::Unsupported, "The field " + t.name + "." + c.name +
                                                      " holds no text: AllowZeroLength does not apply.");
        }
        if (std::count_if(t.indexes.begin(), t.indexes.end(),
                          [](const NewIndex& i) { return i.primaryKey; }) > 1)
            throw Error(Failure::Unsupported, "The table " + t.name + " has more than one primary key.");
        for (const auto& index : t.indexes) {
            checkName(index.name, "an index of " + t.name);
            if (index.columns.empty() || index.columns.size() > indexcolumn::ColumnSlots)
                throw Error(Failure::Unsupported,
                            "The index " + t.name + "." + index.name + " must name 1 to 10 fields.");
            for (const auto& name : index.columns) {
                const bool known = std::any_of(t.columns.begin(), t.columns.end(),
                                               [&](const NewColumn& c) { return sameName(c.name, name); });
                if (!known)
                    throw Error(Failure::Unsupported, "The index " + t.name + "." + index.name +
                                                          " names the unknown field " + name + ".");
            }
        }
    }
}

const NewTable* tableNamed(const std::vector<NewTable>& tables, const std::string& name)
{
    for (const auto& t : tables)
        if (sameName(t.name, name))
            return &t;
    return nullptr;
}

void checkRelationships(const std::vector<NewTable>& tables,
                        const std::vector<NewRelationship>& relationships)
{
    for (std::size_t r = 0; r < relationships.size(); ++r) {
        const NewRelationship& rel = relationships[r];
        checkName(rel.name, "a relationship");
        for (std::size_t other = 0; other < r; ++other)
            if (sameName(relationships[other].name, rel.name))
                throw Error(Failure::Unsupported, "The relationship " + rel.name + " is given twice.");
        if (rel.columns.empty() || rel.columns.size() != rel.referencedColumns.size() ||
            rel.columns.size() > indexcolumn::ColumnSlots)
            throw Error(Failure::Unsupported,
                        "The relationship " + rel.name + " must pair 1 to 10 fields of each table.");
        for (const auto& [tableName, columns] :
             {std::pair{&rel.table, &rel.columns}, std::pair{&rel.referencedTable, &rel.referencedColumns}}) {
            const NewTable* table = tableNamed(tables, *tableName);
            if (table == nullptr)
                throw Error(Failure::Unsupported, "The relationship " + rel.name + " names the table " +
                                                      *tableName + ", which is not a new one.");
            for (const auto& name : *columns)
                if (std::none_of(table->columns.begin(), table->columns.end(),
                                 [&](const NewColumn& c) { return sameName(c.name, name); }))
                    throw Error(Failure::Unsupported, "The relationship " + rel.name + " names the field " +
                                                          *tableName + "." + name +
                                                          ", which that table lacks.");
        }
    }
}

// A text property's value: UTF-16LE, no compression.
std::vector<std::uint8_t> textValue(const std::string& text)
{
    std::vector<std::uint8_t> out;
    encodeUnicodeText(text, false, out);
    return out;
}

// The properties of a new table as the catalog's LvProp value keeps them (empty when it has none):
// the header, the block of property names, then the table's own block (its name empty) and one
// block per column with properties, each value naming its property by its place in the name list.
std::vector<std::uint8_t> propertyBytes(const NewTable& table)
{
    struct Value {
        std::string name;
        std::uint8_t type;
        std::vector<std::uint8_t> data;
    };
    struct Block {
        std::uint16_t type;
        std::string owner;
        std::vector<Value> values;
    };
    const auto textProperty = [](std::vector<Value>& values, const char* name, std::uint8_t type,
                                 const std::string& text) {
        if (!text.empty())
            values.push_back(Value{name, type, textValue(text)});
    };
    std::vector<Block> blocks;
    Block own{properties::ObjectBlockType, "", {}};
    textProperty(own.values, "ValidationRule", coltype::Text, table.validationRule);
    textProperty(own.values, "ValidationText", coltype::Text, table.validationText);
    if (!own.values.empty())
        blocks.push_back(std::move(own));
    for (const NewColumn& c : table.columns) {
        Block block{properties::ColumnBlockType, c.name, {}};
        if (c.required)
            block.values.push_back(Value{"Required", coltype::Boolean, {0xFF}});
        if (c.allowZeroLength)
            block.values.push_back(Value{"AllowZeroLength",
                                         coltype::Boolean,
                                         {static_cast<std::uint8_t>(*c.allowZeroLength ? 0xFF : 0)}});
        textProperty(block.values, "DefaultValue", coltype::Memo, c.defaultValue);
        textProperty(block.values, "ValidationRule", coltype::Text, c.validationRule);
        textProperty(block.values, "ValidationText", coltype::Text, c.validationText);
        if (!block.values.empty())
            blocks.push_back(std::move(block));
    }
    if (blocks.empty())
        return {};

    std::vector<std::string> names;
    const auto nameIndex = [&names](const std::string& name) {
        const auto found = std::find(names.begin(), names.end(), name);
        if (found != names.end())
            return static_cast<std::uint16_t>(found - names.begin());
        names.push_back(name);
        return static_cast<std::uint16_t>(names.size() - 1);
    };
    std::vector<std::vector<std::uint8_t>> blockBytes;
    for (const Block& block : blocks) {
        std::vector<std::uint8_t> out(properties::BlockHead + properties::OwnerLengthSize, 0);
        putName(out, block.owner);
        put32(out, properties::BlockHead, static_cast<std::uint32_t>(out.size() - properties::BlockHead));
        for (const Value& v : block.values) {
            const std::size_t at = out.size();
            out.resize(at + properties::ValueHead, 0);
            put16(out, at + properties::ValueLength,
                  static_cast<std::uint16_t>(properties::ValueHead + v.data.size()));
            out[at + properties::ValueDdl] = properties::DdlValue;
            out[at + properties::ValueType] = v.type;
            put16(out, at + properties::ValueName, nameIndex(v.name));
            put16(out, at + properties::ValueSize, static_cast<std::uint16_t>(v.data.size()));
            out.insert(out.end(), v.data.begin(), v.data.end());
        }
        put32(out, properties::BlockLength, static_cast<std::uint32_t>(out.size()));
        put16(out, properties::BlockType, block.type);
        blockBytes.push_back(std::move(out));
    }
    std::vector<std::uint8_t> nameBlock(properties::BlockHead, 0);
    for (const auto& name : names)
        putName(nameBlock, name);
    put32(nameBlock, properties::BlockLength, static_cast<std::uint32_t>(nameBlock.size()));
    put16(nameBlock, properties::BlockType, properties::NameListType);

    std::vector<std::uint8_t> out{'M', 'R', '2', 0};
    out.insert(out.end(), nameBlock.begin(), nameBlock.end());
    for (const auto& block : blockBytes)
        out.insert(out.end(), block.begin(), block.end());
    return out;
}

int columnOf(const TableDef& def, std::string_view name)
{
    const int index = def.columnIndex(name);
    if (index >= 0)
        return index;
    throw damaged(def.fileName, def.page,
                  "the system table " + def.name + " lacks the field " + std::string(name));
}

std::vector<std::vector<Value>> allRows(Database& db, const TableDef& def)
{
    std::vector<std::vector<Value>> rows;
    auto cursor = db.rows(def);
    while (cursor.next())
        rows.push_back(cursor.values());
    return rows;
}

Value integerValue(std::int64_t v)
{
    Value value;
    value.kind = Value::Kind::Integer;
    value.integer = v;
    return value;
}

// Days since 1899-12-30 of the present moment, as Access stamps a new object.
double now()
{
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    return 25569.0 + static_cast<double>(seconds) / 86400.0;
}

// Adds the catalog rows and access-control entries of the new tables (definition pages given).
void registerTables(const std::filesystem::path& target, std::string_view password,
                    const std::vector<NewTable>& tables, const std::vector<Placement>& placements,
                    const std::vector<NewRelationship>& relationships)
{
    auto db = Database::open(target, password);
    const TableDef& catalog = db->tableAt(catalog::DefinitionPage, "MSysObjects");
    const int id = columnOf(catalog, "Id");
    const int parentId = columnOf(catalog, "ParentId");
    const int name = columnOf(catalog, "Name");
    const int type = columnOf(catalog, "Type");
    const int flags = columnOf(catalog, "Flags");
    const int owner = columnOf(catalog, "Owner");
    const int created = columnOf(catalog, "DateCreate");
    const int updated = columnOf(catalog, "DateUpdate");
    const int lvProp = columnOf(catalog, "LvProp");
    auto rows = allRows(*db, catalog);

    // The Tables and Databases containers, the database object's owner, and MSysACEs.
    std::int64_t tablesId = 0;
    std::int64_t databasesId = 0;
    for (const auto& row : rows)
        if (!row[parentId].isNull() && row[parentId].integer == kDatabaseContainerParent &&
            row[name].kind == Value::Kind::Text) {
            if (row[name].text == "Tables")
                tablesId = row[id].integer;
            else if (row[name].text == "Databases")
                databasesId = row[id].integer;
        }
    if (tablesId == 0)
        throw damaged(db->file().fileName(), catalog::DefinitionPage, "the catalog has no Tables container");
    std::vector<std::uint8_t> ownerBytes = kDefaultOwner;
    std::uint32_t acesPage = 0;
    std::uint32_t relationshipsPage = 0;
    for (const auto& row : rows) {
        if (row[name].kind != Value::Kind::Text || row[parentId].isNull())
            continue;
        if (row[parentId].integer == databasesId && row[name].text == "MSysDb" &&
            row[owner].kind == Value::Kind::Bytes && !row[owner].bytes.empty())
            ownerBytes = row[owner].bytes;
        const bool systemTable = row[parentId].integer == tablesId && !row[type].isNull() &&
                                 row[type].integer == catalog::TypeTable;
        if (systemTable && row[name].text == "MSysACEs")
            acesPage = static_cast<std::uint32_t>(row[id].integer) & catalog::PageMask;
        if (systemTable && row[name].text == "MSysRelationships")
            relationshipsPage = static_cast<std::uint32_t>(row[id].integer) & catalog::PageMask;
    }
    if (!relationships.empty() && relationshipsPage == 0)
        throw damaged(db->file().fileName(), catalog::DefinitionPage, "the catalog has no MSysRelationships");

    const double stamp = now();
    for (std::size_t t = 0; t < tables.size(); ++t) {
        std::vector<Value> row(catalog.columns.size());
        row[id] = integerValue(placements[t].definition);
        row[parentId] = integerValue(tablesId);
        row[name].kind = Value::Kind::Text;
        row[name].text = tables[t].name;
        row[type] = integerValue(catalog::TypeTable);
        row[flags] = integerValue(0);
        row[owner].kind = Value::Kind::Bytes;
        row[owner].bytes = ownerBytes;
        for (const int date : {created, updated}) {
            row[date].kind = Value::Kind::DateTime;
            row[date].real = stamp;
        }
        if (auto properties = propertyBytes(tables[t]); !properties.empty()) {
            row[lvProp].kind = Value::Kind::Bytes;
            row[lvProp].bytes = std::move(properties);
        }
        rows.push_back(std::move(row));
    }
    TableWriter writer(*db);
    writer.replaceRowsAt(catalog::DefinitionPage, "MSysObjects", rows);

    if (acesPage != 0) {
        const TableDef& aces = db->tableAt(acesPage, "MSysACEs");
        const int acm = columnOf(aces, "ACM");
        const int inheritable = columnOf(aces, "FInheritable");
        const int objectId = columnOf(aces, "ObjectId");
        const int sid = columnOf(aces, "SID");
        auto aceRows = allRows(*db, aces);
        std::vector<std::vector<std::uint8_t>> sids;
        for (const auto& row : aceRows)
            if (!row[objectId].isNull() && row[objectId].integer == tablesId &&
                row[sid].kind == Value::Kind::Bytes)
                sids.push_back(row[sid].bytes);
        if (sids.empty())
            sids.push_back(kDefaultOwner);
        for (const auto& placement : placements)
            for (const auto& s : sids) {
                std::vector<Value> row(aces.columns.size());
                row[acm] = integerValue(kFullAccess);
                row[inheritable].kind = Value::Kind::Bool;
                row[inheritable].integer = 0;
                row[objectId] = integerValue(placement.definition);
                row[sid].kind = Value::Kind::Bytes;
                row[sid].bytes = s;
                aceRows.push_back(std::move(row));
            }
        writer.replaceRowsAt(acesPage, "MSysACEs", aceRows);
    }
    if (!relationships.empty()) {
        // One row per pair of fields, as Access keeps a relationship.
        const TableDef& def = db->tableAt(relationshipsPage, "MSysRelationships");
        const int relationship = columnOf(def, "szRelationship");
        const int grbit = columnOf(def, "grbit");
        const int count = columnOf(def, "ccolumn");
        const int order = columnOf(def, "icolumn");
        const int object = columnOf(def, "szObject");
        const int column = columnOf(def, "szColumn");
        const int referencedObject = columnOf(def, "szReferencedObject");
        const int referencedColumn = columnOf(def, "szReferencedColumn");
        auto relRows = allRows(*db, def);
        const auto text = [](const std::string& value) {
            Value v;
            v.kind = Value::Kind::Text;
            v.text = value;
            return v;
        };
        for (const NewRelationship& r : relationships) {
            std::uint32_t flags = 0;
            if (!r.enforced)
                flags |= relationflag::NotEnforced;
            if (r.cascadeUpdates)
                flags |= relationflag::CascadeUpdates;
            if (r.cascadeDeletes)
                flags |= relationflag::CascadeDeletes;
            for (std::size_t i = 0; i < r.columns.size(); ++i) {
                std::vector<Value> row(def.columns.size());
                row[relationship] = text(r.name);
                row[grbit] = integerValue(flags);
                row[count] = integerValue(static_cast<std::int64_t>(r.columns.size()));
                row[order] = integerValue(static_cast<std::int64_t>(i));
                row[object] = text(tableNamed(tables, r.table)->name);
                row[column] = text(r.columns[i]);
                row[referencedObject] = text(tableNamed(tables, r.referencedTable)->name);
                row[referencedColumn] = text(r.referencedColumns[i]);
                relRows.push_back(std::move(row));
            }
        }
        writer.replaceRowsAt(relationshipsPage, "MSysRelationships", relRows);
    }
    writer.commit();
}

} // namespace

void createDatabase(std::vector<std::uint8_t> templateBytes, const std::string& templateName,
                    const std::filesystem::path& target, std::string_view password,
                    const std::vector<NewTable>& tables, const std::vector<NewRelationship>& relationships)
{
    checkTables(tables);
    checkRelationships(tables, relationships);
    const auto source = PageFile::openBytes(std::move(templateBytes), templateName, "");
    const Version version = source->header().version;
    if (version == Version::Jet3)
        throw Error(Failure::Unsupported,
                    "New tables in Access 97 files are not supported (" + templateName + ").");
    const Layout& layout = layoutFor(version);

    // The text sort order the template's own catalog uses.
    const TableDef catalog = TableDef::read(*source, catalog::DefinitionPage);
    std::uint8_t sortOrder[tabledef::SortOrderSize] = {};
    for (const ColumnDef& c : catalog.columns)
        if (c.type == coltype::Text) {
            std::copy_n(catalog.bytes.begin() +
                            static_cast<std::ptrdiff_t>(c.descriptorOffset + layout.columnSortOrder),
                        tabledef::SortOrderSize, sortOrder);
            break;
        }

    MemoryPages pages(*source, layout.pageSize);
    std::vector<Placement> placements;
    for (const NewTable& table : tables) {
        Placement place;
        place.longValueColumns = static_cast<std::size_t>(
            std::count_if(table.columns.begin(), table.columns.end(),
                          [](const NewColumn& c) { return isLongValueType(c.type); }));
        const std::size_t mapRows = tabledef::TableMaps + table.indexes.size() + 2 * place.longValueColumns;
        if (layout.dataRowOffsets +
                mapRows * (usagemap::InlineBitmap + layout.usageMapInlineBytes + datapage::RowOffsetSize) >
            layout.pageSize)
            throw Error(Failure::Unsupported,
                        "The table " + table.name +
                            " has more indexes and memo fields than this program creates.");
        place.definition = pages.allocatePage();
        place.usageMaps = pages.allocatePage();
        for (std::size_t i = 0; i < table.indexes.size(); ++i)
            place.indexRoots.push_back(pages.allocatePage());
        const auto bytes = definitionBytes(layout, table, place, sortOrder);
        storeDefinition(pages, layout, place.definition, bytes);
        const auto maps = usageMapPage(layout, place);
        std::copy(maps.begin(), maps.end(), pages.changePage(place.usageMaps).begin());
        for (const std::uint32_t root : place.indexRoots) {
            IndexBuilder builder(
                place.definition, [root] { return root; }, layout.pageSize);
            for (auto& p : builder.finish())
                std::copy(p.bytes.begin(), p.bytes.end(), pages.changePage(p.number).begin());
        }
        placements.push_back(std::move(place));
    }
    writeGlobalUsageMap(pages, pages.freePages());

    // The file, protected from its first page on, made beside the target and renamed onto it only
    // when whole.
    ProtectedStart start = protectNewFile(pages.page(0), password, target.string());
    std::copy(start.firstPage.begin(), start.firstPage.end(), pages.changePage(0).begin());
    std::filesystem::path partial = target;
    partial += ".partial";
    std::error_code ec;
    try {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        std::vector<std::uint8_t> stored(layout.pageSize);
        for (std::uint32_t n = 0; n < pages.pageCount() && out; ++n) {
            const auto plain = pages.page(n);
            std::copy(plain.begin(), plain.end(), stored.begin());
            start.codec->encode(n, stored);
            out.write(reinterpret_cast<const char*>(stored.data()),
                      static_cast<std::streamsize>(stored.size()));
        }
        out.close();
        if (!out)
            throw Error(Failure::Io, "Cannot write " + partial.string() + ": " + std::strerror(errno) + ".");
        registerTables(partial, password, tables, placements, relationships);
        std::filesystem::rename(partial, target, ec);
        if (ec)
            throw Error(Failure::Io, "Cannot write " + target.string() + ": " + ec.message() + ".");
    } catch (...) {
        std::filesystem::remove(partial, ec);
        throw;
    }
}

void createDatabase(const std::filesystem::path& templateFile, const std::filesystem::path& target,
                    std::string_view password, const std::vector<NewTable>& tables,
                    const std::vector<NewRelationship>& relationships)
{
    const auto file = PageFile::open(templateFile, "");
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t n = 0; n < file->pageCount(); ++n) {
        const auto p = file->storedPage(n);
        bytes.insert(bytes.end(), p.begin(), p.end());
    }
    createDatabase(std::move(bytes), templateFile.string(), target, password, tables, relationships);
}

} // namespace orrin::jet
