#include "sample/SampleData.h"

#include <algorithm>
#include <cmath>

namespace orrin::sample {

namespace {

using std::nullopt;

// Live rows carry pflag "A"; the three withdrawn rows ahead of or after a live row of the same plan
// must be ignored by anything that reads the table, and plan 27 survives only as a withdrawn row.
constexpr PlanRow kPlanRows[] = {
    {2, "Whole Life", "A", 80, 0, nullopt, nullopt},
    {3, "Term Assurance With Return", "A", 0, 20, nullopt, nullopt},
    {5, "Limited Payment Whole Life", "A", 80, 20, nullopt, nullopt},
    {7, "Convertible Term Assurance", "A", 0, 5, nullopt, nullopt},
    {8, "Convertible Whole Life", "A", 80, 0, nullopt, nullopt},
    {11, "Double Cover Endowment", "A", 0, 20, nullopt, nullopt},
    {14, "Endowment Assurance (old table)", "D", 0, 20, "0510", "1010"},
    {14, "Endowment Assurance", "A", 0, 20, nullopt, nullopt},
    {18, "Double Endowment", "A", 0, 20, nullopt, nullopt},
    {27, "Whole Life Single Premium", "D", 80, 0, nullopt, nullopt},
    {41, "Endowment With Profits", "A", 0, 20, nullopt, nullopt},
    {47, "Pure Endowment", "A", 0, 15, nullopt, nullopt},
    {48, "Joint Life Endowment", "A", 0, 20, nullopt, nullopt},
    {50, "Triple Cover Endowment", "A", nullopt, 20, nullopt, nullopt},
    {73, "Money Back 15 Years", "A", 0, 15, "0510", "2020"},
    {74, "Money Back 25 Years (Limited)", "A", 0, 25, "05101520", "10101515"},
    {75, "Money Back 20 Years", "A", 0, 20, "051015", "202020"},
    {75, "Money Back 20 Years (old table)", "D", 0, 20, "0510", "2525"},
    {76, "Money Back 25 Years", "A", 0, 25, "05101520", "15151515"},
    {88, "Jeevan Saathi", "A", 0, 20, nullopt, nullopt},
    {89, "Jeevan Saathi Limited", "A", 0, 15, nullopt, nullopt},
    {90, "New Endowment", "A", 0, 20, nullopt, nullopt},
    {91, "New Janaraksha", "A", 0, 20, nullopt, nullopt},
    {93, "Jeevan Surabhi 25", "A", 0, 25, "05101520", "15151515"},
    {94, "Return Of Premium Term", "A", 0, 20, nullopt, nullopt},
    {95, "Jeevan Mitra Double Cover", "A", 0, 20, nullopt, nullopt},
    {101, "Jeevan Mitra Triple Cover", "A", 0, 20, nullopt, nullopt},
    {102, "Children's Deferred Endowment", "A", 0, 20, nullopt, nullopt},
    {103, "Jeevan Kishore (old table)", "D", 0, 20, "05101520", "25252525"},
    {103, "Jeevan Kishore", "A", 0, 25, nullopt, nullopt},
    {104, "Pure Endowment Single", "A", 0, 15, nullopt, nullopt},
    {105, "Marriage Endowment", "A", 0, 20, nullopt, nullopt},
    {106, "Jeevan Surabhi 15", "A", 0, 12, "03060912", "25252525"},
    {107, "Jeevan Surabhi 20", "A", 0, 16, "0408121620", "2020202020"},
    {108, "Jeevan Surabhi 25 Plus", "A", 0, 20, "05101520", "25252525"},
    {109, "Bima Sandesh", "A", 0, 15, nullopt, nullopt},
    {110, "Bima Kiran", "A", 0, 20, nullopt, nullopt},
    {111, "Jeevan Chhaya", "A", 0, 20, nullopt, nullopt},
    {112, "Jeevan Sathi Plus", "A", 0, 25, nullopt, nullopt},
    {113, "Komal Jeevan", "A", 0, 20, "18202224", "25252525"},
    {114, "Jeevan Bharati Plus", "A", 0, 20, nullopt, nullopt},
    {121, "Jeevan Shree", "A", 0, 20, nullopt, nullopt},
    {123, "Bima Gold 12", "A", 0, 12, nullopt, nullopt},
    {124, "Bima Gold 16", "A", 0, 16, nullopt, nullopt},
    {125, "Bima Gold 20", "A", 0, 20, nullopt, nullopt},
    {126, "Bima Plus", "A", 0, 20, nullopt, nullopt},
    {128, "Jeevan Pramukh", "A", 0, 20, nullopt, nullopt},
    {131, "Jeevan Surakhsa", "A", 0, 20, nullopt, nullopt},
    {132, "Jeevan Anurag", "A", 0, 20, nullopt, nullopt},
    {133, "Jeevan Saathi Plus", "A", 0, 20, nullopt, nullopt},
    {135, "Jeevan Mitra New", "A", 0, 20, nullopt, nullopt},
    {136, "Jeevan Rekha", "A", 0, 20, nullopt, nullopt},
    {137, "Anmol Jeevan", "A", 0, 20, nullopt, nullopt},
    {141, "Jeevan Nidhi", "A", 0, 20, nullopt, nullopt},
    {142, "Jeevan Aadhar", "A", 0, 20, nullopt, nullopt},
    {143, "Jeevan Pramukh Plus", "A", 0, 20, nullopt, nullopt},
    {147, "Jeevan Saral", "A", 0, 20, nullopt, nullopt},
    {148, "Jeevan Saral Limited", "A", 0, 15, nullopt, nullopt},
    {149, "Jeevan Anand", "A", 0, 20, nullopt, nullopt},
    {150, "Jeevan Chhaya Plus", "A", 0, 20, nullopt, nullopt},
    {151, "Jeevan Amrit", "A", 0, 20, nullopt, nullopt},
    {152, "New Money Back Whole Life", "A", nullopt, 15, nullopt, nullopt},
    {154, "Bima Bachat 9", "A", 0, 9, nullopt, nullopt},
    {155, "Bima Bachat 12", "A", 0, 12, nullopt, nullopt},
    {156, "Bima Bachat 15", "A", 0, 15, nullopt, nullopt},
    {157, "Bima Bachat Single", "A", 0, 15, nullopt, nullopt},
    {158, "Jeevan Vardhan", "A", 0, 20, nullopt, nullopt},
    {159, "Child Career Plan", "A", 0, 20, "18202224", "20202020"},
    {160, "Jeevan Ankur", "A", 0, 15, "051015", "202020"},
    {162, "Jeevan Tarang", "A", 0, 20, nullopt, nullopt},
    {166, "Jeevan Vriddhi", "A", 0, 20, nullopt, nullopt},
    {174, "Jeevan Bharati", "A", 0, 20, "0408121620", "1515151515"},
    {175, "Bima Bachat Money Back", "A", 0, 12, "03060912", "15151515"},
    {179, "Jeevan Bharati Limited", "A", 0, 16, "0408121620", "1515151515"},
    {192, "New Money Back 15", "A", 0, 15, "051015", "202020"},
    {196, "Bima Bachat 9 Money Back", "A", 0, 9, "030609", "152525"},
};

// Weights: the endowment, money-back and whole-life plans an agent sells most; every other plan a
// little; plan 27 (withdrawn) on a few old policies.
constexpr PlanSale kPlanSales[] = {
    {2, 2, 15, 35, {}, 0},
    {3, 1, 10, 25, {}, 0},
    {5, 2, 15, 35, {}, 5},
    {7, 1, 10, 20, {}, 0},
    {8, 1, 15, 35, {}, 0},
    {11, 1, 10, 25, {}, 0},
    {14, 12, 10, 35, {}, 0},
    {18, 1, 10, 25, {}, 0},
    {27, 1, 15, 30, {}, 0},
    {41, 2, 10, 30, {}, 0},
    {47, 1, 10, 25, {}, 0},
    {48, 4, 10, 30, {}, 0},
    {50, 1, 10, 30, {}, 0},
    {73, 2, 15, 15, {15}, 0},
    {74, 2, 20, 25, {20, 25}, 5},
    {75, 8, 20, 20, {20}, 0},
    {76, 2, 25, 25, {25}, 0},
    {88, 2, 10, 30, {}, 0},
    {89, 1, 10, 30, {}, 5},
    {90, 3, 10, 30, {}, 0},
    {91, 3, 10, 30, {}, 0},
    {93, 6, 25, 25, {25}, 0},
    {94, 1, 15, 30, {}, 0},
    {95, 2, 10, 30, {}, 0},
    {101, 1, 10, 30, {}, 0},
    {102, 1, 10, 25, {}, 0},
    {103, 4, 15, 25, {}, 0},
    {104, 1, 10, 25, {}, 0},
    {105, 1, 10, 25, {}, 0},
    {106, 1, 15, 15, {15}, 3},
    {107, 1, 20, 20, {20}, 4},
    {108, 1, 25, 25, {25}, 5},
    {109, 1, 10, 20, {}, 0},
    {110, 1, 10, 20, {}, 0},
    {111, 1, 15, 30, {}, 0},
    {112, 1, 10, 25, {}, 0},
    {113, 3, 20, 25, {20, 25}, 0},
    {114, 1, 10, 25, {}, 0},
    {121, 1, 15, 30, {}, 0},
    {123, 1, 12, 12, {12}, 0},
    {124, 1, 16, 16, {16}, 0},
    {125, 1, 20, 20, {20}, 0},
    {126, 1, 10, 25, {}, 0},
    {128, 1, 10, 25, {}, 0},
    {131, 1, 10, 25, {}, 0},
    {132, 1, 10, 25, {}, 0},
    {133, 4, 10, 30, {}, 0},
    {135, 1, 10, 30, {}, 0},
    {136, 1, 10, 25, {}, 0},
    {137, 1, 10, 25, {}, 0},
    {141, 1, 10, 25, {}, 0},
    {142, 1, 10, 25, {}, 0},
    {143, 1, 10, 25, {}, 0},
    {147, 2, 10, 35, {}, 0},
    {148, 1, 10, 35, {}, 5},
    {149, 5, 15, 35, {}, 0},
    {150, 1, 15, 30, {}, 0},
    {151, 1, 10, 25, {}, 0},
    {152, 4, 20, 35, {}, 5},
    {154, 1, 10, 10, {10}, 0},
    {155, 1, 12, 12, {12}, 0},
    {156, 1, 15, 15, {15}, 0},
    {157, 1, 15, 15, {15}, 0},
    {158, 1, 10, 25, {}, 0},
    {159, 3, 20, 25, {20, 25}, 0},
    {160, 3, 15, 20, {15, 20}, 0},
    {162, 1, 10, 25, {}, 0},
    {166, 1, 10, 25, {}, 0},
    {174, 3, 12, 20, {12, 16, 20}, 0},
    {175, 3, 9, 12, {9, 12}, 0},
    {179, 3, 12, 20, {12, 16, 20}, 4},
    {192, 1, 15, 20, {15, 20}, 0},
    {196, 2, 9, 9, {9}, 0},
};

constexpr std::string_view kCategories[] = {"WL", "EN", "JMJS", "MB", "JS", "JDJS", "JA", "JR"};
// Offsets of each category's rate from the insurer's general level, in kCategories' order.
constexpr double kCategoryOffset[] = {-8, 0, -3, -6, -10, -4, -5, -2};

struct Band {
    int from;
    int to;
    double offset;
};
constexpr Band kTermBands[] = {{1, 10, -2}, {11, 15, 0}, {16, 20, 1}, {21, 25, 2}, {26, 99, 3}};
struct SumBand {
    double from;
    double to;
    double offset;
};
constexpr SumBand kSumBands[] = {{1, 99999, 0}, {100000, 499999, 1}, {500000, 99999999, 2}};

constexpr std::string_view kMaleNames[] = {
    "Ramesh",  "Suresh", "Mahesh",    "Rajesh",   "Dinesh",    "Anil",       "Sunil",  "Vijay",
    "Sanjay",  "Ajay",   "Prakash",   "Ashok",    "Manoj",     "Vinod",      "Deepak", "Rakesh",
    "Mukesh",  "Naresh", "Kishore",   "Gopal",    "Harish",    "Satish",     "Girish", "Arvind",
    "Milind",  "Nitin",  "Sachin",    "Amit",     "Rohit",     "Rahul",      "Vikas",  "Pankaj",
    "Yogesh",  "Umesh",  "Jayant",    "Shrikant", "Dattatray", "Balkrishna", "Sharad", "Madhav",
    "Narayan", "Govind", "Prabhakar", "Vasant",   "Anant",     "Hemant",     "Kiran",  "Sandeep"};
constexpr std::string_view kFemaleNames[] = {
    "Sunita", "Anita",   "Kavita", "Savita", "Sarita",  "Asha",     "Usha",    "Lata",    "Meena",   "Neeta",
    "Geeta",  "Seema",   "Rekha",  "Shobha", "Vandana", "Archana",  "Manisha", "Swati",   "Priya",   "Pooja",
    "Snehal", "Madhuri", "Jyoti",  "Smita",  "Sujata",  "Vaishali", "Rupali",  "Deepali", "Shalini", "Varsha",
    "Alka",   "Nirmala", "Sushma", "Pushpa", "Kamal",   "Shanta",   "Leela",   "Radha",   "Aarti"};
constexpr std::string_view kSurnames[] = {
    "Patil",   "Deshmukh", "Kulkarni", "Joshi",   "Deshpande", "Shinde",    "Pawar",      "Jadhav",  "More",
    "Gaikwad", "Sharma",   "Verma",    "Gupta",   "Agarwal",   "Mehta",     "Shah",       "Desai",   "Patel",
    "Iyer",    "Nair",     "Menon",    "Rao",     "Reddy",     "Naidu",     "Pillai",     "Bhat",    "Kamath",
    "Chavan",  "Salunkhe", "Kadam",    "Bhosale", "Mane",      "Sawant",    "Naik",       "Gokhale", "Apte",
    "Sathe",   "Bapat",    "Godbole",  "Khanna",  "Malhotra",  "Kapoor",    "Chopra",     "Singh",   "Yadav",
    "Mishra",  "Tiwari",   "Pandey",   "Dubey",   "Banerjee",  "Mukherjee", "Chatterjee", "Ghosh"};
constexpr std::string_view kQuotedSurnames[] = {"D'Souza", "D'Costa", "D'Mello", "D'Cruz",
                                                "O'Brien", "D'Silva", "D'Sa"};
constexpr std::string_view kBuildings[] = {"Shanti Niwas",  "Sai Krupa",      "Ganesh Kunj",   "Laxmi Sadan",
                                           "Om Apartments", "Gokul Dham",     "Vrindavan",     "Anand Bhavan",
                                           "Shree Datta",   "Parijat",        "Sneh Sadan",    "Mangal Murti",
                                           "Krishna Kutir", "Saraswati Bldg", "Akshay Towers", "Shivneri",
                                           "Sahyadri CHS",  "Kailas Park",    "Ashirwad"};
constexpr std::string_view kStreets[] = {
    "M G Road",   "Station Road", "Tilak Road", "Nehru Marg",  "Gandhi Chowk", "Shivaji Path", "Karve Road",
    "FC Road",    "Laxmi Road",   "J M Road",   "Link Road",   "S V Road",     "LBS Marg",     "Ring Road",
    "Nagar Road", "Sinhgad Road", "Paud Road",  "Ganesh Peth", "Bazar Peth",   "Camp Road"};
constexpr std::string_view kLocalities[] = {
    "Kothrud",    "Aundh",        "Baner",        "Shivajinagar", "Deccan",        "Swargate",
    "Hadapsar",   "Pimpri",       "Chinchwad",    "Nigdi",        "Kharadi",       "Wakad",
    "Dadar",      "Andheri East", "Borivali",     "Thane West",   "Dombivli",      "Kalyan",
    "Vashi",      "Panvel",       "Karve Nagar",  "Erandwane",    "Sahakar Nagar", "Bibwewadi",
    "Katraj",     "Warje",        "Yerawada",     "Vishrantwadi", "Sadashiv Peth", "Narayan Peth",
    "Kasba Peth", "Model Colony", "Prabhat Road", "Bhosari"};
constexpr City kCities[] = {{"Pune", 411, "020"},    {"Mumbai", 400, "022"},     {"Thane", 400, "022"},
                            {"Nashik", 422, "0253"}, {"Satara", 415, "02162"},   {"Kolhapur", 416, "0231"},
                            {"Nagpur", 440, "0712"}, {"Aurangabad", 431, "0240"}};
constexpr Company kCompanies[] = {
    {"LIC", "Life Insurance Corporation of India"}, {"NIA", "The New India Assurance Co. Ltd."},
    {"NIC", "National Insurance Co. Ltd."},         {"OIC", "The Oriental Insurance Co. Ltd."},
    {"UII", "United India Insurance Co. Ltd."},     {"GIC", "General Insurance Corporation of India"}};
constexpr std::string_view kDivisions[] = {"Pune Division I", "Pune Division II",  "Mumbai Division III",
                                           "Satara Division", "Kolhapur Division", "Nashik Division"};
constexpr std::string_view kLongLines[] = {
    "Flat No 12, Shanti Niwas Co-operative Housing Society",
    "Near Shri Ganesh Mandir, Opposite Municipal Garden",
    "Plot 45/B, Survey No 112, Behind Maharashtra State Electricity Board Office",
    "C/o Shri Dattatray Kulkarni, Ground Floor, Sai Krupa Apartments",
    "Room 3, First Floor, Chawl No 7, Gandhi Nagar Slum Rehabilitation Building",
    "Bunglow No 5, Lane No 14, Prabhat Road, Erandwane"};

// The insurer's general rate per 1000 a year: rising through the eighties to a peak in the middle
// nineties, falling back, then steady.
double generalLevel(int year)
{
    if (year <= 1995)
        return 40.0 + (year - 1980) * 2.0;
    if (year <= 2005)
        return 70.0 - (year - 1995) * 2.5;
    return 45.0 + (year - 2005) * 0.5;
}

double rate(std::size_t category, int year, const Band& term, const SumBand& sum)
{
    const double r = generalLevel(year) + kCategoryOffset[category] + term.offset + sum.offset;
    return std::round(std::clamp(r, 30.0, 70.0) * 2.0) / 2.0;
}

} // namespace

std::span<const PlanRow> planRows()
{
    return kPlanRows;
}
std::span<const PlanSale> planSales()
{
    return kPlanSales;
}
std::span<const std::string_view> bonusCategories()
{
    return kCategories;
}

std::vector<NewBonusRow> newBonusRows()
{
    std::vector<NewBonusRow> rows;
    for (std::size_t c = 0; c < std::size(kCategories); ++c) {
        const std::string_view category = kCategories[c];
        // For the latest year the whole-life and annuity categories have declared only the rate of
        // the January-to-March starts so far.
        const bool lateRateMissing = category == "WL" || category == "JA" || category == "JR";
        for (int year = kFirstBonusYear; year <= kLastBonusYear; ++year) {
            for (const Band& term : kTermBands) {
                for (const SumBand& sum : kSumBands) {
                    NewBonusRow row;
                    row.category = std::string(category);
                    row.year = static_cast<std::int16_t>(year);
                    row.fromTerm = static_cast<std::int16_t>(term.from);
                    row.toTerm = static_cast<std::int16_t>(term.to);
                    row.fromSA = sum.from;
                    row.toSA = sum.to;
                    row.bonusAD =
                        (year == kLastBonusYear && lateRateMissing) ? 0.0 : rate(c, year, term, sum);
                    row.bonusJM = rate(c, year == kFirstBonusYear ? year : year - 1, term, sum);
                    rows.push_back(std::move(row));
                }
            }
        }
    }
    return rows;
}

std::vector<FinalBonusRow> finalBonusRows()
{
    constexpr Band terms[] = {{15, 19, 15}, {20, 24, 30}, {25, 29, 50}, {30, 99, 75}};
    constexpr double sumExtra[] = {0, 5, 10};
    std::vector<FinalBonusRow> rows;
    for (const Band& term : terms) {
        for (std::size_t s = 0; s < std::size(kSumBands); ++s) {
            rows.push_back({static_cast<std::int16_t>(term.from), static_cast<std::int16_t>(term.to),
                            kSumBands[s].from, kSumBands[s].to, term.offset + sumExtra[s]});
        }
    }
    return rows;
}

std::span<const std::string_view> maleNames()
{
    return kMaleNames;
}
std::span<const std::string_view> femaleNames()
{
    return kFemaleNames;
}
std::span<const std::string_view> surnames()
{
    return kSurnames;
}
std::span<const std::string_view> quotedSurnames()
{
    return kQuotedSurnames;
}
std::span<const std::string_view> buildingNames()
{
    return kBuildings;
}
std::span<const std::string_view> streets()
{
    return kStreets;
}
std::span<const std::string_view> localities()
{
    return kLocalities;
}
std::span<const City> cities()
{
    return kCities;
}
std::span<const Company> companies()
{
    return kCompanies;
}
std::span<const std::string_view> divisions()
{
    return kDivisions;
}
std::span<const std::string_view> longAddressLines()
{
    return kLongLines;
}

} // namespace orrin::sample
