#pragma once

#include <sqlcipher/sqlite3.h>

#include <string>
#include <string_view>

namespace orrin::store {

// Whether this build reads and writes the SQLCipher form of the databases. The Linux build does; the
// Windows build carries plain SQLite (for the in-memory copies of Access tables) and reads and writes
// Access files only.
inline constexpr bool kSqlCipherBuilt = ORRIN_HAS_SQLCIPHER != 0;

// The reason given wherever the SQLCipher form is asked of a build without it.
inline const std::string kNoSqlCipherForm =
    "this build of the program does not include the SQLCipher form; it reads and writes Access files";

// The SQL engine this build carries, for --version: "SQLite 3.40.1, with the SQLCipher form" or
// "SQLite 3.40.1, without the SQLCipher form".
inline std::string engineVersionText()
{
    return std::string("SQLite ") + sqlite3_libversion() +
           (kSqlCipherBuilt ? ", with the SQLCipher form" : ", without the SQLCipher form");
}

// Gives db its SQLCipher key. In a build without the SQLCipher form an empty password is no key and
// succeeds; any other is SQLITE_ERROR.
inline int keyDatabase(sqlite3* db, std::string_view password)
{
#if ORRIN_HAS_SQLCIPHER
    return sqlite3_key(db, password.data(), static_cast<int>(password.size()));
#else
    (void)db;
    return password.empty() ? SQLITE_OK : SQLITE_ERROR;
#endif
}

} // namespace orrin::store
