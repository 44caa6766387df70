#pragma once

// An Access file behind a Connection: the file is read through the format library, and each table
// is copied into the connection's in-memory database the first time a statement names it, with
// its column types from the table definition (columnsOf), each value held exactly as the file
// holds it: text as text, dates as their double, currency as its ten-thousandths; columns are
// declared with the storage class of their values so that the engine never converts one. A unique
// index becomes a unique index of the memory table on the key the file's index gives the row (its
// sort order: "Émile" and "émile" are one key), so that a duplicate is refused at its own statement,
// never at the write; a key with a Null in it is never a duplicate. Rows go in in stored order, so
// rowid order is the file's order. Once they are in, the table's rules (access::TableRules:
// Required, AllowZeroLength, defaults, AutoNumber, validation) bind the rows written from then on;
// the rows already in the file load whatever they hold. Opened read-only, the memory database
// refuses every change between loads, as a read-only file would. Opened for writing, it notes which
// tables statements change; writeChanges() writes those tables into the file (a copy renamed over
// it), in rowid order, with their indexes rebuilt.

#include "store/ColumnType.h"
#include "store/access/RelationshipRules.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace orrin::jet {
class Database;
struct Relationship;
} // namespace orrin::jet

namespace orrin::store {

class AccessHold;
namespace access {
class TableRules;
}

class AccessSource {
  public:
    // Opens the Access file path with password for a connection whose in-memory database is db.
    // Failures are store Errors naming the file: "the password of FILE is not right", "FILE is not a
    // database", or the damage the format library found. Opened for writing, every file its linked
    // tables lie in must be found (by its file name in path's folder, letter case ignored, or by a
    // relative path from there), or the Error names the link and the path it stores.
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
    // The columns of a table loaded into memory (name without regard to case) with the types its
    // definition gives them, in the table's order; nothing for a table not loaded.
    const std::vector<ColumnInfo>* columnsOf(std::string_view table) const;

    // Writes every table changed since the last write or forget into the file; nothing when none
    // changed. The file is replaced whole and atomically: on any failure (disk full, the folder
    // read-only, a value the file cannot hold, a duplicate key) it is as it was, and the Error says
    // why, naming the file. Changed linked tables are written into their files first, each replaced
    // the same way; when a later file fails, those already replaced are put back as they were. Each
    // file must still be the one opened, as it was (same file, size and modification time), and no
    // other program may have joined the database's lock file: otherwise nothing is written and the
    // Error is "FILE was changed by another program during the import; nothing was written." or
    // "... FILE is in use by another program (LOCK FILE); nothing was written." Afterwards the files
    // are read afresh.
    void writeChanges();
    // Forgets the changes noted (after a rollback, which undid them in memory).
    void forgetChanges() { m_changed.clear(); }
    bool hasChanges() const { return !m_changed.empty(); }

    // The lock file the Calvane application keeps beside a database it has open ("LIC.ldb" beside
    // "LIC.mdb", "X.laccdb" beside "X.accdb"), if there is one.
    static std::optional<std::filesystem::path> lockFileOf(const std::filesystem::path& path);

    // The rules of a table loaded into the memory database (letter case ignored), or nullptr.
    access::TableRules* rules(std::string_view table) const;
    // One sentence for each default value and validation rule of the file's tables that is not
    // applied because it is outside the evaluator's language, in catalog and column order.
    std::vector<std::string> ruleWarnings() const;

    // "Jet 3", "Jet 4", "ACE 12", "ACE 14", "ACE 16" or "ACE 17".
    std::string formatName() const;
    // The file's user tables, in catalog order.
    std::vector<std::string> tableNames() const;

    // True when path's first page is that of an Access file ("Standard Jet DB" / "Standard ACE DB"
    // at byte 4); false for any other file, one that cannot be read included.
    static bool isAccessFile(const std::filesystem::path& path);

  private:
    struct UniqueKey;
    // A file that linked tables of this one lie in, opened when a link to it is first used.
    struct LinkedFile {
        std::filesystem::path path;
        std::string password;
        std::unique_ptr<jet::Database> database;
    };
    struct Link {
        std::string name;        // as this file knows it
        std::string foreignName; // in the linked file
        std::string storedPath;  // as the link stores it, for messages
        LinkedFile* file = nullptr;
    };
    // The link named (letter case ignored), its file opened; nullptr when name is no link. Error
    // naming the link and its path when the file cannot be found or opened.
    Link* linkNamed(std::string_view name);
    // The file and the name in it of a table of the memory database: this file's own, or a link's.
    std::pair<jet::Database*, std::string> sourceOf(const std::string& name);
    void copyTable(const std::string& name);
    // The SQL function access_key(number, column values...): the key of unique index number of
    // m_keys, as a blob; Null when a value is Null.
    friend struct KeyFunction;
    // The parent's unique index that relationship's keys compare through, when the parent has one
    // over exactly the referenced columns and its keys are built here.
    std::optional<access::ParentKey> parentKey(const jet::Relationship& relationship) const;
    // Binds the unique keys to the definitions of the file read afresh.
    void rebindKeys();
    // The file's relationships, read once.
    const std::vector<jet::Relationship>& relationships();
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
    std::set<std::string> m_loaded;                           // lower-case names
    std::map<std::string, std::vector<ColumnInfo>> m_columns; // by lower-case name, of loaded tables
    std::set<std::string> m_changed; // lower-case names of tables changed since the last write
    std::map<std::string, std::unique_ptr<access::TableRules>> m_rules; // by lower-case name
    std::vector<std::unique_ptr<UniqueKey>> m_keys;                     // access_key's indexes, by number
    std::optional<std::vector<jet::Relationship>> m_relationships;
    std::set<std::string> m_relationshipsKept;                        // names of those the memory tables keep
    std::map<std::string, Link> m_links;                              // by lower-case name
    std::map<std::string, std::unique_ptr<LinkedFile>> m_linkedFiles; // by path
};

} // namespace orrin::store
