// The texts of the wizard's messages and questions.
#include "wizard/core/WizardTexts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace orrin::wizard {
namespace {

TEST(WizardTexts, ErrorQuestionText)
{
    EXPECT_EQ(
        errorQuestionText("Item not found in this collection: LocMast.LocDesc"),
        std::string("Item not found in this collection: LocMast.LocDesc\r\n\r\nDo you want to continue ?"));
    EXPECT_EQ(errorQuestionText(""), std::string("\r\n\r\nDo you want to continue ?"));
}

TEST(WizardTexts, AbandonedRunSaysWhyAndThatNothingChanged)
{
    EXPECT_EQ(abandonedText("database or disk is full"),
              std::string("The import was stopped: database or disk is full\r\n\r\n"
                          "Nothing was changed in the Calvane database."));
    EXPECT_EQ(abandonedText("database or disk is full",
                            "The journal '/a/LIC.mdb-journal' could not be replayed: disk I/O error."),
              std::string("The import was stopped: database or disk is full\r\n\r\n"
                          "The journal '/a/LIC.mdb-journal' could not be replayed: disk I/O error."));
    EXPECT_EQ(failureText(std::string("std::bad_alloc")),
              std::string("The import did not finish: std::bad_alloc"));
}

TEST(WizardTexts, CompletionMessageNamesTheRulesThatWereNotApplied)
{
    migration::RunReport report;
    report.warnings = {
        "The validation rule X() of the table 'T' is not one this program evaluates (...): it is "
        "not applied."};
    EXPECT_EQ(
        completionText(report),
        std::string("Orrin Data Import successful !!!\r\n\r\nThe validation rule X() of the table 'T' is "
                    "not one this program evaluates (...): it is not applied."));
}

struct CompletionCase {
    const char* name;
    std::int64_t skipped;
    std::int64_t logEntries;
    const char* text;
};

void PrintTo(const CompletionCase& c, std::ostream* out)
{
    *out << c.name;
}

class CompletionMessage : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(CompletionMessage, SaysWhatWentWrongBelowTheSuccessLine)
{
    migration::RunReport report;
    report.skippedStatements = GetParam().skipped;
    report.logEntries = GetParam().logEntries;
    report.logFile = "/home/agent/.local/state/orrin-import/Error Log.txt";
    EXPECT_EQ(completionText(report), std::string(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    WizardTexts, CompletionMessage,
    ::testing::Values(
        CompletionCase{"Clean", 0, 0, "Orrin Data Import successful !!!"},
        CompletionCase{"OneSkipped", 1, 0,
                       "Orrin Data Import successful !!!\r\n\r\n1 statement failed and was skipped.\r\n"
                       "0 entries were written to the error log file "
                       "\"/home/agent/.local/state/orrin-import/Error Log.txt\"."},
        CompletionCase{"OneLogEntry", 0, 1,
                       "Orrin Data Import successful !!!\r\n\r\n0 statements failed and were skipped.\r\n"
                       "1 entry was written to the error log file "
                       "\"/home/agent/.local/state/orrin-import/Error Log.txt\"."},
        CompletionCase{"Several", 12, 340,
                       "Orrin Data Import successful !!!\r\n\r\n12 statements failed and were skipped.\r\n"
                       "340 entries were written to the error log file "
                       "\"/home/agent/.local/state/orrin-import/Error Log.txt\"."}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orrin::wizard
