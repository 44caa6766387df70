#include "cli/Options.h"
#include "cli/OutputFiles.h"
#include "cli/ProgressPrinter.h"
#include "cli/Summary.h"
#include "cli/TerminalQuestion.h"
#include "support/Fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>

namespace orrin::cli {
namespace {

using migration::RunReport;

// ---- Options -------------------------------------------------------------------------------------

TEST(Options, BothDatabasesAndEveryOption)
{
    const Options options =
        parseOptions({"--orrin-db", "/data/zrv.accdb", "--agent-db=/srv/calvane", "--bonus-db",
                      "/opt/lic.mdb", "--error-log", "/tmp/log.txt", "--on-error", "continue",
                      "--summary-json", "/tmp/s.json", "--quiet"});
    EXPECT_EQ(options.orrinDb, "/data/zrv.accdb");
    EXPECT_EQ(options.agentDb, "/srv/calvane");
    EXPECT_EQ(options.bonusDb, std::filesystem::path("/opt/lic.mdb"));
    EXPECT_EQ(options.errorLog, std::filesystem::path("/tmp/log.txt"));
    EXPECT_EQ(options.onError, OnError::Continue);
    EXPECT_EQ(options.summaryJson, std::filesystem::path("/tmp/s.json"));
    EXPECT_TRUE(options.quiet);
    EXPECT_FALSE(options.help);
}

TEST(Options, OnErrorIsUnsetWhenNotGiven)
{
    const Options options = parseOptions({"--orrin-db", "a/zrv.accdb", "--agent-db", "b/LIC.mdb"});
    EXPECT_FALSE(options.onError.has_value());
    EXPECT_FALSE(options.bonusDb.has_value());
}

TEST(Options, HelpNeedsNothingElse)
{
    EXPECT_TRUE(parseOptions({"--help"}).help);
}

TEST(Options, VersionNeedsNothingElse)
{
    const Options options = parseOptions({"--version"});
    EXPECT_TRUE(options.version);
    EXPECT_FALSE(options.help);
}

struct BadLine {
    const char* name;
    std::vector<std::string> arguments;
    const char* message;
};

class BadCommandLine : public ::testing::TestWithParam<BadLine> {};

TEST_P(BadCommandLine, IsAUsageError)
{
    try {
        parseOptions(GetParam().arguments);
        FAIL() << "expected a usage error";
    } catch (const UsageError& error) {
        EXPECT_EQ(error.message, GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, BadCommandLine,
    ::testing::Values(
        BadLine{"nothing", {}, "Please choose both database paths !!! (--orrin-db and --agent-db)"},
        BadLine{"target_missing",
                {"--orrin-db", "x/zrv.accdb"},
                "Please choose both database paths !!! (--orrin-db and --agent-db)"},
        BadLine{"blank_path",
                {"--orrin-db", "  ", "--agent-db", "y"},
                "Please choose both database paths !!! (--orrin-db and --agent-db)"},
        BadLine{
            "unknown_option", {"--orrin-db", "x", "--agent-db", "y", "--fast"}, "unknown argument '--fast'"},
        BadLine{"missing_value", {"--orrin-db", "x", "--agent-db"}, "--agent-db needs a value"},
        BadLine{"bad_answer",
                {"--orrin-db", "x", "--agent-db", "y", "--on-error", "maybe"},
                "--on-error takes ask, continue or stop, not 'maybe'"},
        BadLine{"given_twice",
                {"--orrin-db", "x", "--orrin-db", "z", "--agent-db", "y"},
                "--orrin-db is given twice"},
        BadLine{"flag_with_value",
                {"--orrin-db", "x", "--agent-db", "y", "--quiet=yes"},
                "--quiet takes no value"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DatabaseFolder, FilePathGivesItsFolder)
{
    EXPECT_EQ(databaseFolder("/srv/data/other.accdb"), "/srv/data/");
}

TEST(DatabaseFolder, WindowsStylePathGivesItsFolder)
{
    EXPECT_EQ(databaseFolder("C:\\Zarvo\\Data\\zrv.accdb"), "C:\\Zarvo\\Data\\");
}

TEST(DatabaseFolder, ExistingFolderIsTakenWhole)
{
    testing::TempDir dir;
    EXPECT_EQ(databaseFolder(dir.path().string()), dir.path().string() + "/");
    EXPECT_EQ(databaseFolder(dir.path().string() + "/"), dir.path().string() + "/");
}

TEST(DatabaseFolder, BareFileNameIsInTheCurrentFolderNotAtTheRoot)
{
    EXPECT_EQ(databaseFolder("LIC.mdb"), "./");
}

// ---- Summary -------------------------------------------------------------------------------------

RunReport sampleReport()
{
    RunReport report;
    report.outcome = RunReport::Outcome::Finished;
    report.skippedStatements = 2;
    report.logEntries = 1;
    report.logFile = "/var/log/Error Log.txt";
    report.steps = {{"Agmast", 3, 0}, {"Family", 12, 2}};
    report.rowsWritten = {{"AgMast", 3}, {"Login", 1}, {"Family", 12}};
    report.policiesTransferred = 7;
    report.seconds = 1.5;
    return report;
}

TEST(Summary, TableListsTablesInRunOrderAndStepsAndTotals)
{
    EXPECT_EQ(summaryText(sampleReport()), "Target table    Rows written\n"
                                           "Login                      1\n"
                                           "AgMast                     3\n"
                                           "Family                    12\n"
                                           "\n"
                                           "Step            Source rows read   Failed statements\n"
                                           "Agmast                         3                   0\n"
                                           "Family                        12                   2\n"
                                           "(connections)                                      0\n"
                                           "\n"
                                           "Policies transferred:      7\n"
                                           "Statements skipped:        2\n"
                                           "Error log entries written: 1 (/var/log/Error Log.txt)\n"
                                           "Outcome:                   finished, but not cleanly\n"
                                           "Time taken:                1.50 s\n");
}

TEST(Summary, PoliciesOfARolledBackRunAreSaidToBeNoneKept)
{
    struct Case {
        const char* name;
        RunReport::Outcome outcome;
        double policies;
        const char* line;
    };
    const Case cases[] = {
        {"finished", RunReport::Outcome::Finished, 7, "Policies transferred:      7\n"},
        {"stopped after 7", RunReport::Outcome::Stopped, 7,
         "Policies transferred:      7, none kept: the import was rolled back\n"},
        {"abandoned after 7", RunReport::Outcome::Abandoned, 7,
         "Policies transferred:      7, none kept: the import was rolled back\n"},
        {"stopped before the policies", RunReport::Outcome::Stopped, 0, "Policies transferred:      0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunReport report = sampleReport();
        report.outcome = c.outcome;
        report.policiesTransferred = c.policies;
        EXPECT_NE(summaryText(report).find(c.line), std::string::npos) << summaryText(report);
    }
}

TEST(Summary, JsonHoldsTheSameFigures)
{
    EXPECT_EQ(summaryJson(sampleReport()),
              "{\n"
              "  \"outcome\": \"finished\",\n"
              "  \"clean\": false,\n"
              "  \"exitCode\": 3,\n"
              "  \"reason\": \"\",\n"
              "  \"rowsWritten\": {\n"
              "    \"Login\": 1,\n"
              "    \"AgMast\": 3,\n"
              "    \"Family\": 12\n"
              "  },\n"
              "  \"steps\": [\n"
              "    {\"name\": \"Agmast\", \"sourceRowsRead\": 3, \"failedStatements\": 0},\n"
              "    {\"name\": \"Family\", \"sourceRowsRead\": 12, \"failedStatements\": 2}\n"
              "  ],\n"
              "  \"connectionFailures\": 0,\n"
              "  \"skippedStatements\": 2,\n"
              "  \"policiesTransferred\": 7,\n"
              "  \"errorLogEntries\": 1,\n"
              "  \"errorLog\": \"/var/log/Error Log.txt\",\n"
              "  \"seconds\": 1.5,\n"
              "  \"commitSeconds\": 0\n"
              "}\n");
}

TEST(Summary, StoppedRunSaysItWasRolledBack)
{
    RunReport report;
    report.outcome = RunReport::Outcome::Stopped;
    report.reason = "there is no field 'RTel' in 'Family'.";
    const std::string text = summaryText(report);
    EXPECT_NE(text.find("Outcome:                   stopped, rolled back: the target is unchanged\n"),
              std::string::npos);
    EXPECT_NE(text.find("Reason:                    there is no field 'RTel' in 'Family'.\n"),
              std::string::npos);
}

struct JsonCase {
    const char* name;
    std::string text;
    std::string json;
};

class JsonStrings : public ::testing::TestWithParam<JsonCase> {};

TEST_P(JsonStrings, AreEscaped)
{
    EXPECT_EQ(jsonString(GetParam().text), GetParam().json);
}

INSTANTIATE_TEST_SUITE_P(
    Summary, JsonStrings,
    ::testing::Values(JsonCase{"plain", "Family", "\"Family\""},
                      JsonCase{"quote_and_backslash", "O'Brien said \"C:\\Data\"",
                               "\"O'Brien said \\\"C:\\\\Data\\\"\""},
                      JsonCase{"line_ends_and_tab", "a\r\nb\tc", "\"a\\r\\nb\\tc\""},
                      JsonCase{"control_character", std::string("x\x01y", 3), "\"x\\u0001y\""},
                      JsonCase{"utf8_kept", "B\xC4\x81ndr\xC4\x81", "\"B\xC4\x81ndr\xC4\x81\""},
                      JsonCase{"broken_utf8_replaced", "a\xC4z", "\"a\\ufffdz\""},
                      JsonCase{"overlong_utf8_replaced", "\xC0\xAF", "\"\\ufffd\\ufffd\""}),
    [](const auto& info) { return std::string(info.param.name); });

struct ExitCase {
    const char* name;
    RunReport::Outcome outcome;
    std::int64_t skipped;
    std::int64_t logEntries;
    int exitCode;
};

class ExitCodes : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitCodes, FollowTheOutcome)
{
    RunReport report;
    report.outcome = GetParam().outcome;
    report.skippedStatements = GetParam().skipped;
    report.logEntries = GetParam().logEntries;
    EXPECT_EQ(exitCodeFor(report), GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(Summary, ExitCodes,
                         ::testing::Values(ExitCase{"clean", RunReport::Outcome::Finished, 0, 0, 0},
                                           ExitCase{"skipped", RunReport::Outcome::Finished, 1, 0, 3},
                                           ExitCase{"logged", RunReport::Outcome::Finished, 0, 4, 3},
                                           ExitCase{"stopped", RunReport::Outcome::Stopped, 0, 0, 1},
                                           ExitCase{"abandoned", RunReport::Outcome::Abandoned, 3, 2, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The question --------------------------------------------------------------------------------

TEST(TerminalQuestion, ContinueAnswersYesAndSaysSo)
{
    std::istringstream in;
    std::ostringstream err;
    TerminalQuestion question(OnError::Continue, in, err);
    EXPECT_TRUE(question.askContinue("Overflow"));
    EXPECT_EQ(err.str(), "Overflow\n\nDo you want to continue ?\nYes\n");
}

TEST(TerminalQuestion, StopAnswersNo)
{
    std::istringstream in;
    std::ostringstream err;
    TerminalQuestion question(OnError::Stop, in, err);
    EXPECT_FALSE(question.askContinue("Could not find file '/x/zrv.accdb'."));
    EXPECT_EQ(err.str(), "Could not find file '/x/zrv.accdb'.\n\nDo you want to continue ?\nNo\n");
}

TEST(TerminalQuestion, AskReadsOneLinePerQuestion)
{
    std::istringstream in("y\n no \nYES\n");
    std::ostringstream err;
    TerminalQuestion question(OnError::Ask, in, err);
    EXPECT_TRUE(question.askContinue("first"));
    EXPECT_FALSE(question.askContinue("second"));
    EXPECT_TRUE(question.askContinue("third"));
    EXPECT_FALSE(question.askContinue("input ended"));
    EXPECT_EQ(err.str(), "first\n\nDo you want to continue ? [y/N] Yes\n"
                         "second\n\nDo you want to continue ? [y/N] No\n"
                         "third\n\nDo you want to continue ? [y/N] Yes\n"
                         "input ended\n\nDo you want to continue ? [y/N] \nNo\n");
    EXPECT_EQ(question.questionsAsked(), 4);
}

// On a terminal the description, which holds text from the data, shows its control characters
// escaped; elsewhere it is written as it is.
TEST(TerminalQuestion, EscapesControlCharactersForATerminal)
{
    for (const bool terminal : {true, false}) {
        std::istringstream in;
        std::ostringstream err;
        TerminalQuestion question(OnError::Continue, in, err);
        question.setEscapeControls(terminal);
        question.askContinue("Value 'A\x1b]2;pwned\x07' too long");
        EXPECT_EQ(err.str(), terminal
                                 ? "Value 'A\\x1B]2;pwned\\x07' too long\n\nDo you want to continue ?\nYes\n"
                                 : "Value 'A\x1b]2;pwned\x07' too long\n\nDo you want to continue ?\nYes\n");
    }
}

struct ControlCase {
    const char* name;
    std::string text;
    std::string shown;
};

class ControlCharacters : public ::testing::TestWithParam<ControlCase> {};

TEST_P(ControlCharacters, AreShownEscaped)
{
    EXPECT_EQ(escapeControls(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Terminal, ControlCharacters,
    ::testing::Values(ControlCase{"PlainTextStaysAsItIs", "Policy 12345, Asha", "Policy 12345, Asha"},
                      ControlCase{"LineFeedAndTabStay", "a\tb\nc", "a\tb\nc"},
                      ControlCase{"EscapeSequenceIsShown", "\x1b[2J\x1b]0;x\x07", "\\x1B[2J\\x1B]0;x\\x07"},
                      ControlCase{"CarriageReturnAndBackspace", "ok\r\bno", "ok\\x0D\\x08no"},
                      ControlCase{"Delete", std::string("a\x7f", 2), "a\\x7F"},
                      ControlCase{"C1ControlInUtf8",
                                  "a\xc2\x9b"
                                  "31mb",
                                  "a\\x9B31mb"},
                      ControlCase{"OtherUtf8Stays", "Nüñez \xe2\x82\xb9", "Nüñez \xe2\x82\xb9"},
                      ControlCase{"NulInside", std::string("a\0b", 3), "a\\x00b"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Progress ------------------------------------------------------------------------------------

class FixedClock : public Clock {
  public:
    float seconds = 0;
    float secondsSinceMidnight() override { return seconds; }
    std::string longDate() override { return "Tuesday, December 08, 2026"; }
    std::string longTime() override { return "3:11:01 AM"; }
};

class Progress : public ::testing::Test {
  protected:
    Progress() { clock.seconds = 1000.0F; }
    ProgressPrinter make(bool terminal, bool quiet)
    {
        ProgressPrinter printer(err, terminal, quiet, clock, 1000.0);
        printer.setTicker(
            [this] { return std::chrono::steady_clock::time_point(std::chrono::milliseconds(now)); });
        return printer;
    }
    FixedClock clock;
    std::ostringstream err;
    long now = 0;
};

TEST_F(Progress, OneLinePerUpdateAtMostOnceASecond)
{
    ProgressPrinter printer = make(false, false);
    printer.stepStarted("Agmast");
    clock.seconds = 1012.0F;
    now = 400;
    printer.stepStarted("LocMast"); // too soon: not written
    now = 1000;
    printer.pumpEvents();
    clock.seconds = 1185.0F;
    now = 2500;
    printer.stepStarted("Policies");
    EXPECT_EQ(err.str(), "0 second(s) elapsed   (Policies Transferred : 0)  [Agmast]\n"
                         "12 second(s) elapsed   (Policies Transferred : 0)  [LocMast]\n"
                         "3 minute(s) (Policies Transferred : 0)  [Policies]\n");
    EXPECT_EQ(printer.updatesWritten(), 3);
}

TEST_F(Progress, TerminalRewritesOneLineAndEndsIt)
{
    ProgressPrinter printer = make(true, false);
    clock.seconds = 1012.0F;
    printer.stepStarted("Family");
    now = 1500;
    clock.seconds = 1013.0F;
    printer.stepStarted("Client");
    printer.endLine();
    printer.endLine();
    EXPECT_EQ(err.str(), "\r12 second(s) elapsed   (Policies Transferred : 0)  [Family]"
                         "\r13 second(s) elapsed   (Policies Transferred : 0)  [Client]\n");
}

// A table rule the run cannot apply is a warning line of its own, even when quiet; on a terminal its
// control characters are shown escaped.
TEST_F(Progress, RuleWarningsAreLinesOfTheirOwn)
{
    ProgressPrinter printer = make(true, true);
    printer.warning("The default value Foo(\x1b) of the field 'T.F' is not one this program evaluates");
    EXPECT_EQ(err.str(),
              "orrin-import: warning: The default value Foo(\\x1B) of the field 'T.F' is not one this "
              "program evaluates\n");
}

// A lock wait is shown at once, however soon after the last line; the next update drops it.
TEST_F(Progress, LockWaitIsShownAtOnceAndThenDropped)
{
    ProgressPrinter printer = make(false, false);
    printer.stepStarted("Policies");
    now = 100;
    printer.lockWait("/agent/LIC.mdb");
    now = 200;
    printer.lockWait("/agent/LIC.mdb"); // the same wait again: held back
    now = 1500;
    printer.pumpEvents();
    EXPECT_EQ(err.str(), "0 second(s) elapsed   (Policies Transferred : 0)  [Policies]\n"
                         "0 second(s) elapsed   (Policies Transferred : 0)  [Policies]  "
                         "waiting for /agent/LIC.mdb, in use by another program\n"
                         "0 second(s) elapsed   (Policies Transferred : 0)  [Policies]\n");
}

TEST_F(Progress, QuietWritesNothing)
{
    ProgressPrinter printer = make(false, true);
    printer.stepStarted("Agmast");
    now = 5000;
    printer.pumpEvents();
    printer.endLine();
    EXPECT_EQ(err.str(), "");
}

} // namespace
} // namespace orrin::cli
