#include "sample/SqlFile.h"

#include "jet/base/Text.h"
#include "store/SqlCipherForm.h"

#include <sqlcipher/sqlite3.h>

#include <stdexcept>

namespace orrin::sample {

namespace {

// "TEXT(25)" gives 25; other declared types have no limit (0).
std::size_t declaredTextSize(std::string_view declared)
{
    const std::string lowered = jet::asciiLower(declared);
    if (lowered.rfind("text(", 0) != 0)
        return 0;
    std::size_t size = 0;
    for (std::size_t i = 5; i < lowered.size() && lowered[i] >= '0' && lowered[i] <= '9'; ++i)
        size = size * 10 + static_cast<std::size_t>(lowered[i] - '0');
    return size;
}

} // namespace

std::size_t utf8Length(std::string_view text)
{
    std::size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

SqlFile::SqlFile(const std::filesystem::path& file, const std::string& password) : m_path(file)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(file.string().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    m_db = db; // owned from here on, even when the open failed
    if (rc != SQLITE_OK)
        fail("cannot open");
    if (store::keyDatabase(m_db, password) != SQLITE_OK)
        fail("cannot set the key of");
    // Reading the schema proves the key: a wrong one reads as "file is not a database".
    execute("SELECT count(*) FROM sqlite_master");
}

SqlFile::~SqlFile()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

void SqlFile::fail(std::string_view what) const
{
    std::string message = std::string(what) + " " + m_path.string();
    if (m_db)
        message += ": " + std::string(sqlite3_errmsg(m_db));
    throw std::runtime_error(message);
}

void SqlFile::execute(std::string_view sql)
{
    char* error = nullptr;
    if (sqlite3_exec(m_db, std::string(sql).c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("\"" + std::string(sql) + "\" failed on " + m_path.string() + ": " +
                                 message);
    }
}

std::unique_ptr<InsertStatement> SqlFile::prepareInsert(std::string_view table,
                                                        std::initializer_list<std::string_view> columns)
{
    // Declared sizes of the table's text columns, by lower-case name.
    std::vector<std::pair<std::string, std::size_t>> declared;
    {
        sqlite3_stmt* info = nullptr;
        const std::string pragma = "PRAGMA table_info(" + std::string(table) + ")";
        if (sqlite3_prepare_v2(m_db, pragma.c_str(), -1, &info, nullptr) != SQLITE_OK)
            fail("cannot read the columns of " + std::string(table) + " in");
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owner(info, sqlite3_finalize);
        while (sqlite3_step(info) == SQLITE_ROW) {
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(info, 1));
            const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(info, 2));
            declared.emplace_back(jet::asciiLower(name ? name : ""), declaredTextSize(type ? type : ""));
        }
    }
    std::vector<std::string> names;
    std::vector<std::size_t> sizes;
    for (const std::string_view column : columns) {
        const std::string key = jet::asciiLower(column);
        bool found = false;
        for (const auto& [name, size] : declared) {
            if (name == key) {
                sizes.push_back(size);
                found = true;
            }
        }
        if (!found)
            throw std::logic_error("table " + std::string(table) + " has no column " + std::string(column));
        names.emplace_back(column);
    }
    return std::unique_ptr<InsertStatement>(
        new InsertStatement(*this, std::string(table), std::move(names), std::move(sizes)));
}

InsertStatement::InsertStatement(SqlFile& file, std::string table, std::vector<std::string> columns,
                                 std::vector<std::size_t> sizes)
    : m_file(file), m_table(std::move(table)), m_columns(std::move(columns)), m_sizes(std::move(sizes))
{
    std::string sql = "INSERT INTO " + m_table + " (";
    std::string marks;
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        sql += (i ? ", " : "") + m_columns[i];
        marks += i ? ", ?" : "?";
    }
    sql += ") VALUES (" + marks + ")";
    if (sqlite3_prepare_v2(m_file.handle(), sql.c_str(), -1, &m_stmt, nullptr) != SQLITE_OK)
        m_file.fail("cannot prepare \"" + sql + "\" on");
}

InsertStatement::~InsertStatement()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

void InsertStatement::insert(std::span<const SqlValue> values)
{
    if (values.size() != m_columns.size())
        throw std::logic_error("insert into " + m_table + ": " + std::to_string(values.size()) +
                               " values for " + std::to_string(m_columns.size()) + " columns");
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int index = static_cast<int>(i) + 1;
        const SqlValue& value = values[i];
        int rc = SQLITE_OK;
        if (std::holds_alternative<std::monostate>(value)) {
            rc = sqlite3_bind_null(m_stmt, index);
        } else if (const auto* whole = std::get_if<std::int64_t>(&value)) {
            rc = sqlite3_bind_int64(m_stmt, index, *whole);
        } else if (const auto* real = std::get_if<double>(&value)) {
            rc = sqlite3_bind_double(m_stmt, index, *real);
        } else {
            const std::string& text = std::get<std::string>(value);
            if (m_sizes[i] != 0 && utf8Length(text) > m_sizes[i])
                throw std::logic_error(m_table + "." + m_columns[i] + " holds at most " +
                                       std::to_string(m_sizes[i]) + " characters: \"" + text + "\"");
            rc = sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                                   SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            m_file.fail("cannot bind " + m_table + "." + m_columns[i] + " on");
    }
    const int rc = sqlite3_step(m_stmt);
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    if (rc != SQLITE_DONE)
        m_file.fail("cannot insert into " + m_table + " on");
    ++m_rows;
}

} // namespace orrin::sample
