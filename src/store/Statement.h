#pragma once

#include "store/ColumnType.h"
#include "value/Variant.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orrin::store {

class Connection;

// One prepared SQL statement, owned (finalized when destroyed). Failures throw Error with a
// provider-style number and the engine's message, naming the file.
class Statement {
  public:
    // With an owner, every step first makes sure the owner's transaction is still there
    // (Connection::checkTransactionKept), so nothing is written outside an abandoned transaction.
    // A text holding more than one statement, or none, is rejected.
    Statement(sqlite3* db, std::string_view sql, std::string fileForMessages,
              const Connection* owner = nullptr);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds a value in its storage form (store::bindValue), parameters counted from 1. A text bound
    // as TextBinding::Referenced must stay alive and unchanged until the statement is reset.
    // On an Access file's connection dates go in as their double, as its tables hold them.
    void bind(int index, const Variant& value, TextBinding binding = TextBinding::Copied);
    // Binds a value converted for a column of that type in the column's storage form
    // (store::bindForColumn).
    void bind(int index, const Variant& value, const ColumnType& type,
              TextBinding binding = TextBinding::Copied);
    // Steps once: true while a row is there, false when done.
    bool step();
    // Resets to run again, clearing bindings.
    void reset();

    int columnCount() const;
    std::string columnName(int index) const;
    // The type of a result column that comes straight from a table column: an Access table's from
    // its definition, another table's from its declaration.
    ColumnType columnType(int index) const;
    Variant column(int index) const; // read by columnType(index)
    Variant column(int index, const ColumnType& type) const;

    const std::string& sql() const { return m_sql; }
    sqlite3_stmt* handle() const { return m_stmt; }

  private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    std::string m_sql;
    std::string m_file;
    const Connection* m_owner = nullptr;
    mutable std::vector<std::optional<ColumnType>> m_columnTypes; // parsed on first use
};

// Resets a statement when the scope ends, however it ends: no read lock stays held and no bindings
// stay for the next use. A reset that fails here is let go (the statement is reset again before its
// next use), so the destructor never throws, not even while an exception unwinds the scope.
class ResetOnExit {
  public:
    explicit ResetOnExit(Statement& statement) : m_statement(statement) {}
    ~ResetOnExit()
    {
        try {
            m_statement.reset();
        } catch (...) {
        }
    }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

  private:
    Statement& m_statement;
};

} // namespace orrin::store
