// The survival-benefit schedule of one policy: the instalments that the plan describes as two texts of
// two-digit groups (years and percentages), the special plans' rules, and the built-in schedules of
// plans 103 and 152.

#include "calc/SurvivalBenefit.h"

#include "calc/PlanBook.h"
#include "calc/PlanRow.h"
#include "value/Conversions.h"
#include "value/DateValue.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace orrin::calc {

namespace {

// The parsed groups of one call: positions 0 to 8 (position 0 unused). A position outside them is a
// subscript error, so a plan with a ninth group fails there instead of writing past the table.
class SbTable {
  public:
    std::int16_t& at(int k)
    {
        if (k < 0 || k >= static_cast<int>(m_entries.size()))
            throw Error(err::Subscript, "Subscript out of range");
        return m_entries[static_cast<std::size_t>(k)];
    }

  private:
    std::array<std::int16_t, 9> m_entries{};
};

// Characters start to start + length - 1 (counted from 1, in characters, not bytes) of a text; fewer
// when the text ends first, "" when it ends before start.
std::string midCharacters(std::string_view text, std::size_t start, std::size_t length)
{
    std::size_t character = 0;
    std::size_t begin = text.size();
    std::size_t end = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue; // a continuation byte belongs to the character before it
        ++character;
        if (character == start)
            begin = i;
        if (character == start + length) {
            end = i;
            break;
        }
    }
    if (begin >= end)
        return {};
    return std::string(text.substr(begin, end - begin));
}

// Group k of an instalment text: characters 2k-1 and 2k as a 16-bit whole number. An empty group, or
// one that is not a number, fails (13) and the entry keeps its value.
std::int16_t group(const Variant& instalmentText, int k)
{
    const std::string text = toText(instalmentText);
    return toShort(Variant(midCharacters(text, static_cast<std::size_t>(2 * k - 1), 2)));
}

// n: half the length of the plan's instalment-year text, halves to the even neighbour (7 gives 4).
int groupCount(const PlanRow& planRow)
{
    return static_cast<int>(
        roundHalfEven(static_cast<double>(characterCount(toText(planRow.field("Term")))) / 2.0));
}

class Schedule {
  public:
    Schedule(DataImport& module, PolicyFields& policy, PolicyPlan& plan, Trap& trap)
        : m_module(module), m_policy(policy), m_plan(plan), m_trap(trap)
    {
    }

    void general(const PlanRow& planRow);
    void fourFromMaturity();
    void everyFifthYear();

  private:
    // The book's entry for the plan as written (the program's Plan = "160"), or nullptr.
    const PlanEntry* plan() { return m_plan.asWritten(); }
    double policyTerm() { return Val(m_policy.term()); }
    Date issueDate() { return toDate(m_policy.issueDate()); }
    // "percent/100 of Sum": the fraction first, then the product.
    double shareOfSum(double percent) { return (percent / 100.0) * toDouble(m_policy.sum()); }
    store::Connection& database();

    void open(store::Recordset& SbRows, const char* source)
    {
        m_trap.step([&] { SbRows.open(source, database()); });
    }
    void begin(store::Recordset& SbRows)
    {
        m_trap.step([&] { SbRows.addNew(); });
        m_trap.step([&] {
            const Variant number = m_policy.policyNo();
            if (SbRowsWritten* written = m_module.session().caches().sbRowsWritten())
                written->note(m_module.session().target(), joinText(number));
            SbRows.setField("policy_no", number);
        });
    }
    void finish(store::Recordset& SbRows, const Variant& number)
    {
        m_trap.step([&] { SbRows.setField("i_no", number); });
        m_trap.step([&] { SbRows.update(); });
    }
    void close(store::Recordset& SbRows)
    {
        m_trap.step([&] { SbRows.close(); });
    }
    bool stops(int k);
    void setAmount(store::Recordset& SbRows, int k);

    DataImport& m_module;
    PolicyFields& m_policy;
    PolicyPlan& m_plan;
    Trap& m_trap;
    SbTable SbYear;
    SbTable SbPct;
};

store::Connection& Schedule::database()
{
    store::Connection* target = m_module.session().target();
    if (target == nullptr)
        throw Error(err::ObjectNotSet, "Object variable or With block variable not set: no database for SB.");
    return *target;
}

// The stop years of the plan as written. Every part of the test is read (the plan, the policy's term,
// the instalment's year), so a term that cannot be read or a year outside SbYear fails the test, and
// a failed test ends the schedule as a matching stop year does.
bool Schedule::stops(int k)
{
    return m_trap.test([&] {
        const PlanEntry* entry = plan();
        const double term = policyTerm();
        const int year = SbYear.at(k);
        if (entry == nullptr)
            return false;
        for (const StopYear& stop : entry->stops) {
            if (term == stop.term && year == stop.year)
                return true;
        }
        return false;
    });
}

