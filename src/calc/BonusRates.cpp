// The bonus-rate lookups: the declared bonus rate of a category for a start year, term and sum
// assured (table NewBonus) and the final bonus of a term and sum assured (table FINALBONUS), both read
// through the run's target database (RunSession::target).

#include "calc/BoundNumber.h"
#include "calc/DataImport.h"
#include "calc/LoggingTrap.h"
#include "calc/NewBonusRows.h"

#include "store/SqlText.h"
#include "store/Statement.h"
#include "store/StoreError.h"
#include "value/Conversions.h"
#include "value/DateValue.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::calc {

namespace {

// The first row of a lookup query, read the way a freshly opened recordset is read: the query text
// is what the messages show; the prepared form with bound values is what runs (it answers exactly as
// the text would, and a value cannot change the statement's meaning). A lookup that was never opened
// behaves like an object variable that was never set.
class FirstRowQuery {
  public:
    // Runs the query on db and keeps its first row (in the store's order) and whether there is one.
    void open(store::Connection* db, const std::string& queryText, const std::string& preparedSql,
              const std::vector<Variant>& parameters)
    {
        if (db == nullptr)
            throw Error(err::ObjectNotSet, "Object variable or With block variable not set");
        try {
            store::Statement& statement = db->statement(preparedSql);
            const store::ResetOnExit resetOnExit(statement);
            for (std::size_t i = 0; i < parameters.size(); ++i)
                statement.bind(static_cast<int>(i) + 1, parameters[i]);
            std::vector<std::string> names;
            std::vector<Variant> values;
            const bool found = statement.step();
            for (int c = 0; c < statement.columnCount(); ++c) {
                names.push_back(statement.columnName(c));
                if (found)
                    values.push_back(statement.column(c));
            }
            m_names = std::move(names);
            m_values = std::move(values);
            m_found = found;
            m_open = true;
        } catch (const Error& e) {
            if (e.number() == store::code::Abandoned)
                throw;
            throw Error(e.number(), e.description() + " (query: " + queryText + ")");
        }
    }

    // RecordCount <> 0.
    bool hasRows() const
    {
        requireOpen();
        return m_found;
    }

    // The value of a field of the first row; the name is matched without regard to case.
    Variant field(std::string_view name) const
    {
        requireOpen();
        for (std::size_t c = 0; c < m_names.size(); ++c) {
            if (store::equalsIgnoringCase(m_names[c], name)) {
                if (!m_found)
                    throw Error(store::code::NoCurrentRow,
                                "Either BOF or EOF is True, or the current record has been deleted");
                return m_values[c];
            }
        }
        throw Error(store::code::ItemNotFound, "Item not found in this collection: " + std::string(name));
    }

    // The rates kept in memory, as the query would have read them (late: Bonus and Bonus2).
    void openKept(const NewBonusRows::Rates* rates, bool late)
    {
        m_names = late ? std::vector<std::string>{"Bonus", "Bonus2"} : std::vector<std::string>{"Bonus"};
        m_values.clear();
        if (rates != nullptr) {
            m_values.push_back(late ? rates->bonusAD : rates->bonusJM);
            if (late)
                m_values.push_back(rates->bonusJM);
        }
        m_found = rates != nullptr;
        m_open = true;
    }

    void close()
    {
        requireOpen();
        m_open = false;
    }

  private:
    void requireOpen() const
    {
        if (!m_open)
            throw Error(err::ObjectNotSet, "Object variable or With block variable not set");
    }

    bool m_open = false;
    bool m_found = false;
    std::vector<std::string> m_names;
    std::vector<Variant> m_values;
};

} // namespace

// The declared bonus rate per 1000 of sum assured. A start in April to December reads BonusAD and
// falls back to BonusJM when BonusAD is 0; a start in January to March reads BonusJM only. 0 when no
// row matches; every failing step is logged and the rate keeps what it held (a missing target
// database, table or column, or a Null rate, therefore gives 0 or the rate read so far).
double DataImport::NewBonus(Date comDt, const std::string& Plan, std::int32_t Term, double Amount)
{
    Trap trap = loggingTrap(*this, labels::NewBonus);

    double rate = 0;
    bool late = false;
    bool built = false;
    int year = 0;
    FirstRowQuery rs;

    trap.step([&] { late = monthOf(comDt) >= 4; });
    trap.step([&] {
        year = yearOf(comDt);
        built = true;
    });
    trap.step([&] {
        if (!built)
            throw Error(store::code::BadQuery, "The query text is empty");
        if (const NewBonusRows* kept = session().caches().keptBonusRows(session().target())) {
            rs.openKept(kept->first(Plan, year, Term, Amount), late);
            return;
        }
        const std::string head =
            late ? "select BonusAD as Bonus, BonusJM as Bonus2 from NewBonus where BonusCat='"
                 : "select BonusJM as Bonus from NewBonus where BonusCat='";
        const std::string term = formatNumber(Term);
        const std::string amount = formatNumber(Amount);
        const std::string sql = head + Plan + "' and YY=" + formatNumber(year) + " and (" + term +
                                ">=FromTerm and " + term + "<=ToTerm) and (" + amount + ">=FromSA and " +
                                amount + "<=ToSA)";
        const std::string columns = late ? "BonusAD as Bonus, BonusJM as Bonus2" : "BonusJM as Bonus";
        rs.open(session().target(), sql,
                "select " + columns +
                    " from NewBonus where BonusCat=? and YY=? and (?>=FromTerm and ?<=ToTerm)"
                    " and (?>=FromSA and ?<=ToSA) order by rowid",
                {Variant(Plan), Variant(static_cast<std::int32_t>(year)), Variant(Term), Variant(Term),
                 boundNumber(Amount), boundNumber(Amount)});
    });
    if (trap.test([&] { return rs.hasRows(); })) {
        trap.step([&] { rate = toDouble(rs.field("Bonus")); });
        if (trap.test([&] { return late && rate == 0; }))
            trap.step([&] { rate = toDouble(rs.field("bonus2")); });
    } else {
        rate = 0;
    }
    trap.step([&] { rs.close(); });
    return rate;
}

// The final bonus in currency units: (SA / 1000) times the FAB of the first row whose term and sum
// ranges (inclusive) hold the policy; 0 when none does. Failures are logged and leave the result as
// it was (0).
double DataImport::FBonus(std::int32_t Term, double SA)
{
    Trap trap = loggingTrap(*this, labels::FBonus);

    double result = 0;
    std::string sql;
    FirstRowQuery rs;

    trap.step([&] {
        const std::string term = formatNumber(Term);
        const std::string amount = formatNumber(SA);
        sql = "select FAB from FINALBONUS where (" + term + ">=FromTerm and " + term + "<=ToTerm) and (" +
              amount + ">=FromSA and " + amount + "<=ToSA)";
    });
    trap.step([&] {
        rs.open(session().target(), sql,
                "select FAB from FINALBONUS where (?>=FromTerm and ?<=ToTerm) and (?>=FromSA and ?<=ToSA)"
                " order by rowid",
                {Variant(Term), Variant(Term), boundNumber(SA), boundNumber(SA)});
    });
    if (trap.test([&] { return rs.hasRows(); }))
        trap.step([&] { result = (SA / 1000) * toDouble(rs.field("FAB")); });
    else
        result = 0;
    // The lookup is released here without an explicit close.
    return result;
}

} // namespace orrin::calc
