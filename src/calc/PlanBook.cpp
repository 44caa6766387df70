// The rule book of the plans: one entry per plan, in plan order, saying everything the maturity
// value, the maturity amount and the survival-benefit schedule ask of that plan.

#include "calc/PlanBook.h"

#include "value/Conversions.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orrin::calc {

namespace {

using C = Category;
using R = MaturityRule;

struct CategoryRow {
    Category category;
    std::string_view code;
    int ageLimit; // years to maturity counted from the entry age; 0: the policy's term
    std::optional<double> paidShare;
};

constexpr std::array<CategoryRow, 8> kCategories{{
    {C::WL, "WL", 80, std::nullopt},
    {C::EN, "EN", 0, std::nullopt},
    {C::JMJS, "JMJS", 0, std::nullopt},
    {C::MB, "MB", 0, 40},
    {C::JS, "JS", 0, 0},
    {C::JDJS, "JDJS", 0, std::nullopt},
    {C::JA, "JA", 0, std::nullopt},
    {C::JR, "JR", 100, std::nullopt},
}};

const CategoryRow* categoryRow(Category category)
{
    for (const CategoryRow& row : kCategories) {
        if (row.category == category)
            return &row;
    }
    return nullptr;
}

// A term band: from..to years (inclusive) adds hundredths / 100 of its base.
struct Band {
    std::int32_t from;
    std::int32_t to;
    double hundredths;
};

// Plans paying premiums with a band add a share of the premiums paid by term band.
constexpr std::array<Band, 4> kPremiumBands{{{15, 19, 25}, {20, 24, 35}, {25, 29, 45}, {30, 30, 55}}};
// Plan 112 adds a share of the sum assured by term band.
constexpr std::array<Band, 5> kSumBands{
    {{5, 9, 5}, {10, 14, 12.5}, {15, 19, 25}, {20, 24, 40}, {25, 25, 75}}};

template <std::size_t N> double bandAddition(const std::array<Band, N>& bands, std::int32_t Term, double base)
{
    for (const Band& band : bands) {
        if (Term >= band.from && Term <= band.to)
            return base * band.hundredths / 100;
    }
    return 0;
}

// Yearly additions at rate per 1000 of the sum for every year of the term.
double yearlyAdditions(double sumAssured, double rate, std::int32_t Term)
{
    return sumAssured / 1000 * rate * Term;
}

const std::vector<TermRate> kMoneyBackFinalBonus{{20, 20}, {25, 35}};

// One entry per plan. Only the fields a plan needs are named; the rest keep their defaults.
std::vector<PlanEntry> standardEntries()
{
    return {
        {.plan = 2, .category = C::WL, .finalBonus = true},
        {.plan = 3, .rule = R::SumAssured},
        {.plan = 5, .category = C::WL, .finalBonus = true},
        {.plan = 7, .rule = R::SumAssured},
        {.plan = 8, .category = C::WL, .finalBonus = true},
        {.plan = 11, .rule = R::SumAssured},
        {.plan = 14, .category = C::EN, .finalBonus = true},
        {.plan = 18, .rule = R::TwiceSumAssured},
        {.plan = 27, .category = C::WL},
        {.plan = 41, .category = C::EN, .finalBonus = true},
        {.plan = 47, .rule = R::SumAssured},
        {.plan = 48, .category = C::JMJS, .finalBonus = true},
        {.plan = 50, .category = C::EN},
        {.plan = 73, .category = C::MB, .paidShare = 60},
        {.plan = 74, .category = C::MB, .paidShare = 50},
        {.plan = 75, .category = C::MB, .fixedFinalBonus = kMoneyBackFinalBonus},
        {.plan = 76, .category = C::MB, .fixedFinalBonus = kMoneyBackFinalBonus},
        {.plan = 88, .category = C::JMJS, .finalBonus = true},
        {.plan = 89, .category = C::JMJS, .finalBonus = true},
        {.plan = 90, .category = C::EN, .finalBonus = true},
        {.plan = 91, .category = C::EN, .finalBonus = true},
        {.plan = 93, .category = C::MB, .fixedFinalBonus = kMoneyBackFinalBonus},
        {.plan = 94, .rule = R::PremiumsReturned},
        {.plan = 95, .category = C::EN, .finalBonus = true},
        {.plan = 101, .category = C::EN, .finalBonus = true},
        {.plan = 102, .category = C::EN, .finalBonus = true},
        {.plan = 103,
         .category = C::EN,
         .paidShare = 25,
         .finalBonus = true,
         .builtIn = BuiltInSchedule::FourFromMaturity},
        {.plan = 104, .rule = R::SumAssured},
        {.plan = 105, .rule = R::SumAssured},
        {.plan = 106, .category = C::JS},
        {.plan = 107, .category = C::JS},
        {.plan = 108, .category = C::JS},
        {.plan = 109, .category = C::EN},
        {.plan = 110, .category = C::EN},
        {.plan = 111, .rule = R::PremiumsWithBand},
        {.plan = 112, .rule = R::SumBandAndHundredths, .rate = 75},
        {.plan = 113, .rule = R::AdditionsOnly, .rate = 80, .dueFromEntryAge = true},
        {.plan = 114, .rule = R::SumPlusAdditions, .rate = 100},
        {.plan = 121, .category = C::EN, .finalBonus = true},
        {.plan = 123, .rule = R::ShareOfSum, .rate = 70, .paidShare = 60},
        {.plan = 124, .rule = R::ShareOfSum, .rate = 70, .paidShare = 50},
        {.plan = 125, .rule = R::ShareOfSum, .rate = 70, .paidShare = 40},
        {.plan = 126, .rule = R::ShareOfSum, .rate = 70, .paidShare = 40},
        {.plan = 128, .rule = R::ShareOfSum, .rate = 70, .paidShare = 40},
        {.plan = 131, .rule = R::ShareOfSum, .rate = 70},
        {.plan = 132, .rule = R::Compounding, .rate = 85, .laterRate = 85},
        {.plan = 133, .category = C::JMJS, .finalBonus = true},
        {.plan = 135, .category = C::EN},
        {.plan = 136, .rule = R::SumPlusAdditions, .rate = 60},
        {.plan = 137, .category = C::EN},
        {.plan = 141, .rule = R::Compounding, .rate = 75, .laterRate = 80, .roundIncrements = true},
        {.plan = 142, .rule = R::Compounding, .rate = 60, .laterRate = 65, .roundIncrements = true},
        {.plan = 143, .rule = R::Compounding, .rate = 60, .laterRate = 60, .roundIncrements = true},
        {.plan = 147, .category = C::JDJS},
        {.plan = 148, .category = C::JDJS},
        {.plan = 149, .category = C::JA},
        {.plan = 150, .rule = R::PremiumsWithBand},
        {.plan = 151, .rule = R::SumPlusAdditions, .rate = 70},
        {.plan = 152,
         .category = C::JR,
         .maturesOnPremiumTerm = true,
         .builtIn = BuiltInSchedule::EveryFifthYear},
        {.plan = 154, .rule = R::ShareOfSum, .rate = 65, .paidShare = 60},
        {.plan = 155, .rule = R::ShareOfSum, .rate = 65, .paidShare = 50},
        {.plan = 156, .rule = R::ShareOfSum, .rate = 65, .paidShare = 40},
        {.plan = 157, .rule = R::ShareOfSum, .rate = 65, .paidShare = 40},
        {.plan = 158, .rule = R::Compounding, .rate = 60, .laterRate = 60, .roundIncrements = true},
        {.plan = 159, .rule = R::AdditionsOnly, .rate = 75, .dueFromEntryAge = true},
        {.plan = 160,
         .rule = R::ShareOfSum,
         .rate = 50,
         .termShare = TermShare{15, 60, 40},
         .stops = {{15, 15}}},
        {.plan = 162, .rule = R::SumPlusAdditions, .rate = 50},
        {.plan = 166, .rule = R::Compounding, .rate = 40, .laterRate = 45, .roundIncrements = true},
        {.plan = 174, .stops = {{12, 12}, {16, 16}}, .amounts = {{20, 0, 10}}},
        {.plan = 175, .stops = {{9, 9}, {12, 12}}},
        {.plan = 179, .stops = {{12, 12}, {16, 16}}, .amounts = {{20, 0, 10}}},
        {.plan = 192, .stops = {{15, 15}}},
        {.plan = 196, .stops = {{9, 9}}, .amounts = {{9, 3, 15}, {9, 0, 25}}},
    };
}

} // namespace

