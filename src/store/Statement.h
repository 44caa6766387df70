#pragma once

#include "store/ColumnType.h"
#include "value/Variant.h"

#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace orrin::store {

// One prepared SQL statement, owned (finalized when destroyed). Failures throw Error with a
// provider-style number and the engine's message, naming the file.
class Statement {
public:
    Statement(sqlite3* db, std::string_view sql, std::string fileForMessages);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds a value in its storage form (store::bindValue), parameters counted from 1.
    void bind(int index, const Variant& value);
    // Steps once: true while a row is there, false when done.
    bool step();
    // Resets to run again, clearing bindings.
    void reset();

    int columnCount() const;
    std::string columnName(int index) const;
    // The declared type of a result column that comes straight from a table column.
    ColumnType columnType(int index) const;
    Variant column(int index) const;  // read by columnType(index)
    Variant column(int index, const ColumnType& type) const;

    const std::string& sql() const { return m_sql; }
    sqlite3_stmt* handle() const { return m_stmt; }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    std::string m_sql;
    std::string m_file;
};

} // namespace orrin::store
