#include "calc/DataImport.h"
#include "calc/LoggingTrap.h"
#include "store/StoreError.h"

#include "ScheduleFixture.h"

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sys/stat.h>

namespace orrin::testing {
namespace {

struct NumberCase {
    const char* name;
    std::int32_t number;
    const char* printed;
};

class ErrorLogTest : public ScheduleTest {};

TEST_F(ErrorLogTest, EntryIsSixCrLfLinesWithTheNumberInPrintForm)
{
    const NumberCase cases[] = {
        {"object not set", 91, " 91 "},
        {"provider failure", store::code::General, "-2147467259 "},
        {"zero", 0, " 0 "},
        {"subscript", 9, " 9 "},
        {"smallest 32-bit number", -2147483647 - 1, "-2147483648 "},
    };
    std::string expected;
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.name);
        module.LogError(Error(c.number, std::string("Failure: ") + c.name), "Common - Test label");
        expected += "Date : Tuesday, December 08, 2026\r\n"
                    "Time : 3:11:01 AM\r\n"
                    "Err.Number      : " +
                    std::string(c.printed) +
                    "\r\n"
                    "Err.Source      : Common - Test label\r\n"
                    "Err.Description : Failure: " +
                    std::string(c.name) +
                    "\r\n"
                    "\r\n";
    }
    EXPECT_EQ(readFile(logFile), expected);
    EXPECT_EQ(module.logEntriesWritten(), 5);
}

TEST_F(ErrorLogTest, DateIsReadBeforeTimeOncePerEntry)
{
    module.LogError(Error(13, "Type mismatch"), "x");
    module.LogError(Error(13, "Type mismatch"), "x");
    EXPECT_EQ(fixedClock.reads, "DTDT");
}

TEST_F(ErrorLogTest, MissingFileIsCreatedAndExistingContentIsKept)
{
    ASSERT_FALSE(std::filesystem::exists(logFile));
    module.LogError(Error(94, "Invalid use of Null"), "first");
    ASSERT_TRUE(std::filesystem::exists(logFile));
    const std::string afterFirst = readFile(logFile);
    EXPECT_EQ(crlfLines(afterFirst).size(), 6u);

    calc::DataImport another; // a later run appends to the same file
    another.setLogFile(logFile);
    another.LogError(Error(6, "Overflow"), "second");
    const std::string afterSecond = readFile(logFile);
    EXPECT_EQ(afterSecond.substr(0, afterFirst.size()), afterFirst);
    const std::vector<LogEntry> entries = logEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].source, "first");
    EXPECT_EQ(entries[0].description, "Invalid use of Null");
    EXPECT_EQ(entries[1].source, "second");
    EXPECT_EQ(entries[1].number, " 6 ");
    EXPECT_EQ(another.logEntriesWritten(), 1);
}

TEST_F(ErrorLogTest, UnwritableLogThrowsFileErrorNamingTheFile)
{
    // A regular file where the log's folder should be.
    std::ofstream(dir.path() / "not-a-folder") << "x";
    const std::filesystem::path unwritable = dir.path() / "not-a-folder" / "Error Log.txt";
    module.setLogFile(unwritable);
    try {
        module.LogError(Error(91, "Object variable not set"), "label");
        FAIL() << "LogError did not throw";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), err::FileError);
        EXPECT_NE(error.description().find("Cannot write the error log '" + unwritable.string() + "': "),
                  std::string::npos)
            << error.description();
    }
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

