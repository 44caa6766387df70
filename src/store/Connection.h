#pragma once

#include "store/ColumnType.h"
#include "store/NameIndex.h"
#include "store/Statement.h"
#include "value/Variant.h"

#include <filesystem>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace orrin::store {

class AccessSource;
class LockWaits;
struct DatabaseLocation;
namespace access {
class TableRules;
}

enum class OpenMode { ReadWrite, ReadOnly };

struct TableInfo {
    std::string name; // as the schema spells it
    std::vector<ColumnInfo> columns;
    // Filled by indexNames(); without it find() scans the columns.
    NameIndex byName;
    // Index of a column by name without regard to case, or -1.
    int find(std::string_view column) const;
    // Indexes the columns by name, so that find() no longer scans them.
    void indexNames();
};

// An open database file: a SQLCipher file whose database password is its key, or an Access file
// (Jet 3, Jet 4, ACE: what the first page says, never the name), which opens as an in-memory
// database into which each table is copied the first time a statement names it. For writing, an
// Access file must not be open in the Calvane application (its lock file beside it); the tables a
// transaction changed are written into the file when it commits (atomically: on failure the file
// is as it was and the transaction stays open), and a rollback forgets them. Opening
// never creates a file: a missing file, a wrong password or a file that is not a database is an
// Error naming the file. Opening a connection that is already open, or using a closed one, is an
// Error too.
class Connection {
  public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Another program's lock is waited for out of waits' budget (shared with the run's other
    // connections) instead of a fixed few seconds per statement. Set before open; waits must outlive
    // the connection's use. A wait that runs out fails the statement with store::code::InUse.
    void setLockWaits(LockWaits* waits) { m_lockWaits = waits; }

    // ADO form: a connection text (store::DatabaseLocation::parse).
    void open(std::string_view connectionText, OpenMode mode = OpenMode::ReadWrite);
    // The location itself: its data source with its password.
    void open(const DatabaseLocation& location, OpenMode mode = OpenMode::ReadWrite);
    // DAO form: database name and ";pwd=..." connect text.
    void openDao(std::string_view name, std::string_view connect);
    // The file itself (the data source already resolved or not: resolveDataSource is applied).
    void openFile(const std::filesystem::path& path, const std::string& password, OpenMode mode);
    bool isOpen() const;
    // Closes the file; a transaction still open is rolled back. Closing a closed connection is an
    // Error (store::code::Closed), as in the classic interface.
    void close();

    // Runs one statement, parameters bound in order (numbers, texts, Null).
    void execute(std::string_view sql, std::initializer_list<Variant> parameters = {});

    // A prepared statement kept for the life of the connection, keyed by its text; it comes back
    // reset with its bindings cleared.
    Statement& statement(std::string_view sql);

    // Column names and declared types of a table; throws store::code::NotFound naming the table.
    const TableInfo& tableInfo(std::string_view table);
    // The same, shared: it stays valid for its holder after the connection is closed.
    std::shared_ptr<const TableInfo> sharedTableInfo(std::string_view table);

    // "INSERT INTO table (the assigned columns) VALUES (?, ...)", or "... DEFAULT VALUES" when no
    // column is assigned: assigned[i] stands for column i of table, which is tableInfo() of a table
    // of this connection. Prepared once per set of columns and kept like statement(), it comes
    // back reset with its bindings cleared.
    Statement& insertStatement(const TableInfo& table, const std::vector<bool>& assigned);

    // Takes the write lock at once (BEGIN IMMEDIATE): a file another program is writing is found
    // out before anything is done. Fails with store::code::InUse when the lock does not come.
    void beginTransaction();
    // A read transaction: every read until commit/rollback/close sees the file as it is now, one
    // consistent snapshot, and no other program can commit a change to it meanwhile.
    void beginReadSnapshot();
    void commit();
    void rollback();
    bool inTransaction() const;
    // True when a transaction was begun here and the engine has since abandoned it on its own (disk
    // full, I/O error, out of memory): nothing written after that could be kept.
    bool transactionLost() const;
    // Throws store::code::Abandoned when transactionLost(); every statement of this connection
    // calls it before it runs.
    void checkTransactionKept() const;

    // True when the open file is an Access file.
    bool isAccess() const { return m_access != nullptr; }
    // Access files: copies the table named into the memory database unless it is there already;
    // true when it did. False for a SQLCipher file or a name the file does not have. A table that
    // does not read is an Error naming the file and the table. Statements call it when the engine
    // reports a missing table, and then prepare again.
    bool loadTable(std::string_view table) const;
    // Access files: the type that the table definition gives the column of a table in memory (names
    // without regard to case); nothing for a SQLCipher file or a table of the memory database's own.
    std::optional<ColumnType> accessColumnType(std::string_view table, std::string_view column) const;
    // Access files: the rules of a loaded table (defaults, AutoNumber, validation), or nullptr (a
    // SQLCipher file, a table not loaded or not the file's).
    access::TableRules* tableRules(std::string_view table) const;
    // Access files: the default values and validation rules of the file's tables that are outside
    // the evaluator's language, each named in a sentence; none for a SQLCipher file.
    std::vector<std::string> ruleWarnings() const;
    // For an Access file that the Calvane application has open (its lock file is beside it): the
    // message that says so; "" otherwise (a SQLCipher file, a file that cannot be read, no lock
    // file, or one that holds entries of this program's runs alone).
    static std::string calvaneLockMessage(const std::filesystem::path& file);
    // What kind of file is open: "SQLCipher", or the Access version ("Jet 3", "Jet 4", "ACE 12" ...).
    std::string formatName() const;
    // The user tables of the file: an Access file's catalog, a SQLCipher file's tables.
    std::vector<std::string> tableNames() const;

    const std::filesystem::path& path() const { return m_path; }
    sqlite3* handle() const { return m_db; }
    // The text used in messages: the file's path.
    std::string fileName() const { return m_path.string(); }

  private:
    void requireOpen() const;
    static int busyHandler(void* connection, int attempt);

    void openAccess(const std::filesystem::path& file, const std::string& password, OpenMode mode);

    sqlite3* m_db = nullptr;
    std::unique_ptr<AccessSource> m_access; // set while an Access file is open
    std::filesystem::path m_path;
    LockWaits* m_lockWaits = nullptr;
    std::string m_lockName; // the file named in lock waits, set when opening
    bool m_transactionBegun = false;
    std::map<std::string, std::unique_ptr<Statement>, std::less<>> m_statements;
    std::map<std::string, std::shared_ptr<const TableInfo>, std::less<>> m_tables; // key: lower-case name
    // The INSERT statements of insertStatement(), by table name and assigned columns; they are
    // owned by m_statements.
    std::map<std::string, std::map<std::vector<bool>, Statement*>, std::less<>> m_inserts;
};

} // namespace orrin::store
