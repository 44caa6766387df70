#include "calc/NewBonusRows.h"

#include "store/SqlText.h"
#include "store/Statement.h"
#include "value/Error.h"

#include <sqlite3.h>

#include <cmath>

namespace orrin::calc {

namespace {

constexpr double kExactWhole = 9007199254740992.0; // 2^53: every whole number up to it is a double

// A compared value as the engine compares it with a number: a Null (never equal, never in a
// range), or an integer or real value as a double. False for a value compared in another way.
bool numberOf(sqlite3_stmt* statement, int column, double& value, bool& isNull)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        isNull = true;
        return true;
    case SQLITE_INTEGER: {
        const sqlite3_int64 whole = sqlite3_column_int64(statement, column);
        if (whole > static_cast<sqlite3_int64>(kExactWhole) ||
            whole < -static_cast<sqlite3_int64>(kExactWhole))
            return false;
        value = static_cast<double>(whole);
        return true;
    }
    case SQLITE_FLOAT:
        value = sqlite3_column_double(statement, column);
        return !std::isnan(value);
    default:
        return false;
    }
}

} // namespace

void NewBonusRows::clear()
{
    m_database = nullptr;
    m_rows.clear();
}

// Any failure leaves nothing kept; the lookups then run on the engine and fail there as they would.
bool NewBonusRows::load(store::Connection& database)
{
    clear();
    try {
        store::Statement statement(database.handle(),
                                   "select BonusCat, YY, FromTerm, ToTerm, FromSA, ToSA, BonusAD, BonusJM "
                                   "from NewBonus order by rowid",
                                   database.fileName(), &database);
        sqlite3_stmt* raw = statement.handle();
        std::map<std::pair<std::string, double>, std::vector<Row>> rows;
        while (statement.step()) {
            const int categoryType = sqlite3_column_type(raw, 0);
            if (categoryType != SQLITE_TEXT && categoryType != SQLITE_NULL)
                return false;
            double numbers[5] = {};
            bool anyNull = categoryType == SQLITE_NULL;
            for (int c = 1; c <= 5; ++c) {
                if (!numberOf(raw, c, numbers[c - 1], anyNull))
                    return false;
            }
            if (anyNull)
                continue; // a Null among the compared values never matches
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
            const std::string category = store::lowerAscii(std::string_view(
                text != nullptr ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(raw, 0))));
            Row row{
                numbers[1], numbers[2], numbers[3], numbers[4], {statement.column(6), statement.column(7)}};
            rows[{category, numbers[0]}].push_back(std::move(row));
        }
        m_rows = std::move(rows);
        m_database = &database;
        return true;
    } catch (const Error&) {
        clear();
        return false;
    }
}

const NewBonusRows::Rates* NewBonusRows::first(std::string_view category, std::int32_t year,
                                               std::int32_t term, double amount) const
{
    const auto found = m_rows.find({store::lowerAscii(category), static_cast<double>(year)});
    if (found == m_rows.end())
        return nullptr;
    const double t = term;
    for (const Row& row : found->second) {
        if (t >= row.fromTerm && t <= row.toTerm && amount >= row.fromSA && amount <= row.toSA)
            return &row.rates;
    }
    return nullptr;
}

} // namespace orrin::calc
