#pragma once

// An Access file behind a Connection: the file is read through the format library, and each table
// is copied into the connection's in-memory database the first time a statement names it, with
// its Access type names as declared types, its unique indexes as UNIQUE and its required columns
// as NOT NULL. Rows go in in stored order, so rowid order is the file's order. Between loads the
// memory database refuses every change, as a read-only file would.

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace orrin::jet {
class Database;
}

namespace orrin::store {

class AccessSource {
public:
    // Opens the Access file path with password for a connection whose in-memory database is db.
    // Failures are store Errors naming the file: "the password of FILE is not right", "FILE is not a
    // database", or the damage the format library found.
    AccessSource(const std::filesystem::path& path, const std::string& password, sqlite3* db);
    ~AccessSource();
    AccessSource(const AccessSource&) = delete;
    AccessSource& operator=(const AccessSource&) = delete;

    // Copies the table named (letter case ignored) into the memory database unless it is there
    // already. True when it was copied now; false when it was there or the file has no such table
    // (then the memory database is untouched). A table that does not read is an Error naming the
    // file and the table.
    bool load(std::string_view table);

    // "Jet 3", "Jet 4", "ACE 12", "ACE 14", "ACE 16" or "ACE 17".
    std::string formatName() const;
    // The file's user tables, in catalog order.
    std::vector<std::string> tableNames() const;

    // True when path's first page is that of an Access file ("Standard Jet DB" / "Standard ACE DB"
    // at byte 4); false for any other file, one that cannot be read included.
    static bool isAccessFile(const std::filesystem::path& path);

private:
    void copyTable(const std::string& name);

    std::string m_file;
    sqlite3* m_db;
    std::unique_ptr<jet::Database> m_source;
    std::set<std::string> m_loaded;  // lower-case names
};

} // namespace orrin::store
