#include "jet/write/TableWriter.h"

#include "jet/base/Coding.h"
#include "jet/base/FileReplace.h"
#include "jet/base/JetError.h"
#include "jet/index/IndexBuilder.h"
#include "jet/index/IndexPage.h"
#include "jet/table/DataPage.h"
#include "jet/table/Format.h"
#include "jet/table/UsageMap.h"
#include "jet/write/IndexRowKey.h"
#include "jet/write/RowWriter.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <set>

namespace orrin::jet {

namespace {

constexpr std::size_t kIndexDepthLimit = 16;

// The bytes of a row on a data page, following a lookup pointer to where the row really is.
std::span<const std::uint8_t> liveRow(PageStore& store, const Layout& layout, std::uint32_t pageNumber,
                                      const RowSlot& slot, const DataPage& page)
{
    if (!slot.lookup)
        return page.bytes(slot);
    const auto pointerBytes = page.bytes(slot);
    if (pointerBytes.size() < 4)
        throw damaged(store.fileName(), pageNumber, "a row's lookup pointer is cut short");
    const std::uint32_t pointer = decodeFixed32(pointerBytes.data());
    const std::uint32_t target = pointerPage(pointer);
    if (target == 0 || target >= store.pageCount())
        throw damaged(store.fileName(), pageNumber, "a row's lookup pointer leaves the file");
    const DataPage other(store.page(target), layout, store.fileName(), target);
    return other.bytes(other.slot(static_cast<std::uint16_t>(pointerRow(pointer))));
}

// The long-value references of a Jet 4 / ACE row: for each memo or OLE column with a value, its
// 12 bytes (row layout as RowWriter writes it).
std::vector<std::span<const std::uint8_t>> longValueReferences(const TableDef& def,
                                                               std::span<const std::uint8_t> row)
{
    std::vector<std::span<const std::uint8_t>> refs;
    const std::size_t countSize = kJet4Layout.rowColumnCountSize;
    if (row.size() < countSize + 1)
        return refs;
    const std::size_t columns = decodeFixed16(row.data());
    const std::size_t maskSize = rowlayout::nullMaskSize(columns);
    if (row.size() < countSize + maskSize + rowlayout::VarCountSize)
        return refs;
    const std::size_t tail = row.size() - maskSize;
    const std::size_t count = decodeFixed16(row.data() + tail - rowlayout::VarCountSize);
    if (tail < countSize + rowlayout::VarCountSize + kJet4Layout.rowVarOffsetSize * (count + 1))
        return refs;
    for (const ColumnDef& c : def.columns) {
        if (!c.isLongValue() || c.number >= columns || c.varIndex >= count)
            continue;
        if ((row[tail + c.number / 8] & (1u << (c.number % 8))) == 0)
            continue;
        const std::size_t start = decodeFixed16(row.data() + rowlayout::varOffsetAt(tail, c.varIndex));
        const std::size_t end = decodeFixed16(row.data() + rowlayout::varOffsetAt(tail, c.varIndex + 1u));
        if (start + longvalue::ReferenceSize <= end && end <= tail)
            refs.push_back(row.subspan(start, longvalue::ReferenceSize));
    }
    return refs;
}

} // namespace

TableWriter::TableWriter(Database& db)
    : m_db(db), m_layout(layoutFor(db.version())), m_pageCount(db.file().pageCount())
{
    if (db.version() == Version::Jet3)
        throw Error(Failure::Unsupported,
                    "Writing Access 97 files is not supported (" + db.file().fileName() + ").");
    checkMapsWithinFile();
    for (const std::uint32_t p : readGlobalFreePages(*this))
        m_free.insert(p);
}

// A file that lost its last pages (cut short by a copy that failed, a full disk) still has maps
// that claim them; a page written there would belong to two owners, and the file would no longer
// read. Such a file is damaged: nothing of it is written.
void TableWriter::checkMapsWithinFile()
{
    const PageFile& file = m_db.file();
    const auto check = [&](std::uint32_t pointer, const std::string& table) {
        if (pointer == 0)
            return;
        const UsageMap map = UsageMap::read(file, pointer);
        if (map.firstPastEnd != 0)
            throw damaged(file.fileName(), map.rowPage,
                          "the usage map of the table '" + table + "' claims page " +
                              std::to_string(map.firstPastEnd) + ", past the end of the file (" +
                              std::to_string(file.pageCount()) + " pages)");
    };
    std::vector<std::pair<std::uint32_t, std::string>> tables{{catalog::DefinitionPage, "MSysObjects"}};
    for (const CatalogEntry& entry : m_db.tables())
        tables.emplace_back(entry.definitionPage, entry.name);
    for (const auto& [page, name] : tables) {
        const TableDef& def = m_db.tableAt(page, name);
        check(def.ownedPages, name);
        check(def.freeSpacePages, name);
        for (const RealIndexDef& index : def.realIndexes)
            check(index.usageMap, name);
        for (const ColumnUsageMaps& maps : def.columnUsageMaps) {
            check(maps.ownedPages, name);
            check(maps.freeSpacePages, name);
        }
    }
}

TableWriter::~TableWriter() = default;

const std::string& TableWriter::fileName() const
{
    return m_db.file().fileName();
}

std::span<const std::uint8_t> TableWriter::page(std::uint32_t n)
{
    if (const auto it = m_changed.find(n); it != m_changed.end())
        return it->second;
    if (n >= m_db.file().pageCount())
        return changePage(n);
    return m_db.file().page(n);
}

std::span<std::uint8_t> TableWriter::changePage(std::uint32_t n)
{
    auto it = m_changed.find(n);
    if (it == m_changed.end()) {
        std::vector<std::uint8_t> copy(m_layout.pageSize, 0);
        if (n < m_db.file().pageCount()) {
            const auto original = m_db.file().page(n);
            std::copy(original.begin(), original.end(), copy.begin());
        }
        it = m_changed.emplace(n, std::move(copy)).first;
        m_changedNumbers.insert(n);
    }
    return it->second;
}

std::uint32_t TableWriter::allocatePage()
{
    std::uint32_t n;
    if (!m_free.empty()) {
        n = *m_free.begin();
        m_free.erase(m_free.begin());
    } else {
        n = m_pageCount++;
    }
    auto bytes = changePage(n);
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    return n;
}

void TableWriter::freePage(std::uint32_t n)
{
    auto bytes = changePage(n);
    std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
    m_free.insert(n);
}

void TableWriter::patchDefinition(const TableDef& def, std::size_t offset,
                                  std::span<const std::uint8_t> bytes)
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t at = offset + i;
        std::uint32_t pageNumber;
        std::size_t inPage;
        if (at < m_layout.pageSize) {
            pageNumber = def.pages.empty() ? def.page : def.pages[0];
            inPage = at;
        } else {
            const std::size_t body = m_layout.pageSize - m_layout.tdefPageHeader;
            const std::size_t k = 1 + (at - m_layout.pageSize) / body;
            if (k >= def.pages.size())
                throw damaged(def.fileName, def.page, "the table definition is shorter than its fields");
            pageNumber = def.pages[k];
            inPage = m_layout.tdefPageHeader + (at - m_layout.pageSize) % body;
        }
        changePage(pageNumber)[inPage] = bytes[i];
    }
}

