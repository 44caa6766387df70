#pragma once

// A data page as rows: the row-offset table after the header, each entry with its deleted and
// lookup flags, the rows packed from the end of the page towards the header. Long-value pages and
// the pages that hold usage maps are data pages too.

#include "jet/table/Format.h"

#include <cstdint>
#include <span>
#include <string>

namespace orrin::jet {

struct RowSlot {
    std::uint16_t start = 0; // first byte of the row in the page
    std::uint16_t end = 0;   // one past its last byte
    bool deleted = false;
    bool lookup = false; // the row holds a row pointer to where the row really is
};

class DataPage {
  public:
    // A view of page (of file, page number pageNumber, for messages). Fails with Failure::Damaged
    // when the page is not a data page or its row count does not fit the page.
    DataPage(std::span<const std::uint8_t> page, const Layout& layout, const std::string& file,
             std::uint32_t pageNumber);

    std::uint16_t rowCount() const { return m_rowCount; }
    // The table definition page that owns the page (the bytes "LVAL" on a long-value page).
    std::uint32_t owner() const;
    // The bounds and flags of row n; Failure::Damaged when n is past the row count or the offsets
    // do not lie inside the page (a deleted row's bounds are not checked).
    RowSlot slot(std::uint16_t n) const;
    // The bytes of a slot that slot() returned.
    std::span<const std::uint8_t> bytes(const RowSlot& s) const
    {
        return m_page.subspan(s.start, s.end - s.start);
    }

    std::span<const std::uint8_t> page() const { return m_page; }

  private:
    std::span<const std::uint8_t> m_page;
    const Layout& m_layout;
    const std::string& m_file;
    std::uint32_t m_pageNumber;
    std::uint16_t m_rowCount = 0;
};

} // namespace orrin::jet