// The amount overrides of the plan as written at the policy's term, in the plan's order: an override
// of a named year applies when the instalment's year is that year (a year outside SbYear fails that
// test, and a failed test applies the override); one of year 0 applies to any year. Without one,
// the plan's own percentage. A term that cannot be read fails the first test, and then the first
// override of the book applies, as the block of a failed test runs.
void Schedule::setAmount(store::Recordset& SbRows, int k)
{
    const PlanEntry* overridden = nullptr;
    double term = 0;
    if (m_trap.test([&] {
            const PlanEntry* entry = plan();
            term = policyTerm();
            if (entry != nullptr) {
                for (const AmountOverride& amount : entry->amounts) {
                    if (term == amount.term)
                        overridden = entry;
                }
            }
            return overridden != nullptr;
        })) {
        if (overridden == nullptr) {
            overridden = PlanBook::standard().firstWithAmounts();
            if (overridden == nullptr)
                return;
            term = overridden->amounts.front().term;
        }
        for (const AmountOverride& amount : overridden->amounts) {
            if (amount.term != term)
                continue;
            if (amount.year == 0 || m_trap.test([&] { return SbYear.at(k) == amount.year; })) {
                m_trap.step([&] { SbRows.setField("sb_amount", Variant(shareOfSum(amount.hundredths))); });
                return;
            }
        }
    } else {
        m_trap.step([&] { SbRows.setField("sb_amount", Variant(shareOfSum(SbPct.at(k)))); });
    }
}

// The plan's own instalments: group k of its Term text is the year after commencement, group k of its
// benefit text the percentage of the sum assured. Plans due from the entry age (PlanBook) count the
// years from it and have no stop years; the other plans end the schedule at their first stop year.
void Schedule::general(const PlanRow& planRow)
{
    int n = 0;
    if (m_trap.tryStep([&] { n = groupCount(planRow); })) {
        for (int k = 1; k <= n; ++k) {
            m_trap.step([&] {
                const std::int16_t year = group(planRow.field("Term"), k);
                SbYear.at(k) = year;
            });
            m_trap.step([&] {
                const std::int16_t percent = group(planRow.field("benefit"), k);
                SbPct.at(k) = percent;
            });
        }
    }

    store::Recordset SbRows;
    open(SbRows, "SELECT * FROM sb");
    if (m_trap.tryStep([&] { n = groupCount(planRow); })) {
        for (int k = 1; k <= n; ++k) {
            begin(SbRows);
            if (m_trap.test([&] {
                    const PlanEntry* entry = plan();
                    return entry != nullptr && entry->dueFromEntryAge;
                })) {
                m_trap.step([&] {
                    const double years = static_cast<double>(SbYear.at(k)) - m_module.gAge;
                    SbRows.setField("sb_duedate", Variant(addYears(issueDate(), years)));
                });
            } else {
                if (stops(k))
                    break; // the row just begun is never saved
                m_trap.step([&] {
                    const double years = SbYear.at(k);
                    SbRows.setField("sb_duedate", Variant(addYears(issueDate(), years)));
                });
            }
            setAmount(SbRows, k);
            finish(SbRows, Variant(static_cast<std::int32_t>(k)));
        }
    }
    close(SbRows);
}

// Four instalments of a quarter of the sum, counted down from maturity: numbers 4, 3, 2, 1 due at the
// policy's term and one, two and three years before it.
void Schedule::fourFromMaturity()
{
    store::Recordset SbRows;
    open(SbRows, "sb");
    for (int j = 0; j <= 3; ++j) {
        begin(SbRows);
        m_trap.step([&] {
            const double years = policyTerm() - j;
            SbRows.setField("sb_duedate", Variant(addYears(issueDate(), years)));
        });
        m_trap.step([&] { SbRows.setField("sb_amount", Variant(shareOfSum(25))); });
        finish(SbRows, Variant(static_cast<std::int32_t>(4 - j)));
    }
    close(SbRows);
}

// A tenth of the sum every fifth year up to age 100.
void Schedule::everyFifthYear()
{
    store::Recordset SbRows;
    open(SbRows, "sb");
    for (int y = 5; y <= 100 - m_module.gAge; y += 5) {
        begin(SbRows);
        m_trap.step([&] { SbRows.setField("sb_duedate", Variant(addYears(issueDate(), y))); });
        m_trap.step([&] { SbRows.setField("sb_amount", Variant(shareOfSum(10))); });
        finish(SbRows, Variant(static_cast<double>(y) / 5.0));
    }
    close(SbRows);
}

} // namespace

// The policy number is bound, never pasted into the delete, so a number holding quotes deletes only
// its own rows; a Null number deletes the rows whose number is empty, as the pasted text would. A
// plan that is not found (or whose query fails) ends here with the old rows gone and none added.
void rebuildSurvivalBenefits(DataImport& module, store::Connection& database, PolicyFields& policy,
                             PolicyPlan& plan, Trap& trap)
{
    trap.step([&] {
        const std::string number = joinText(policy.policyNo());
        // A delete that could find no row changes nothing: it is left out while SB's writer knows that.
        if (SbRowsWritten* written = module.session().caches().sbRowsWritten();
            written != nullptr && written->noneOf(database, number))
            return;
        database.execute("Delete from SB where policy_no=?", {Variant(number)});
    });

    PlanRow& planRow = plan.row();
    trap.step([&] {
        planRow.reopen(module.session().target(), plan.value(), module.session().caches().keptPlanRows());
    });
    if (trap.test([&] { return planRow.recordCount() == 0; }))
        return;

    auto builtIn = [&] {
        const PlanEntry* entry = plan.asWritten();
        return entry != nullptr ? entry->builtIn : BuiltInSchedule::None;
    };
    Schedule schedule(module, policy, plan, trap);
    if (trap.test([&] { return !planRow.field("Term").isNull(); }))
        schedule.general(planRow);
    else if (trap.test([&] { return builtIn() == BuiltInSchedule::FourFromMaturity; }))
        schedule.fourFromMaturity();
    else if (trap.test([&] { return builtIn() == BuiltInSchedule::EveryFifthYear; }))
        schedule.everyFifthYear();
}

} // namespace orrin::calc
