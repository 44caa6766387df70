#include "sample/AccessCopy.h"

#include "jet/base/Text.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/write/TableCreator.h"
#include "jet/write/TableWriter.h"
#include "store/ColumnType.h"
#include "value/DateValue.h"

#include <sqlite3.h>

#include <cmath>
#include <memory>
#include <stdexcept>

namespace orrin::sample {

namespace {

using Kind = store::ColumnType::Kind;

// A prepared statement, finalized when it goes.
struct Query {
    Query(sqlite3* db, const std::string& sql)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot read the sample database: " + std::string(sqlite3_errmsg(db)));
    }
    ~Query() { sqlite3_finalize(stmt); }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    // True while a row is there; a failure to read is an error, never the end of the rows.
    bool step()
    {
        const int rc = sqlite3_step(stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw std::runtime_error(std::string("cannot read the sample's rows: ") + sqlite3_errstr(rc));
        return rc == SQLITE_ROW;
    }
    std::string text(int i) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        return p == nullptr ? std::string()
                            : std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
    }
    sqlite3_stmt* stmt = nullptr;
};

// A name as an SQL identifier.
std::string identifier(const std::string& name)
{
    return "\"" + name + "\"";
}

std::uint8_t accessType(const store::ColumnType& type, const std::string& where)
{
    switch (type.kind) {
    case Kind::Text:
        return jet::coltype::Text;
    case Kind::Memo:
        return jet::coltype::Memo;
    case Kind::Byte:
        return jet::coltype::Byte;
    case Kind::Short:
        return jet::coltype::Int;
    case Kind::Long:
        return jet::coltype::Long;
    case Kind::Single:
        return jet::coltype::Float;
    case Kind::Double:
        return jet::coltype::Double;
    case Kind::Currency:
        return jet::coltype::Money;
    case Kind::DateTime:
        return jet::coltype::DateTime;
    case Kind::YesNo:
        return jet::coltype::Boolean;
    case Kind::Decimal:
    case Kind::Unknown:
        break;
    }
    throw std::runtime_error(where + " has a type with no Access form");
}

// The value of column i of the current row as the Access column of this type holds it.
jet::Value accessValue(sqlite3_stmt* stmt, int i, const store::ColumnType& type, const std::string& where)
{
    jet::Value v;
    const int stored = sqlite3_column_type(stmt, i);
    if (stored == SQLITE_NULL)
        return v;
    const auto fail = [&] {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        throw std::runtime_error(where + " holds \"" + std::string(text == nullptr ? "" : text) +
                                 "\", which its Access field cannot take");
    };
    switch (type.kind) {
    case Kind::Text:
    case Kind::Memo: {
        v.kind = jet::Value::Kind::Text;
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        v.text.assign(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)));
        return v;
    }
    case Kind::Byte:
    case Kind::Short:
    case Kind::Long:
    case Kind::YesNo:
        if (stored != SQLITE_INTEGER)
            fail();
        v.kind = type.kind == Kind::YesNo ? jet::Value::Kind::Bool : jet::Value::Kind::Integer;
        v.integer = sqlite3_column_int64(stmt, i);
        if (type.kind == Kind::YesNo)
            v.integer = v.integer != 0 ? 1 : 0;
        return v;
    case Kind::Single:
    case Kind::Double:
        if (stored != SQLITE_INTEGER && stored != SQLITE_FLOAT)
            fail();
        v.kind = jet::Value::Kind::Double;
        v.real = sqlite3_column_double(stmt, i);
        if (type.kind == Kind::Single)
            v.real = static_cast<float>(v.real);
        return v;
    case Kind::Currency:
        if (stored != SQLITE_INTEGER && stored != SQLITE_FLOAT)
            fail();
        v.kind = jet::Value::Kind::Currency;
        v.integer = std::llround(sqlite3_column_double(stmt, i) * 10000.0);
        return v;
    case Kind::DateTime: {
        if (stored != SQLITE_TEXT)
            fail();
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        const auto date =
            parseDate(std::string_view(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))));
        if (!date)
            fail();
        v.kind = jet::Value::Kind::DateTime;
        v.real = date->serial;
        return v;
    }
    case Kind::Decimal:
    case Kind::Unknown:
        break;
    }
    fail();
    return v;
}

