#include "store/Statement.h"

#include "store/Connection.h"
#include "store/EngineError.h"
#include "store/SqliteHandle.h"
#include "store/StoreError.h"

namespace orrin::store {

namespace {

// True when only blanks, semicolons and line ends follow the first statement.
bool onlySeparatorsIn(const char* tail)
{
    for (; tail != nullptr && *tail != '\0'; ++tail) {
        const char c = *tail;
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != ';')
            return false;
    }
    return true;
}

// The most tables one statement may bring into memory.
constexpr int kMaxLoads = 64;

// The table named in the engine's "no such table: NAME" message ("main." taken off), or "".
std::string missingTable(std::string_view message)
{
    constexpr std::string_view prefix = "no such table: ";
    if (message.substr(0, prefix.size()) != prefix)
        return {};
    std::string_view name = message.substr(prefix.size());
    if (name.substr(0, 5) == "main.")
        name.remove_prefix(5);
    return std::string(name);
}

} // namespace

Statement::Statement(sqlite3* db, std::string_view sql, std::string fileForMessages, const Connection* owner)
    : m_db(db), m_sql(sql), m_file(std::move(fileForMessages)), m_owner(owner)
{
    if (m_db == nullptr)
        throw Error(code::Closed, "Operation is not allowed when the object is closed: the database '" +
                                      m_file + "' is not open.");
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(m_db, m_sql.c_str(), static_cast<int>(m_sql.size()), &raw, &tail);
    // An Access file's tables come into memory when a statement first names them.
    for (int loads = 0; rc != SQLITE_OK && m_owner != nullptr && m_owner->isAccess() && loads < kMaxLoads;
         ++loads) {
        const std::string missing = missingTable(sqlite3_errmsg(m_db));
        if (missing.empty() || !m_owner->loadTable(missing))
            break;
        rc = sqlite3_prepare_v2(m_db, m_sql.c_str(), static_cast<int>(m_sql.size()), &raw, &tail);
    }
    StatementHandle prepared(raw);
    if (rc != SQLITE_OK)
        throw engineError(m_db, rc, m_sql, m_file, true);
    if (!prepared)
        throw Error(code::BadQuery, "The query text \"" + m_sql + "\" holds no statement.");
    if (!onlySeparatorsIn(tail))
        throw Error(code::BadQuery, "The query text \"" + m_sql + "\" holds more than one statement.");
    m_stmt = prepared.release();
    m_columnTypes.resize(static_cast<std::size_t>(sqlite3_column_count(m_stmt)));
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::bind(int index, const Variant& value, TextBinding binding)
{
    // An Access file's copy holds its dates as their double, so a date compared with them must be one.
    const auto form =
        m_owner != nullptr && m_owner->isAccess() ? ColumnType::Form::Exact : ColumnType::Form::Declared;
    bindValue(m_stmt, index, value, binding, form);
}

void Statement::bind(int index, const Variant& value, const ColumnType& type, TextBinding binding)
{
    bindForColumn(m_stmt, index, value, type, binding);
}

bool Statement::step()
{
    if (m_owner != nullptr)
        m_owner->checkTransactionKept();
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;

    Error failure = engineError(m_db, rc, m_sql, m_file, false);
    if (m_owner != nullptr && m_owner->isAccess()) {
        if (auto classic = accessConstraintError(m_db, rc))
            failure = *classic;
    }
    sqlite3_reset(m_stmt);
    if (m_owner != nullptr && m_owner->transactionLost()) {
        throw Error(code::Abandoned,
                    "Cannot go on: the database engine abandoned the run's transaction on '" + m_file +
                        "' after this failure: " + failure.description() +
                        " Nothing written since the transaction began can be kept.");
    }
    throw failure;
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

std::string Statement::columnName(int index) const
{
    const char* name = sqlite3_column_name(m_stmt, index);
    return name != nullptr ? name : "";
}

ColumnType Statement::columnType(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_columnTypes.size())
        return ColumnType{};
    auto& cached = m_columnTypes[static_cast<std::size_t>(index)];
    if (!cached) {
        // A column of an Access table has the type its table definition gives; a table of the
        // memory database's own, its declared type.
        if (m_owner != nullptr && m_owner->isAccess()) {
            const char* table = sqlite3_column_table_name(m_stmt, index);
            const char* column = sqlite3_column_origin_name(m_stmt, index);
            if (table != nullptr && column != nullptr)
                cached = m_owner->accessColumnType(table, column);
        }
        if (!cached) {
            const char* declared = sqlite3_column_decltype(m_stmt, index);
            cached = declared != nullptr ? ColumnType::parse(declared) : ColumnType{};
        }
    }
    return *cached;
}

Variant Statement::column(int index) const
{
    return readColumn(m_stmt, index, columnType(index));
}

Variant Statement::column(int index, const ColumnType& type) const
{
    return readColumn(m_stmt, index, type);
}

} // namespace orrin::store
