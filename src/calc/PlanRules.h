#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orrin::calc::plans {

// The bonus category of a plan, chosen by the plan's leading number ("014" is plan 14). Plans
// without one are paid by their own plan rule (maturityByPlanRule).
enum class Category { None, WL, EN, JMJS, MB, JS, JDJS, JA, JR };

Category categoryOf(double planValue);
// The code the bonus tables use: "WL", "EN", ... ("" for None).
std::string_view categoryCode(Category category);

// The maturity value of a plan without a bonus category: a multiple of the sum assured, the premiums
// paid (by payment mode), or the sum assured with yearly or compounding additions, by the plan's
// rule. The plan value picks the rule; the paid-share rows go by the plan text. 0 for a plan that
// no rule knows. Pure arithmetic, in the order the rules are written; never fails.
double maturityByPlanRule(double planValue, const std::string& planText, std::int32_t Term, double sumAssured,
                          double Prem, const std::string& Mode);

// The premiums paid over the term: Yearly Term x Prem, HalfYearly 2 x Prem x Term, Quarterly
// 4 x Prem x Term, Monthly 12 x Prem x Term; any other mode 0.
double premiumsPaid(const std::string& Mode, std::int32_t Term, double Prem);

// The sum assured plus additions that compound yearly: each year adds running sum / 1000 x the
// year's rate (firstRate in years 1 to 5, laterRate from year 6); the additions collect the exact
// increments while the running sum grows by the increment rounded half to even (or unrounded when
// roundIncrements is false). A term of 0 or less gives the sum assured.
double compoundingValue(double sumAssured, std::int32_t Term, double firstRate, double laterRate,
                        bool roundIncrements);

} // namespace orrin::calc::plans
