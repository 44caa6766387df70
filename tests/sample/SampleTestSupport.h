#pragma once

#include "support/Fixture.h"
#include "value/Variant.h"

#include <filesystem>
#include <string>
#include <vector>

namespace orrin::testing {

// Every row of a table in rowid order, each value read by its column's declared type.
inline std::vector<std::vector<Variant>> allRows(const std::filesystem::path& file, const std::string& password,
                                                 const std::string& table)
{
    return query(file, password, "SELECT * FROM " + table + " ORDER BY rowid");
}

inline std::vector<std::string> tableNames(const std::filesystem::path& file, const std::string& password)
{
    std::vector<std::string> names;
    for (const auto& row : query(file, password, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"))
        names.push_back(row.at(0).text());
    return names;
}

// The single number a query such as SELECT count(*) gives.
inline double scalar(const std::filesystem::path& file, const std::string& password, const std::string& sql)
{
    const auto rows = query(file, password, sql);
    return rows.at(0).at(0).number();
}

// The values of one column, in rowid order.
inline std::vector<Variant> column(const std::filesystem::path& file, const std::string& password,
                                   const std::string& table, const std::string& name)
{
    std::vector<Variant> values;
    for (auto& row : query(file, password, "SELECT " + name + " FROM " + table + " ORDER BY rowid"))
        values.push_back(std::move(row.at(0)));
    return values;
}

} // namespace orrin::testing
