#include "calc/PlanRow.h"

#include "calc/BoundNumber.h"
#include "store/SqlText.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "value/Conversions.h"
#include "value/Error.h"

#include <algorithm>
#include <cmath>

namespace orrin::calc {

namespace {

// In the store's order, so that the first live row of a plan never depends on an index of plans.
constexpr const char* kPlanQuery = "select * from plans where plan=? and pflag <>'D' order by rowid";

// The plan query as its text reads with the plan pasted in, for messages.
std::string planQueryText(const std::string& plan)
{
    return "select * from plans where plan=" + plan + " and pflag <>'D'";
}

} // namespace

void PlanRow::open(store::Connection* database, const Variant& Plan, PlanRowCache* kept)
{
    if (database == nullptr)
        throw Error(err::ObjectNotSet, "Object variable or With block variable not set: no database for the "
                                       "plan query.");
    if (Plan.isNull())
        throw Error(store::code::BadQuery, "Syntax error in query expression \"" + planQueryText("") +
                                               "\": the policy has no plan.");
    const std::string planText = toText(Plan);
    const std::optional<double> plan = parseNumber(planText);
    if (!plan)
        throw Error(store::code::BadQuery, "Syntax error in query expression \"" + planQueryText(planText) +
                                               "\": the plan is not a number.");

    // A kept row stands for a query that would run now, so it fails the same way on a closed
    // connection or an abandoned transaction; those go down the ordinary path below.
    if (kept != nullptr && database->isOpen() && !database->transactionLost()) {
        if (auto rows = kept->find(database, *plan)) {
            m_rows = rows;
            m_read = std::move(rows);
            m_readOn = database;
            m_open = true;
            return;
        }
    }

    store::Statement& statement = database->statement(kPlanQuery);
    auto rows = std::make_shared<Rows>();
    try {
        statement.bind(1, boundNumber(*plan));
        while (statement.step()) {
            if (rows->count == 0) {
                const int columns = statement.columnCount();
                for (int i = 0; i < columns; ++i) {
                    rows->names.push_back(statement.columnName(i));
                    rows->first.push_back(statement.column(i));
                }
            }
            ++rows->count;
        }
    } catch (...) {
        try {
            statement.reset();
        } catch (...) {
            // Reset again before the statement's next use.
        }
        throw;
    }
    statement.reset();
    if (kept != nullptr)
        kept->keep(database, *plan, rows);
    m_rows = rows;
    m_read = std::move(rows);
    m_readOn = database;
    m_open = true;
}

void PlanRow::reopen(store::Connection* database, const Variant& Plan, PlanRowCache* kept)
{
    if (m_read && database != nullptr && database == m_readOn && database->isOpen() &&
        !database->transactionLost()) {
        m_rows = m_read;
        m_open = true;
        return;
    }
    open(database, Plan, kept);
}

const PlanRow::Rows& PlanRow::require() const
{
    if (!m_rows)
        throw Error(err::ObjectNotSet, "Object variable or With block variable not set: the plan row did not "
                                       "open.");
    if (!m_open)
        throw Error(store::code::Closed, "Operation is not allowed when the object is closed: the plan row.");
    return *m_rows;
}

std::int64_t PlanRow::recordCount() const
{
    return require().count;
}

Variant PlanRow::field(std::string_view name) const
{
    const Rows& data = require();
    if (data.count == 0)
        throw Error(store::code::NoCurrentRow,
                    "No current record: no live plan row for field '" + std::string(name) + "'.");
    for (std::size_t i = 0; i < data.names.size(); ++i) {
        if (store::equalsIgnoringCase(data.names[i], name))
            return data.first[i];
    }
    throw Error(store::code::ItemNotFound,
                "Item not found in this collection: the field '" + std::string(name) + "' of plans.");
}

void PlanRow::close()
{
    require();
    m_open = false;
}

// Plans are kept by the number the query compares with, so "152" and "152.0" share a row; a number
// that cannot be a key (not finite) is never kept.
std::shared_ptr<const PlanRow::Rows> PlanRowCache::find(const store::Connection* database, double plan) const
{
    if (database != m_database || !std::isfinite(plan))
        return nullptr;
    const auto found = m_rows.find(plan);
    return found != m_rows.end() ? found->second : nullptr;
}

void PlanRowCache::keep(const store::Connection* database, double plan,
                        std::shared_ptr<const PlanRow::Rows> rows)
{
    if (!std::isfinite(plan))
        return;
    if (database != m_database) {
        m_rows.clear();
        m_database = database;
    }
    m_rows[plan] = std::move(rows);
}

void PlanRowCache::clear()
{
    m_rows.clear();
    m_database = nullptr;
}

} // namespace orrin::calc
