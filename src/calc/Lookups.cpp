// Single-value lookups: the first column of the first row of a "Select <Field> from <Table> where
// <Condition>" query, on the bonus database beside the program (DFirst2) or on an Orrin database
// (OrrinDFirst). Each step of a lookup is trapped on its own, so a missing database logs one entry per
// step that cannot run and the caller gets an Empty result.

#include "calc/BoundNumber.h"
#include "calc/DataImport.h"
#include "calc/LoggingTrap.h"

#include "store/KnownDatabases.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "value/Conversions.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace orrin::calc {

namespace {

using Rows = std::pair<std::int64_t, Variant>; // exact row count, first column of the first row

std::string queryText(const std::string& Field, const std::string& Table, const std::string& Condition)
{
    std::string sql = "Select " + Field + " from " + Table;
    if (!Condition.empty())
        sql += " where " + Condition;
    return sql;
}

// Reads every row, as a client-side cursor does when it opens: the count is exact and a failure in
// any row fails the open.
Rows readRows(store::Statement& statement)
{
    Rows rows{0, Variant()};
    while (statement.step()) {
        if (rows.first == 0)
            rows.second = statement.column(0);
        ++rows.first;
    }
    return rows;
}

// Runs a lookup's query in the store's order: " order by rowid" is added, so that the first row never
// depends on an index the file happens to have. A text that cannot take the addition (a view, a join,
// a condition that ends in a clause of its own) runs as written, and a text the engine rejects fails
// with the engine's message about the text as written.
Rows readInStoreOrder(store::Connection& connection, const std::string& sql)
{
    std::optional<store::Statement> statement;
    try {
        statement.emplace(connection.handle(), sql + " order by rowid", connection.fileName(), &connection);
    } catch (const Error& error) {
        if (error.number() == store::code::Abandoned)
            throw;
        statement.emplace(connection.handle(), sql, connection.fileName(), &connection);
    }
    return readRows(*statement);
}

// The steps of one lookup: open the connection, open the recordset, test the record count, read the
// first field (or take the no-row value), close the recordset, close the connection. Each step is
// trapped on its own; a step whose object did not open fails in turn. The connection stays open for
// the run's later lookups, so "closing" it only checks that it is there.
template <class Connect, class OpenRecordset>
Variant runLookup(DataImport& module, const char* label, const std::string& dataSource, Connect&& connect,
                  OpenRecordset&& openRecordset, const Variant& noRow)
{
    Trap trap = loggingTrap(module, label);
    Variant result;
    store::Connection* connection = nullptr;
    std::optional<Rows> recordset;

    auto requireConnection = [&]() -> store::Connection& {
        if (connection == nullptr)
            throw Error(store::code::Closed, "Operation is not allowed when the object is closed: the "
                                             "connection to '" +
                                                 dataSource + "' did not open.");
        return *connection;
    };
    auto requireRecordset = [&]() -> const Rows& {
        if (!recordset)
            throw Error(store::code::Closed, "Operation is not allowed when the object is closed: the "
                                             "lookup's recordset on '" +
                                                 dataSource + "' did not open.");
        return *recordset;
    };

    trap.step([&] { connection = connect(); });
    trap.step([&] { recordset = openRecordset(requireConnection()); });
    if (trap.test([&] { return requireRecordset().first != 0; }))
        trap.step([&] { result = requireRecordset().second; });
    else
        result = noRow;
    trap.step([&] {
        requireRecordset();
        recordset.reset();
    });
    trap.step([&] { requireConnection(); });
    return result;
}

} // namespace

// Empty after a failure, "" when no row matches, otherwise the first column of the first row (Null
// when that is Null, as an aggregate over no rows gives). Answers are kept per query text, since the
// bonus database does not change while the program runs; a failing lookup is never kept.
Variant DataImport::DFirst2(const std::string& Field, const std::string& Table, const std::string& Condition)
{
    const store::DatabaseLocation& location = m_bonusLocation;
    const std::string sql = queryText(Field, Table, Condition);
    return runLookup(
        *this, labels::DFirst2, m_bonusDatabase.string(),
        [&] { return session().connections().lookupConnection(location); },
        [&](store::Connection& connection) {
            auto& answers = session().caches().bonusAnswers(location);
            if (auto known = answers.find(sql); known != answers.end())
                return known->second;
            Rows rows = readInStoreOrder(connection, sql);
            answers.emplace(sql, rows);
            return rows;
        },
        Variant(""));
}

// Empty after a failure, Null when no row matches, otherwise the first column of the first row.
Variant DataImport::OrrinDFirst(const std::string& Field, const std::string& Table, const std::string& DbPath,
                                const std::string& Condition)
{
    const store::DatabaseLocation& location = orrinLocation(DbPath);
    const std::string sql = queryText(Field, Table, Condition);
    return runLookup(
        *this, labels::OrrinDFirst, DbPath,
        [&] { return session().connections().lookupConnection(location); },
        [&](store::Connection& connection) { return readInStoreOrder(connection, sql); }, Variant::null());
}

// The values travel as parameters, so no family code can change the query: O'Brien finds O'Brien's
// row. The person code is taken only when it reads as a number (bound as the engine would read the
// literal); a Null or any other text fails the recordset open the way the malformed condition
// "... And perscode = abc" does, and the steps after it fail and are logged in turn.
Variant DataImport::OrrinDFirstForPerson(const std::string& Field, const std::string& Table,
                                         const std::string& DbPath, const Variant& FamilyCode,
                                         const Variant& PersCode)
{
    const store::DatabaseLocation& location = orrinLocation(DbPath);
    const std::string familyCode = joinText(FamilyCode);
    const std::string personCode = joinText(PersCode);
    const std::string sql =
        "Select " + Field + " from " + Table + " where familycode = ? And perscode = ? order by rowid";
    return runLookup(
        *this, labels::OrrinDFirst, DbPath,
        [&] { return session().connections().lookupConnection(location); },
        [&](store::Connection& connection) {
            const std::optional<double> number = parseNumber(personCode);
            if (!number)
                throw Error(store::code::BadQuery, "Syntax error in query expression 'familycode = '" +
                                                       familyCode + "' And perscode = " + personCode +
                                                       "': the person code is not a number.");
            store::Statement& statement = connection.statement(sql);
            const store::ResetOnExit reset(statement);
            statement.bind(1, Variant(familyCode));
            statement.bind(2, boundNumber(*number));
            return readRows(statement);
        },
        Variant::null());
}

} // namespace orrin::calc
