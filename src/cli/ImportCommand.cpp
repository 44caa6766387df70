#include "cli/ImportCommand.h"

#include "calc/DataImport.h"
#include "cli/Options.h"
#include "cli/OutputFiles.h"
#include "cli/ProgressPrinter.h"
#include "cli/Summary.h"
#include "cli/TerminalQuestion.h"
#include "migration/MigrationRun.h"
#include "platform/Utf8Path.h"
#include "store/DatabaseFile.h"
#include "store/SqlCipherForm.h"
#include "value/Clock.h"

#include <exception>
#include <optional>
#include <system_error>
#include <utility>

namespace orrin::cli {

namespace {

constexpr int kExitStopped = 1;
constexpr int kExitNotCleanly = 3;
constexpr int kExitUsage = 2;

// What stops a run before it starts: a database path that names nothing, an output file over an
// input, an error log that is a link or no regular file, a summary that could not be written.
std::optional<std::string> refusal(const Options& options, const std::string& OrrinDbFolder,
                                   const std::string& AgentDbFolder, const std::filesystem::path& bonusDb,
                                   const std::filesystem::path& logFile)
{
    for (const auto& [option, path] :
         {std::pair{"--orrin-db", &options.orrinDb}, std::pair{"--agent-db", &options.agentDb}}) {
        std::error_code error;
        if (!std::filesystem::exists(platform::pathFromUtf8(*path), error)) {
            return std::string(option) + ": no such file or folder: '" + *path + "'";
        }
    }
    const std::vector<InputFile> inputs = inputFiles(OrrinDbFolder, AgentDbFolder, bonusDb);
    if (auto over = outputOverInput("--error-log", logFile, inputs)) {
        return over;
    }
    if (auto unusable = unusableLog(logFile)) {
        return unusable;
    }
    if (options.summaryJson) {
        if (auto over = outputOverInput("--summary-json", *options.summaryJson, inputs)) {
            return over;
        }
        if (auto unwritable = unwritableSummary(*options.summaryJson)) {
            return unwritable;
        }
    }
    return std::nullopt;
}

// What keeps the bonus database from serving the lookups, as the messages say it ("does not
// exist", "cannot be read (reason)"); nullopt when it opens, and when several names differ only in
// letter case (the lookups name them).
std::optional<std::string> bonusProblem(const std::filesystem::path& bonusDb)
{
    try {
        std::error_code error;
        if (!std::filesystem::exists(store::resolveDataSource(bonusDb.string()), error))
            return "does not exist";
    } catch (const Error&) {
        return std::nullopt;
    }
    if (const auto unreadable = calc::DataImport::unreadableBonusDatabase(bonusDb))
        return "cannot be read (" + *unreadable + ")";
    return std::nullopt;
}

int runWith(const Options& options, Terminal& terminal)
{
    const double StartTime = clock().secondsSinceMidnight();
    const std::string OrrinDbFolder = databaseFolder(options.orrinDb);
    const std::string AgentDbFolder = databaseFolder(options.agentDb);
    const std::filesystem::path logFile =
        options.errorLog ? *options.errorLog : calc::DataImport::defaultLogFile();
    const std::filesystem::path bonusDb =
        options.bonusDb ? *options.bonusDb : calc::DataImport::defaultBonusDatabase();
    const auto shownOnErr = [&](const std::string& text) {
        return terminal.errorIsTerminal ? escapeControls(text) : text;
    };

    if (auto refused = refusal(options, OrrinDbFolder, AgentDbFolder, bonusDb, logFile)) {
        terminal.err << "orrin-import: " << shownOnErr(*refused) << '\n';
        return kExitUsage;
    }
    const OnError mode = options.onError.value_or(terminal.inputIsTerminal ? OnError::Ask : OnError::Stop);
    TerminalQuestion question(mode, terminal.in, terminal.err);
    question.setEscapeControls(terminal.errorIsTerminal);

    // A bonus database that cannot serve the lookups is the first question, before anything is
    // written: going on leaves every maturity amount that needs bonus years to the error log.
    if (const auto problem = bonusProblem(bonusDb)) {
        const std::string said = "the bonus database '" + bonusDb.string() + "' " + *problem;
        const std::string consequence =
            "every maturity amount that needs bonus years will be an error log entry";
        if (mode == OnError::Continue) {
            terminal.err << "orrin-import: warning: " << shownOnErr(said) << "; " << consequence << '\n';
        } else if (mode == OnError::Stop || !question.askContinue(said + "; " + consequence)) {
            terminal.err << "orrin-import: stopped: " << shownOnErr(said) << "; nothing was written\n";
            return kExitStopped;
        }
    }

    calc::DataImport dataImport;
    dataImport.setLogFile(logFile);
    dataImport.setBonusDatabase(bonusDb);

    ProgressPrinter progress(terminal.err, terminal.errorIsTerminal, options.quiet, clock(), StartTime);
    question.setBeforeAsking([&progress] { progress.endLine(); });

    migration::MigrationRun run(dataImport, question, progress);
    progress.watch(run);
    if (terminal.stopSignal != nullptr) {
        run.watchSignalFlag(terminal.stopSignal);
    }
    const migration::RunReport report = run.run(OrrinDbFolder, AgentDbFolder);
    progress.endLine();

    if (report.signal != 0) {
        terminal.err << "orrin-import: stopped by signal " << report.signal << ": "
                     << (report.recoveryFailure.empty() ? "the target is unchanged"
                                                        : "the import was rolled back")
                     << '\n';
    } else if (report.outcome != migration::RunReport::Outcome::Finished) {
        terminal.err << "orrin-import: " << outcomeName(report.outcome) << ": " << shownOnErr(report.reason)
                     << '\n';
    }
    if (!report.recoveryFailure.empty()) {
        terminal.err << "orrin-import: " << shownOnErr(report.recoveryFailure) << '\n';
    }
    const std::string summary = summaryText(report);
    terminal.out << (terminal.outputIsTerminal ? escapeControls(summary) : summary) << std::flush;
    int status = exitCodeFor(report);
    // Written whole at the end: a run that is killed leaves the old summary, never half of one.
    // A summary that cannot be written changes nothing about the target: after a commit the status
    // still says that the import was saved (3: finished, but not cleanly), and 1 stays 1.
    if (options.summaryJson && !replaceFile(*options.summaryJson, summaryJson(report))) {
        const bool saved = status != kExitStopped;
        terminal.err << "orrin-import: the summary file '" << shownOnErr(options.summaryJson->string())
                     << "' could not be written"
                     << (saved ? "; the import was saved" : "; the target is unchanged") << '\n';
        if (saved)
            status = kExitNotCleanly;
    }
    return status;
}

} // namespace

int runImport(const std::vector<std::string>& arguments, Terminal& terminal)
{
    Options options;
    try {
        options = parseOptions(arguments);
    } catch (const UsageError& error) {
        terminal.err << "orrin-import: " << error.message << "\n\n" << usageText();
        return kExitUsage;
    }
    if (options.help) {
        terminal.out << usageText();
        return 0;
    }
    if (options.version) {
        terminal.out << "orrin-import " << ORRIN_VERSION << "\n" << store::engineVersionText() << "\n";
        return 0;
    }
    try {
        return runWith(options, terminal);
    } catch (const std::exception& failure) {
        terminal.err << "orrin-import: " << failure.what() << '\n';
        return kExitStopped;
    }
}

} // namespace orrin::cli
