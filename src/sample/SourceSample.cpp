#include "sample/SourceSample.h"

#include "jet/base/Text.h"
#include "sample/SampleData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace orrin::sample {

namespace {

constexpr unsigned kAddress = Dirt::Empty | Dirt::Null | Dirt::Blank | Dirt::Long;
constexpr unsigned kPhone = Dirt::Empty | Dirt::Null | Dirt::Blank;
constexpr unsigned kCode = Dirt::Lower | Dirt::Empty | Dirt::Null | Dirt::Blank;
constexpr unsigned kName = Dirt::Quote;

// The year the sample's data was last worked on: no policy starts later.
constexpr int kLastYear = 2015;

std::string padded(std::int64_t value, int width)
{
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return text;
}

SqlValue whole(std::int64_t value)
{
    return value;
}

} // namespace

int daysInMonth(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

std::string dateText(const CivilDate& date)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date.year, date.month, date.day);
    return buffer;
}

SourceSample::SourceSample(const SampleOptions& options, const SampleWriter::Progress& progress)
    : m_options(options), m_progress(progress), m_random(options.seed),
      m_dirt(options.seed, options.dirtyRate)
{
}

SampleCounts SourceSample::write(SqlFile& file)
{
    file.begin();
    writeAgents(file);
    writeMasters(file);
    writeFamilies(file);
    writePolicies(file);
    file.commit();
    m_counts.dirtyCandidates = m_dirt.candidates();
    m_counts.dirtyValues = m_dirt.dirtied();
    return m_counts;
}

CivilDate SourceSample::randomDate(int fromYear, int toYear)
{
    CivilDate date;
    date.year = static_cast<int>(m_random.between(fromYear, toYear));
    date.month = static_cast<int>(m_random.between(1, 12));
    date.day = static_cast<int>(m_random.between(1, daysInMonth(date.year, date.month)));
    return date;
}

std::string SourceSample::personName(char sex, const std::string& surname)
{
    const auto first = sex == 'F' ? m_random.pick(femaleNames()) : m_random.pick(maleNames());
    return std::string(first) + " " + surname;
}

std::string SourceSample::telephone()
{
    const City& city = m_random.pick(cities());
    const bool metro = city.stdCode.size() == 3;
    const auto number = metro ? m_random.between(20000000, 29999999) : m_random.between(200000, 299999);
    return std::string(city.stdCode) + "-" + std::to_string(number);
}

std::string SourceSample::mobile()
{
    const auto head = m_random.between(70000, 99999);
    return std::to_string(head) + " " + padded(m_random.between(0, 99999), 5);
}

void SourceSample::writeAgents(SqlFile& file)
{
    auto agents = file.prepareInsert("Agmast", {"AgencyCd", "Name", "Address1", "Address2", "Address3",
                                                "Address4", "TelNo1", "TelNo2", "BranchNo", "AgentSince",
                                                "RenDate", "LicenceNo", "Email"});
    // The agent first, then two colleagues whose codes turn up on a few policies.
    const int count = 3;
    for (int i = 0; i < count; ++i) {
        const std::string code = padded(m_random.between(1000000, 9999999), 8);
        if (i == 0)
            m_agentCode = code;
        else
            m_otherAgents.push_back(code);
        const char sex = m_random.chance(0.7) ? 'M' : 'F';
        const std::string surname(m_random.pick(surnames()));
        const std::string name = personName(sex, surname);
        const City& city = m_random.pick(cities());
        const CivilDate since = randomDate(1978, 2000);
        const CivilDate renewal = randomDate(2016, 2018);
        // One draw per expression: the order in which a call's arguments are evaluated is not fixed,
        // and the same seed must give the same rows with every compiler.
        const auto house = m_random.between(1, 60);
        const std::string address1 =
            std::to_string(house) + ", " + std::string(m_random.pick(buildingNames()));
        std::string email = name;
        std::replace(email.begin(), email.end(), ' ', '.');
        email = jet::asciiLower(email);
        agents->insert({
            code,
            m_dirt.text(name, kName, std::string(m_random.pick(quotedSurnames())) + " " + name.substr(0, 1)),
            address1,
            std::string(m_random.pick(streets())),
            m_dirt.text(std::string(m_random.pick(localities())), Dirt::Empty | Dirt::Null),
            m_dirt.text(std::string(city.name) + " " + std::to_string(city.pinPrefix) +
                            padded(m_random.between(1, 62), 3),
                        Dirt::Empty | Dirt::Null),
            telephone(),
            m_dirt.text(mobile(), kPhone),
            SqlValue(std::monostate{}), // the branch is filled in below, once the branches exist
            dateText(since),
            dateText(renewal),
            "LIC/" + std::string(city.name.substr(0, 2)) + "/" + std::to_string(since.year) + "/" +
                padded(m_random.between(1, 99999), 5),
            email + "@example.in",
        });
        ++m_counts.agents;
    }
}

