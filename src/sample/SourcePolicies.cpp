#include "sample/SourceSample.h"

#include "sample/SampleData.h"

#include <algorithm>
#include <cmath>

// The policies of the source sample: the biggest table, drawn policy by policy from the families.
namespace orrin::sample {

namespace {

constexpr unsigned kCode = Dirt::Lower | Dirt::Empty | Dirt::Null | Dirt::Blank;
constexpr unsigned kName = Dirt::Quote;
constexpr int kLastYear = 2015; // no policy starts later
constexpr int kFirstPolicyYear = 1985;

SqlValue whole(std::int64_t value)
{
    return value;
}

} // namespace

void SourceSample::writePolicies(SqlFile& file)
{
    auto policies = file.prepareInsert(
        "Policies", {"PolicyNo", "ComDate",    "Plan",     "Term",    "PremTerm",   "Sum",       "Payment",
                     "BranchNo", "MEDICAL",    "AgencyCd", "FUPDate", "PremWaiver", "TermRider", "Nominee",
                     "Relation", "APPOINTEE",  "TRUSTEE",  "Age",     "DAB",        "LOAN",      "LOANDATE",
                     "Status",   "FamilyCode", "PersCode", "Premium"});

    const auto sales = planSales();
    std::vector<int> planWeights;
    for (const PlanSale& sale : sales)
        planWeights.push_back(sale.weight);
    static constexpr double kSums[] = {10000,  15000,  20000,  25000,  30000,  50000,  75000,
                                       100000, 150000, 200000, 250000, 300000, 500000, 1000000};
    static constexpr int kSumWeights[] = {6, 4, 6, 10, 4, 14, 6, 12, 5, 7, 4, 4, 4, 2};
    static constexpr const char* kModes[] = {"Y", "H", "Q", "M", "S", "O"};
    static constexpr int kModeWeights[] = {30, 20, 20, 12, 12, 6};
    static constexpr int kModeMonths[] = {12, 6, 3, 1, 1, 0};
    static constexpr const char* kStatuses[] = {"I", "R", "D", "F", "L", "M", "S", "P"};
    static constexpr int kStatusWeights[] = {68, 8, 5, 5, 7, 3, 2, 2};

    const std::int64_t total = m_options.policies;
    const std::int64_t step = std::max<std::int64_t>(1, total / 20);
    // Policy numbers: distinct nine-digit numbers in a scattered order.
    const auto numberOffset = m_random.between(0, 199999999);
    for (std::int64_t i = 0; i < total; ++i) {
        // Every family holds at least one policy; the rest go to families at random.
        const auto familyIndex = i < static_cast<std::int64_t>(m_families.size())
                                     ? i
                                     : m_random.between(0, static_cast<std::int64_t>(m_families.size()) - 1);
        const FamilyInfo& family = m_families[static_cast<std::size_t>(familyIndex)];
        const PlanSale& sale = sales[m_random.weighted(planWeights)];

        // Children's plans are taken on a child when the family has one; others on an adult.
        const bool childPlan =
            sale.plan == 102 || sale.plan == 103 || sale.plan == 113 || sale.plan == 159 || sale.plan == 160;
        std::vector<const Person*> candidates;
        for (const Person& person : family.members) {
            if (person.adult != childPlan && person.birth.year < kLastYear)
                candidates.push_back(&person);
        }
        if (candidates.empty())
            candidates.push_back(&family.members[0]);
        const Person& holder = *candidates[static_cast<std::size_t>(
            m_random.between(0, static_cast<std::int64_t>(candidates.size()) - 1))];

        const int firstYear = std::max(kFirstPolicyYear, holder.birth.year + (holder.adult ? 18 : 0) + 1);
        const int lastYear = std::min(kLastYear, holder.birth.year + 60);
        const CivilDate start =
            randomDate(std::min(firstYear, kLastYear), std::max(std::min(firstYear, kLastYear), lastYear));
        int age = start.year - holder.birth.year;
        if (start.month < holder.birth.month ||
            (start.month == holder.birth.month && start.day < holder.birth.day))
            --age;
        age = std::max(age, 0);

        int term = 0;
        int fixedCount = 0;
        for (const int t : sale.fixedTerms)
            fixedCount += t != 0 ? 1 : 0;
        if (fixedCount > 0)
            term = sale.fixedTerms[static_cast<std::size_t>(m_random.between(0, fixedCount - 1))];
        else
            term = static_cast<int>(m_random.between(sale.minTerm, sale.maxTerm));
        const int premiumTerm = std::max(5, term - sale.premiumYearsShort);

        const double sum = kSums[m_random.weighted(kSumWeights)];
        const bool singlePlan = sale.plan == 104 || sale.plan == 157;
        const std::size_t mode = singlePlan ? 5 : m_random.weighted(kModeWeights);
        const double yearly = sum * (1.0 / term + 0.012 + 0.0003 * age);
        static constexpr double kModeShare[] = {1.0, 0.51, 0.26, 0.0875, 0.085, 0.0};
        const double premium = mode == 5 ? std::round(sum * 0.55) : std::round(yearly * kModeShare[mode]);

        const bool matured = start.year + term <= kLastYear;
        const char* status =
            matured && m_random.chance(0.7) ? "M" : kStatuses[m_random.weighted(kStatusWeights)];
        // The first unpaid premium: the next due date after the last paid one.
        CivilDate fup = start;
        if (kModeMonths[mode] > 0) {
            const int paidYears = std::string_view(status) == "I"
                                      ? std::min(premiumTerm, kLastYear + 1 - start.year)
                                      : static_cast<int>(m_random.between(0, premiumTerm));
            int months = start.month - 1 + paidYears * 12;
            if (std::string_view(status) == "I" && kModeMonths[mode] < 12)
                months +=
                    kModeMonths[mode] * static_cast<int>(m_random.between(0, 12 / kModeMonths[mode] - 1));
            fup.year = start.year + months / 12;
            fup.month = months % 12 + 1;
            fup.day = std::min(start.day, daysInMonth(fup.year, fup.month));
        }

        // The nominee: the spouse when there is one, else another member of the family.
        const Person* nominee = nullptr;
        for (const Person& person : family.members) {
            if (&person != &holder && (nominee == nullptr || (person.adult && !nominee->adult)))
                nominee = &person;
        }
        const bool spouseNominee =
            family.married && nominee != nullptr && nominee->persCode <= 2 && holder.persCode <= 2;
        const char* relation = spouseNominee        ? (holder.sex == 'M' ? "Wife" : "Husband")
                               : nominee == nullptr ? "Self"
                               : !holder.adult      ? (nominee->sex == 'M' ? "Father" : "Mother")
                                                    : (nominee->sex == 'M' ? "Son" : "Daughter");
        const std::string nomineeName = nominee ? nominee->name : holder.name;
        const bool minorNominee = nominee != nullptr && !nominee->adult;
        const std::string appointee =
            minorNominee ? family.members[holder.persCode == 1 ? 1 % family.members.size() : 0].name
                         : std::string();
        const bool hasLoan = !matured && start.year <= kLastYear - 3 && m_random.chance(0.15);
        const double loan =
            hasLoan ? std::round(sum * static_cast<double>(m_random.between(5, 40)) / 100.0) : 0.0;
        const CivilDate loanDate = hasLoan ? randomDate(start.year + 3, kLastYear) : CivilDate{};
        const auto agentRoll = m_random.between(0, 99);
        const std::string& agent =
            agentRoll < 95 || m_otherAgents.empty()
                ? m_agentCode
                : m_otherAgents[static_cast<std::size_t>(agentRoll) % m_otherAgents.size()];
        const std::string& branch = m_branches[static_cast<std::size_t>(
            m_random.between(0, static_cast<std::int64_t>(m_branches.size()) - 1))];
        const std::string medical = m_random.chance(0.25) ? "Y" : "N";
        const std::string waiver = childPlan ? "Y" : "N";
        const std::string rider = m_random.chance(0.15) ? "Y" : "N";
        const std::string accident = m_random.chance(0.6) ? "Y" : "N";
        const bool trustee = m_random.chance(0.03);
        const std::string quotedNominee =
            nomineeName.substr(0, nomineeName.find(' ')) + " " + std::string(m_random.pick(quotedSurnames()));
        const std::string policyNo = std::to_string(700000000 + (i * 104729 + numberOffset) % 200000000);

        policies->insert({
            m_dirt.text(policyNo, Dirt::Quote),
            m_dirt.orNull(dateText(start)),
            m_dirt.plan(sale.plan),
            m_dirt.text(std::to_string(term), Dirt::Null | Dirt::Empty | Dirt::Blank),
            m_dirt.text(std::to_string(premiumTerm), Dirt::Null | Dirt::Empty),
            m_dirt.orNull(sum),
            m_dirt.text(kModes[mode], kCode),
            m_dirt.text(branch, Dirt::Lower | Dirt::Empty),
            m_dirt.text(medical, kCode),
            agent,
            m_dirt.orNull(dateText(fup)),
            waiver,
            rider,
            m_dirt.text(nomineeName, kName | Dirt::Empty | Dirt::Null, quotedNominee),
            m_dirt.text(relation, Dirt::Empty),
            minorNominee ? SqlValue(appointee) : SqlValue(std::monostate{}),
            trustee ? SqlValue(family.members[0].name) : SqlValue(std::monostate{}),
            m_dirt.orNull(whole(age)),
            accident,
            hasLoan ? SqlValue(loan) : SqlValue(0.0),
            hasLoan ? SqlValue(dateText(loanDate)) : SqlValue(std::monostate{}),
            m_dirt.text(status, kCode),
            family.code,
            m_dirt.orNull(whole(holder.persCode)),
            m_dirt.orNull(premium),
        });
        ++m_counts.policies;
        if (m_progress && ((i + 1) % step == 0 || i + 1 == total))
            m_progress("policies", i + 1, total);
    }
}

} // namespace orrin::sample
