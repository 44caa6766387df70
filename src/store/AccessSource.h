#pragma once

// An Access file behind a Connection: the file is read through the format library, and each table
// is copied into the connection's in-memory database the first time a statement names it, with
// its Access type names as declared types, its unique indexes as UNIQUE and its required columns
// as NOT NULL. Rows go in in stored order, so rowid order is the file's order. Opened read-only,
// the memory database refuses every change between loads, as a read-only file would. Opened for
// writing, it notes which tables statements change; writeChanges() writes those tables into the
// file (a copy renamed over it), in rowid order, with their indexes rebuilt.

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace orrin::jet {
class Database;
}

namespace orrin::store {

class AccessHold;

class AccessSource {
  public:
    // Opens the Access file path with password for a connection whose in-memory database is db.
    // Failures are store Errors naming the file: "the password of FILE is not right", "FILE is not a
    // database", or the damage the format library found.
    // writable: the connection may change the tables, and writeChanges() saves them.
    // hold: for a writable file, the hold taken on it (kept until this object ends, and checked
    // before the file is written).
    AccessSource(const std::filesystem::path& path, const std::string& password, sqlite3* db,
                 bool writable = false, std::unique_ptr<AccessHold> hold = nullptr);
    ~AccessSource();
    AccessSource(const AccessSource&) = delete;
    AccessSource& operator=(const AccessSource&) = delete;

    // Copies the table named (letter case ignored) into the memory database unless it is there
    // already. True when it was copied now; false when it was there or the file has no such table
    // (then the memory database is untouched). A table that does not read is an Error naming the
    // file and the table.
    bool load(std::string_view table);

    // Writes every table changed since the last write or forget into the file; nothing when none
    // changed. The file is replaced whole and atomically: on any failure (disk full, the folder
    // read-only, a value the file cannot hold, a duplicate key) it is as it was, and the Error says
    // why, naming the file. The file must still be the one opened, as it was (same file, size and
    // modification time), and no other program may have joined its lock file: otherwise nothing is
    // written and the Error is "FILE was changed by another program during the import; nothing was
    // written." or "... FILE is in use by another program (LOCK FILE); nothing was written."
    // Afterwards the file is read afresh.
    void writeChanges();
    // Forgets the changes noted (after a rollback, which undid them in memory).
    void forgetChanges() { m_changed.clear(); }
    bool hasChanges() const { return !m_changed.empty(); }

    // The lock file the Calvane application keeps beside a database it has open ("LIC.ldb" beside
    // "LIC.mdb", "X.laccdb" beside "X.accdb"), if there is one.
    static std::optional<std::filesystem::path> lockFileOf(const std::filesystem::path& path);

    // "Jet 3", "Jet 4", "ACE 12", "ACE 14", "ACE 16" or "ACE 17".
    std::string formatName() const;
    // The file's user tables, in catalog order.
    std::vector<std::string> tableNames() const;

    // True when path's first page is that of an Access file ("Standard Jet DB" / "Standard ACE DB"
    // at byte 4); false for any other file, one that cannot be read included.
    static bool isAccessFile(const std::filesystem::path& path);

  private:
    void copyTable(const std::string& name);
    static void noteChange(void* self, int operation, const char* database, const char* table,
                           long long rowid);

    std::string m_file;
    std::filesystem::path m_path;
    std::string m_password;
    sqlite3* m_db;
    bool m_writable = false;
    bool m_loading = false;
    std::unique_ptr<AccessHold> m_hold; // released after m_source
    std::unique_ptr<jet::Database> m_source;
    std::set<std::string> m_loaded;  // lower-case names
    std::set<std::string> m_changed; // lower-case names of tables changed since the last write
};

} // namespace orrin::store