const PlanBook& PlanBook::standard()
{
    static const PlanBook book(standardEntries());
    return book;
}

PlanBook::PlanBook(std::vector<PlanEntry> entries) : m_entries(std::move(entries))
{
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [](const PlanEntry& a, const PlanEntry& b) { return a.plan < b.plan; });
    for (PlanEntry& entry : m_entries) {
        entry.text = std::to_string(entry.plan);
        if (m_firstWithAmounts == nullptr && !entry.amounts.empty())
            m_firstWithAmounts = &entry;
    }
}

const PlanEntry* PlanBook::byNumber(double planValue) const
{
    if (!std::isfinite(planValue) || std::nearbyint(planValue) != planValue)
        return nullptr;
    const auto found =
        std::lower_bound(m_entries.begin(), m_entries.end(), planValue,
                         [](const PlanEntry& entry, double value) { return entry.plan < value; });
    return found != m_entries.end() && found->plan == planValue ? &*found : nullptr;
}

// A plan written as its number has only digits, no sign, no leading zero, so the number decides
// which entry could be meant and the text must then be exactly that entry's.
const PlanEntry* PlanBook::byText(std::string_view text) const
{
    if (text.empty() || text.size() > 9 || text.front() == '0')
        return nullptr;
    int number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return nullptr;
        number = number * 10 + (c - '0');
    }
    return byNumber(number);
}

