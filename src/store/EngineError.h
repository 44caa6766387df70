#pragma once

#include "value/Error.h"

#include <string>
#include <string_view>

struct sqlite3;

namespace orrin::store {

// The Error for a failure the engine reported with result code rc on db: a provider-style number
// (a missing table, an unknown column, a rejected query, a locked file, anything else), the engine's
// own message, the statement and the file. preparing tells a rejected text from a failed run.
Error engineError(sqlite3* db, int rc, std::string_view sql, const std::string& file, bool preparing);

// True for the result codes that mean another program holds a lock on the file.
bool isLockedCode(int rc);

} // namespace orrin::store
