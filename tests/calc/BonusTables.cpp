#include "calc/BonusTables.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace orrin::testing {

namespace {

constexpr double kAnySum = 1e12;

Row bonusRow(const char* category, int year, int fromTerm, int toTerm, double fromSum, double toSum,
             double ad, double jm)
{
    return {{"BonusCat", Variant(category)},
            {"YY", Variant(static_cast<std::int32_t>(year))},
            {"FromTerm", Variant(static_cast<std::int32_t>(fromTerm))},
            {"ToTerm", Variant(static_cast<std::int32_t>(toTerm))},
            {"FromSA", Variant(fromSum)},
            {"ToSA", Variant(toSum)},
            {"BonusAD", Variant(ad)},
            {"BonusJM", Variant(jm)}};
}

Row finalRow(int fromTerm, int toTerm, double fromSum, double toSum, double fab)
{
    return {{"FromTerm", Variant(static_cast<std::int32_t>(fromTerm))},
            {"ToTerm", Variant(static_cast<std::int32_t>(toTerm))},
            {"FromSA", Variant(fromSum)},
            {"ToSA", Variant(toSum)},
            {"FAB", Variant(fab)}};
}

struct SharedDatabases {
    TempDir dir;
    std::filesystem::path target;
    std::filesystem::path bonus;

    SharedDatabases()
    {
        target = createTargetDb(dir.path());
        insertBonusTables(target);
        // The bonus database beside the program holds the same tables; a copy costs less than a
        // second encrypted database built row by row.
        bonus = dir.path() / "bonus" / "lic.mdb";
        std::filesystem::create_directories(bonus.parent_path());
        std::filesystem::copy_file(target, bonus);
    }
};

SharedDatabases& shared()
{
    static SharedDatabases databases;
    return databases;
}

} // namespace

void insertBonusTables(const std::filesystem::path& file)
{
    std::vector<Row> bonus{
        bonusRow("EN", 2003, 1, 14, 0, kAnySum, 42, 40),
        bonusRow("EN", 2003, 15, 35, 0, kAnySum, 48, 46),
        bonusRow("EN", 2004, 1, 14, 0, kAnySum, 43, 41),
        bonusRow("EN", 2004, 15, 35, 0, 49999, 45, 44),
        bonusRow("EN", 2004, 15, 35, 50000, kAnySum, 49, 47),
        bonusRow("EN", 2005, 1, 14, 0, kAnySum, 0, 0),
        bonusRow("EN", 2005, 15, 35, 0, kAnySum, 50, 48),
        bonusRow("WL", 2004, 1, 99, 0, kAnySum, 60, 58),
        bonusRow("WL", 2005, 1, 99, 0, kAnySum, 62, 60),
        bonusRow("JMJS", 2004, 1, 99, 0, kAnySum, 44, 42),
        bonusRow("JMJS", 2005, 1, 99, 0, kAnySum, 45, 43),
        bonusRow("MB", 2004, 1, 99, 0, kAnySum, 0, 38),
        bonusRow("MB", 2005, 1, 99, 0, kAnySum, 40, 39),
        bonusRow("JS", 2004, 1, 99, 0, kAnySum, 35, 34),
        bonusRow("JS", 2005, 1, 99, 0, kAnySum, 36, 35),
        bonusRow("JDJS", 2004, 1, 99, 0, kAnySum, 47, 45),
        bonusRow("JDJS", 2005, 1, 99, 0, kAnySum, 48, 46),
        bonusRow("JA", 2004, 1, 99, 0, kAnySum, 52, 50),
        bonusRow("JA", 2005, 1, 99, 0, kAnySum, 53, 51),
        bonusRow("JR", 2004, 1, 15, 0, kAnySum, 30, 28),
        bonusRow("JR", 2004, 16, 99, 0, kAnySum, 60, 55),
        bonusRow("JR", 2005, 1, 15, 0, kAnySum, 31, 29),
        bonusRow("JR", 2005, 16, 99, 0, kAnySum, 61, 56),
    };
    insertRows(file, targetPassword(), "NewBonus", bonus);
    insertRows(file, targetPassword(), "FINALBONUS",
               {finalRow(15, 19, 0, 199999, 15), finalRow(15, 19, 200000, kAnySum, 20),
                finalRow(20, 24, 0, kAnySum, 30), finalRow(25, 35, 0, kAnySum, 45)});
}

const std::filesystem::path& BonusWorld::targetDb()
{
    return shared().target;
}
const std::filesystem::path& BonusWorld::bonusDb()
{
    return shared().bonus;
}

BonusWorld::BonusWorld()
{
    m_logFile = m_dir.path() / "Error Log.txt";
    m_calc.setLogFile(m_logFile);
    m_calc.setBonusDatabase(bonusDb());
    m_target.openFile(targetDb(), targetPassword(), store::OpenMode::ReadOnly);
    m_calc.session().setTarget(&m_target);
}

BonusWorld::~BonusWorld()
{
    m_calc.session().connections().closeLookups();
}

std::string BonusWorld::logText() const
{
    std::ifstream in(m_logFile, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int BonusWorld::entriesUnder(const std::string& label) const
{
    const std::string line = "Err.Source      : " + label + "\r\n";
    const std::string text = logText();
    int count = 0;
    for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + line.size()))
        ++count;
    return count;
}

} // namespace orrin::testing
