#pragma once

// Decodes the bytes of one row into field values: the column count, the null mask at the row's
// end, the fixed part, the variable part through its offset table (Jet 3: one-byte offsets with a
// jump table; Jet 4 and ACE: two-byte offsets), and long values (memo, OLE) inline, on one
// long-value row or along a chain of them.

#include "jet/base/Value.h"
#include "jet/pager/PageFile.h"
#include "jet/table/Format.h"
#include "jet/table/TableDef.h"

#include <cstdint>
#include <span>
#include <vector>

namespace orrin::jet {

class RowReader {
  public:
    RowReader(const PageFile& file, const TableDef& table);

    // Fills values (one per table column, in TableDef::columns order) from row, which lies on page
    // (for messages). values is resized once and then reused. Fails with Failure::Damaged naming the
    // page when an offset or length leaves the row, or a long value's pages do not hold.
    void read(std::span<const std::uint8_t> row, std::uint32_t page, std::vector<Value>& values);

  private:
    void readFixed(const ColumnDef& column, std::span<const std::uint8_t> data, std::uint32_t page,
                   Value& out);
    void readVariable(const ColumnDef& column, std::span<const std::uint8_t> data, std::uint32_t page,
                      Value& out);
    // The bytes of a long value whose 12-byte reference (and inline data) is ref.
    void readLongValue(std::span<const std::uint8_t> ref, std::uint32_t page, std::vector<std::uint8_t>& out);
    // Jet 3: the row's variable offsets from its offset and jump tables into m_varOffsets.
    void jet3Offsets(std::span<const std::uint8_t> row, std::size_t nullMaskSize, std::uint32_t page);

    const PageFile& m_file;
    const TableDef& m_table;
    const Layout& m_layout;
    std::vector<std::uint16_t> m_varOffsets; // reused
    std::vector<std::uint8_t> m_longValue;   // reused
};

} // namespace orrin::jet
