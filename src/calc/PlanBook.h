#pragma once

#include "calc/PaymentMode.h"
#include "value/Variant.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::calc {

// The bonus category of a plan: plans with one earn the bonuses declared for it; plans without one
// are paid by their own maturity rule.
enum class Category { None, WL, EN, JMJS, MB, JS, JDJS, JA, JR };

// How a plan without a bonus category pays at maturity.
enum class MaturityRule {
    None,                 // nothing (0)
    SumAssured,           // the sum assured
    TwiceSumAssured,      // 2 x the sum assured
    PremiumsReturned,     // the premiums paid; Single and SSS pay nothing
    PremiumsWithBand,     // the premiums paid plus a share of them by term band
    SumBandAndHundredths, // sum + term-band share of the sum + rate hundredths of the sum per year
    AdditionsOnly,        // the yearly additions alone
    SumPlusAdditions,     // the sum assured + the yearly additions
    ShareOfSum,           // the paid share of the sum + the yearly additions
    Compounding,          // the sum with compounding additions
};

// Which survival-benefit schedule a plan has when its plans row holds no instalment text.
enum class BuiltInSchedule {
    None,             // no instalments
    FourFromMaturity, // a quarter of the sum in each of the last four years of the term
    EveryFifthYear,   // a tenth of the sum every fifth year up to age 100
};

// An instalment of this year on a policy of this term is never paid: the schedule ends before it.
struct StopYear {
    double term;
    int year;
};

// The instalments of a policy of this term are this share of the sum instead of the plan's own
// percentages; year 0 means every year not named by an earlier override of the same term.
struct AmountOverride {
    double term;
    int year;
    double hundredths;
};

// A maturity bonus fixed per 1000 of the sum for a policy of this term.
struct TermRate {
    std::int32_t term;
    double perMille;
};

// The paid share of the sum chosen by the policy's term (instead of by the plan as written).
struct TermShare {
    std::int32_t term;
    double atTerm;    // hundredths for a policy of that term
    double otherwise; // hundredths for any other term
};

// Everything the calculations ask of one plan. Properties marked "as written" apply only when the
// policy's plan is written exactly as the plan's number ("014" is plan 14 for its category and rule,
// but not as written); the others follow the plan's leading number.
struct PlanEntry {
    int plan = 0;
    Category category = Category::None;
    // Plans without a category: the rule, its rate per 1000 of the sum a year (years 1 to 5 when
    // compounding), the compounding rate from year 6 and whether compounding rounds its increments.
    MaturityRule rule = MaturityRule::None;
    double rate = 0;
    double laterRate = 0;
    bool roundIncrements = false;
    // As written: the hundredths of the sum paid at maturity (unset: the category's, or the whole).
    std::optional<double> paidShare = std::nullopt;
    std::optional<TermShare> termShare = std::nullopt;
    // As written: the maturity term is the premium-paying term (PPT) instead of the term.
    bool maturesOnPremiumTerm = false;
    // As written: the final bonus from FINALBONUS for a term of 15 years or more.
    bool finalBonus = false;
    // As written: a final bonus fixed by term.
    std::vector<TermRate> fixedFinalBonus = {};
    // As written: instalments fall due from the entry age (and no stop year applies).
    bool dueFromEntryAge = false;
    // As written, for the survival-benefit schedule.
    BuiltInSchedule builtIn = BuiltInSchedule::None;
    std::vector<StopYear> stops = {};
    std::vector<AmountOverride> amounts = {};

    std::string text = {}; // the plan as written: its number in digits (set by the book)
};

// The rule book of the plans: one entry per plan that has a rule of any kind. Changing what a plan
// does is changing its entry.
class PlanBook {
  public:
    // The book of the program (built once).
    static const PlanBook& standard();

    explicit PlanBook(std::vector<PlanEntry> entries);

    // The entry of a plan by its leading number (planValue as Val reads the plan); nullptr when the
    // number is no plan of the book.
    const PlanEntry* byNumber(double planValue) const;
    // The entry whose plan is written exactly as text; nullptr for any other text.
    const PlanEntry* byText(std::string_view text) const;
    // The entry whose plan equals the value by the program's comparison (Plan = "152"): text exactly,
    // a number numerically; Null and Empty match nothing. Throws what the comparison throws.
    const PlanEntry* matching(const Variant& plan) const;

    // The first amount override of the book's entries in plan order, with its plan; nullptr when no
    // plan has one.
    const PlanEntry* firstWithAmounts() const { return m_firstWithAmounts; }

    const std::vector<PlanEntry>& entries() const { return m_entries; }

  private:
    std::vector<PlanEntry> m_entries; // in plan order
    const PlanEntry* m_firstWithAmounts = nullptr;
};

// The code the bonus tables use for a category: "WL", "EN", ... ("" for None).
std::string_view categoryCode(Category category);
// Years to maturity for a category counted from the entry age (80 for WL, 100 for JR), or 0 when the
// policy's term counts.
int categoryAgeLimit(Category category);
// The hundredths of the sum a category pays at maturity when the plan as written names no share of
// its own (unset: the whole sum).
std::optional<double> categoryPaidShare(Category category);

// The share of the sum that hundredths names: hundredths / 100 of it, formed in that order; none at
// all for 0.
double shareOf(double hundredths, double sum);

// The maturity value of a plan without a bonus category by its rule: a multiple of the sum, the
// premiums paid (by payment mode), or the sum with yearly or compounding additions. entry may be
// nullptr (no rule: 0); planText decides the shares "as written". Pure arithmetic in the order the
// rules are written; never fails.
double maturityByRule(const PlanEntry* entry, const std::string& planText, std::int32_t Term,
                      double sumAssured, double Prem, PaymentMode Mode);

// The premiums paid over the term: Yearly Term x Prem, HalfYearly 2 x Prem x Term, Quarterly
// 4 x Prem x Term, Monthly 12 x Prem x Term; any other mode 0.
double premiumsPaid(PaymentMode Mode, std::int32_t Term, double Prem);

// The sum plus additions that compound yearly: each year adds running sum / 1000 x the year's rate
// (firstRate in years 1 to 5, laterRate from year 6); the additions collect the exact increments
// while the running sum grows by the increment rounded half to even (or unrounded). A term of 0 or
// less gives the sum.
double compoundingValue(double sumAssured, std::int32_t Term, double firstRate, double laterRate,
                        bool roundIncrements);

} // namespace orrin::calc
