// The maturity value of a policy: for a plan with a bonus category the sum assured with its declared,
// projected and final bonuses; for any other plan its own plan rule (calc/PlanRules.h).

#include "calc/DataImport.h"
#include "calc/LoggingTrap.h"
#include "calc/PlanRules.h"

#include "value/Conversions.h"
#include "value/DateValue.h"

#include <string>

namespace orrin::calc {

namespace {

// Plans whose policies of 15 years or more earn the final bonus (by plan text: "014" does not).
bool earnsFinalBonus(const std::string& planText)
{
    static const char* const kPlans[] = {"2",  "5",  "8",  "14",  "41",  "48",  "88",  "89",
                                         "90", "91", "95", "101", "102", "103", "121", "133"};
    for (const char* plan : kPlans) {
        if (planText == plan)
            return true;
    }
    return false;
}

// What a bonus-table lookup reads as: the value behind an empty text ("" for Null and for a failed
// lookup), its leading number.
double lookupNumber(const Variant& value)
{
    return Val(std::string_view(joinText(value)));
}

} // namespace

// The maturity value. A category plan: 0 when the policy starts before the category's first bonus
// year, or when nothing is declared for it and no year is left to project; otherwise the (reduced)
// sum assured plus the declared bonus, the bonus projected at the last declared rate for the years
// after the last declared year, and the final bonus. Every failing step is logged and the
// calculation goes on with what it has (a missing bonus database reads as no years and no rates).
double DataImport::NewMat2(Date ComDt, const std::string& Plan, std::int32_t Term, double Amount, double Prem,
                           const std::string& Mode, std::int32_t& Age)
{
    Trap trap = loggingTrap(*this, labels::NewMat2);

    double sumAssured = Amount;
    double declaredBonus = 0;
    double projectedBonus = 0;
    double finalBonus = 0;
    double result = 0;

    const double planValue = Val(std::string_view(Plan));
    const plans::Category category = plans::categoryOf(planValue);
    if (category == plans::Category::None) {
        trap.step([&] { result = plans::maturityByPlanRule(planValue, Plan, Term, sumAssured, Prem, Mode); });
        return result;
    }

    const std::string cat(plans::categoryCode(category));
    const std::string catCondition = "BonusCat='" + cat + "'";
    int startYear = 0;
    double firstYear = 0;
    double declaredRate = 0;
    double lastYear = 0;
    double yearsToMaturity = 0;
    double k = 0;
    double lastRate = 0;

    trap.step([&] { startYear = yearOf(ComDt); });
    trap.step([&] { firstYear = roundHalfEven(lookupNumber(DFirst2("min(YY)", "NewBonus", catCondition))); });
    if (trap.test([&] { return startYear < firstYear; }))
        return result;
    trap.step([&] { declaredRate = NewBonus(ComDt, cat, Term, sumAssured); });
    trap.step([&] { lastYear = roundHalfEven(lookupNumber(DFirst2("max(YY)", "NewBonus", catCondition))); });
    trap.step([&] {
        if (category == plans::Category::WL)
            yearsToMaturity = 80.0 - Age;
        else if (category == plans::Category::JR)
            yearsToMaturity = 100.0 - Age;
        else
            yearsToMaturity = Term;
    });
    // A start in January to March belongs to the previous bonus year.
    trap.step([&] {
        if (monthOf(ComDt) >= 4)
            k = startYear + yearsToMaturity - lastYear;
        else
            k = startYear + yearsToMaturity - lastYear - 1;
    });
    trap.step([&] {
        if (k < 0)
            k = 0;
        else if (k > yearsToMaturity)
            k = yearsToMaturity;
    });
    if (trap.test([&] { return k != 0; })) {
        trap.step([&] {
            const std::string term = formatNumber(Term);
            const std::string sum = formatNumber(sumAssured);
            const std::string condition = catCondition + " and YY=" + formatNumber(lastYear) + " and (" +
                                          term + ">=FromTerm and " + term + "<=ToTerm) and (" + sum +
                                          ">=FromSA and " + sum + "<=ToSA)";
            lastRate = lookupNumber(DFirst2("BonusJM", "NewBonus", condition));
        });
    }
    if (trap.test([&] { return declaredRate == 0 && k == 0; }))
        return result;

    trap.step([&] { declaredBonus = sumAssured / 1000 * declaredRate; });
    trap.step([&] { projectedBonus = sumAssured / 1000 * lastRate * k; });

    if (trap.test([&] { return Term >= 15 && earnsFinalBonus(Plan); }))
        trap.step([&] { finalBonus = FBonus(Term, sumAssured); });
    if (trap.test([&] { return Plan == "75" || Plan == "76" || Plan == "93"; })) {
        if (Term == 20)
            finalBonus = sumAssured / 1000 * 20;
        else if (Term == 25)
            finalBonus = sumAssured / 1000 * 35;
    }

    // Only now, with every bonus worked out on the full sum, is the sum itself reduced.
    if (category == plans::Category::EN) {
        if (Plan == "103")
            sumAssured = 25.0 / 100 * sumAssured;
    } else if (category == plans::Category::MB) {
        if (Plan == "73")
            sumAssured = 60.0 / 100 * sumAssured;
        else if (Plan == "74")
            sumAssured = 50.0 / 100 * sumAssured;
        else
            sumAssured = 40.0 / 100 * sumAssured;
    } else if (category == plans::Category::JS) {
        sumAssured = 0;
    }

    result = sumAssured + declaredBonus + projectedBonus + finalBonus;
    return result;
}

} // namespace orrin::calc
