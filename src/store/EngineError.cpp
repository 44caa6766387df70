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
        return Error(code::InUse, inUseText(file) + " (" + message + "); the statement \"" + std::string(sql) +
                                      "\" could not run.");
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
    return Error(code::General,
                 "The statement \"" + std::string(sql) + "\" failed on '" + file + "': " + message + ".");
}

} // namespace orrin::store
