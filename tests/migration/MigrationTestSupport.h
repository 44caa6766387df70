#pragma once

#include "calc/DataImport.h"
#include "migration/MigrationRun.h"
#include "migration/RunInterfaces.h"
#include "store/Connection.h"
#include "store/Statement.h"
#include "support/Fixture.h"
#include "value/DateValue.h"
#include "value/Variant.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace orrin {

// Readable values in failure messages.
inline void PrintTo(const Variant& value, std::ostream* out)
{
    *out << describe(value);
}

} // namespace orrin

namespace orrin::migration::test {

using testing::Row;
using Rows = std::vector<std::vector<Variant>>;

inline Variant T(const char* text)
{
    return Variant(text);
}
inline Variant T(const std::string& text)
{
    return Variant(text);
}
inline Variant Nul()
{
    return Variant::null();
}
inline Variant L(std::int32_t value)
{
    return Variant(value);
}
inline Variant S(std::int16_t value)
{
    return Variant(value);
}
inline Variant Dbl(double value)
{
    return Variant(value);
}
inline Variant D(int year, int month, int day)
{
    return Variant(makeDate(year, month, day));
}

// Answers the run's questions from a script; when the script runs out, the default answer.
class ScriptedQuestion : public ErrorQuestion {
  public:
    explicit ScriptedQuestion(bool defaultAnswer = false, std::deque<bool> script = {})
        : m_default(defaultAnswer), m_script(std::move(script))
    {
    }
    bool askContinue(const std::string& description) override
    {
        asked.push_back(description);
        if (onAsk) {
            onAsk();
        }
        if (m_script.empty()) {
            return m_default;
        }
        const bool answer = m_script.front();
        m_script.pop_front();
        return answer;
    }
    std::vector<std::string> asked;
    std::function<void()> onAsk;

  private:
    bool m_default;
    std::deque<bool> m_script;
};

class RecordingObserver : public RunObserver {
  public:
    void stepStarted(std::string_view step) override { steps.emplace_back(step); }
    void pumpEvents() override
    {
        ++pumps;
        if (onPump) {
            onPump();
        }
    }
    std::vector<std::string> steps;
    int pumps = 0;
    std::function<void()> onPump;
};

// A source, a target and a bonus database in a fresh folder each, and a run over them.
class MigrationTest : public ::testing::Test {
  protected:
    MigrationTest()
    {
        std::filesystem::create_directories(m_dir.path() / "orrin");
        std::filesystem::create_directories(m_dir.path() / "calvane");
        std::filesystem::create_directories(m_dir.path() / "program");
        source = testing::createSourceDb(m_dir.path() / "orrin");
        target = testing::createTargetDb(m_dir.path() / "calvane");
        bonus = testing::createBonusDb(m_dir.path() / "program" / "lic.mdb");
        logFile = m_dir.path() / "Error Log.txt";
        dataImport.setLogFile(logFile);
        dataImport.setBonusDatabase(bonus);
    }

    std::string orrinFolder() const { return (m_dir.path() / "orrin").string() + "/"; }
    std::string agentFolder() const { return (m_dir.path() / "calvane").string() + "/"; }

    RunReport runWith(ErrorQuestion& question, RunObserver& observer)
    {
        MigrationRun run(dataImport, question, observer);
        if (beforeRun) {
            beforeRun(run);
        }
        RunReport report = run.run(orrinFolder(), agentFolder());
        transferredAfterRun = run.PoliciesTransferred();
        return report;
    }

    // A run whose every question is answered No (none is expected).
    RunReport runMigration()
    {
        ScriptedQuestion question(false);
        RecordingObserver observer;
        RunReport report = runWith(question, observer);
        EXPECT_EQ(question.asked, std::vector<std::string>{}) << "no statement was expected to fail";
        return report;
    }

    void addSource(const std::string& table, const std::vector<Row>& rows)
    {
        testing::insertRows(source, testing::sourcePassword(), table, rows);
    }
    void addTarget(const std::string& table, const std::vector<Row>& rows)
    {
        testing::insertRows(target, testing::targetPassword(), table, rows);
    }
    void sourceSql(const std::string& sql) { testing::execute(source, testing::sourcePassword(), sql); }

