#pragma once

#include "value/Error.h"

#include <optional>
#include <string>
#include <string_view>

struct sqlite3;

namespace orrin::store {

// The Error for a failure the engine reported with result code rc on db: a provider-style number
// (a missing table, an unknown column, a rejected query, a locked file, anything else), the engine's
// own message, the statement and the file. preparing tells a rejected text from a failed run.
Error engineError(sqlite3* db, int rc, std::string_view sql, const std::string& file, bool preparing);

// For an Access file's tables: a broken unique index or required field reported as Access reports
// it ("The changes you requested ... duplicate values ..."; "You must enter a value in the
// 'TABLE.FIELD' field."); nullopt for any other failure.
std::optional<Error> accessConstraintError(sqlite3* db, int rc);

// True for the result codes that mean another program holds a lock on the file.
bool isLockedCode(int rc);

} // namespace orrin::store
