// UpdatePolicySchedule: completes one policy row that the run is adding (maturity date, premium end
// date, maturity amount) and rebuilds its survival-benefit rows.

#include "calc/DataImport.h"
#include "calc/LoggingTrap.h"
#include "calc/PlanRow.h"
#include "calc/SurvivalBenefit.h"

#include "value/Conversions.h"
#include "value/DateValue.h"

namespace orrin::calc {

namespace {

// Variant subtraction: Null stays Null.
Variant minus(const Variant& value, std::int32_t amount)
{
    if (value.isNull())
        return Variant::null();
    return Variant(toDouble(value) - amount);
}

// Variant "a > b": a Null on either side is not true.
bool greaterThan(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull())
        return false;
    return toDouble(a) > toDouble(b);
}

// A number of years taken from a working value: a Null cannot be counted.
double yearCount(const Variant& value, const char* what)
{
    if (value.isNull())
        throw Error(err::InvalidNull, std::string("Invalid use of Null: ") + what + " is Null.");
    return toDouble(value);
}

// The plan term, the maturity date and the premium end date of a policy whose plan was found. The
// plan term is the larger of the premium ceasing age less the entry age and the plan's premium term;
// a Null ceasing age takes the premium term. A policy with a positive term of its own matures on it
// and pays premiums for its PPT; otherwise both come from the plan. A single-premium policy ("S",
// exactly) stops paying on its commencement date. A policy without a commencement date gets neither
// date. Each date is one statement, so a value that cannot be read leaves that field as it was.
void applyDateRules(store::Recordset& PolicyRow, const PlanRow& planRow, std::int32_t gAge, Trap& trap)
{
    Variant planTerm;
    if (trap.test(
            [&] { return greaterThan(minus(planRow.field("premage"), gAge), planRow.field("PremTerm")); }))
        trap.step([&] { planTerm = minus(planRow.field("premage"), gAge); });
    else
        trap.step([&] { planTerm = planRow.field("PremTerm"); });

    auto maturityTerm = [&] {
        const double term = Val(PolicyRow.field("Term"));
        return term > 0 ? term : yearCount(planTerm, "the plan term");
    };
    auto premiumTerm = [&] {
        return Val(PolicyRow.field("Term")) > 0 ? Val(PolicyRow.field("PPT"))
                                                : yearCount(planTerm, "the plan term");
    };
    auto setMaturityDate = [&] {
        const double years = maturityTerm();
        PolicyRow.setField("matdt", Variant(addYears(toDate(PolicyRow.field("Issue_Dt")), years)));
    };

    if (trap.test([&] {
            const bool holdsDate = isDateValue(PolicyRow.field("Issue_Dt"));
            const bool single = equals(PolicyRow.field("Payment"), Variant("S"));
            return holdsDate && single;
        })) {
        trap.step(setMaturityDate);
        trap.step([&] { PolicyRow.setField("PremEndDt", PolicyRow.field("Issue_Dt")); });
    } else if (trap.test([&] { return isDateValue(PolicyRow.field("Issue_Dt")); })) {
        trap.step(setMaturityDate);
        trap.step([&] {
            const double years = premiumTerm();
            PolicyRow.setField("PremEndDt", Variant(addYears(toDate(PolicyRow.field("Issue_Dt")), years)));
        });
    } else {
        trap.step([&] { PolicyRow.setField("matdt", Variant::null()); });
        trap.step([&] { PolicyRow.setField("PremEndDt", Variant::null()); });
    }
}

} // namespace

// Runs every statement through one trap: a failure is logged under this procedure's label and the
// next statement runs, so the caller never sees one (except an abandoned transaction or a log that
// cannot be written). A plan of 0 returns at once and touches nothing, not even the SB rows; a plan
// that is not in plans (or only in deleted rows) keeps the row's dates, still gets its maturity
// amount, and loses its SB rows. The row itself is not saved here: the caller saves it.
void DataImport::UpdatePolicySchedule(store::Connection& database, store::Recordset& PolicyRow)
{
    Trap trap = loggingTrap(*this, labels::UpdatePolicySchedule);

    if (m_eventPump)
        m_eventPump();

    if (trap.test([&] { return equals(PolicyRow.field("Plan"), Variant(std::int32_t{0})); }))
        return;

    gDB = &database;

    PlanRow planRow;
    trap.step([&] { planRow.open(gDB, PolicyRow.field("Plan"), keptPlanRows()); });

    if (trap.test([&] { return planRow.recordCount() != 0; }))
        applyDateRules(PolicyRow, planRow, gAge, trap);

    updateMaturityAmount(PolicyRow, trap);

    trap.step([&] { planRow.close(); });
    planRow.release();

    rebuildSurvivalBenefits(*this, database, PolicyRow, trap);
}

} // namespace orrin::calc