// The log may sit in a shared folder (the temporary folder when there is no home): a new log is
// its owner's alone, and a link or a FIFO planted in its place is refused at once, never followed
// or waited on.
TEST_F(ErrorLogTest, NewLogIsPrivateAndAPlantedLinkOrFifoIsRefused)
{
    module.LogError(Error(94, "Invalid use of Null"), "first");
    struct stat made {};
    ASSERT_EQ(::stat(logFile.c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 0777, 0600u);

    const std::filesystem::path elsewhere = dir.path() / "someone else's file";
    std::ofstream(elsewhere) << "theirs";
    std::filesystem::create_symlink(elsewhere, dir.path() / "linked.txt");
    ::mkfifo((dir.path() / "fifo.txt").c_str(), 0600);
    const struct {
        const char* name;
        const char* why;
    } planted[] = {{"linked.txt", "it is a symbolic link"}, {"fifo.txt", "it is not a regular file"}};
    for (const auto& p : planted) {
        const std::filesystem::path file = dir.path() / p.name;
        module.setLogFile(file);
        try {
            module.LogError(Error(91, "Object variable not set"), "label");
            ADD_FAILURE() << p.name << ": LogError did not throw";
        } catch (const Error& error) {
            EXPECT_EQ(error.number(), err::FileError);
            EXPECT_EQ(error.description(), "Cannot write the error log '" + file.string() + "': " + p.why);
        }
    }
    EXPECT_EQ(readFile(elsewhere), "theirs");
    EXPECT_EQ(module.logEntriesWritten(), 1);
}

TEST_F(ErrorLogTest, FailureToLogLeavesTheLookupThatTriedToLog)
{
    std::ofstream(dir.path() / "not-a-folder") << "x";
    module.setLogFile(dir.path() / "not-a-folder" / "Error Log.txt");
    module.setBonusDatabase(dir.path() / "nowhere" / "lic.mdb");
    try {
        module.DFirst2("min(YY)", "NewBonus");
        FAIL() << "DFirst2 returned although its log could not be written";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), err::FileError);
    }
}

TEST_F(ErrorLogTest, TrapLogsUnderTheLabelAndGoesOn)
{
    Trap trap = calc::loggingTrap(module, calc::labels::NewBonus);
    int reached = 0;
    trap.step([] { throw Error(13, "Type mismatch: \"abc\" is not a number"); });
    ++reached;
    const bool guarded = trap.test([]() -> bool { throw Error(94, "Invalid use of Null"); });
    EXPECT_TRUE(guarded);
    EXPECT_EQ(reached, 1);
    const std::vector<LogEntry> entries = logEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].source, calc::labels::NewBonus);
    EXPECT_EQ(entries[0].number, " 13 ");
    EXPECT_EQ(entries[1].number, " 94 ");
}

TEST_F(ErrorLogTest, AbandonedTransactionIsNotLoggedButStopsTheProcedure)
{
    Trap trap = calc::loggingTrap(module, calc::labels::UpdatePolicySchedule);
    EXPECT_THROW(trap.step([] { throw Error(store::code::Abandoned, "the engine rolled back"); }), Error);
    EXPECT_FALSE(std::filesystem::exists(logFile));
    EXPECT_EQ(module.logEntriesWritten(), 0);
}

// Sets an environment variable for one test and puts the old value back.
class EnvironmentOverride {
  public:
    EnvironmentOverride(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvironmentOverride()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST_F(ErrorLogTest, DefaultLogFileFollowsTheStateFolder)
{
    const std::string state = (dir.path() / "state").string();
    const std::string home = (dir.path() / "home").string();
    {
        EnvironmentOverride xdg("XDG_STATE_HOME", state.c_str());
        EnvironmentOverride homeVar("HOME", home.c_str());
        EXPECT_EQ(calc::DataImport::defaultLogFile(),
                  dir.path() / "state" / "orrin-import" / "Error Log.txt");
    }
    {
        EnvironmentOverride xdg("XDG_STATE_HOME", "relative/state"); // not absolute: ignored
        EnvironmentOverride homeVar("HOME", home.c_str());
        EXPECT_EQ(calc::DataImport::defaultLogFile(),
                  dir.path() / "home" / ".local" / "state" / "orrin-import" / "Error Log.txt");
    }
    {
        EnvironmentOverride xdg("XDG_STATE_HOME", nullptr);
        EnvironmentOverride homeVar("HOME", nullptr);
        EXPECT_EQ(calc::DataImport::defaultLogFile(),
                  std::filesystem::temp_directory_path() / "Error Log.txt");
    }
}

TEST_F(ErrorLogTest, DefaultLogFolderIsCreatedWhenMissing)
{
    const std::string state = (dir.path() / "fresh-state").string();
    EnvironmentOverride xdg("XDG_STATE_HOME", state.c_str());
    calc::DataImport fresh;
    const std::filesystem::path expected = dir.path() / "fresh-state" / "orrin-import" / "Error Log.txt";
    ASSERT_EQ(fresh.logFile(), expected);
    ASSERT_FALSE(std::filesystem::exists(expected.parent_path()));
    fresh.LogError(Error(91, "Object variable or With block variable not set"), "label");
    EXPECT_EQ(crlfLines(readFile(expected)).size(), 6u);
}

} // namespace
} // namespace orrin::testing
