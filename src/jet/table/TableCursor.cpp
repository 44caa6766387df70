#include "jet/table/TableCursor.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/table/DataPage.h"
#include "jet/table/Format.h"

namespace orrin::jet {

namespace {

// How many lookup pointers a row may pass through before it counts as a loop.
constexpr int kMaxLookups = 16;

} // namespace

TableCursor::TableCursor(const PageFile& file, const TableDef& table)
    : m_file(file), m_table(table), m_layout(layoutFor(file.header().version)), m_reader(file, table)
{
    if (table.ownedPages != 0)
        m_pages = UsageMap::read(file, table.ownedPages).pages;
}

bool TableCursor::next()
{
    while (m_pageIndex < m_pages.size()) {
        const std::uint32_t number = m_pages[m_pageIndex];
        const auto bytes = m_file.page(number);
        // Only page 0 is a header page: one of the table's pages with that type has been zeroed.
        if (bytes[pagehead::Type] == pagetype::Header)
            throw damaged(m_file.fileName(), number, "a page of the table " + m_table.name + " is blank");
        // A page of no kind at all is not a page the table once used: it was overwritten, and
        // passing over it would lose its rows without a word.
        if (bytes[pagehead::Type] > pagetype::UsageMap)
            throw damaged(m_file.fileName(), number,
                          "a page of the table " + m_table.name + " is of no known kind (" +
                              std::to_string(bytes[pagehead::Type]) + ")");
        // The map also lists pages the table no longer uses; only its own data pages hold rows.
        if (bytes[pagehead::Type] != pagetype::Data) {
            ++m_pageIndex;
            m_nextRow = 0;
            continue;
        }
        const DataPage page(bytes, m_layout, m_file.fileName(), number);
        if (page.owner() != m_table.page || m_nextRow >= page.rowCount()) {
            ++m_pageIndex;
            m_nextRow = 0;
            continue;
        }
        const std::uint16_t n = m_nextRow++;
        RowSlot slot = page.slot(n);
        if (slot.deleted)
            continue;
        std::uint32_t atPage = number;
        std::uint16_t atRow = n;
        auto row = page.bytes(slot);
        // A lookup row holds a pointer to the row's real place, whose slot is marked deleted there.
        for (int hops = 0; slot.lookup; ++hops) {
            if (hops == kMaxLookups || row.size() < 4)
                throw damaged(m_file.fileName(), atPage, "a row's lookup pointers do not end");
            const std::uint32_t pointer = decodeFixed32(row.data());
            atPage = pointerPage(pointer);
            atRow = static_cast<std::uint16_t>(pointerRow(pointer));
            if (atPage == 0 || atPage >= m_file.pageCount())
                throw damaged(m_file.fileName(), number,
                              "a row points to page " + std::to_string(atPage) + " outside the file");
            const DataPage target(m_file.page(atPage), m_layout, m_file.fileName(), atPage);
            slot = target.slot(atRow);
            if (slot.end <= slot.start || slot.end > m_layout.pageSize)
                throw damaged(m_file.fileName(), atPage, "an overflow row has bad bounds");
            row = target.bytes(slot);
        }
        m_rowPage = atPage;
        m_rowNumber = atRow;
        m_reader.read(row, atPage, m_values);
        return true;
    }
    return false;
}

} // namespace orrin::jet
