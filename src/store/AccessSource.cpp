#include "store/AccessSource.h"

#include "jet/base/FileReplace.h"
#include "jet/base/JetError.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/write/TableWriter.h"
#include "store/AccessHold.h"
#include "store/EngineError.h"
#include "store/SqlText.h"
#include "store/SqliteHandle.h"
#include "store/StoreError.h"
#include "value/DateValue.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <vector>

namespace orrin::store {

namespace {

// Serial days of 1 January 100 and 31 December 9999, the dates the store's date form covers.
constexpr double kFirstStoredDay = -657434.0;
constexpr double kLastStoredDay = 2958466.0;

// The store's Error for a failure of the format library, whose messages name the file ("the
// password of FILE is not right", "FILE is not a database", the damage and its page) and are
// shown as sentences. A message that begins with the file's name keeps it as the user gave it:
// "v/zrv.accdb" must not become "V/zrv.accdb".
Error storeError(const jet::Error& e, const std::string& file)
{
    std::string message = e.what();
    if (!message.empty() && message.front() >= 'a' && message.front() <= 'z' && message.rfind(file, 0) != 0)
        message.front() = static_cast<char>(message.front() - 'a' + 'A');
    if (!message.empty() && message.back() != '.')
        message += '.';
    return Error(e.failure() == jet::Failure::NotFound  ? code::NotFound
                 : e.failure() == jet::Failure::Damaged ? code::Damaged
                                                        : code::General,
                 message);
}

void exec(sqlite3* db, const std::string& sql, const std::string& file)
{
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw engineError(db, rc, sql, file, false);
}

// Binds one field value in the store's storage form: dates as text, currency as a double of
// units, Yes/No as 1/0, binary as a blob. Texts stay alive until the next row is read.
void bind(sqlite3_stmt* insert, int index, const jet::Value& value)
{
    switch (value.kind) {
    case jet::Value::Kind::Null:
        sqlite3_bind_null(insert, index);
        return;
    case jet::Value::Kind::Bool:
    case jet::Value::Kind::Integer:
        sqlite3_bind_int64(insert, index, value.integer);
        return;
    case jet::Value::Kind::Currency:
        sqlite3_bind_double(insert, index, static_cast<double>(value.integer) / 10000.0);
        return;
    case jet::Value::Kind::Double:
        sqlite3_bind_double(insert, index, value.real);
        return;
    case jet::Value::Kind::DateTime: {
        const std::string text = value.real >= kFirstStoredDay && value.real < kLastStoredDay
                                     ? formatDate(Date{value.real})
                                     : jet::formatDateTime(value.real);
        sqlite3_bind_text(insert, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return;
    }
    case jet::Value::Kind::Text:
        sqlite3_bind_text(insert, index, value.text.data(), static_cast<int>(value.text.size()),
                          SQLITE_STATIC);
        return;
    case jet::Value::Kind::Bytes:
        sqlite3_bind_blob(insert, index, value.bytes.data(), static_cast<int>(value.bytes.size()),
                          SQLITE_STATIC);
        return;
    }
}

} // namespace

AccessSource::AccessSource(const std::filesystem::path& path, const std::string& password, sqlite3* db,
                           bool writable, std::unique_ptr<AccessHold> hold)
    : m_file(path.string()), m_path(path), m_password(password), m_db(db), m_writable(writable),
      m_hold(std::move(hold))
{
    try {
        m_source = jet::Database::open(path, password);
        if (writable)
            jet::TableWriter{*m_source}; // refuses what it cannot write (Access 97) before any work
    } catch (const jet::Error& e) {
        throw storeError(e, m_file);
    }
    if (!writable) {
        exec(m_db, "PRAGMA query_only = 1", m_file);
        return;
    }
    // A write that was killed half-way left its copy beside the file; the file itself is whole.
    jet::removeLeftoverCopies(path);
    // Every changed row is noted by its table. A DELETE without WHERE would empty a table without
    // visiting its rows (and unnoticed); an authorizer that answers "ignore" for deletes makes the
    // engine visit them.
    sqlite3_update_hook(m_db, &AccessSource::noteChange, this);
    sqlite3_set_authorizer(
        m_db,
        [](void*, int action, const char*, const char*, const char*, const char*) {
            return action == SQLITE_DELETE ? SQLITE_IGNORE : SQLITE_OK;
        },
        nullptr);
}

void AccessSource::noteChange(void* self, int, const char* database, const char* table, long long)
{
    auto* source = static_cast<AccessSource*>(self);
    if (!source->m_loading && database != nullptr && std::string_view(database) == "main" && table != nullptr)
        source->m_changed.insert(lowerAscii(table));
}

std::optional<std::filesystem::path> AccessSource::lockFileOf(const std::filesystem::path& path)
{
    const std::string extension = lowerAscii(path.extension().string());
    std::filesystem::path lock = path;
    lock.replace_extension(extension == ".accdb" ? ".laccdb" : ".ldb");
    std::error_code error;
    if (std::filesystem::exists(lock, error))
        return lock;
    // The lock file's name may differ from the database's in letter case only.
    const std::string wanted = lowerAscii(lock.filename().string());
    for (const auto& entry :
         std::filesystem::directory_iterator(path.parent_path().empty() ? "." : path.parent_path(), error))
        if (lowerAscii(entry.path().filename().string()) == wanted)
            return entry.path();
    return std::nullopt;
}

AccessSource::~AccessSource() = default;

bool AccessSource::isAccessFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::array<std::uint8_t, 32> first{};
    if (!in.read(reinterpret_cast<char*>(first.data()), first.size()))
        return false;
    return jet::looksLikeAccessFile(first);
}

std::string AccessSource::formatName() const
{
    switch (m_source->version()) {
    case jet::Version::Jet3:
        return "Jet 3";
    case jet::Version::Jet4:
        return "Jet 4";
    case jet::Version::Ace12:
        return "ACE 12";
    case jet::Version::Ace14:
        return "ACE 14";
    case jet::Version::Ace16:
        return "ACE 16";
    case jet::Version::Ace17:
        return "ACE 17";
    }
    return "Access";
}

std::vector<std::string> AccessSource::tableNames() const
{
    std::vector<std::string> names;
    for (const auto& entry : m_source->tables())
        names.push_back(entry.name);
    return names;
}

bool AccessSource::load(std::string_view table)
{
    const std::string key = lowerAscii(table);
    if (m_loaded.count(key) != 0)
        return false;
    const auto& tables = m_source->tables();
    const auto found = std::find_if(tables.begin(), tables.end(), [&](const jet::CatalogEntry& e) {
        return equalsIgnoringCase(e.name, table);
    });
    if (found == tables.end())
        return false;
    exec(m_db, "PRAGMA query_only = 0", m_file);
    exec(m_db, "SAVEPOINT access_load", m_file);
    m_loading = true;
    try {
        copyTable(found->name);
        m_loading = false;
        exec(m_db, "RELEASE access_load", m_file);
    } catch (...) {
        m_loading = false;
        sqlite3_exec(m_db, "ROLLBACK TO access_load", nullptr, nullptr, nullptr);
        sqlite3_exec(m_db, "RELEASE access_load", nullptr, nullptr, nullptr);
        if (!m_writable)
            sqlite3_exec(m_db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
        throw;
    }
    if (!m_writable)
        exec(m_db, "PRAGMA query_only = 1", m_file);
    m_loaded.insert(key);
    return true;
}

void AccessSource::copyTable(const std::string& name)
{
    const jet::TableDef* def = nullptr;
    std::vector<bool> required;
    try {
        def = &m_source->table(name);
        // Required columns: those set Required, and those of the primary key and of required indexes.
        const jet::Properties properties = m_source->properties(name);
        for (const auto& column : def->columns)
            required.push_back(properties.required(column.name));
    } catch (const jet::Error& e) {
        throw storeError(e, m_file);
    }

    std::vector<std::string> uniques;
    std::set<std::uint32_t> realIndexesSeen;
    for (const auto& index : def->indexes) {
        const jet::RealIndexDef& real = def->realIndexes[index.realIndex];
        std::string columns;
        for (const auto& key : real.columns) {
            for (std::size_t c = 0; c < def->columns.size(); ++c) {
                if (def->columns[c].number != key.columnNumber)
                    continue;
                if (index.primaryKey() || real.required())
                    required[c] = true;
                columns += (columns.empty() ? "" : ", ") + quoteIdentifier(def->columns[c].name);
            }
        }
        if (real.unique() && !columns.empty() && realIndexesSeen.insert(index.realIndex).second)
            uniques.push_back("UNIQUE (" + columns + ")");
    }

    std::string create = "CREATE TABLE " + quoteIdentifier(name) + " (";
    std::string marks;
    for (std::size_t c = 0; c < def->columns.size(); ++c) {
        const jet::ColumnDef& column = def->columns[c];
        const std::string type = column.storeType(def->version);
        create += (c == 0 ? "" : ", ") + quoteIdentifier(column.name) + " " + type;
        if (type.rfind("TEXT", 0) == 0 || type == "MEMO")
            create += " COLLATE NOCASE";
        if (required[c])
            create += " NOT NULL";
        marks += c == 0 ? "?" : ", ?";
    }
    for (const auto& unique : uniques)
        create += ", " + unique;
    create += ")";
    exec(m_db, create, m_file);

    const std::string insertSql = "INSERT INTO " + quoteIdentifier(name) + " VALUES (" + marks + ")";
    sqlite3_stmt* raw = nullptr;
    const int prepared = sqlite3_prepare_v2(m_db, insertSql.c_str(), -1, &raw, nullptr);
    StatementHandle insert(raw);
    if (prepared != SQLITE_OK)
        throw engineError(m_db, prepared, insertSql, m_file, true);
    try {
        auto cursor = m_source->rows(*def);
        while (cursor.next()) {
            const auto& values = cursor.values();
            for (std::size_t c = 0; c < values.size(); ++c)
                bind(insert.get(), static_cast<int>(c + 1), values[c]);
            const int rc = sqlite3_step(insert.get());
            if (rc != SQLITE_DONE) {
                throw Error(code::Damaged, "Cannot read the table '" + name + "' of '" + m_file +
                                               "': a row breaks its own rules (" + sqlite3_errmsg(m_db) +
                                               ").");
            }
            sqlite3_reset(insert.get());
        }
    } catch (const jet::Error& e) {
        throw storeError(e, m_file);
    }

    // The file's other indexes too, so that the run's lookups by them (the survival benefits of a
    // policy, the clients of a family) do not read the whole table each time.
    for (std::size_t i = 0; i < def->realIndexes.size(); ++i) {
        const jet::RealIndexDef& real = def->realIndexes[i];
        if (real.unique() || real.columns.empty())
            continue;
        std::string columns;
        for (const auto& key : real.columns)
            for (const auto& column : def->columns)
                if (column.number == key.columnNumber)
                    columns += (columns.empty() ? "" : ", ") + quoteIdentifier(column.name);
        exec(m_db,
             "CREATE INDEX " + quoteIdentifier(name + "__index" + std::to_string(i)) + " ON " +
                 quoteIdentifier(name) + " (" + columns + ")",
             m_file);
    }
}

namespace {

// A value of the memory database as the file's column takes it: Yes/No as its bit, currency in
// ten-thousandths, dates from their storage text, everything else as the engine holds it (the
// format library converts and checks it for the column).
jet::Value fileValue(sqlite3_stmt* rows, int index, const jet::ColumnDef& column)
{
    jet::Value v;
    const int type = sqlite3_column_type(rows, index);
    if (column.type == jet::coltype::Boolean) {
        v.kind = jet::Value::Kind::Bool;
        v.integer = type != SQLITE_NULL && sqlite3_column_double(rows, index) != 0.0 ? 1 : 0;
        return v;
    }
    if (type == SQLITE_NULL)
        return v;
    if (type == SQLITE_BLOB) {
        const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(rows, index));
        v.kind = jet::Value::Kind::Bytes;
        v.bytes.assign(bytes, bytes + sqlite3_column_bytes(rows, index));
        return v;
    }
    const std::string text(reinterpret_cast<const char*>(sqlite3_column_text(rows, index)),
                           static_cast<std::size_t>(sqlite3_column_bytes(rows, index)));
    switch (column.type) {
    case jet::coltype::Money:
        if (type != SQLITE_TEXT) {
            v.kind = jet::Value::Kind::Currency;
            v.integer = std::llround(static_cast<long double>(sqlite3_column_double(rows, index)) * 10000.0L);
            return v;
        }
        break;
    case jet::coltype::DateTime:
        if (type == SQLITE_TEXT) {
            if (const auto date = parseDate(text)) {
                v.kind = jet::Value::Kind::DateTime;
                v.real = date->serial;
                return v;
            }
            break;
        }
        v.kind = jet::Value::Kind::DateTime;
        v.real = sqlite3_column_double(rows, index);
        return v;
    case jet::coltype::Binary:
    case jet::coltype::Ole:
        v.kind = jet::Value::Kind::Bytes;
        v.bytes.assign(text.begin(), text.end());
        return v;
    default:
        break;
    }
    if (type == SQLITE_INTEGER && column.type != jet::coltype::Text && column.type != jet::coltype::Memo) {
        v.kind = jet::Value::Kind::Integer;
        v.integer = sqlite3_column_int64(rows, index);
    } else if (type == SQLITE_FLOAT && column.type != jet::coltype::Text &&
               column.type != jet::coltype::Memo) {
        v.kind = jet::Value::Kind::Double;
        v.real = sqlite3_column_double(rows, index);
    } else {
        v.kind = jet::Value::Kind::Text;
        v.text = text;
    }
    return v;
}

} // namespace

void AccessSource::writeChanges()
{
    if (m_changed.empty())
        return;
    try {
        jet::TableWriter writer(*m_source);
        for (const auto& key : m_changed) {
            const auto& tables = m_source->tables();
            const auto found = std::find_if(tables.begin(), tables.end(), [&](const jet::CatalogEntry& e) {
                return lowerAscii(e.name) == key;
            });
            if (found == tables.end())
                continue; // a table of the run's own, not of the file
            const jet::TableDef& def = m_source->table(found->name);
            const std::string sql = "SELECT * FROM " + quoteIdentifier(found->name) + " ORDER BY rowid";
            sqlite3_stmt* raw = nullptr;
            const int prepared = sqlite3_prepare_v2(m_db, sql.c_str(), -1, &raw, nullptr);
            StatementHandle select(raw);
            if (prepared != SQLITE_OK)
                throw engineError(m_db, prepared, sql, m_file, true);
            // The rows go to the file one at a time, in rowid order.
            int rc = SQLITE_ROW;
            writer.replaceRows(found->name, [&](std::vector<jet::Value>& row) {
                rc = sqlite3_step(select.get());
                if (rc != SQLITE_ROW)
                    return false;
                row.resize(def.columns.size());
                for (std::size_t c = 0; c < def.columns.size(); ++c)
                    row[c] = fileValue(select.get(), static_cast<int>(c), def.columns[c]);
                return true;
            });
            if (rc != SQLITE_DONE)
                throw engineError(m_db, rc, sql, m_file, false);
        }
        if (m_hold)
            m_hold->checkStillHeld();
        writer.commit();
        m_source = jet::Database::open(m_path, m_password);
    } catch (const jet::Error& e) {
        if (e.failure() == jet::Failure::Changed)
            throw Error(code::General,
                        m_file + " was changed by another program during the import; nothing was written.");
        throw Error(code::General, "Cannot save the changes to '" + m_file + "': " + e.what());
    }
    m_changed.clear();
}

} // namespace orrin::store
