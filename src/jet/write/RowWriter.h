#pragma once

// Encodes rows of a Jet 4 / ACE table: the column count, the fixed part (every fixed column's
// room, Null or not), the variable part, the variable-offset table in reverse with the end offset
// and the count, and the null mask (Yes/No values are their bits). Memo and OLE values stay in the
// row when short, else go to long-value rows through a LongValueSink.

#include "jet/base/Value.h"
#include "jet/table/Format.h"
#include "jet/table/TableDef.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace orrin::jet {

// Where long values too long for their row go.
class LongValueSink {
  public:
    virtual ~LongValueSink() = default;
    // Stores data (a value of column, or a piece of one) as one long-value row; returns its row
    // pointer. REQUIRES: data is 1 to RowWriter::kMaxLongValueRow bytes.
    virtual std::uint32_t putRow(const ColumnDef& column, std::span<const std::uint8_t> data) = 0;
};

class RowWriter {
  public:
    // The largest row a Jet 4 / ACE data page takes.
    static constexpr std::size_t kMaxRowSize = 4060;
    // Long values up to this many bytes stay inside their row.
    static constexpr std::size_t kMaxInlineLongValue = 64;
    // The largest long-value row; longer values are chained in rows of a 4-byte link and the rest.
    static constexpr std::size_t kMaxLongValueRow = 4076;

    // For table (named tableName, for messages). Fails with Failure::Unsupported for a Jet 3 table.
    RowWriter(const TableDef& table, std::string tableName);

    // Encodes values (one per column, TableDef::columns order) into row (replaced). A Null in an
    // AutoNumber (long) column takes the next number, which lastAutoNumber tracks (in and out), and
    // the number is written back into values. Fails with Failure::Unsupported naming the field for
    // a value that does not fit its column (text longer than the field, a number out of range) and
    // for a row over kMaxRowSize.
    void write(std::vector<Value>& values, LongValueSink& longValues, std::uint32_t& lastAutoNumber,
               std::vector<std::uint8_t>& row);

  private:
    // The bytes of a variable column's value (text, binary, GUID or decimal stored as variable).
    void encodeVariable(const ColumnDef& column, const Value& value, std::vector<std::uint8_t>& out);
    // The bytes a memo or OLE value stores.
    void longValueData(const ColumnDef& column, const Value& value, std::vector<std::uint8_t>& out);
    // Appends the 12-byte reference of a long value to out: with the data after it when inRow,
    // else with the pointer to the long-value row (or chain of rows) sink stored it in.
    void longValueReference(const ColumnDef& column, const std::vector<std::uint8_t>& data, bool inRow,
                            LongValueSink& sink, std::vector<std::uint8_t>& out);

    const TableDef& m_table;
    std::string m_tableName;
    std::vector<const ColumnDef*> m_fixed;    // fixed columns
    std::vector<const ColumnDef*> m_variable; // variable columns by varIndex
    std::size_t m_fixedSize = 0;
    std::size_t m_varSlots = 0;
    std::size_t m_columnCount = 0;
    std::vector<std::uint8_t> m_scratch;
    std::vector<std::vector<std::uint8_t>> m_parts; // per variable column, reused from row to row
};

// Fills data pages (or long-value pages) with rows, in order, each page as full as it goes, the
// rows from the end of the page down. Pages come from allocatePage as they are needed.
class DataPageBuilder {
  public:
    // owner: the table definition page the pages belong to, or kLongValueOwner.
    static constexpr std::uint32_t kLongValueOwner = datapage::LongValueOwner;

    DataPageBuilder(std::uint32_t owner, std::size_t pageSize, std::function<std::uint32_t()> allocatePage);

    // Adds a row; returns its row pointer (page and row number). A row that is empty or larger than
    // a page's room (4076 bytes) is refused as Failure::Unsupported, in every build.
    std::uint32_t add(std::span<const std::uint8_t> row);

    struct Page {
        std::uint32_t number = 0;
        std::vector<std::uint8_t> bytes;
        std::size_t freeSpace = 0;
    };
    const std::vector<Page>& pages() const { return m_pages; }
    std::vector<Page>& pages() { return m_pages; }

  private:
    std::uint32_t m_owner;
    const Layout& m_layout;
    std::function<std::uint32_t()> m_allocate;
    std::vector<Page> m_pages;
};

} // namespace orrin::jet
