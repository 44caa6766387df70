#pragma once

// Walks a table's rows in stored order: the data pages in the order of the table's usage map (page
// number order), on each page the rows in their slot order, skipping deleted rows and following a
// row's lookup pointer to where the row really is.

#include "jet/base/Value.h"
#include "jet/pager/PageFile.h"
#include "jet/table/RowReader.h"
#include "jet/table/TableDef.h"
#include "jet/table/UsageMap.h"

#include <cstdint>
#include <vector>

namespace orrin::jet {

class TableCursor {
  public:
    // A cursor before the first row. Reads the table's usage map: Failure::Damaged when it does
    // not hold.
    TableCursor(const PageFile& file, const TableDef& table);

    // Moves to the next row and decodes it; false after the last. Fails with Failure::Damaged
    // naming the page when a page or row does not hold.
    bool next();
    // The current row's values, in TableDef::columns order.
    const std::vector<Value>& values() const { return m_values; }
    // Where the current row was read (after following a lookup pointer).
    std::uint32_t page() const { return m_rowPage; }
    std::uint16_t row() const { return m_rowNumber; }

  private:
    const PageFile& m_file;
    const TableDef& m_table;
    const Layout& m_layout;
    RowReader m_reader;
    std::vector<std::uint32_t> m_pages;
    std::size_t m_pageIndex = 0;
    std::uint16_t m_nextRow = 0;
    std::uint32_t m_rowPage = 0;
    std::uint16_t m_rowNumber = 0;
    std::vector<Value> m_values;
};

} // namespace orrin::jet
