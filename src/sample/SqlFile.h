#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orrin::sample {

// A value as the writer stores it: Null, a whole number, a double or a text (dates are texts in the
// storage form "YYYY-MM-DD").
using SqlValue = std::variant<std::monostate, std::int64_t, double, std::string>;

// Length of a UTF-8 text in characters.
std::size_t utf8Length(std::string_view text);

class SqlFile;

// One prepared INSERT into a table, reused for every row. Texts are checked against the declared
// size of their TEXT(n) column, so that nothing is written that the applications could not have
// stored; a too long text throws std::logic_error naming table, column and value.
class InsertStatement {
  public:
    InsertStatement(const InsertStatement&) = delete;
    InsertStatement& operator=(const InsertStatement&) = delete;
    ~InsertStatement();

    void insert(std::span<const SqlValue> values);
    void insert(std::initializer_list<SqlValue> values) { insert(std::span(values.begin(), values.size())); }
    std::int64_t rowsWritten() const { return m_rows; }

  private:
    friend class SqlFile;
    InsertStatement(SqlFile& file, std::string table, std::vector<std::string> columns,
                    std::vector<std::size_t> sizes);

    SqlFile& m_file;
    sqlite3_stmt* m_stmt = nullptr;
    std::string m_table;
    std::vector<std::string> m_columns;
    std::vector<std::size_t> m_sizes; // 0: no limit
    std::int64_t m_rows = 0;
};

// An existing encrypted database file opened for writing with the raw engine: the sample writer's
// fast path (one transaction, prepared inserts). Failures throw std::runtime_error naming the file.
class SqlFile {
  public:
    SqlFile(const std::filesystem::path& file, const std::string& password);
    ~SqlFile();
    SqlFile(const SqlFile&) = delete;
    SqlFile& operator=(const SqlFile&) = delete;

    void execute(std::string_view sql);
    void begin() { execute("BEGIN"); }
    void commit() { execute("COMMIT"); }

    // An INSERT of the given columns (names as the schema spells them) into table.
    std::unique_ptr<InsertStatement> prepareInsert(std::string_view table,
                                                   std::initializer_list<std::string_view> columns);

    sqlite3* handle() const { return m_db; }
    [[noreturn]] void fail(std::string_view what) const;

  private:
    sqlite3* m_db = nullptr;
    std::filesystem::path m_path;
};

} // namespace orrin::sample
