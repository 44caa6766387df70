// The maturity value of a policy: for a plan with a bonus category the sum assured with its declared,
// projected and final bonuses; for any other plan its own maturity rule (calc/PlanBook.h).

#include "calc/DataImport.h"
#include "calc/LoggingTrap.h"
#include "calc/PaymentMode.h"
#include "calc/PlanBook.h"

#include "value/Conversions.h"
#include "value/DateValue.h"

#include <string>

namespace orrin::calc {

namespace {

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
    return maturityValue(ComDt, Plan, PlanBook::standard().byNumber(Val(std::string_view(Plan))), Term,
                         Amount, Prem, paymentModeNamed(Mode), Age);
}

// NewMat2 with the plan's value already looked up in the book: entry is the entry of Plan's leading
// number (nullptr for none), Plan itself decides what applies "as written".
double DataImport::maturityValue(Date ComDt, const std::string& Plan, const PlanEntry* entry,
                                 std::int32_t Term, double Amount, double Prem, PaymentMode Mode,
                                 std::int32_t& Age)
{
    Trap trap = loggingTrap(*this, labels::NewMat2);

    double sumAssured = Amount;
    double declaredBonus = 0;
    double projectedBonus = 0;
    double finalBonus = 0;
    double result = 0;

    const Category category = entry != nullptr ? entry->category : Category::None;
    if (category == Category::None) {
        trap.step([&] { result = maturityByRule(entry, Plan, Term, sumAssured, Prem, Mode); });
        return result;
    }
    // The plan as written ("014" is plan 14 of its category, but not as written).
    const bool asWritten = Plan == entry->text;

    const std::string cat(categoryCode(category));
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
        if (const int ageLimit = categoryAgeLimit(category); ageLimit != 0)
            yearsToMaturity = static_cast<double>(ageLimit) - Age;
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

    if (trap.test([&] { return Term >= 15 && asWritten && entry->finalBonus; }))
        trap.step([&] { finalBonus = FBonus(Term, sumAssured); });
    if (trap.test([&] { return asWritten && !entry->fixedFinalBonus.empty(); })) {
        for (const TermRate& fixed : entry->fixedFinalBonus) {
            if (Term == fixed.term) {
                finalBonus = sumAssured / 1000 * fixed.perMille;
                break;
            }
        }
    }

    // Only now, with every bonus worked out on the full sum, is the sum itself reduced.
    const std::optional<double> paidShare =
        asWritten && entry->paidShare ? entry->paidShare : categoryPaidShare(category);
    if (paidShare)
        sumAssured = shareOf(*paidShare, sumAssured);

    result = sumAssured + declaredBonus + projectedBonus + finalBonus;
    return result;
}

} // namespace orrin::calc
