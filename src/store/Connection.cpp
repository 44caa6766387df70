#include "store/Connection.h"

#include "platform/Utf8Path.h"
#include "store/AccessHold.h"
#include "store/AccessSource.h"

#include "store/DatabaseFile.h"
#include "store/DatabaseLocation.h"
#include "store/EngineError.h"
#include "store/LockWaits.h"
#include "store/SqlCipherForm.h"
#include "store/SqlText.h"
#include "store/SqliteHandle.h"
#include "store/StoreError.h"

#include <system_error>

namespace orrin::store {

namespace {

// How long a statement waits for another program's lock before it fails.
constexpr int kBusyTimeoutMs = 3000;

Error lockedError(const std::string& file)
{
    return Error(code::InUse, "Cannot open the database: " + inUseText(file) + ".");
}

} // namespace

int TableInfo::find(std::string_view column) const
{
    if (!byName.empty())
        return byName.find(column);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (equalsIgnoringCase(columns[i].name, column))
            return static_cast<int>(i);
    }
    return -1;
}

void TableInfo::indexNames()
{
    byName.clear();
    for (std::size_t i = 0; i < columns.size(); ++i)
        byName.add(columns[i].name, static_cast<int>(i));
}

Connection::Connection() = default;

Connection::~Connection()
{
    if (m_db == nullptr)
        return;
    try {
        close();
    } catch (...) {
        // A destructor cannot report; close() has released the handle whatever happened.
    }
}

void Connection::open(std::string_view connectionText, OpenMode mode)
{
    open(DatabaseLocation::parse(connectionText), mode);
}

void Connection::open(const DatabaseLocation& location, OpenMode mode)
{
    openFile(platform::pathFromUtf8(location.dataSource), location.password, mode);
}

void Connection::openDao(std::string_view name, std::string_view connect)
{
    open(DatabaseLocation::parseDao(name, connect), OpenMode::ReadWrite);
}

