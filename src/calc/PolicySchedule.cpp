// UpdatePolicySchedule: completes one policy row that the run is adding (maturity date, premium end
// date, maturity amount) and rebuilds its survival-benefit rows.

#include "calc/DataImport.h"
#include "calc/LoggingTrap.h"
#include "calc/PlanRow.h"
#include "calc/PolicyFields.h"
#include "calc/PolicyPlan.h"
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
void applyDateRules(PolicyFields& policy, const PlanRow& planRow, std::int32_t gAge, Trap& trap)
{
    Variant planTerm;
    if (trap.test(
            [&] { return greaterThan(minus(planRow.field("premage"), gAge), planRow.field("PremTerm")); }))
        trap.step([&] { planTerm = minus(planRow.field("premage"), gAge); });
    else
        trap.step([&] { planTerm = planRow.field("PremTerm"); });

    auto maturityTerm = [&] {
        const double term = Val(policy.term());
        return term > 0 ? term : yearCount(planTerm, "the plan term");
    };
    auto premiumTerm = [&] {
        return Val(policy.term()) > 0 ? Val(policy.ppt()) : yearCount(planTerm, "the plan term");
    };
    auto setMaturityDate = [&] {
        const double years = maturityTerm();
        policy.setMaturityDate(Variant(addYears(toDate(policy.issueDate()), years)));
    };

    if (trap.test([&] {
            const bool holdsDate = isDateValue(policy.issueDate());
            const bool single = equals(policy.payment(), Variant("S"));
            return holdsDate && single;
        })) {
        trap.step(setMaturityDate);
        trap.step([&] { policy.setPremiumEndDate(policy.issueDate()); });
    } else if (trap.test([&] { return isDateValue(policy.issueDate()); })) {
        trap.step(setMaturityDate);
        trap.step([&] {
            const double years = premiumTerm();
            policy.setPremiumEndDate(Variant(addYears(toDate(policy.issueDate()), years)));
        });
    } else {
        trap.step([&] { policy.setMaturityDate(Variant::null()); });
        trap.step([&] { policy.setPremiumEndDate(Variant::null()); });
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

    RunSession& run = session();
    run.pumpEvents();

    PolicyFields policy(PolicyRow, run.caches().policyPositions());
    // The plan is read here once; a plan that cannot be read, or compared, ends the call here.
    Variant planValue;
    if (trap.test([&] {
            planValue = policy.plan();
            return equals(planValue, Variant(std::int32_t{0}));
        }))
        return;

    run.setTarget(&database);

    PolicyPlan plan(std::move(planValue));
    trap.step([&] { plan.row().open(run.target(), plan.value(), run.caches().keptPlanRows()); });

    if (trap.test([&] { return plan.row().recordCount() != 0; }))
        applyDateRules(policy, plan.row(), gAge, trap);

    updateMaturityAmount(policy, plan, trap);

    trap.step([&] { plan.row().close(); });
    plan.row().release();

    rebuildSurvivalBenefits(*this, database, policy, plan, trap);
}

} // namespace orrin::calc
