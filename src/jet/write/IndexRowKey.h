#pragma once

// The index entries of a table's rows: for each real index, the key of each row made from the
// values of the index's columns, through the same stored bytes a row holds.

#include "jet/base/Value.h"
#include "jet/index/IndexKey.h"
#include "jet/index/IndexPage.h"
#include "jet/table/TableDef.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orrin::jet {

// The text sort order of a text or memo column, from its descriptor in the table definition (sort
// order number and version); the file version decides what a column without one uses. Failure::
// Unsupported for a sort order whose keys this library cannot write.
TextSortOrder textSortOrderOfColumn(const TableDef& table, const ColumnDef& column);

class IndexRowKey {
  public:
    // Prepares the key columns of index (one of table.realIndexes of the table named tableName, for
    // messages). Fails with Failure::Unsupported when a column's type or sort order has no key this
    // library writes.
    IndexRowKey(const TableDef& table, const RealIndexDef& index, std::string tableName);

    // The key of a row (values in TableDef::columns order). Fails as encodeFixedField does for a
    // value that does not fit its column.
    std::vector<std::uint8_t> keyOf(const std::vector<Value>& values) const;

    // True when every key column of the row is Null: an index that ignores Nulls has no entry for it.
    bool allNull(const std::vector<Value>& values) const;
    // True when some key column of the row is Null: the engine never counts such a key as a
    // duplicate in a unique index.
    bool anyNull(const std::vector<Value>& values) const;

  private:
    struct Part {
        std::size_t valueIndex; // into TableDef::columns
        IndexKeyColumn column;
    };
    const TableDef& m_table;
    std::string m_tableName;
    std::vector<Part> m_parts;
};

} // namespace orrin::jet
