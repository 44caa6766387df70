#pragma once

#include "store/Connection.h"
#include "store/Statement.h"
#include "support/Fixture.h"
#include "value/Variant.h"

#include <filesystem>
#include <string>
#include <vector>

namespace orrin::testing {

// One open database for a test's many queries: opening an encrypted file costs far more than a query.
class OpenDb {
  public:
    OpenDb(const std::filesystem::path& file, const std::string& password)
    {
        m_connection.openFile(file, password, store::OpenMode::ReadOnly);
    }

    // Every row of a query, each value read by its column's declared type.
    std::vector<std::vector<Variant>> rows(const std::string& sql)
    {
        std::vector<std::vector<Variant>> result;
        store::Statement& statement = m_connection.statement(sql);
        while (statement.step()) {
            std::vector<Variant> row;
            for (int i = 0; i < statement.columnCount(); ++i)
                row.push_back(statement.column(i));
            result.push_back(std::move(row));
        }
        statement.reset();
        return result;
    }

    // Every row of a table in rowid order.
    std::vector<std::vector<Variant>> table(const std::string& name)
    {
        return rows("SELECT * FROM " + name + " ORDER BY rowid");
    }

    std::vector<std::string> tableNames()
    {
        std::vector<std::string> names;
        for (const auto& row : rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))
            names.push_back(row.at(0).text());
        return names;
    }

    // The values of one column, in rowid order.
    std::vector<Variant> column(const std::string& table, const std::string& name)
    {
        std::vector<Variant> values;
        for (auto& row : rows("SELECT " + name + " FROM " + table + " ORDER BY rowid"))
            values.push_back(std::move(row.at(0)));
        return values;
    }

  private:
    store::Connection m_connection;
};

// Every row of a table in rowid order.
inline std::vector<std::vector<Variant>> allRows(const std::filesystem::path& file,
                                                 const std::string& password, const std::string& table)
{
    return OpenDb(file, password).table(table);
}

// The single number a query such as SELECT count(*) gives.
inline double scalar(const std::filesystem::path& file, const std::string& password, const std::string& sql)
{
    return OpenDb(file, password).rows(sql).at(0).at(0).number();
}

} // namespace orrin::testing