void SourceSample::writeMasters(SqlFile& file)
{
    auto locations = file.prepareInsert("LocMast", {"LocCd", "LocDesc"});
    const auto locationCount = m_random.between(10, 30);
    const auto places = localities();
    const auto firstPlace = m_random.between(0, static_cast<std::int64_t>(places.size()) - 1);
    for (std::int64_t i = 0; i < locationCount; ++i) {
        const auto& place = places[static_cast<std::size_t>(firstPlace + i) % places.size()];
        const std::string desc = i < static_cast<std::int64_t>(places.size())
                                     ? std::string(place)
                                     : std::string(place) + " " + std::to_string(i / places.size() + 1);
        locations->insert({whole(i + 1), m_dirt.text(desc, Dirt::Empty | Dirt::Null)});
    }
    m_counts.locations = locationCount;

    auto branches = file.prepareInsert(
        "BrnMast", {"BranchNo", "BrMgr", "Division", "Address1", "Address2", "Address3", "Address4"});
    const auto branchCount = m_random.between(3, 6);
    for (std::int64_t i = 0; i < branchCount; ++i) {
        std::string number = std::to_string(m_random.between(80, 999));
        if (m_random.chance(0.3))
            number += static_cast<char>('A' + m_random.between(0, 5));
        if (std::find(m_branches.begin(), m_branches.end(), number) != m_branches.end())
            number += std::to_string(i);
        m_branches.push_back(number);
        const City& city = m_random.pick(cities());
        const char sex = m_random.chance(0.8) ? 'M' : 'F';
        const std::string surname(m_random.pick(surnames()));
        // Branches without a fourth address line keep it as an empty text, as typed.
        const std::string fourth = m_random.chance(0.5) ? std::string() : "Maharashtra";
        const std::string manager = personName(sex, surname);
        const std::string quotedManager = personName(sex, std::string(m_random.pick(quotedSurnames())));
        branches->insert({
            number,
            m_dirt.text(manager, kName, quotedManager),
            std::string(m_random.pick(divisions())),
            "Jeevan " + std::string(m_random.pick(buildingNames())),
            std::string(m_random.pick(streets())),
            m_dirt.text(std::string(city.name) + " " + std::to_string(city.pinPrefix) +
                            padded(m_random.between(1, 62), 3),
                        Dirt::Empty),
            fourth,
        });
    }
    m_counts.branches = branchCount;
    file.execute("UPDATE Agmast SET BranchNo = '" + m_branches.front() + "'");

    auto companies = file.prepareInsert("company", {"pacode", "CompanyName"});
    const auto companyCount = m_random.between(3, static_cast<std::int64_t>(sample::companies().size()));
    for (std::int64_t i = 0; i < companyCount; ++i) {
        const Company& company = sample::companies()[static_cast<std::size_t>(i)];
        companies->insert({std::string(company.code), std::string(company.name)});
    }
    m_counts.companies = companyCount;
}

