#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The fixed material of the sample writer: the insurer's plans, its bonus declarations, and the
// names and places a North- or West-Indian agency's clients have. Everything here is data; the
// writer (SampleWriter) only draws from it.
namespace orrin::sample {

// One row of the target's plans table.
struct PlanRow {
    std::int32_t plan = 0;
    std::string_view name;
    std::string_view pflag;                  // "A" for a live plan, "D" for a withdrawn row
    std::optional<std::int16_t> premage;     // premium ceasing age; empty for Null
    std::int16_t premTerm = 0;               // the plan's own premium term in years
    std::optional<std::string_view> term;    // instalment years, two digits each; empty for Null
    std::optional<std::string_view> benefit; // instalment percentages, two digits each
};

// How an agent sells a plan: how often, for which policy terms, and for how long premiums run.
struct PlanSale {
    std::int32_t plan = 0;
    int weight = 1; // relative frequency among the agent's policies
    int minTerm = 10;
    int maxTerm = 35;
    std::array<int, 3> fixedTerms{}; // when not all 0, the only terms sold
    int premiumYearsShort = 0;       // premiums stop this many years before the term ends
};

// The plans table: one live row for every plan number the calculations know, plus a few withdrawn
// ("D") rows, some of them ahead of the live row of the same plan.
std::span<const PlanRow> planRows();
// How each plan is sold: every live plan, and the withdrawn plan 27 on a few old policies.
std::span<const PlanSale> planSales();
// A plan number the plans table does not hold (a policy on it finds no plan row).
inline constexpr std::int32_t kUnknownPlan = 999;
// A plan that only has a withdrawn row.
inline constexpr std::int32_t kWithdrawnPlan = 27;

// The bonus categories of the maturity calculation, in a fixed order.
std::span<const std::string_view> bonusCategories();

struct NewBonusRow {
    std::string category;
    std::int16_t year = 0;
    std::int16_t fromTerm = 0;
    std::int16_t toTerm = 0;
    double fromSA = 0;
    double toSA = 0;
    double bonusAD = 0; // starts April to December
    double bonusJM = 0; // starts January to March
};
inline constexpr int kFirstBonusYear = 1980;
inline constexpr int kLastBonusYear = 2015;
// Every category, every year from kFirstBonusYear to kLastBonusYear, every term and sum band. Rates
// lie between 30 and 70 per 1000 a year; in the last year some categories have declared only their
// January-to-March rate (BonusAD 0).
std::vector<NewBonusRow> newBonusRows();

struct FinalBonusRow {
    std::int16_t fromTerm = 0;
    std::int16_t toTerm = 0;
    double fromSA = 0;
    double toSA = 0;
    double fab = 0; // per 1000 of sum assured
};
// Final bonus bands; none below a term of 15 years.
std::vector<FinalBonusRow> finalBonusRows();

// Names and places.
std::span<const std::string_view> maleNames();
std::span<const std::string_view> femaleNames();
std::span<const std::string_view> surnames();
std::span<const std::string_view> quotedSurnames(); // D'Souza and the like
std::span<const std::string_view> buildingNames();
std::span<const std::string_view> streets();
std::span<const std::string_view> localities();

struct City {
    std::string_view name;
    int pinPrefix; // first three digits of its PIN codes
    std::string_view stdCode;
};
std::span<const City> cities();

struct Company {
    std::string_view code;
    std::string_view name;
};
std::span<const Company> companies();
std::span<const std::string_view> divisions();
// Long address lines (more than 25 characters, at most 80).
std::span<const std::string_view> longAddressLines();

} // namespace orrin::sample
