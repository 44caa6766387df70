#pragma once

// Shared set-up of the error-log, lookup and policy-schedule tests: a fresh target database with the
// project's schema, a bonus database, a log file and a fixed clock per test, and a pending Policies
// row that UpdatePolicySchedule completes.

#include "calc/DataImport.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "support/Fixture.h"
#include "value/Clock.h"
#include "value/Conversions.h"
#include "value/DateValue.h"
#include "value/Variant.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orrin::testing {

// A clock that always says the same, and notes in which order the date and the time were read.
class FixedClock : public Clock {
  public:
    float secondsSinceMidnight() override { return 11461.0f; }
    std::string longDate() override
    {
        reads += "D";
        return "Tuesday, December 08, 2026";
    }
    std::string longTime() override
    {
        reads += "T";
        return "3:11:01 AM";
    }
    std::string reads;
};

// Exact identity of two values (type and value), with both rendered on failure.
inline ::testing::AssertionResult same(const Variant& actual, const Variant& expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << describe(actual) << ", expected " << describe(expected);
}

inline std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The lines of a CR LF text file (each line without its CR LF); a line end that is not CR LF fails.
inline std::vector<std::string> crlfLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end in CR LF: " << text.substr(start);
            break;
        }
        const std::string line = text.substr(start, end - start);
        if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos)
            ADD_FAILURE() << "a line end that is not CR LF in: " << line;
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

struct LogEntry {
    std::string number;      // the text after "Err.Number      : "
    std::string source;      // after "Err.Source      : "
    std::string description; // after "Err.Description : "
};

class ScheduleTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        setClock(&fixedClock);
        target = createTargetDb(dir.path());
        std::filesystem::create_directories(dir.path() / "program");
        bonus = createBonusDb(dir.path() / "program" / "lic.mdb");
        logFile = dir.path() / "Error Log.txt";
        module.setLogFile(logFile);
        module.setBonusDatabase(bonus);
        database.openFile(target, targetPassword(), store::OpenMode::ReadWrite);
    }

    void TearDown() override { setClock(nullptr); }

    void addPlan(int plan, const Variant& premage, const Variant& PremTerm, const Variant& Term,
                 const Variant& benefit, const char* pflag = "A")
    {
        insertRows(target, targetPassword(), "plans",
                   {{{"plan", Variant(static_cast<std::int32_t>(plan))},
                     {"PlanName", Variant("Plan " + std::to_string(plan))},
                     {"pflag", Variant(pflag)},
                     {"premage", premage},
                     {"PremTerm", PremTerm},
                     {"Term", Term},
                     {"benefit", benefit}}});
    }

    // A pending Policies row with the given fields set, as the run's policy step leaves it.
    void startPolicy(const Row& fields)
    {
        if (!policies.isOpen())
            policies.open("Policies", database);
        policies.addNew();
        for (const auto& [name, value] : fields)
            policies.setField(name, value);
    }

    void completePolicy()
    {
        module.UpdatePolicySchedule(database, policies);
        policies.update();
    }

    std::vector<std::vector<Variant>> savedPolicies()
    {
        return query(target, targetPassword(), "select matdt, PremEndDt from Policies order by rowid");
    }

    std::vector<std::vector<Variant>> sbRows()
    {
        return query(target, targetPassword(),
                     "select policy_no, sb_duedate, sb_amount, i_no from SB order by rowid");
    }

    std::vector<LogEntry> logEntries()
    {
        std::vector<LogEntry> entries;
        if (!std::filesystem::exists(logFile))
            return entries;
        const std::vector<std::string> lines = crlfLines(readFile(logFile));
        EXPECT_EQ(lines.size() % 6, 0u);
        for (std::size_t i = 0; i + 5 < lines.size(); i += 6) {
            auto after = [&](std::size_t line, const std::string& prefix) {
                EXPECT_EQ(lines[line].substr(0, prefix.size()), prefix);
                return lines[line].substr(std::min(prefix.size(), lines[line].size()));
            };
            after(i, "Date : ");
            after(i + 1, "Time : ");
            LogEntry entry;
            entry.number = after(i + 2, "Err.Number      : ");
            entry.source = after(i + 3, "Err.Source      : ");
            entry.description = after(i + 4, "Err.Description : ");
            EXPECT_EQ(lines[i + 5], "");
            entries.push_back(entry);
        }
        return entries;
    }

    TempDir dir;
    FixedClock fixedClock;
    std::filesystem::path target;
    std::filesystem::path bonus;
    std::filesystem::path logFile;
    calc::DataImport module;
    store::Connection database;
    store::Recordset policies;
};

inline Variant date(int year, int month, int day)
{
    return Variant(makeDate(year, month, day));
}

} // namespace orrin::testing
