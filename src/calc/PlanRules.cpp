// The rule book of the plans: which plans earn bonuses in which category, and how every plan
// without a category is paid at maturity. Both are tables, so that adding a plan is one line.

#include "calc/PlanRules.h"

#include "value/Conversions.h"

#include <array>
#include <cmath>
#include <vector>

namespace orrin::calc::plans {

namespace {

struct CategoryRow {
    Category category;
    std::string_view code;
    std::vector<int> plans;
};

const std::array<CategoryRow, 8>& categoryTable()
{
    static const std::array<CategoryRow, 8> table{{
        {Category::WL, "WL", {2, 5, 8, 27}},
        {Category::EN, "EN", {14, 41, 50, 90, 91, 95, 101, 102, 103, 109, 110, 121, 135, 137}},
        {Category::JMJS, "JMJS", {48, 88, 89, 133}},
        {Category::MB, "MB", {73, 74, 75, 76, 93}},
        {Category::JS, "JS", {106, 107, 108}},
        {Category::JDJS, "JDJS", {147, 148}},
        {Category::JA, "JA", {149}},
        {Category::JR, "JR", {152}},
    }};
    return table;
}

// How a plan without a category pays at maturity.
enum class Rule {
    SumAssured,           // the sum assured
    TwiceSumAssured,      // 2 x the sum assured
    PremiumsReturned,     // the premiums paid; Single and SSS pay nothing
    PremiumsWithBand,     // the premiums paid plus a share of them by term band
    SumBandAndHundredths, // sum + term-band share of the sum + 75 hundredths of the sum per year
    AdditionsOnly,        // the yearly additions alone
    SumPlusAdditions,     // the sum assured + the yearly additions
    ShareByPlanText,      // a share of the sum chosen by the plan text + the yearly additions
    ShareByTerm,          // a share of the sum chosen by the term + the yearly additions
    Compounding,          // the sum with compounding additions
};

// A share of the sum assured, numerator / 100, for one plan text (or one term).
struct Share {
    std::string_view planText;
    double hundredths;
};

// A term band: from..to years (inclusive) adds hundredths / 100 of its base.
struct Band {
    std::int32_t from;
    std::int32_t to;
    double hundredths;
};

struct PlanRule {
    std::vector<int> plans;
    Rule rule;
    double rate = 0;      // yearly additions per 1000 of sum assured (years 1 to 5 when compounding)
    double laterRate = 0; // compounding rate from year 6
    bool roundIncrements = false;
    std::vector<Share> shares = {};
};

const std::vector<PlanRule>& ruleTable()
{
    static const std::vector<PlanRule> table{
        {{3, 7, 11, 47, 104, 105}, Rule::SumAssured},
        {{18}, Rule::TwiceSumAssured},
        {{94}, Rule::PremiumsReturned},
        {{111, 150}, Rule::PremiumsWithBand},
        {{112}, Rule::SumBandAndHundredths, 75},
        {{113}, Rule::AdditionsOnly, 80},
        {{114}, Rule::SumPlusAdditions, 100},
        {{123, 124, 125, 126, 128, 131},
         Rule::ShareByPlanText,
         70,
         0,
         false,
         {{"123", 60}, {"124", 50}, {"125", 40}, {"126", 40}, {"128", 40}}},
        {{132}, Rule::Compounding, 85, 85, false},
        {{136}, Rule::SumPlusAdditions, 60},
        {{141}, Rule::Compounding, 75, 80, true},
        {{142}, Rule::Compounding, 60, 65, true},
        {{143, 158}, Rule::Compounding, 60, 60, true},
        {{151}, Rule::SumPlusAdditions, 70},
        {{154, 155, 156, 157},
         Rule::ShareByPlanText,
         65,
         0,
         false,
         {{"154", 60}, {"155", 50}, {"156", 40}, {"157", 40}}},
        {{159}, Rule::AdditionsOnly, 75},
        {{160}, Rule::ShareByTerm, 50},
        {{162}, Rule::SumPlusAdditions, 50},
        {{166}, Rule::Compounding, 40, 45, true},
    };
    return table;
}

// Plans 111 and 150 add a share of the premiums paid by term band.
constexpr std::array<Band, 4> kPremiumBands{{{15, 19, 25}, {20, 24, 35}, {25, 29, 45}, {30, 30, 55}}};
// Plan 112 adds a share of the sum assured by term band.
constexpr std::array<Band, 5> kPlan112Bands{
    {{5, 9, 5}, {10, 14, 12.5}, {15, 19, 25}, {20, 24, 40}, {25, 25, 75}}};

template <std::size_t N> double bandAddition(const std::array<Band, N>& bands, std::int32_t Term, double base)
{
    for (const Band& band : bands) {
        if (Term >= band.from && Term <= band.to)
            return base * band.hundredths / 100;
    }
    return 0;
}

bool contains(const std::vector<int>& plans, double planValue)
{
    for (int plan : plans) {
        if (planValue == plan)
            return true;
    }
    return false;
}

// Yearly additions at rate r per 1000 of sum assured for every year of the term.
double yearlyAdditions(double sumAssured, double rate, std::int32_t Term)
{
    return sumAssured / 1000 * rate * Term;
}

} // namespace

Category categoryOf(double planValue)
{
    for (const CategoryRow& row : categoryTable()) {
        if (contains(row.plans, planValue))
            return row.category;
    }
    return Category::None;
}

std::string_view categoryCode(Category category)
{
    for (const CategoryRow& row : categoryTable()) {
        if (row.category == category)
            return row.code;
    }
    return "";
}

double premiumsPaid(const std::string& Mode, std::int32_t Term, double Prem)
{
    if (Mode == "Yearly")
        return Term * Prem;
    if (Mode == "HalfYearly")
        return 2 * Prem * Term;
    if (Mode == "Quarterly")
        return 4 * Prem * Term;
    if (Mode == "Monthly")
        return 12 * Prem * Term;
    return 0;
}

double compoundingValue(double sumAssured, std::int32_t Term, double firstRate, double laterRate,
                        bool roundIncrements)
{
    double running = sumAssured;
    double additions = 0;
    for (std::int32_t year = 1; year <= Term; ++year) {
        const double increment = running / 1000 * (year <= 5 ? firstRate : laterRate);
        additions += increment;
        running += roundIncrements ? roundHalfEven(increment) : increment;
        // Once the additions have run out of range nothing later can bring them back, so an absurd
        // term cannot keep the import busy.
        if (!std::isfinite(additions))
            break;
    }
    return sumAssured + additions;
}

double maturityByPlanRule(double planValue, const std::string& planText, std::int32_t Term, double sumAssured,
                          double Prem, const std::string& Mode)
{
    for (const PlanRule& row : ruleTable()) {
        if (!contains(row.plans, planValue))
            continue;
        switch (row.rule) {
        case Rule::SumAssured:
            return sumAssured;
        case Rule::TwiceSumAssured:
            return 2 * sumAssured;
        case Rule::PremiumsReturned:
            return premiumsPaid(Mode, Term, Prem);
        case Rule::PremiumsWithBand: {
            double paid = premiumsPaid(Mode, Term, Prem);
            if (Mode == "SSS")
                paid = 12.0 * Term * Prem;
            else if (Mode == "Single")
                paid = Prem;
            return paid + bandAddition(kPremiumBands, Term, paid);
        }
        case Rule::SumBandAndHundredths: {
            const double band = bandAddition(kPlan112Bands, Term, sumAssured);
            // 75 hundredths of the sum per year, not 75 per 1000 as in the other plans.
            const double additions = row.rate / 100 * sumAssured * Term;
            return sumAssured + band + additions;
        }
        case Rule::AdditionsOnly:
            return yearlyAdditions(sumAssured, row.rate, Term);
        case Rule::SumPlusAdditions:
            return sumAssured + yearlyAdditions(sumAssured, row.rate, Term);
        case Rule::ShareByPlanText: {
            // The additions are earned on the full sum; only the sum itself is paid in part.
            const double additions = yearlyAdditions(sumAssured, row.rate, Term);
            double paidShare = sumAssured;
            for (const Share& share : row.shares) {
                if (planText == share.planText) {
                    paidShare = share.hundredths / 100 * sumAssured;
                    break;
                }
            }
            return paidShare + additions;
        }
        case Rule::ShareByTerm: {
            const double additions = yearlyAdditions(sumAssured, row.rate, Term);
            const double paidShare = (Term == 15 ? 60.0 / 100 : 40.0 / 100) * sumAssured;
            return paidShare + additions;
        }
        case Rule::Compounding:
            return compoundingValue(sumAssured, Term, row.rate, row.laterRate, row.roundIncrements);
        }
    }
    return 0;
}

} // namespace orrin::calc::plans
