#include "wizard/core/WizardTexts.h"

#include "calc/DataImport.h"
#include "store/DatabaseFile.h"

#include <system_error>

namespace orrin::wizard {

namespace {

// The classic line break, which the message texts keep; a Qt box shows it as one line break.
const char* const kLineBreak = "\r\n";
const char* const kContinueQuestion = "Do you want to continue ?";

} // namespace

std::string errorQuestionText(const std::string& description)
{
    return description + kLineBreak + kLineBreak + kContinueQuestion;
}

std::string abandonedText(const std::string& reason, const std::string& recoveryFailure)
{
    return "The import was stopped: " + reason + kLineBreak + kLineBreak +
           (recoveryFailure.empty() ? std::string("Nothing was changed in the Calvane database.")
                                    : recoveryFailure);
}

std::string bonusProblem(const std::filesystem::path& bonusDatabase)
{
    const std::string name = bonusDatabase.string();
    try {
        std::error_code error;
        if (std::filesystem::exists(store::resolveDataSource(name), error)) {
            const auto unreadable = calc::DataImport::unreadableBonusDatabase(bonusDatabase);
            if (!unreadable) {
                return {};
            }
            return "The bonus database \"" + name + "\" cannot be read (" + *unreadable + ")";
        }
    } catch (const Error&) {
        return {}; // several names differ only in letter case; the lookups name them
    }
    return "The bonus database \"" + name + "\" was not found";
}

std::string bonusWarning(const std::string& problem)
{
    if (problem.empty()) {
        return {};
    }
    return problem + ": the maturity amounts that need bonus years were written to the error log instead.";
}

std::string bonusQuestionText(const std::string& problem)
{
    return problem +
           ": the maturity amounts that need bonus years will be written to the error log instead." +
           kLineBreak + kLineBreak + kContinueQuestion;
}

std::string failureText(const std::string& failure)
{
    return "The import did not finish: " + failure;
}

std::string completionText(const migration::RunReport& report, const std::string& warning)
{
    std::string text = kSuccessMessage;
    if (!warning.empty()) {
        text += kLineBreak;
        text += kLineBreak + warning;
    }
    for (const std::string& ruleWarning : report.warnings) {
        text += kLineBreak;
        text += kLineBreak + ruleWarning;
    }
    if (report.clean()) {
        return text;
    }
    text += kLineBreak;
    text += kLineBreak;
    if (report.skippedStatements == 1) {
        text += "1 statement failed and was skipped.";
    } else {
        text += std::to_string(report.skippedStatements) + " statements failed and were skipped.";
    }
    text += kLineBreak;
    const std::string logFile = report.logFile.string();
    if (report.logEntries == 1) {
        text += "1 entry was written to the error log file \"" + logFile + "\".";
    } else {
        text += std::to_string(report.logEntries) + " entries were written to the error log file \"" +
                logFile + "\".";
    }
    return text;
}

} // namespace orrin::wizard