void SourceSample::writeFamilies(SqlFile& file)
{
    auto families = file.prepareInsert("Family", {"FamilyCode", "RAdd1", "RAdd2", "RAdd3", "RAdd4", "RPin",
                                                  "CAdd1", "CAdd2", "CAdd3", "CAdd4", "CPin", "RTel", "CTel",
                                                  "PagerMobile", "LOCCD", "headname", "dob", "sex"});
    auto clients = file.prepareInsert("Client1", {"FamilyCode", "PersCode", "Name", "DOBR", "DOBA", "sex"});
    auto marriages = file.prepareInsert("Client2", {"familycode", "perscode", "MarDt", "Spouse"});
    auto mobiles = file.prepareInsert("Client4", {"familycode", "perscode", "MobiNumb"});

    const std::int64_t familyCount = std::max<std::int64_t>(1, (m_options.policies + 2) / 5);
    m_families.reserve(static_cast<std::size_t>(familyCount));
    for (std::int64_t f = 0; f < familyCount; ++f) {
        FamilyInfo family;
        // A family code with a quote in it is one value: every row of the family carries it.
        std::string code = "F";
        code += padded(f + 1, 6);
        family.code = std::get<std::string>(m_dirt.text(std::move(code), Dirt::Quote));
        family.surname = std::string(m_random.pick(surnames()));
        family.married = m_random.chance(0.85);
        family.location = static_cast<std::int32_t>(m_random.between(1, m_counts.locations));
        const auto memberCount = m_random.between(2, 4);
        const char headSex = m_random.chance(0.85) ? 'M' : 'F';
        const CivilDate headBirth = randomDate(1940, 1990);
        for (std::int64_t m = 0; m < memberCount; ++m) {
            Person person;
            person.persCode = static_cast<std::int32_t>(m + 1);
            if (m == 0) {
                person.sex = headSex;
                person.birth = headBirth;
            } else if (m == 1 && family.married) {
                person.sex = headSex == 'M' ? 'F' : 'M';
                person.birth =
                    randomDate(std::max(1935, headBirth.year - 8), std::min(1995, headBirth.year + 5));
            } else {
                // Children (or a parent living with a single head).
                const bool child = family.married || m_random.chance(0.6);
                person.sex = m_random.chance(0.5) ? 'M' : 'F';
                person.birth = child ? randomDate(std::min(headBirth.year + 20, 2012),
                                                  std::min(headBirth.year + 40, 2012))
                                     : randomDate(headBirth.year - 35, headBirth.year - 20);
            }
            person.adult = person.birth.year <= 1997;
            person.firstName =
                std::string(person.sex == 'F' ? m_random.pick(femaleNames()) : m_random.pick(maleNames()));
            person.name = person.firstName + " " + family.surname;
            family.members.push_back(std::move(person));
        }

        const City& city = m_random.pick(cities());
        const std::string quotedName =
            family.members[0].firstName + " " + std::string(m_random.pick(quotedSurnames()));
        const bool office = m_random.chance(0.4);
        const City& officeCity = m_random.pick(cities());
        auto officeLine = [&](std::string clean) -> SqlValue {
            return office ? m_dirt.text(std::move(clean), kAddress) : SqlValue(std::monostate{});
        };
        const auto house = m_random.between(1, 120);
        const std::string home = std::to_string(house) + ", " + std::string(m_random.pick(buildingNames()));
        const auto room = m_random.between(1, 40);
        const std::string work =
            "Office " + std::to_string(room) + ", " + std::string(m_random.pick(buildingNames()));
        const std::string pin = std::to_string(city.pinPrefix) + padded(m_random.between(1, 62), 3);
        const std::string officePin =
            std::to_string(officeCity.pinPrefix) + padded(m_random.between(1, 62), 3);
        families->insert({
            family.code,
            m_dirt.text(home, kAddress),
            m_dirt.text(std::string(m_random.pick(streets())), kAddress),
            m_dirt.text(std::string(m_random.pick(localities())), kAddress),
            m_dirt.text(std::string(city.name), kAddress),
            m_dirt.text(pin, Dirt::Empty | Dirt::Null | Dirt::Blank),
            officeLine(work),
            officeLine(std::string(m_random.pick(streets()))),
            officeLine(std::string(m_random.pick(localities()))),
            officeLine(std::string(officeCity.name)),
            office ? m_dirt.text(officePin, Dirt::Empty | Dirt::Null | Dirt::Blank)
                   : SqlValue(std::monostate{}),
            m_random.chance(0.7) ? m_dirt.text(telephone(), kPhone) : SqlValue(std::monostate{}),
            office && m_random.chance(0.6) ? m_dirt.text(telephone(), kPhone) : SqlValue(std::monostate{}),
            m_random.chance(0.8) ? m_dirt.text(mobile(), kPhone) : SqlValue(std::monostate{}),
            m_dirt.orNull(whole(family.location)),
            m_dirt.text(family.members[0].name, kName | Dirt::Null, quotedName),
            m_dirt.orNull(dateText(family.members[0].birth)),
            m_dirt.text(std::string(1, family.members[0].sex), kCode),
        });
        ++m_counts.families;

        for (const Person& person : family.members) {
            const std::string birth = dateText(person.birth);
            clients->insert({
                family.code,
                m_dirt.orNull(whole(person.persCode)),
                m_dirt.text(person.name, kName,
                            person.firstName + " " + std::string(m_random.pick(quotedSurnames()))),
                m_dirt.orNull(birth),
                m_random.chance(0.9) ? m_dirt.orNull(birth) : SqlValue(std::monostate{}),
                m_dirt.text(std::string(1, person.sex), kCode),
            });
            ++m_counts.clients;
        }
        if (family.married) {
            const Person& head = family.members[0];
            const Person& spouse = family.members[1];
            const int youngest = std::max(head.birth.year, spouse.birth.year);
            const CivilDate married = randomDate(youngest + 20, std::min(youngest + 32, kLastYear));
            for (int who = 0; who < 2; ++who) {
                const Person& partner = family.members[static_cast<std::size_t>(1 - who)];
                marriages->insert(
                    {family.code, whole(who + 1), m_dirt.orNull(dateText(married)),
                     m_dirt.text(partner.name, kName | Dirt::Empty,
                                 partner.firstName + " " + std::string(m_random.pick(quotedSurnames())))});
                ++m_counts.marriages;
            }
        }
        for (const Person& person : family.members) {
            if (person.adult && m_random.chance(0.85)) {
                mobiles->insert(
                    {family.code, whole(person.persCode), m_dirt.text(mobile(), Dirt::Empty | Dirt::Blank)});
                ++m_counts.mobiles;
            }
        }
        m_families.push_back(std::move(family));
    }
}

} // namespace orrin::sample
