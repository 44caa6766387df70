#include "support/Fixture.h"

#include "sample/Schemas.h"
#include "store/Connection.h"
#include "store/DatabaseFile.h"
#include "store/KnownDatabases.h"
#include "value/Error.h"

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <system_error>

namespace orrin::testing {

namespace {

// Double quotes around an identifier, for the SQL texts built here.
std::string quoted(const std::string& identifier)
{
    std::string result = "\"";
    for (char c : identifier) {
        if (c == '"')
            result += '"';
        result += c;
    }
    return result + "\"";
}

} // namespace

TempDir::TempDir()
{
    // A name no other test has: create_directory says false when the folder was there already.
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "orrin-test-";
        for (int i = 0; i < 6; ++i)
            name += kLetters[pick(random)];
        if (std::filesystem::create_directory(base / name)) {
            m_path = base / name;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder in " + base.string());
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string sourcePassword()
{
    return std::string(kOrrinPassword);
}
std::string targetPassword()
{
    return std::string(kCalvanePassword);
}

std::filesystem::path createSourceDb(const std::filesystem::path& folder)
{
    const auto file = folder / std::string(kOrrinFileName);
    store::createDatabase(file, sourcePassword(), schemas::kSourceSchema);
    return file;
}

std::filesystem::path createTargetDb(const std::filesystem::path& folder)
{
    const auto file = folder / std::string(kCalvaneFileName);
    store::createDatabase(file, targetPassword(), schemas::kTargetSchema);
    return file;
}

std::filesystem::path createBonusDb(const std::filesystem::path& file)
{
    store::createDatabase(file, targetPassword(), schemas::kTargetSchema);
    return file;
}

void insertRows(const std::filesystem::path& file, const std::string& password, const std::string& table,
                const std::vector<Row>& rows)
{
    store::Connection connection;
    connection.openFile(file, password, store::OpenMode::ReadWrite);
    connection.beginTransaction();
    for (const Row& row : rows) {
        std::string names;
        std::string marks;
        for (const auto& [name, value] : row) {
            names += (names.empty() ? "" : ", ") + quoted(name);
            marks += marks.empty() ? "?" : ", ?";
        }
        const std::string sql =
            row.empty() ? "INSERT INTO " + quoted(table) + " DEFAULT VALUES"
                        : "INSERT INTO " + quoted(table) + " (" + names + ") VALUES (" + marks + ")";
        store::Statement& statement = connection.statement(sql);
        int index = 1;
        for (const auto& entry : row)
            statement.bind(index++, entry.second);
        statement.step();
        statement.reset();
    }
    connection.commit();
    connection.close();
}

std::vector<std::vector<Variant>> query(const std::filesystem::path& file, const std::string& password,
                                        const std::string& sql)
{
    store::Connection connection;
    connection.openFile(file, password, store::OpenMode::ReadOnly);
    std::vector<std::vector<Variant>> rows;
    {
        store::Statement& statement = connection.statement(sql);
        while (statement.step()) {
            std::vector<Variant> row;
            for (int i = 0; i < statement.columnCount(); ++i)
                row.push_back(statement.column(i));
            rows.push_back(std::move(row));
        }
        statement.reset();
    }
    connection.close();
    return rows;
}

void execute(const std::filesystem::path& file, const std::string& password, const std::string& sql)
{
    store::Connection connection;
    connection.openFile(file, password, store::OpenMode::ReadWrite);
    connection.execute(sql);
    connection.close();
}

std::string errorText(const std::function<void()>& action, std::int32_t* number)
{
    try {
        action();
    } catch (const Error& error) {
        if (number != nullptr)
            *number = error.number();
        return error.description();
    }
    return "(no error)";
}

} // namespace orrin::testing
