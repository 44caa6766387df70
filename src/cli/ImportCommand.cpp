#include "cli/ImportCommand.h"

#include "calc/DataImport.h"
#include "cli/Options.h"
#include "cli/ProgressPrinter.h"
#include "cli/Summary.h"
#include "cli/TerminalQuestion.h"
#include "migration/MigrationRun.h"
#include "value/Clock.h"

#include <exception>
#include <fstream>
#include <memory>

namespace orrin::cli {

namespace {

constexpr int kExitStopped = 1;
constexpr int kExitUsage = 2;

int runWith(const Options& options, Terminal& terminal)
{
    // The JSON file is opened before the run, so that a summary that could not be written never
    // comes as a surprise after the target was changed.
    std::unique_ptr<std::ofstream> json;
    if (options.summaryJson) {
        json = std::make_unique<std::ofstream>(*options.summaryJson, std::ios::binary | std::ios::trunc);
        if (!*json) {
            terminal.err << "orrin-import: cannot write the summary file '" << options.summaryJson->string()
                         << "'\n";
            return kExitUsage;
        }
    }

    const double StartTime = clock().secondsSinceMidnight();
    const std::string OrrinDbFolder = databaseFolder(options.orrinDb);
    const std::string AgentDbFolder = databaseFolder(options.agentDb);

    calc::DataImport dataImport;
    dataImport.setLogFile(options.errorLog ? *options.errorLog : calc::DataImport::defaultLogFile());
    dataImport.setBonusDatabase(options.bonusDb ? *options.bonusDb
                                                : calc::DataImport::defaultBonusDatabase());

    const OnError mode = options.onError.value_or(terminal.inputIsTerminal ? OnError::Ask : OnError::Stop);
    TerminalQuestion question(mode, terminal.in, terminal.err);
    ProgressPrinter progress(terminal.err, terminal.errorIsTerminal, options.quiet, clock(), StartTime);
    question.setBeforeAsking([&progress] { progress.endLine(); });

    migration::MigrationRun run(dataImport, question, progress);
    progress.watch(run);
    const migration::RunReport report = run.run(OrrinDbFolder, AgentDbFolder);
    progress.endLine();

    if (report.outcome != migration::RunReport::Outcome::Finished) {
        terminal.err << "orrin-import: " << outcomeName(report.outcome) << ": " << report.reason << '\n';
    }
    terminal.out << summaryText(report) << std::flush;
    int status = exitCodeFor(report);
    if (json) {
        *json << summaryJson(report);
        json->close();
        if (!*json) {
            terminal.err << "orrin-import: the summary file '" << options.summaryJson->string()
                         << "' could not be written\n";
            status = kExitStopped;
        }
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
    try {
        return runWith(options, terminal);
    } catch (const std::exception& failure) {
        terminal.err << "orrin-import: " << failure.what() << '\n';
        return kExitStopped;
    }
}

} // namespace orrin::cli