const PlanEntry* PlanBook::matching(const Variant& plan) const
{
    if (plan.isText())
        return byText(plan.text());
    if (plan.isNull() || plan.isEmpty())
        return nullptr;
    for (const PlanEntry& entry : m_entries) {
        if (equals(plan, Variant(entry.text)))
            return &entry;
    }
    return nullptr;
}

std::string_view categoryCode(Category category)
{
    const CategoryRow* row = categoryRow(category);
    return row != nullptr ? row->code : std::string_view();
}

int categoryAgeLimit(Category category)
{
    const CategoryRow* row = categoryRow(category);
    return row != nullptr ? row->ageLimit : 0;
}

std::optional<double> categoryPaidShare(Category category)
{
    const CategoryRow* row = categoryRow(category);
    return row != nullptr ? row->paidShare : std::nullopt;
}

double shareOf(double hundredths, double sum)
{
    if (hundredths == 0)
        return 0;
    return hundredths / 100 * sum;
}

double premiumsPaid(PaymentMode Mode, std::int32_t Term, double Prem)
{
    switch (Mode) {
    case PaymentMode::Yearly:
        return Term * Prem;
    case PaymentMode::HalfYearly:
        return 2 * Prem * Term;
    case PaymentMode::Quarterly:
        return 4 * Prem * Term;
    case PaymentMode::Monthly:
        return 12 * Prem * Term;
    case PaymentMode::Single:
    case PaymentMode::SSS:
    case PaymentMode::Other:
        break;
    }
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

double maturityByRule(const PlanEntry* entry, const std::string& planText, std::int32_t Term,
                      double sumAssured, double Prem, PaymentMode Mode)
{
    if (entry == nullptr)
        return 0;
    switch (entry->rule) {
    case R::None:
        return 0;
    case R::SumAssured:
        return sumAssured;
    case R::TwiceSumAssured:
        return 2 * sumAssured;
    case R::PremiumsReturned:
        return premiumsPaid(Mode, Term, Prem);
    case R::PremiumsWithBand: {
        double paid = premiumsPaid(Mode, Term, Prem);
        if (Mode == PaymentMode::SSS)
            paid = 12.0 * Term * Prem;
        else if (Mode == PaymentMode::Single)
            paid = Prem;
        return paid + bandAddition(kPremiumBands, Term, paid);
    }
    case R::SumBandAndHundredths: {
        const double band = bandAddition(kSumBands, Term, sumAssured);
        // Hundredths of the sum per year, not per 1000 as in the other plans.
        const double additions = entry->rate / 100 * sumAssured * Term;
        return sumAssured + band + additions;
    }
    case R::AdditionsOnly:
        return yearlyAdditions(sumAssured, entry->rate, Term);
    case R::SumPlusAdditions:
        return sumAssured + yearlyAdditions(sumAssured, entry->rate, Term);
    case R::ShareOfSum: {
        // The additions are earned on the full sum; only the sum itself is paid in part.
        const double additions = yearlyAdditions(sumAssured, entry->rate, Term);
        double paidShare = sumAssured;
        if (entry->termShare)
            paidShare = (Term == entry->termShare->term ? entry->termShare->atTerm / 100
                                                        : entry->termShare->otherwise / 100) *
                        sumAssured;
        else if (entry->paidShare && planText == entry->text)
            paidShare = *entry->paidShare / 100 * sumAssured;
        return paidShare + additions;
    }
    case R::Compounding:
        return compoundingValue(sumAssured, Term, entry->rate, entry->laterRate, entry->roundIncrements);
    }
    return 0;
}

} // namespace orrin::calc
