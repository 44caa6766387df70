#pragma once

#include <sqlcipher/sqlite3.h>

#include <memory>

namespace orrin::store {

// Owners of the engine's handles. close_v2 lets a database close even while a statement is still
// alive: the engine finishes the close when the last statement is finalized.
struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, DatabaseCloser>;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

} // namespace orrin::store