void TableWriter::collectOldPages(const TableDef& def, std::set<std::uint32_t>& pages,
                                  std::map<std::uint32_t, std::set<std::uint16_t>>& longValueRows)
{
    const PageFile& file = m_db.file();
    // Data pages and the long values their rows point to.
    const UsageMap owned = UsageMap::read(file, def.ownedPages);
    for (const std::uint32_t p : owned.pages) {
        const auto bytes = page(p);
        if (bytes[pagehead::Type] != pagetype::Data || decodeFixed32(&bytes[m_layout.dataOwner]) != def.page)
            continue;
        pages.insert(p);
        const DataPage data(bytes, m_layout, file.fileName(), p);
        for (std::uint16_t r = 0; r < data.rowCount(); ++r) {
            const RowSlot slot = data.slot(r);
            if (slot.deleted)
                continue;
            for (const auto ref : longValueReferences(def, liveRow(*this, m_layout, p, slot, data))) {
                const std::uint32_t head = decodeFixed32(ref.data());
                if ((head & longvalue::Inline) != 0 || (head & longvalue::LengthMask) == 0)
                    continue;
                std::uint32_t pointer = decodeFixed32(ref.data() + longvalue::PointerOffset);
                const bool single = (head & longvalue::SinglePage) != 0;
                std::set<std::uint32_t> seen;
                while (pointer != 0 && seen.insert(pointer).second) {
                    const std::uint32_t at = pointerPage(pointer);
                    if (at == 0 || at >= file.pageCount())
                        throw damaged(file.fileName(), p, "a long value points outside the file");
                    longValueRows[at].insert(static_cast<std::uint16_t>(pointerRow(pointer)));
                    if (single)
                        break;
                    const DataPage lval(page(at), m_layout, file.fileName(), at);
                    const auto link = lval.bytes(lval.slot(static_cast<std::uint16_t>(pointerRow(pointer))));
                    pointer = link.size() >= longvalue::ChainLinkSize ? decodeFixed32(link.data()) : 0;
                }
            }
        }
    }
    // Index pages: every page of each index's tree, and what its usage map lists.
    for (const RealIndexDef& index : def.realIndexes) {
        std::vector<std::pair<std::uint32_t, std::size_t>> pending{{index.firstPage, 0}};
        while (!pending.empty()) {
            const auto [n, depth] = pending.back();
            pending.pop_back();
            if (n == 0 || n >= file.pageCount() || depth > kIndexDepthLimit || !pages.insert(n).second)
                continue;
            const IndexPage node = decodeIndexPage(page(n), n, file.fileName());
            if (node.tableDefinitionPage != def.page)
                throw damaged(file.fileName(), n, "an index page of another table inside the index");
            if (node.leaf)
                continue;
            for (const auto& e : node.entries)
                pending.emplace_back(e.child, depth + 1);
            pending.emplace_back(node.childTail, depth + 1);
        }
        if (index.usageMap != 0) {
            for (const std::uint32_t p : UsageMap::read(file, index.usageMap).pages) {
                const auto bytes = page(p);
                if ((bytes[pagehead::Type] == pagetype::IndexLeaf ||
                     bytes[pagehead::Type] == pagetype::IndexNode) &&
                    decodeFixed32(&bytes[indexpage::TableDefinition]) == def.page)
                    pages.insert(p);
            }
        }
    }
    // Long-value pages that a column's own map lists (Access 2007 and later).
    for (const ColumnUsageMaps& maps : def.columnUsageMaps) {
        if (maps.ownedPages == 0)
            continue;
        for (const std::uint32_t p : UsageMap::read(file, maps.ownedPages).pages) {
            const auto bytes = page(p);
            if (bytes[pagehead::Type] == pagetype::Data &&
                decodeFixed32(&bytes[m_layout.dataOwner]) == DataPageBuilder::kLongValueOwner)
                pages.insert(p);
        }
    }
    // The pages holding the table's own usage maps stay.
    pages.erase(pointerPage(def.ownedPages));
    pages.erase(pointerPage(def.freeSpacePages));
    for (const auto& index : def.realIndexes)
        pages.erase(pointerPage(index.usageMap));
    for (const auto& maps : def.columnUsageMaps) {
        pages.erase(pointerPage(maps.ownedPages));
        pages.erase(pointerPage(maps.freeSpacePages));
    }
    for (const std::uint32_t p : def.pages)
        pages.erase(p);
}

