#include "calc/PlanRow.h"

#include "calc/BoundNumber.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "value/Conversions.h"
#include "value/Error.h"

#include <algorithm>
#include <cctype>

namespace orrin::calc {

namespace {

constexpr const char* kPlanQuery = "select * from plans where plan=? and pflag <>'D'";

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The plan query as its text reads with the plan pasted in, for messages.
std::string planQueryText(const std::string& plan)
{
    return "select * from plans where plan=" + plan + " and pflag <>'D'";
}

} // namespace

void PlanRow::open(store::Connection* database, const Variant& Plan)
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

    store::Statement& statement = database->statement(kPlanQuery);
    Data data;
    try {
        statement.bind(1, boundNumber(*plan));
        while (statement.step()) {
            if (data.count == 0) {
                const int columns = statement.columnCount();
                for (int i = 0; i < columns; ++i) {
                    data.names.push_back(statement.columnName(i));
                    data.first.push_back(statement.column(i));
                }
            }
            ++data.count;
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
    m_data = std::move(data);
}

const PlanRow::Data& PlanRow::require() const
{
    if (!m_data)
        throw Error(err::ObjectNotSet, "Object variable or With block variable not set: the plan row did not "
                                       "open.");
    if (!m_data->open)
        throw Error(store::code::Closed, "Operation is not allowed when the object is closed: the plan row.");
    return *m_data;
}

std::int64_t PlanRow::recordCount() const
{
    return require().count;
}

Variant PlanRow::field(std::string_view name) const
{
    const Data& data = require();
    if (data.count == 0)
        throw Error(store::code::NoCurrentRow,
                    "No current record: no live plan row for field '" + std::string(name) + "'.");
    for (std::size_t i = 0; i < data.names.size(); ++i) {
        if (sameName(data.names[i], name))
            return data.first[i];
    }
    throw Error(store::code::ItemNotFound,
                "Item not found in this collection: the field '" + std::string(name) + "' of plans.");
}

void PlanRow::close()
{
    require();
    m_data->open = false;
}

} // namespace orrin::calc