std::string indexName(const std::vector<std::string>& columns)
{
    std::string name = "ix";
    for (const auto& c : columns)
        name += "_" + c;
    return name;
}

void addIndex(jet::NewTable& table, const std::vector<std::string>& columns)
{
    for (const auto& existing : table.indexes) {
        if (existing.columns.size() != columns.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < columns.size(); ++i)
            same = same && jet::sameName(existing.columns[i], columns[i]);
        if (same)
            return;
    }
    table.indexes.push_back(jet::NewIndex{indexName(columns), columns});
}

} // namespace

const std::vector<IndexColumns>& orrinIndexes()
{
    static const std::vector<IndexColumns> indexes{
        {"Family", {"FamilyCode"}},
        {"Client1", {"FamilyCode", "PersCode"}},
        {"Client2", {"familycode", "perscode"}},
        {"Client4", {"familycode", "perscode"}},
        {"Policies", {"PolicyNo"}},
    };
    return indexes;
}

const std::vector<IndexColumns>& calvaneIndexes()
{
    static const std::vector<IndexColumns> indexes{
        {"Policies", {"policy_no"}}, {"SB", {"policy_no"}},
        {"Family", {"FamilyCode"}},  {"Client", {"FamilyCode", "PersCode"}},
        {"plans", {"plan"}},         {"NewBonus", {"BonusCat", "YY"}},
    };
    return indexes;
}

void copyToAccess(sqlite3* db, AccessTemplate from, const std::filesystem::path& target,
                  std::string_view password, const std::vector<IndexColumns>& indexes)
{
    // The tables, their columns and indexes.
    std::vector<jet::NewTable> tables;
    std::vector<std::vector<store::ColumnType>> types;
    {
        Query list(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
                       "ORDER BY rowid");
        while (list.step())
            tables.push_back(jet::NewTable{list.text(0), {}, {}});
    }
    for (auto& table : tables) {
        auto& columnTypes = types.emplace_back();
        Query info(db, "PRAGMA table_info(" + identifier(table.name) + ")");
        while (info.step()) {
            const std::string name = info.text(1);
            const auto type = store::ColumnType::parse(info.text(2));
            const std::string where = table.name + "." + name;
            jet::NewColumn column{name, accessType(type, where), 0};
            if (type.kind == Kind::Text) {
                if (type.size == 0 || type.size > 255)
                    throw std::runtime_error(where + " is a text field of " + std::to_string(type.size) +
                                             " characters; Access text fields hold 1 to 255");
                column.length = static_cast<std::uint16_t>(type.size);
            }
            table.columns.push_back(column);
            columnTypes.push_back(type);
        }
        Query own(db, "PRAGMA index_list(" + identifier(table.name) + ")");
        std::vector<std::string> ownIndexes;
        while (own.step())
            ownIndexes.push_back(own.text(1));
        for (const auto& index : ownIndexes) {
            Query info2(db, "PRAGMA index_info(" + identifier(index) + ")");
            std::vector<std::string> columns;
            while (info2.step())
                columns.push_back(info2.text(2));
            if (!columns.empty())
                addIndex(table, columns);
        }
        for (const auto& index : indexes)
            if (jet::sameName(index.table, table.name))
                addIndex(table, index.columns);
    }

    // An empty database with the tables, then their rows.
    const auto bytes = accessTemplate(from);
    jet::createDatabase(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                        from == AccessTemplate::Ace2010 ? "empty-ace-2010.accdb" : "empty-jet4-2003.mdb",
                        target, password, tables);
    auto access = jet::Database::open(target, password);
    jet::TableWriter writer(*access);
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const auto& table = tables[t];
        // The rows go from the engine to the writer one at a time, never all held at once.
        Query select(db, "SELECT * FROM " + identifier(table.name) + " ORDER BY rowid");
        writer.replaceRows(table.name, [&](std::vector<jet::Value>& row) {
            if (!select.step())
                return false;
            row.resize(table.columns.size());
            for (std::size_t c = 0; c < table.columns.size(); ++c)
                row[c] = accessValue(select.stmt, static_cast<int>(c), types[t][c],
                                     table.name + "." + table.columns[c].name);
            return true;
        });
    }
    writer.commit();
}

} // namespace orrin::sample
