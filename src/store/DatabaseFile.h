#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orrin::store {

class LockWaits;

// Turns a data source text into a file path: both "/" and "\" separate, repeated separators fold
// into one. When the exact name is missing, the folder is searched for a name that differs only in
// letter case (LIC.mdb, LIC.MDB, lic.mdb); several such names is an error that names them all; none
// leaves the path as it is (the open then reports the missing file).
std::filesystem::path resolveDataSource(std::string_view dataSource);

// Writes a new, empty encrypted database at path with the given password and runs the schema's
// statements in it. An existing file is an error (nothing is overwritten); a schema the engine
// rejects leaves no file behind. An empty password writes a plain, unencrypted file.
void createDatabase(const std::filesystem::path& path, const std::string& password,
                    std::string_view schemaSql);

// Opens the database at path once and reads it, so that the engine rolls back the journal that an
// abandoned transaction left beside it, then closes it: afterwards the file alone is whole. Lock
// waits come out of waits when given. A replay that fails (or a journal still there afterwards) is
// an Error that names the journal file.
void replayJournal(const std::filesystem::path& path, const std::string& password, LockWaits* waits);

} // namespace orrin::store
