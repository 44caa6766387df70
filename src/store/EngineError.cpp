#include "store/EngineError.h"

#include "store/LockWaits.h"
#include "store/StoreError.h"

#include <sqlcipher/sqlite3.h>

namespace orrin::store {

bool isLockedCode(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

Error engineError(sqlite3* db, int rc, std::string_view sql, const std::string& file, bool preparing)
{
    const std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    if (isLockedCode(rc)) {
        return Error(code::InUse, inUseText(file) + " (" + message + "); the statement \"" +
                                      std::string(sql) + "\" could not run.");
    }
    if (preparing) {
        std::int32_t number = code::BadQuery;
        if (message.rfind("no such table", 0) == 0)
            number = code::NotFound;
        else if (message.rfind("no such column", 0) == 0)
            number = code::UnknownField;
        return Error(number, "The database engine rejected the query \"" + std::string(sql) + "\" on '" +
                                 file + "': " + message + ".");
    }
    const int primary = rc & 0xff;
    return Error(primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB ? code::Damaged : code::General,
                 "The statement \"" + std::string(sql) + "\" failed on '" + file + "': " + message + ".");
}

std::optional<Error> accessConstraintError(sqlite3* db, int rc)
{
    const int extended = db != nullptr ? sqlite3_extended_errcode(db) : rc;
    if (extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY) {
        return Error(
            code::General,
            "The changes you requested to the table were not successful because they would create "
            "duplicate values in the index, primary key, or relationship. Change the data in the field "
            "or fields that contain duplicate data, remove the index, or redefine the index to permit "
            "duplicate entries and try again.");
    }
    if (extended == SQLITE_CONSTRAINT_NOTNULL) {
        // The engine names the column as "TABLE.FIELD" after its message.
        const std::string message = sqlite3_errmsg(db);
        const std::string marker = "constraint failed: ";
        const auto at = message.find(marker);
        const std::string field = at == std::string::npos ? message : message.substr(at + marker.size());
        return Error(code::General, "You must enter a value in the '" + field + "' field.");
    }
    if (extended == SQLITE_CONSTRAINT_TRIGGER) // a table rule refused, in the engine's words
        return Error(code::General, sqlite3_errmsg(db));
    return std::nullopt;
}

} // namespace orrin::store