namespace {

// The rows of a vector, handed out one at a time.
TableWriter::RowSource rowsOf(const std::vector<std::vector<Value>>& rows)
{
    return [&rows, at = std::size_t(0)](std::vector<Value>& row) mutable {
        if (at == rows.size())
            return false;
        row = rows[at++];
        return true;
    };
}

} // namespace

void TableWriter::replaceRows(const std::string& name, const std::vector<std::vector<Value>>& rows)
{
    replaceRows(name, rowsOf(rows));
}

void TableWriter::replaceRows(const std::string& name, const RowSource& next)
{
    m_failed = true;
    replaceRowsOf(m_db.table(name), name, next);
}

void TableWriter::replaceRowsAt(std::uint32_t definitionPage, const std::string& name,
                                const std::vector<std::vector<Value>>& rows)
{
    m_failed = true;
    replaceRowsOf(m_db.tableAt(definitionPage, name), name, rowsOf(rows));
}

void TableWriter::replaceRowsOf(const TableDef& def, const std::string& name, const RowSource& next)
{
    m_failed = true;
    if (!m_written.insert(def.page).second)
        throw Error(Failure::Unsupported, "The table " + name + " is written twice in one commit.");
    const PageFile& file = m_db.file();

    // An index this program cannot write fails before any page changes.
    std::vector<IndexRowKey> keyMakers;
    for (const RealIndexDef& index : def.realIndexes)
        keyMakers.emplace_back(def, index, name);

    // 1. Free what the old rows held.
    std::set<std::uint32_t> old;
    std::map<std::uint32_t, std::set<std::uint16_t>> longValueRows;
    collectOldPages(def, old, longValueRows);
    for (const auto& [p, ours] : longValueRows) {
        if (old.count(p) != 0)
            continue;
        const DataPage lval(page(p), m_layout, file.fileName(), p);
        bool onlyOurs = true;
        for (std::uint16_t r = 0; r < lval.rowCount() && onlyOurs; ++r)
            onlyOurs = lval.slot(r).deleted || ours.count(r) != 0;
        if (onlyOurs) {
            old.insert(p);
            continue;
        }
        // Shared with other values: our rows become deleted rows.
        auto bytes = changePage(p);
        for (const std::uint16_t r : ours) {
            const std::size_t at = m_layout.dataRowOffsets + datapage::RowOffsetSize * std::size_t(r);
            encodeFixed16(&bytes[at],
                          static_cast<std::uint16_t>(decodeFixed16(&bytes[at]) | rowflag::Deleted));
        }
    }
    for (const std::uint32_t p : old)
        freePage(p);

    // 2. The rows, with their long values on pages of their own per column.
    const auto allocate = [this] { return allocatePage(); };
    DataPageBuilder dataPages(def.page, m_layout.pageSize, allocate);
    struct Sink : LongValueSink {
        std::map<std::uint16_t, DataPageBuilder> builders;
        std::function<std::uint32_t()> allocate;
        std::size_t pageSize = 0;
        std::uint32_t putRow(const ColumnDef& column, std::span<const std::uint8_t> data) override
        {
            assert(!data.empty() && data.size() <= RowWriter::kMaxLongValueRow);
            auto it = builders.find(column.number);
            if (it == builders.end())
                it = builders
                         .emplace(column.number,
                                  DataPageBuilder(DataPageBuilder::kLongValueOwner, pageSize, allocate))
                         .first;
            return it->second.add(data);
        }
    } sink;
    sink.allocate = allocate;
    sink.pageSize = m_layout.pageSize;
    RowWriter writer(def, name);
    std::uint32_t lastAutoNumber = def.autoNumber;
    // Each row is written as it comes, and its index entries kept (with the AutoNumbers the writer
    // gave); the rows themselves are not.
    std::vector<std::vector<IndexEntry>> entriesOf(def.realIndexes.size());
    // Rows (page and row) of a unique index whose key has a Null: never duplicates.
    std::vector<std::set<std::pair<std::uint32_t, std::uint8_t>>> nullKeyed(def.realIndexes.size());
    std::uint32_t rowCount = 0;
    std::vector<Value> row;
    std::vector<std::uint8_t> bytes;
    while (next(row)) {
        if (row.size() != def.columns.size())
            throw Error(Failure::Unsupported, "A row for " + name + " has " + std::to_string(row.size()) +
                                                  " values; the table has " +
                                                  std::to_string(def.columns.size()) + " fields.");
        writer.write(row, sink, lastAutoNumber, bytes);
        const std::uint32_t place = dataPages.add(bytes);
        ++rowCount;
        for (std::size_t i = 0; i < def.realIndexes.size(); ++i) {
            if (def.realIndexes[i].ignoreNulls() && keyMakers[i].allNull(row))
                continue;
            entriesOf[i].push_back(IndexEntry{keyMakers[i].keyOf(row), pointerPage(place),
                                              static_cast<std::uint8_t>(pointerRow(place)), 0});
            if (def.realIndexes[i].unique() && keyMakers[i].anyNull(row))
                nullKeyed[i].insert({entriesOf[i].back().dataPage, entriesOf[i].back().row});
        }
    }
    std::vector<std::uint32_t> dataPageNumbers;
    for (auto& p : dataPages.pages()) {
        dataPageNumbers.push_back(p.number);
        auto target = changePage(p.number);
        std::copy(p.bytes.begin(), p.bytes.end(), target.begin());
    }
    for (auto& [column, builder] : sink.builders)
        for (auto& p : builder.pages()) {
            auto target = changePage(p.number);
            std::copy(p.bytes.begin(), p.bytes.end(), target.begin());
        }

    // 3. Every index rebuilt from the entries of the rows as written.
    for (std::size_t i = 0; i < def.realIndexes.size(); ++i) {
        const RealIndexDef& index = def.realIndexes[i];
        std::vector<IndexEntry>& entries = entriesOf[i];
        std::sort(entries.begin(), entries.end());
        std::uint32_t distinct = 0;
        for (std::size_t k = 0; k < entries.size(); ++k) {
            if (k > 0 && entries[k].key == entries[k - 1].key) {
                if (index.unique() && nullKeyed[i].count({entries[k].dataPage, entries[k].row}) == 0)
                    throw Error(
                        Failure::Unsupported,
                        "The changes you requested to the table were not successful because they would "
                        "create "
                        "duplicate values in the index, primary key, or relationship. Change the data in the "
                        "field or fields that contain duplicate data, remove the index, or redefine the "
                        "index "
                        "to permit duplicate entries and try again.");
                continue;
            }
            ++distinct;
        }
        std::vector<std::uint32_t> indexPages;
        IndexBuilder builder(
            def.page,
            [&] {
                const std::uint32_t n = allocatePage();
                indexPages.push_back(n);
                return n;
            },
            m_layout.pageSize);
        for (auto& e : entries)
            builder.add(std::move(e.key), e.dataPage, e.row);
        for (auto& p : builder.finish()) {
            auto target = changePage(p.number);
            std::copy(p.bytes.begin(), p.bytes.end(), target.begin());
        }
        std::uint8_t four[4];
        encodeFixed32(four, builder.rootPage());
        patchDefinition(def, index.descriptorOffset + m_layout.realIndexFirstPage, four);
        encodeFixed32(four, distinct);
        patchDefinition(def, index.countOffset + m_layout.realIndexCountRows, four);
        std::sort(indexPages.begin(), indexPages.end());
        if (index.usageMap != 0)
            writeUsageMap(*this, index.usageMap, indexPages);
    }

    // 4. The definition's counts and the table's maps.
    std::uint8_t four[4];
    encodeFixed32(four, rowCount);
    patchDefinition(def, m_layout.tdefRowCount, four);
    encodeFixed32(four, lastAutoNumber);
    patchDefinition(def, m_layout.tdefAutoNumber, four);
    std::sort(dataPageNumbers.begin(), dataPageNumbers.end());
    writeUsageMap(*this, def.ownedPages, dataPageNumbers);
    std::vector<std::uint32_t> withRoom;
    if (!dataPages.pages().empty() && dataPages.pages().back().freeSpace > 0)
        withRoom.push_back(dataPages.pages().back().number);
    if (def.freeSpacePages != 0)
        writeUsageMap(*this, def.freeSpacePages, withRoom);
    for (const ColumnUsageMaps& maps : def.columnUsageMaps) {
        std::vector<std::uint32_t> lvalPages;
        if (const auto it = sink.builders.find(maps.columnNumber); it != sink.builders.end())
            for (const auto& p : it->second.pages())
                lvalPages.push_back(p.number);
        std::sort(lvalPages.begin(), lvalPages.end());
        if (maps.ownedPages != 0)
            writeUsageMap(*this, maps.ownedPages, lvalPages);
        if (maps.freeSpacePages != 0)
            writeUsageMap(*this, maps.freeSpacePages, {});
    }
    m_failed = false;
}

void TableWriter::commit(const std::function<void()>& beforeReplace)
{
    if (m_failed)
        throw Error(Failure::Unsupported, "A failed write cannot be committed.");
    writeGlobalUsageMap(*this, std::vector<std::uint32_t>(m_free.begin(), m_free.end()));
    const PageFile& file = m_db.file();
    const std::filesystem::path path = platform::pathFromUtf8(file.fileName());
    // The pages not changed come from the file as it was opened, never from whatever lies at the
    // path now; and the path must still hold that file, unchanged, or nothing is written.
    replaceFile(
        path,
        [&](FileSink& sink) {
            for (std::uint32_t n = 0; n < m_pageCount; ++n) {
                if (const auto it = m_changed.find(n); it != m_changed.end()) {
                    sink.write(file.encodePage(n, it->second));
                    continue;
                }
                if (n >= file.pageCount())
                    throw damaged(file.fileName(), n, "a page past the end of the file was to be kept");
                sink.write(file.originalPage(n));
            }
        },
        file.identity(), beforeReplace);
}

} // namespace orrin::jet
