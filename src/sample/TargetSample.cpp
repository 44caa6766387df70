#include "sample/TargetSample.h"

#include "sample/Random.h"
#include "sample/SampleData.h"

#include <string>

namespace orrin::sample {

namespace {

SqlValue optionalText(const std::optional<std::string_view>& text)
{
    return text ? SqlValue(std::string(*text)) : SqlValue(std::monostate{});
}

SqlValue whole(std::int64_t value)
{
    return value;
}

} // namespace

void writePlans(SqlFile& file)
{
    auto plans =
        file.prepareInsert("plans", {"plan", "PlanName", "pflag", "premage", "PremTerm", "Term", "benefit"});
    for (const PlanRow& row : planRows()) {
        plans->insert({whole(row.plan), std::string(row.name), std::string(row.pflag),
                       row.premage ? whole(*row.premage) : SqlValue(std::monostate{}), whole(row.premTerm),
                       optionalText(row.term), optionalText(row.benefit)});
    }
}

void writeBonusTables(SqlFile& file)
{
    auto bonus = file.prepareInsert(
        "NewBonus", {"BonusCat", "YY", "FromTerm", "ToTerm", "FromSA", "ToSA", "BonusAD", "BonusJM"});
    for (const NewBonusRow& row : newBonusRows()) {
        bonus->insert({row.category, whole(row.year), whole(row.fromTerm), whole(row.toTerm), row.fromSA,
                       row.toSA, row.bonusAD, row.bonusJM});
    }
    auto finalBonus = file.prepareInsert("FINALBONUS", {"FromTerm", "ToTerm", "FromSA", "ToSA", "FAB"});
    for (const FinalBonusRow& row : finalBonusRows())
        finalBonus->insert({whole(row.fromTerm), whole(row.toTerm), row.fromSA, row.toSA, row.fab});
}

void writeStaleRows(SqlFile& file, std::uint64_t seed)
{
    Random random(seed ^ 0x57A1E57A1E57A1EULL);
    const std::string surname(random.pick(surnames()));
    const std::string agent = std::string(random.pick(maleNames())) + " " + surname;
    const std::string agentCode = std::to_string(random.between(10000000, 99999999));

    auto login = file.prepareInsert(
        "Login", {"Ag_Code", "Name", "Desig", "Address1", "Address2", "Address3", "Phone", "Pwd"});
    login->insert({agentCode, agent, "None", "4, Sai Krupa", "Tilak Road", "Sadashiv Peth Pune 411030",
                   "020-24471234 98220 11111", "agent"});
    auto times = file.prepareInsert("Times", {"LoginName", "Show_Tip", "Show_Aarti", "AGENT"});
    times->insert({agent, whole(1), whole(1), whole(1)});
    auto agents = file.prepareInsert("AgMast", {"Agency_Cd", "Name", "Address1", "Address2", "Address3",
                                                "Brn", "Ag_Since", "Club", "Ren_Dt", "Licence_No", "aflag"});
    agents->insert({agentCode, agent, "4, Sai Krupa", "Tilak Road", "Sadashiv Peth Pune 411030", "885",
                    "1994-06-01", "None", "2012-05-31", "LIC/PU/1994/04411", "A"});

    auto locations = file.prepareInsert("LocMast", {"Loc_Cd", "Loc_Desc"});
    const char* places[] = {"No Location", "Kothrud", "Deccan"};
    for (int i = 0; i < 3; ++i)
        locations->insert({whole(i + 1), std::string(places[i])});
    auto branches = file.prepareInsert("BrnMast", {"BranchNo", "BrHead", "Division", "Address1", "Address2",
                                                   "Address3", "Address4", "bflag"});
    branches->insert({"885", "V S Joshi", "Pune Division I", "Jeevan Prakash", "University Road",
                      "Shivajinagar Pune 411005", SqlValue(std::monostate{}), "A"});
    auto companies = file.prepareInsert("company", {"pacode", "CompanyName"});
    companies->insert({"LIC", "Life Insurance Corporation of India"});

    auto families =
        file.prepareInsert("Family", {"FamilyCode", "Address1", "Address2", "Address3", "Address4", "PinCode",
                                      "Loc_Cd", "headname", "sex", "fflag"});
    auto clients = file.prepareInsert("Client", {"FamilyCode", "PersCode", "Name", "DOB_R", "sex", "cflag"});
    auto policies = file.prepareInsert("Policies", {"policy_no", "Issue_Dt", "ComplDt", "Plan", "Term", "PPT",
                                                    "Sum", "Payment", "stat_cd", "FamilyCode", "PersCode",
                                                    "Premium", "pflag", "matdt", "PremEndDt"});
    auto sb = file.prepareInsert("SB", {"policy_no", "sb_duedate", "sb_amount", "i_no"});
    for (int f = 1; f <= 3; ++f) {
        const std::string code = "OLD" + std::to_string(f);
        const std::string familyName(random.pick(surnames()));
        const std::string head = std::string(random.pick(maleNames())) + " " + familyName;
        families->insert({code, std::to_string(f) + ", Ganesh Kunj", "Karve Road", "Erandwane", "Pune",
                          "411004", whole(2), head, "M", "A"});
        clients->insert({code, whole(1), head, "1960-01-15", "M", "A"});
        clients->insert({code, whole(2), std::string(random.pick(femaleNames())) + " " + familyName,
                         "1964-08-02", "F", "A"});
        const std::string policyNo = std::to_string(650000000 + random.between(0, 9999999));
        policies->insert({policyNo, "1999-03-28", "1999-03-28", "75", "20", "20", 50000.0, "Y", "N", code,
                          whole(1), 2890.0, "A", "2019-03-28", "2019-03-28"});
        for (int k = 1; k <= 3; ++k) {
            sb->insert({policyNo, std::to_string(1999 + 5 * k) + "-03-28", 10000.0, whole(k)});
        }
    }
}

} // namespace orrin::sample