void Connection::openFile(const std::filesystem::path& path, const std::string& password, OpenMode mode)
{
    if (m_db != nullptr) {
        throw Error(code::AlreadyOpen, "Operation is not allowed when the object is open: '" +
                                           m_path.string() + "' is open already.");
    }
    const std::filesystem::path file = resolveDataSource(path.string());
    const std::string name = file.string();

    std::error_code error;
    if (file.empty() || !std::filesystem::exists(file, error))
        throw Error(code::General, "Could not find file '" + name + "'.");

    const Error notDatabase(code::General,
                            "Cannot open '" + name + "': not a valid password, or not a database file.");
    // An empty file would pass every check below and then silently become a new database. What is
    // there instead of a database is said as it is.
    if (std::filesystem::is_directory(file, error))
        throw Error(code::General, "Cannot open '" + name + "': it is a folder, not a database file.");
    if (!std::filesystem::is_regular_file(file, error))
        throw Error(code::General,
                    "Cannot open '" + name + "': it is not a regular file, so not a database file.");
    if (std::filesystem::file_size(file, error) == 0)
        throw Error(code::General,
                    "Cannot open '" + name + "': the file is empty (0 bytes), not a database file.");
    if (AccessSource::isAccessFile(file)) {
        openAccess(file, password, mode);
        return;
    }
    if (!kSqlCipherBuilt)
        throw Error(code::General,
                    "Cannot open '" + name + "': it is not an Access file, and " + kNoSqlCipherForm + ".");

    // A connection is only ever used by one thread at a time, so the engine's own locking of it
    // would be pure cost.
    const int flags =
        (mode == OpenMode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
    DatabaseHandle db(raw);
    if (opened != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(opened);
        throw Error(code::General, "Cannot open '" + name + "': " + message + ".");
    }
    m_lockName = name;
    if (m_lockWaits != nullptr)
        sqlite3_busy_handler(db.get(), &Connection::busyHandler, this);
    else
        sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    // Without a password the file is a plain, unencrypted one.
    if (!password.empty() && keyDatabase(db.get(), password) != SQLITE_OK)
        throw notDatabase;

    // The key is only tried when the first page is read.
    const int checked =
        sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (isLockedCode(checked))
        throw lockedError(name);
    if (checked != SQLITE_OK)
        throw notDatabase;
    // The engine quietly falls back to reading when the file cannot be written; a run that means
    // to write must hear about it now, not at its first write.
    if (mode == OpenMode::ReadWrite && sqlite3_db_readonly(db.get(), "main") == 1) {
        throw Error(code::General,
                    "Cannot open '" + name +
                        "' for writing: the file is read-only or its folder cannot be written.");
    }

    m_db = db.release();
    m_path = file;
    m_transactionBegun = false;
}

void Connection::openAccess(const std::filesystem::path& file, const std::string& password, OpenMode mode)
{
    const std::string name = file.string();
    const bool writable = mode == OpenMode::ReadWrite;
    std::unique_ptr<AccessHold> hold;
    if (writable) {
        std::error_code error;
        const auto status = std::filesystem::status(file, error);
        if (!error && (status.permissions() &
                       (std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                        std::filesystem::perms::others_write)) == std::filesystem::perms::none) {
            throw Error(code::General,
                        "Cannot open '" + name +
                            "' for writing: the file is read-only or its folder cannot be written.");
        }
        // Held as the engine holds a database it writes, from now to the connection's end: the
        // Calvane application keeps a lock file beside a database it has open, and writing under
        // it would lose its changes or ours.
        hold = std::make_unique<AccessHold>(file, m_lockWaits);
    }
    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    DatabaseHandle db(raw);
    if (opened != SQLITE_OK)
        throw Error(code::General, "Cannot open '" + name + "': " + sqlite3_errstr(opened) + ".");
    auto access = std::make_unique<AccessSource>(file, password, db.get(), writable, std::move(hold));
    m_db = db.release();
    m_access = std::move(access);
    m_path = file;
    m_transactionBegun = false;
}

std::string Connection::calvaneLockMessage(const std::filesystem::path& file)
{
    if (!AccessSource::isAccessFile(file))
        return "";
    const auto lock = AccessSource::lockFileOf(file);
    // A lock file of this program's runs is another run's (which the open waits for) or a killed
    // run's (which the open removes).
    if (!lock || AccessHold::isThisProgramsLockFile(*lock))
        return "";
    return AccessHold::calvaneMessage(file, *lock);
}

access::TableRules* Connection::tableRules(std::string_view table) const
{
    return m_access ? m_access->rules(table) : nullptr;
}

std::vector<std::string> Connection::ruleWarnings() const
{
    return m_access ? m_access->ruleWarnings() : std::vector<std::string>{};
}

bool Connection::loadTable(std::string_view table) const
{
    return m_access != nullptr && m_access->load(table);
}

std::optional<ColumnType> Connection::accessColumnType(std::string_view table, std::string_view column) const
{
    if (m_access == nullptr)
        return std::nullopt;
    const std::vector<ColumnInfo>* columns = m_access->columnsOf(table);
    if (columns == nullptr)
        return std::nullopt;
    for (const auto& c : *columns) {
        if (equalsIgnoringCase(c.name, column))
            return c.type;
    }
    return std::nullopt;
}

std::string Connection::formatName() const
{
    requireOpen();
    return m_access ? m_access->formatName() : "SQLCipher";
}

std::vector<std::string> Connection::tableNames() const
{
    requireOpen();
    if (m_access)
        return m_access->tableNames();
    std::vector<std::string> names;
    Statement list(m_db,
                   "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
                   "ESCAPE '\\' ORDER BY rowid",
                   fileName(), this);
    while (list.step())
        names.push_back(list.column(0, ColumnType{ColumnType::Kind::Text}).text());
    return names;
}

// The engine asks here whenever a lock it needs is held elsewhere; the run's shared budget decides.
int Connection::busyHandler(void* connection, int attempt)
{
    auto* self = static_cast<Connection*>(connection);
    return self->m_lockWaits != nullptr && self->m_lockWaits->keepWaiting(self->m_lockName, attempt) ? 1 : 0;
}

bool Connection::isOpen() const
{
    return m_db != nullptr;
}

void Connection::close()
{
    requireOpen();
    if (m_transactionBegun && sqlite3_get_autocommit(m_db) == 0)
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_transactionBegun = false;
    m_inserts.clear();
    m_statements.clear();
    m_tables.clear();
    m_access.reset();
    DatabaseHandle closing(m_db);
    m_db = nullptr;
}

void Connection::requireOpen() const
{
    if (m_db == nullptr) {
        throw Error(code::Closed, "Operation is not allowed when the object is closed" +
                                      (m_path.empty() ? std::string(".") : ": '" + m_path.string() + "'."));
    }
}

void Connection::execute(std::string_view sql, std::initializer_list<Variant> parameters)
{
    Statement& statement = this->statement(sql);
    int index = 1;
    for (const Variant& parameter : parameters)
        statement.bind(index++, parameter);
    try {
        while (statement.step()) {
        }
    } catch (...) {
        statement.reset();
        throw;
    }
    statement.reset();
}

Statement& Connection::statement(std::string_view sql)
{
    requireOpen();
    auto found = m_statements.find(sql);
    if (found == m_statements.end()) {
        auto prepared = std::make_unique<Statement>(m_db, sql, fileName(), this);
        found = m_statements.emplace(std::string(sql), std::move(prepared)).first;
    }
    found->second->reset();
    return *found->second;
}

const TableInfo& Connection::tableInfo(std::string_view table)
{
    return *sharedTableInfo(table);
}

std::shared_ptr<const TableInfo> Connection::sharedTableInfo(std::string_view table)
{
    requireOpen();
    const std::string key = lowerAscii(table);
    if (const auto found = m_tables.find(key); found != m_tables.end())
        return found->second;

    loadTable(table);
    auto made = std::make_shared<TableInfo>();
    TableInfo& info = *made;
    {
        Statement lookup(
            m_db,
            "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE",
            fileName(), this);
        lookup.bind(1, Variant(table));
        if (!lookup.step()) {
            throw Error(code::NotFound, "Cannot find the table or query '" + std::string(table) + "' in '" +
                                            fileName() + "'.");
        }
        info.name = lookup.column(0, ColumnType{ColumnType::Kind::Text}).text();
    }
    // An Access table's columns have the types of its definition.
    if (const std::vector<ColumnInfo>* typed =
            m_access != nullptr ? m_access->columnsOf(info.name) : nullptr) {
        info.columns = *typed;
        info.indexNames();
        return m_tables.emplace(key, std::move(made)).first->second;
    }
    Statement columns(m_db, "PRAGMA table_info(" + quoteIdentifier(info.name) + ")", fileName(), this);
    while (columns.step()) {
        const ColumnType text{ColumnType::Kind::Text};
        const Variant name = columns.column(1, text);
        const Variant declared = columns.column(2, text);
        info.columns.push_back(
            ColumnInfo{name.text(), ColumnType::parse(declared.isText() ? declared.text() : std::string())});
    }
    info.indexNames();
    return m_tables.emplace(key, std::move(made)).first->second;
}

Statement& Connection::insertStatement(const TableInfo& table, const std::vector<bool>& assigned)
{
    requireOpen();
    auto forTable = m_inserts.find(table.name);
    if (forTable == m_inserts.end())
        forTable = m_inserts.emplace(table.name, std::map<std::vector<bool>, Statement*>{}).first;
    if (const auto found = forTable->second.find(assigned); found != forTable->second.end()) {
        found->second->reset();
        return *found->second;
    }

    std::string names;
    std::string marks;
    for (std::size_t i = 0; i < assigned.size() && i < table.columns.size(); ++i) {
        if (!assigned[i])
            continue;
        names += (names.empty() ? "" : ", ") + quoteIdentifier(table.columns[i].name);
        marks += marks.empty() ? "?" : ", ?";
    }
    const std::string sql = names.empty() ? "INSERT INTO " + quoteIdentifier(table.name) + " DEFAULT VALUES"
                                          : "INSERT INTO " + quoteIdentifier(table.name) + " (" + names +
                                                ") VALUES (" + marks + ")";
    Statement& insert = statement(sql);
    forTable->second.emplace(assigned, &insert);
    return insert;
}

void Connection::beginTransaction()
{
    requireOpen();
    if (m_transactionBegun || sqlite3_get_autocommit(m_db) == 0) {
        throw Error(code::General, "A transaction is already open on '" + fileName() + "'.");
    }
    const int rc = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (isLockedCode(rc))
        throw Error(code::InUse, "Cannot write to the database: " + inUseText(fileName()) + ".");
    if (rc != SQLITE_OK)
        throw engineError(m_db, rc, "BEGIN IMMEDIATE", fileName(), false);
    m_transactionBegun = true;
}

void Connection::beginReadSnapshot()
{
    requireOpen();
    if (m_transactionBegun || sqlite3_get_autocommit(m_db) == 0) {
        throw Error(code::General, "A transaction is already open on '" + fileName() + "'.");
    }
    int rc = sqlite3_exec(m_db, "BEGIN", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw engineError(m_db, rc, "BEGIN", fileName(), false);
    m_transactionBegun = true;
    // A deferred transaction takes its read lock at its first read.
    rc = sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const Error failure =
            isLockedCode(rc) ? Error(code::InUse, "Cannot read the database: " + inUseText(fileName()) + ".")
                             : engineError(m_db, rc, "SELECT count(*) FROM sqlite_master", fileName(), false);
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        m_transactionBegun = false;
        throw failure;
    }
}

void Connection::commit()
{
    requireOpen();
    checkTransactionKept();
    if (!m_transactionBegun)
        throw Error(code::General, "There is no transaction to commit on '" + fileName() + "'.");
    // An Access file is written first: if that fails the transaction stays open, and the caller's
    // rollback leaves file and memory as they were.
    if (m_access)
        m_access->writeChanges();
    const int rc = sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        // A failed COMMIT may leave the transaction open (a lock) or end it (an I/O error); either way
        // the caller learns that nothing is saved yet.
        Error failure = engineError(m_db, rc, "COMMIT", fileName(), false);
        if (transactionLost()) {
            throw Error(code::Abandoned,
                        "Cannot save: the database engine abandoned the run's transaction on '" + fileName() +
                            "' while saving it. " + failure.description());
        }
        throw failure;
    }
    m_transactionBegun = false;
}

void Connection::rollback()
{
    requireOpen();
    if (!m_transactionBegun)
        throw Error(code::General, "There is no transaction to roll back on '" + fileName() + "'.");
    m_transactionBegun = false;
    if (m_access)
        m_access->forgetChanges();
    if (sqlite3_get_autocommit(m_db) != 0)
        return; // the engine has rolled it back already
    const int rc = sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw engineError(m_db, rc, "ROLLBACK", fileName(), false);
}

bool Connection::inTransaction() const
{
    return m_db != nullptr && m_transactionBegun && sqlite3_get_autocommit(m_db) == 0;
}

bool Connection::transactionLost() const
{
    return m_db != nullptr && m_transactionBegun && sqlite3_get_autocommit(m_db) != 0;
}

void Connection::checkTransactionKept() const
{
    if (transactionLost()) {
        throw Error(code::Abandoned,
                    "Cannot go on: the database engine abandoned the run's transaction on '" + fileName() +
                        "', so nothing written now could be kept.");
    }
}

} // namespace orrin::store
