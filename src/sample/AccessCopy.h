#pragma once

// The Access form of a sample database: every table of a filled SQLite database copied, with its
// columns, rows (in rowid order) and indexes, into a new Access file made from one of the templates.

#include "sample/Templates.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace orrin::sample {

// A non-unique index the Access copy gets: a table and its columns in key order.
struct IndexColumns {
    std::string table;
    std::vector<std::string> columns;
};

// The indexes the applications' own databases have: the Orrin database (zrv.accdb) and the Calvane
// database (LIC.mdb, and the bonus database, which shares its schema).
const std::vector<IndexColumns>& orrinIndexes();
const std::vector<IndexColumns>& calvaneIndexes();

// Writes target (a new file; an existing one is replaced) from the template with password: the
// tables of db in the order they were created, each column by its declared Access type (TEXT(n),
// MEMO, BYTE, SHORT, LONG, SINGLE, DOUBLE, CURRENCY, DATETIME, YESNO), the rows in rowid order,
// and the indexes of db's own schema and of the list given (one per column list, named "ix_" and
// the column names joined by "_"). Dates stored as "YYYY-MM-DD[ HH:MM:SS]" become date values.
// Throws std::runtime_error naming the table and column for a value the Access column cannot take
// or a type it has no Access form for; jet::Error as the Access writer fails.
void copyToAccess(sqlite3* db, AccessTemplate from, const std::filesystem::path& target,
                  std::string_view password, const std::vector<IndexColumns>& indexes);

} // namespace orrin::sample
