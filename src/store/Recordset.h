#pragma once

#include "store/Connection.h"
#include "store/NameIndex.h"
#include "value/Variant.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::store {

namespace access {
class TableRules;
}

// A keyset-style recordset on a connection: opened on a table name (or the plain "SELECT * FROM t",
// which is the same) or on a query text. Rows come in the store's order: rowid order for a table,
// the query's own order otherwise. Reading is lazy: a recordset that is only appended to (AddNew,
// field assignment, Update) never reads the rows already in its table.
//
// Every operation that fails throws Error with a description that names the table, the field, the
// value or the file. Field names are matched without regard to case.
class Recordset {
  public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Opens on a table name or a query text. An unknown table or a query the engine rejects is an
    // Error here. Opening an open recordset is an Error.
    void open(std::string_view source, Connection& connection);
    bool isOpen() const;
    void close(); // an Error when not open

    // Reading: the current row.
    bool eof();
    void moveNext();                 // an Error at EOF
    std::int64_t recordCount();      // exact, whatever has been read
    std::int64_t absolutePosition(); // 1 for the first row; -3 at EOF (adPosEOF)
    // The value of a field of the current row, or of the pending new row while one is being added
    // (a field never assigned, or whose assignment failed, reads as Null). An unknown name is an
    // Error naming it (store::code::ItemNotFound); no current row is store::code::NoCurrentRow.
    Variant field(std::string_view name);
    Variant field(int index);
    // The position of a field of a table recordset for field(int) and setField(int, ...), found once
    // instead of by name at every access: the column's index in tableInfo(), the same for every
    // recordset open on that table. -1 when the table has no such field, or the recordset is on a
    // query or closed.
    int fieldPosition(std::string_view name) const;
    // The columns of the table the recordset is open on (unset on a query or when closed).
    const std::shared_ptr<const TableInfo>& tableInfo() const { return m_info; }

    // Appending (table recordsets only). On an Access table the new row starts with the columns'
    // default values and the next AutoNumber.
    void addNew();
    // Converts the value by the field's declared type (store::convertForColumn) and keeps it in the
    // pending row. On failure the field reads as Null afterwards.
    void setField(std::string_view name, const Variant& value);
    // The same by position (fieldPosition); name is the field's name for messages. A position that is
    // not the table's fails as the name would.
    void setField(int position, std::string_view name, const Variant& value);
    // Saves the pending row: the assigned fields, the table's defaults for the rest. An Access
    // table's validation rules, Required and AllowZeroLength refuse it with the engine's messages.
    // A failure discards the pending row.
    void update();
    bool isAdding() const { return m_adding; }

    const std::string& tableName() const { return m_table; }

  private:
    void requireOpen() const;
    void ensureReading();
    void fetch();
    [[noreturn]] void noSuchField(std::string_view name) const;

    Connection* m_connection = nullptr;
    bool m_open = false;
    std::string m_source;
    std::string m_table;     // set when the recordset is on a table
    std::string m_selectSql; // what reading runs
    std::unique_ptr<Statement> m_reader;
    bool m_readingStarted = false;
    bool m_atEof = false;
    std::int64_t m_position = 0;
    std::optional<std::int64_t> m_count;

    NameIndex m_readerNames; // the reader's column names, indexed on the first read by name

    bool m_adding = false;
    std::shared_ptr<const TableInfo> m_info;       // the table's columns, taken at open
    access::TableRules* m_rules = nullptr;         // an Access table's rules, taken at open
    std::vector<std::optional<Variant>> m_pending; // by column index of m_info
    std::vector<bool> m_assigned;                  // update()'s columns, kept to reuse its room
};

} // namespace orrin::store
