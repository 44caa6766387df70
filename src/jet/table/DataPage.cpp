#include "jet/table/DataPage.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"

namespace orrin::jet {

DataPage::DataPage(std::span<const std::uint8_t> page, const Layout& layout, const std::string& file,
                   std::uint32_t pageNumber)
    : m_page(page), m_layout(layout), m_file(file), m_pageNumber(pageNumber)
{
    if (page.size() != layout.pageSize || page[pagehead::Type] != pagetype::Data)
        throw damaged(file, pageNumber,
                      "expected a data page, found page type " + std::to_string(page[pagehead::Type]));
    m_rowCount = decodeFixed16(page.data() + layout.dataRowCount);
    if (layout.dataRowOffsets + datapage::RowOffsetSize * std::size_t(m_rowCount) > page.size())
        throw damaged(file, pageNumber,
                      "the row count " + std::to_string(m_rowCount) + " does not fit the page");
}

std::uint32_t DataPage::owner() const
{
    return decodeFixed32(m_page.data() + m_layout.dataOwner);
}

RowSlot DataPage::slot(std::uint16_t n) const
{
    if (n >= m_rowCount)
        throw damaged(m_file, m_pageNumber,
                      "row " + std::to_string(n) + " asked for, the page has " + std::to_string(m_rowCount));
    const std::uint16_t raw =
        decodeFixed16(m_page.data() + m_layout.dataRowOffsets + datapage::RowOffsetSize * std::size_t(n));
    RowSlot s;
    s.deleted = (raw & rowflag::Deleted) != 0;
    s.lookup = (raw & rowflag::Lookup) != 0;
    s.start = raw & rowflag::OffsetMask;
    // A row ends where the row before it (in offset order) starts; row 0 ends at the page's end.
    s.end = static_cast<std::uint16_t>(m_page.size());
    if (n > 0) {
        const std::uint16_t previous = decodeFixed16(m_page.data() + m_layout.dataRowOffsets +
                                                     datapage::RowOffsetSize * std::size_t(n - 1));
        s.end = previous & rowflag::OffsetMask;
    }
    const std::size_t headerEnd = m_layout.dataRowOffsets + datapage::RowOffsetSize * std::size_t(m_rowCount);
    if (!s.deleted && (s.start < headerEnd || s.end > m_page.size() || s.start > s.end))
        throw damaged(m_file, m_pageNumber,
                      "row " + std::to_string(n) + " has the bad bounds " + std::to_string(s.start) + ".." +
                          std::to_string(s.end));
    return s;
}

} // namespace orrin::jet