    Rows targetRows(const std::string& sql) { return testing::query(target, testing::targetPassword(), sql); }

    // Every table of the target, row by row in the store's order (one opening of the file).
    std::map<std::string, Rows> targetSnapshot()
    {
        store::Connection connection;
        connection.openFile(target, testing::targetPassword(), store::OpenMode::ReadOnly);
        std::map<std::string, Rows> snapshot;
        for (const char* table : {"Login", "Times", "AgMast", "LocMast", "BrnMast", "company", "Family",
                                  "Client", "Policies", "SB", "plans", "NewBonus", "FINALBONUS"}) {
            store::Statement& statement =
                connection.statement(std::string("SELECT * FROM ") + table + " ORDER BY rowid");
            Rows rows;
            while (statement.step()) {
                std::vector<Variant> row;
                for (int i = 0; i < statement.columnCount(); ++i) {
                    row.push_back(statement.column(i));
                }
                rows.push_back(std::move(row));
            }
            statement.reset();
            snapshot[table] = std::move(rows);
        }
        connection.close();
        return snapshot;
    }

    // One row in every source table and stale rows in every target table, so that a run that
    // changes anything shows it.
    void fillEveryTable()
    {
        insertMany(
            source, testing::sourcePassword(),
            {{"Agmast", {{"AgencyCd", T("AG1")}, {"Name", T("Asha Rao")}, {"Address1", T("1 Hill Rd")}}},
             {"LocMast", {{"LocCd", L(7)}, {"LocDesc", T("North")}}},
             {"BrnMast", {{"BranchNo", T("B1")}, {"BrMgr", T("Mr Iyer")}}},
             {"company", {{"pacode", T("C1")}, {"CompanyName", T("LIC")}}},
             {"Family", {{"FamilyCode", T("F1")}, {"RAdd1", T("Lane 1")}}},
             {"Client1", {{"FamilyCode", T("F1")}, {"PersCode", L(1)}, {"Name", T("Ravi")}}},
             {"Policies", {{"PolicyNo", T("P1")}, {"Plan", T("0")}, {"Payment", T("Y")}}}});
        insertMany(target, testing::targetPassword(),
                   {{"Login", {{"Ag_Code", T("OLD")}}},
                    {"Times", {{"LoginName", T("Old Agent")}}},
                    {"AgMast", {{"Agency_Cd", T("OLD")}}},
                    {"LocMast", {{"Loc_Cd", L(9)}, {"Loc_Desc", T("Old")}}},
                    {"BrnMast", {{"BranchNo", T("OLD")}}},
                    {"company", {{"pacode", T("OLD")}}},
                    {"Family", {{"FamilyCode", T("OLD")}}},
                    {"Client", {{"FamilyCode", T("OLD")}}},
                    {"Policies", {{"policy_no", T("OLD")}}},
                    {"SB", {{"policy_no", T("OLD")}, {"i_no", S(1)}}}});
    }

    // Rows for several tables through one opening of the file, bound as they are.
    static void insertMany(const std::filesystem::path& file, const std::string& password,
                           const std::vector<std::pair<std::string, Row>>& rows)
    {
        store::Connection connection;
        connection.openFile(file, password, store::OpenMode::ReadWrite);
        for (const auto& [table, row] : rows) {
            std::string names;
            std::string marks;
            for (const auto& entry : row) {
                names += (names.empty() ? "" : ", ") + entry.first;
                marks += marks.empty() ? "?" : ", ?";
            }
            store::Statement& statement =
                connection.statement("INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")");
            int index = 1;
            for (const auto& entry : row) {
                statement.bind(index++, entry.second);
            }
            statement.step();
            statement.reset();
        }
        connection.close();
    }

    testing::TempDir m_dir; // first, so that it outlives everything that has files open in it
    calc::DataImport dataImport;
    std::filesystem::path source;
    std::filesystem::path target;
    std::filesystem::path bonus;
    std::filesystem::path logFile;
    std::function<void(MigrationRun&)> beforeRun;
    double transferredAfterRun = -1;
};

} // namespace orrin::migration::test
