#include "store/AccessSource.h"

#include "jet/base/FileReplace.h"
#include "jet/base/JetError.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/write/IndexRowKey.h"
#include "jet/write/TableWriter.h"
#include "store/AccessHold.h"
#include "store/EngineError.h"
#include "store/SqlText.h"
#include "store/SqliteHandle.h"
#include "store/StoreError.h"
#include "store/access/RelationshipRules.h"
#include "store/access/TableRules.h"
#include "value/DateValue.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <vector>

namespace orrin::store {

struct KeyFunction {
    static void call(sqlite3_context* context, int count, sqlite3_value** values);
};

struct AccessSource::UniqueKey {
    std::string table;                     // as the file spells it
    std::size_t realIndex = 0;             // of the table's definition
    std::vector<std::size_t> columns;      // the definition's columns, in the order of the key
    const jet::TableDef* def = nullptr;    // of m_source
    std::unique_ptr<jet::IndexRowKey> key; // on *def
    std::vector<jet::Value> row;           // room for a row's values
};

namespace {

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

// A column's type in the memory database, from the table definition: its kind, its size, and the
// exact form of its values; with the name of the storage class it is declared with, chosen so that
// the engine never changes a value the file holds (text stays text, whatever it looks like).
struct MemoryColumn {
    ColumnType type;
    const char* affinity;
};

MemoryColumn memoryColumn(const jet::ColumnDef& column, jet::Version version)
{
    using Kind = ColumnType::Kind;
    const auto typed = [](Kind kind, std::size_t size = 0) {
        return ColumnType{kind, size, ColumnType::Form::Exact};
    };
    switch (column.type) {
    case jet::coltype::Boolean:
        return {typed(Kind::YesNo), "INTEGER"};
    case jet::coltype::Byte:
        return {typed(Kind::Byte), "INTEGER"};
    case jet::coltype::Int:
        return {typed(Kind::Short), "INTEGER"};
    case jet::coltype::Long:
    case jet::coltype::Complex: // the reference number the row keeps
        return {typed(Kind::Long), "INTEGER"};
    case jet::coltype::Money: // ten-thousandths
        return {typed(Kind::Currency), "INTEGER"};
    case jet::coltype::Float:
        return {typed(Kind::Single), "REAL"};
    case jet::coltype::Double:
        return {typed(Kind::Double), "REAL"};
    case jet::coltype::DateTime: // days since 30 December 1899
        return {typed(Kind::DateTime), "REAL"};
    case jet::coltype::Text:
        return {typed(Kind::Text, column.textLength(version)), "TEXT"};
    case jet::coltype::Memo:
        return {typed(Kind::Memo), "TEXT"};
    case jet::coltype::Guid:
        return {typed(Kind::Text, 38), "TEXT"};
    case jet::coltype::ExtDateTime:
        return {typed(Kind::Text, 42), "TEXT"};
    case jet::coltype::BigInt:
        return {typed(Kind::Decimal), "INTEGER"};
    case jet::coltype::Numeric: // a double, or the digits a double cannot hold: kept as they come
        return {typed(Kind::Decimal), "BLOB"};
    default: // binary, OLE and kinds kept as their bytes
        return {typed(Kind::Unknown), "BLOB"};
    }
}

// Binds one field value in the memory database's exact form: dates as their double, currency as
// its ten-thousandths, Yes/No as 1/0, binary as a blob. Texts stay alive until the next row is read.
void bind(sqlite3_stmt* insert, int index, const jet::Value& value)
{
    switch (value.kind) {
    case jet::Value::Kind::Null:
        sqlite3_bind_null(insert, index);
        return;
    case jet::Value::Kind::Bool:
    case jet::Value::Kind::Integer:
    case jet::Value::Kind::Currency:
        sqlite3_bind_int64(insert, index, value.integer);
        return;
    case jet::Value::Kind::Double:
    case jet::Value::Kind::DateTime:
        sqlite3_bind_double(insert, index, value.real);
        return;
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
    sqlite3_create_function(m_db, "access_key", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, this,
                            &KeyFunction::call, nullptr, nullptr);
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
    // The run must not start when a linked table's file is missing.
    for (const auto& link : m_source->links())
        linkNamed(link.name);
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

const std::vector<jet::Relationship>& AccessSource::relationships()
{
    if (!m_relationships) {
        try {
            m_relationships = m_source->relationships();
        } catch (const jet::Error& e) {
            throw storeError(e, m_file);
        }
    }
    return *m_relationships;
}

access::TableRules* AccessSource::rules(std::string_view table) const
{
    const auto found = m_rules.find(lowerAscii(table));
    return found == m_rules.end() ? nullptr : found->second.get();
}

std::vector<std::string> AccessSource::ruleWarnings() const
{
    std::vector<std::string> warnings;
    for (const auto& entry : m_source->tables()) {
        try {
            const access::TableRules rules(entry.name, m_source->table(entry.name),
                                           m_source->properties(entry.name));
            warnings.insert(warnings.end(), rules.warnings().begin(), rules.warnings().end());
        } catch (const jet::Error&) {
            // A table that does not read says so when it is used.
        }
    }
    return warnings;
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
    std::string first;
    if (found != tables.end())
        first = found->name;
    else if (const Link* link = linkNamed(table))
        first = link->name;
    else
        return false;
    exec(m_db, "PRAGMA query_only = 0", m_file);
    exec(m_db, "SAVEPOINT access_load", m_file);
    m_loading = true;
    std::vector<std::string> loadedNow;
    try {
        // A table written to comes with the tables its enforced relationships tie it to, so that
        // the relationships can be kept from its first statement on.
        std::vector<std::string> toLoad{first};
        while (!toLoad.empty()) {
            const std::string next = toLoad.back();
            toLoad.pop_back();
            if (m_loaded.count(lowerAscii(next)) != 0)
                continue;
            copyTable(next);
            m_loaded.insert(lowerAscii(next));
            loadedNow.push_back(lowerAscii(next));
            if (!m_writable)
                continue;
            for (const auto& relationship : relationships()) {
                if (!relationship.enforced())
                    continue;
                for (const auto& [mine, tiedTo] :
                     {std::pair{relationship.table, relationship.referencedTable},
                      std::pair{relationship.referencedTable, relationship.table}}) {
                    // A copy: clang 14 does not let a lambda capture a structured binding.
                    const std::string other = tiedTo;
                    if (equalsIgnoringCase(mine, next) && m_loaded.count(lowerAscii(other)) == 0 &&
                        std::any_of(tables.begin(), tables.end(), [&](const jet::CatalogEntry& e) {
                            return equalsIgnoringCase(e.name, other);
                        }))
                        toLoad.push_back(other);
                }
            }
        }
        if (m_writable) {
            for (const auto& relationship : relationships()) {
                if (m_relationshipsKept.count(relationship.name) != 0 ||
                    m_loaded.count(lowerAscii(relationship.table)) == 0 ||
                    m_loaded.count(lowerAscii(relationship.referencedTable)) == 0)
                    continue;
                for (const auto& statement :
                     access::relationshipTriggers(relationship, parentKey(relationship)))
                    exec(m_db, statement, m_file);
                m_relationshipsKept.insert(relationship.name);
            }
        }
        m_loading = false;
        exec(m_db, "RELEASE access_load", m_file);
    } catch (...) {
        for (const auto& name : loadedNow)
            m_loaded.erase(name);
        m_loading = false;
        sqlite3_exec(m_db, "ROLLBACK TO access_load", nullptr, nullptr, nullptr);
        sqlite3_exec(m_db, "RELEASE access_load", nullptr, nullptr, nullptr);
        if (!m_writable)
            sqlite3_exec(m_db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
        throw;
    }
    if (!m_writable)
        exec(m_db, "PRAGMA query_only = 1", m_file);
    return true;
}

void AccessSource::copyTable(const std::string& name)
{
    const jet::TableDef* def = nullptr;
    std::unique_ptr<access::TableRules> rules;
    const auto [source, sourceName] = sourceOf(name);
    try {
        def = &source->table(sourceName);
        rules = std::make_unique<access::TableRules>(name, *def, source->properties(sourceName));
    } catch (const jet::Error& e) {
        throw storeError(e, m_file);
    }
    // Columns of the primary key and of required indexes must hold a value, as those set Required do.
    std::vector<bool> inKey(def->columns.size(), false);

    // A unique index whose keys this program builds is checked on those keys once the rows are in;
    // one it cannot build (a sort order it lacks) on the columns' own values.
    std::vector<std::string> uniques;
    std::vector<std::string> keyIndexes;
    std::set<std::uint32_t> realIndexesSeen;
    for (const auto& index : def->indexes) {
        const jet::RealIndexDef& real = def->realIndexes[index.realIndex];
        std::string columns;
        std::vector<std::size_t> positions;
        for (const auto& key : real.columns) {
            for (std::size_t c = 0; c < def->columns.size(); ++c) {
                if (def->columns[c].number != key.columnNumber)
                    continue;
                if (index.primaryKey() || real.required())
                    inKey[c] = true;
                columns += (columns.empty() ? "" : ", ") + quoteIdentifier(def->columns[c].name);
                positions.push_back(c);
            }
        }
        if (!real.unique() || columns.empty() || !realIndexesSeen.insert(index.realIndex).second)
            continue;
        auto key = std::make_unique<UniqueKey>();
        key->table = name;
        key->realIndex = index.realIndex;
        key->columns = positions;
        key->def = def;
        try {
            key->key = std::make_unique<jet::IndexRowKey>(*def, real, sourceName);
        } catch (const jet::Error&) {
            uniques.push_back("UNIQUE (" + columns + ")");
            continue;
        }
        const std::string number = std::to_string(m_keys.size());
        m_keys.push_back(std::move(key));
        keyIndexes.push_back("CREATE UNIQUE INDEX " + quoteIdentifier(name + "__key" + number) + " ON " +
                             quoteIdentifier(name) + " (access_key(" + number + ", " + columns + "))");
        keyIndexes.push_back("CREATE INDEX " + quoteIdentifier(name + "__lookup" + number) + " ON " +
                             quoteIdentifier(name) + " (" + columns + ")");
    }

    std::string create = "CREATE TABLE " + quoteIdentifier(name) + " (";
    std::string marks;
    std::vector<ColumnInfo> typed;
    for (std::size_t c = 0; c < def->columns.size(); ++c) {
        const jet::ColumnDef& column = def->columns[c];
        const MemoryColumn memory = memoryColumn(column, def->version);
        typed.push_back(ColumnInfo{column.name, memory.type});
        create += (c == 0 ? "" : ", ") + quoteIdentifier(column.name) + " " + memory.affinity;
        if (memory.type.kind == ColumnType::Kind::Text || memory.type.kind == ColumnType::Kind::Memo)
            create += " COLLATE NOCASE";
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
        auto cursor = source->rows(*def);
        while (cursor.next()) {
            const auto& values = cursor.values();
            for (std::size_t c = 0; c < values.size(); ++c)
                bind(insert.get(), static_cast<int>(c + 1), values[c]);
            const int rc = sqlite3_step(insert.get());
            if (rc != SQLITE_DONE) {
                throw Error(code::Damaged, "Cannot read the table '" + name + "' of '" + m_file +
                                               "': two rows have the same key (" + sqlite3_errmsg(m_db) +
                                               ").");
            }
            sqlite3_reset(insert.get());
        }
    } catch (const jet::Error& e) {
        throw storeError(e, m_file);
    }

    // From now on the table refuses what the engine refuses.
    for (const auto& statement : keyIndexes)
        exec(m_db, statement, m_file);
    for (const auto& statement : rules->triggerStatements(inKey))
        exec(m_db, statement, m_file);
    m_rules[lowerAscii(name)] = std::move(rules);

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
    m_columns[lowerAscii(name)] = std::move(typed);
}

const std::vector<ColumnInfo>* AccessSource::columnsOf(std::string_view table) const
{
    const auto found = m_columns.find(lowerAscii(table));
    return found == m_columns.end() ? nullptr : &found->second;
}

namespace {

// A value of the memory database as the file's column takes it: Yes/No as its bit, currency's
// ten-thousandths and dates' doubles as they are, everything else as the engine holds it (the
// format library converts and checks it for the column).
jet::Value fileValue(sqlite3_value* value, const jet::ColumnDef& column)
{
    jet::Value v;
    const int type = sqlite3_value_type(value);
    if (column.type == jet::coltype::Boolean) {
        v.kind = jet::Value::Kind::Bool;
        v.integer = type != SQLITE_NULL && sqlite3_value_double(value) != 0.0 ? 1 : 0;
        return v;
    }
    if (type == SQLITE_NULL)
        return v;
    if (type == SQLITE_BLOB) {
        const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_value_blob(value));
        v.kind = jet::Value::Kind::Bytes;
        v.bytes.assign(bytes, bytes + sqlite3_value_bytes(value));
        return v;
    }
    const std::string text(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                           static_cast<std::size_t>(sqlite3_value_bytes(value)));
    switch (column.type) {
    case jet::coltype::Money:
        // Ten-thousandths as the memory database holds them; a real (from SQL arithmetic) in units.
        if (type == SQLITE_INTEGER) {
            v.kind = jet::Value::Kind::Currency;
            v.integer = sqlite3_value_int64(value);
            return v;
        }
        if (type == SQLITE_FLOAT) {
            v.kind = jet::Value::Kind::Double;
            v.real = sqlite3_value_double(value);
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
        v.real = sqlite3_value_double(value);
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
        v.integer = sqlite3_value_int64(value);
    } else if (type == SQLITE_FLOAT && column.type != jet::coltype::Text &&
               column.type != jet::coltype::Memo) {
        v.kind = jet::Value::Kind::Double;
        v.real = sqlite3_value_double(value);
    } else {
        v.kind = jet::Value::Kind::Text;
        v.text = text;
    }
    return v;
}

} // namespace

namespace {

// Writes the memory table name into writer's file as its table fileName (definition def), rows in
// rowid order.
void writeTable(sqlite3* db, const std::string& file, jet::TableWriter& writer, const std::string& name,
                const std::string& fileName, const jet::TableDef& def)
{
    const std::string sql = "SELECT * FROM " + quoteIdentifier(name) + " ORDER BY rowid";
    sqlite3_stmt* raw = nullptr;
    const int prepared = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
    StatementHandle select(raw);
    if (prepared != SQLITE_OK)
        throw engineError(db, prepared, sql, file, true);
    // The rows go to the file one at a time, in rowid order.
    int rc = SQLITE_ROW;
    writer.replaceRows(fileName, [&](std::vector<jet::Value>& row) {
        rc = sqlite3_step(select.get());
        if (rc != SQLITE_ROW)
            return false;
        row.resize(def.columns.size());
        for (std::size_t c = 0; c < def.columns.size(); ++c)
            row[c] = fileValue(sqlite3_column_value(select.get(), static_cast<int>(c)), def.columns[c]);
        return true;
    });
    if (rc != SQLITE_DONE)
        throw engineError(db, rc, sql, file, false);
}

// A copy of a file taken before it is replaced, put back when a later file of the same save fails.
struct Backup {
    std::filesystem::path file;
    std::filesystem::path copy;
};

} // namespace

void AccessSource::writeChanges()
{
    if (m_changed.empty())
        return;
    // Another program that joined the database's lock file has it open: nothing is written.
    if (m_hold)
        m_hold->checkStillHeld();
    // The linked tables' files first, each kept as it was until the whole save has succeeded.
    std::vector<Backup> backups;
    const auto restore = [&] {
        for (const Backup& backup : backups) {
            std::error_code ignored;
            std::filesystem::rename(backup.copy, backup.file, ignored);
        }
    };
    std::set<LinkedFile*> linkedWritten;
    for (auto& [path, file] : m_linkedFiles) {
        std::vector<const Link*> changed;
        for (const auto& [key, link] : m_links)
            if (link.file == file.get() && m_changed.count(key) != 0)
                changed.push_back(&link);
        if (changed.empty())
            continue;
        try {
            jet::TableWriter writer(*file->database);
            for (const Link* link : changed)
                writeTable(m_db, file->path.string(), writer, link->name, link->foreignName,
                           file->database->table(link->foreignName));
            Backup backup{file->path, file->path.string() + ".orrin-before"};
            std::filesystem::copy_file(backup.file, backup.copy,
                                       std::filesystem::copy_options::overwrite_existing);
            backups.push_back(backup);
            writer.commit();
            linkedWritten.insert(file.get());
        } catch (const std::exception& e) {
            restore();
            throw Error(code::General,
                        "Cannot save the changes to '" + file->path.string() + "': " + e.what());
        }
    }
    try {
        jet::TableWriter writer(*m_source);
        bool any = false;
        for (const auto& key : m_changed) {
            const auto& tables = m_source->tables();
            const auto found = std::find_if(tables.begin(), tables.end(), [&](const jet::CatalogEntry& e) {
                return lowerAscii(e.name) == key;
            });
            if (found == tables.end())
                continue; // a linked table, or a table of the run's own, not of the file
            writeTable(m_db, m_file, writer, found->name, found->name, m_source->table(found->name));
            any = true;
        }
        if (any)
            writer.commit([&] {
                if (m_hold)
                    m_hold->releaseDatabaseLock();
            });
    } catch (const jet::Error& e) {
        restore();
        if (e.failure() == jet::Failure::Changed)
            throw Error(code::General,
                        m_file + " was changed by another program during the import; nothing was written.");
        throw Error(code::General, "Cannot save the changes to '" + m_file + "': " + e.what());
    } catch (...) {
        restore();
        throw;
    }
    for (const Backup& backup : backups) {
        std::error_code ignored;
        std::filesystem::remove(backup.copy, ignored);
    }
    try {
        m_source = jet::Database::open(m_path, m_password);
        for (LinkedFile* file : linkedWritten)
            file->database = jet::Database::open(file->path, file->password);
        rebindKeys();
    } catch (const jet::Error& e) {
        throw Error(code::General, "Cannot read '" + m_file + "' again after saving it: " + e.what());
    }
    m_changed.clear();
}

AccessSource::Link* AccessSource::linkNamed(std::string_view name)
{
    if (const auto known = m_links.find(lowerAscii(name)); known != m_links.end())
        return &known->second;
    const auto& links = m_source->links();
    const auto entry = std::find_if(links.begin(), links.end(), [&](const jet::LinkEntry& e) {
        return equalsIgnoringCase(e.name, name);
    });
    if (entry == links.end())
        return nullptr;
    // An absolute Windows path is looked for by its file name beside this file; a relative one from
    // this file's folder. Letter case does not matter.
    std::string stored = entry->database;
    std::replace(stored.begin(), stored.end(), '\\', '/');
    const bool absolute = (stored.size() > 1 && stored[1] == ':') || (!stored.empty() && stored[0] == '/');
    const std::filesystem::path folder = m_path.parent_path().empty() ? "." : m_path.parent_path();
    std::filesystem::path wanted =
        absolute ? folder / std::filesystem::path(stored).filename() : folder / stored;
    std::error_code error;
    if (wanted.filename().empty() || !std::filesystem::is_regular_file(wanted, error)) {
        const std::string fileName = lowerAscii(wanted.filename().string());
        bool found = false;
        for (const auto& file : std::filesystem::directory_iterator(wanted.parent_path(), error)) {
            if (!fileName.empty() && lowerAscii(file.path().filename().string()) == fileName) {
                wanted = file.path();
                found = true;
                break;
            }
        }
        if (!found) {
            throw Error(code::NotFound, "The linked table '" + entry->name + "' of '" + m_file +
                                            "' lies in '" + entry->database + "', which is not in '" +
                                            folder.string() + "'.");
        }
    }
    std::string key = std::filesystem::weakly_canonical(wanted, error).string();
    if (key.empty())
        key = wanted.string();
    auto& file = m_linkedFiles[key];
    if (!file) {
        auto opened = std::make_unique<LinkedFile>();
        opened->path = wanted;
        // The other file's password is in the link's connect text (";PWD=..."), if it has one.
        opened->password = m_password;
        const std::string connect = lowerAscii(entry->connect);
        if (const auto at = connect.find("pwd="); at != std::string::npos) {
            const auto end = entry->connect.find(';', at);
            opened->password =
                entry->connect.substr(at + 4, end == std::string::npos ? std::string::npos : end - at - 4);
        }
        try {
            opened->database = jet::Database::open(wanted, opened->password);
        } catch (const jet::Error& e) {
            m_linkedFiles.erase(key);
            throw Error(code::General, "The linked table '" + entry->name + "' of '" + m_file +
                                           "' cannot be read: " + e.what());
        }
        file = std::move(opened);
    }
    Link link{entry->name, entry->foreignName, entry->database, file.get()};
    return &m_links.emplace(lowerAscii(entry->name), link).first->second;
}

std::pair<jet::Database*, std::string> AccessSource::sourceOf(const std::string& name)
{
    const auto& tables = m_source->tables();
    const bool own = std::any_of(tables.begin(), tables.end(), [&](const jet::CatalogEntry& e) {
        return equalsIgnoringCase(e.name, name);
    });
    if (!own)
        if (Link* link = linkNamed(name))
            return {link->file->database.get(), link->foreignName};
    return {m_source.get(), name};
}

void KeyFunction::call(sqlite3_context* context, int count, sqlite3_value** values)
{
    auto* source = static_cast<AccessSource*>(sqlite3_user_data(context));
    const sqlite3_int64 number = count > 0 ? sqlite3_value_int64(values[0]) : -1;
    if (number < 0 || static_cast<std::size_t>(number) >= source->m_keys.size()) {
        sqlite3_result_error(context, "access_key: no such index", -1);
        return;
    }
    AccessSource::UniqueKey& key = *source->m_keys[static_cast<std::size_t>(number)];
    if (static_cast<std::size_t>(count - 1) != key.columns.size()) {
        sqlite3_result_error(context, "access_key: not the index's columns", -1);
        return;
    }
    key.row.assign(key.def->columns.size(), jet::Value{});
    for (std::size_t i = 0; i < key.columns.size(); ++i) {
        const jet::ColumnDef& column = key.def->columns[key.columns[i]];
        sqlite3_value* value = values[i + 1];
        // A key with a Null in it is never a duplicate (a Yes/No column has no Null: it is No).
        if (sqlite3_value_type(value) == SQLITE_NULL && column.type != jet::coltype::Boolean) {
            sqlite3_result_null(context);
            return;
        }
        key.row[key.columns[i]] = fileValue(value, column);
    }
    try {
        const std::vector<std::uint8_t> bytes = key.key->keyOf(key.row);
        sqlite3_result_blob(context, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    } catch (const jet::Error& e) {
        sqlite3_result_error(context, e.what(), -1);
    }
}

std::optional<access::ParentKey> AccessSource::parentKey(const jet::Relationship& relationship) const
{
    for (std::size_t n = 0; n < m_keys.size(); ++n) {
        const UniqueKey& key = *m_keys[n];
        if (!equalsIgnoringCase(key.table, relationship.referencedTable) ||
            key.columns.size() != relationship.referencedColumns.size())
            continue;
        access::ParentKey found{n, {}};
        for (const std::size_t position : key.columns) {
            const std::string& column = key.def->columns[position].name;
            for (std::size_t pair = 0; pair < relationship.referencedColumns.size(); ++pair)
                if (equalsIgnoringCase(relationship.referencedColumns[pair], column)) {
                    found.pairs.push_back(pair);
                    break;
                }
        }
        std::vector<std::size_t> sorted = found.pairs;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end() &&
            sorted.size() == relationship.referencedColumns.size())
            return found;
    }
    return std::nullopt;
}

void AccessSource::rebindKeys()
{
    for (auto& key : m_keys) {
        const auto [source, sourceName] = sourceOf(key->table);
        key->def = &source->table(sourceName);
        key->key =
            std::make_unique<jet::IndexRowKey>(*key->def, key->def->realIndexes[key->realIndex], sourceName);
    }
}

} // namespace orrin::store
