#pragma once

#include "calc/DataImport.h"
#include "migration/RunInterfaces.h"
#include "store/Connection.h"

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace orrin::migration {

// What one table step did.
struct StepReport {
    std::string name;                  // the source table (or "Client1" for the client query)
    std::int64_t sourceRowsRead = 0;   // rows the loop visited
    std::int64_t failedStatements = 0; // statements that failed and were answered
};

struct RunReport {
    enum class Outcome {
        Finished,  // the run went to its end and was committed
        Stopped,   // the user answered No (or asked to stop): rolled back, target unchanged
        Abandoned, // the engine gave up the transaction: rolled back, target unchanged
    };
    Outcome outcome = Outcome::Finished;
    std::string reason;         // for Stopped and Abandoned: the failure that ended the run
    bool stoppedByUser = false; // Stopped by the user's No or stop request (not a failed open)
    int signal = 0;             // Stopped by this signal
    // Set when the target's journal could not be replayed after the run was rolled back: the file
    // alone is then not whole, and this says why and names the journal.
    std::string recoveryFailure;
    std::int64_t skippedStatements = 0;  // failures answered Yes
    std::int64_t connectionFailures = 0; // failed statements outside the steps (opening, closing)
    std::int64_t logEntries = 0;         // error log entries written by the calculations
    std::filesystem::path logFile;
    std::vector<StepReport> steps;
    // Given before the first step: the target's table rules that the run could not apply.
    std::vector<std::string> warnings;
    std::map<std::string, std::int64_t> rowsWritten; // per target table, rows saved
    double policiesTransferred = 0;
    double seconds = 0;
    double commitSeconds = 0; // of seconds, the commit (writing an Access target's tables)

    bool clean() const { return outcome == Outcome::Finished && skippedStatements == 0 && logEntries == 0; }
};

// The migration run: empties the target's tables and refills them from the source, table by table,
// in one transaction on the target (committed at the end, rolled back when stopped). Every
// statement runs under the run's trap: a failure asks the ErrorQuestion; Yes goes on with the next
// statement, No stops the run.
class MigrationRun {
  public:
    MigrationRun(calc::DataImport& dataImport, ErrorQuestion& question, RunObserver& observer);
    ~MigrationRun();

    // Runs once. The folders are texts as the window holds them (ending in a separator, or "").
    RunReport run(const std::string& OrrinDbFolder, const std::string& AgentDbFolder);

    // Counted during the policy step; read by the progress caption.
    double PoliciesTransferred() const { return m_policiesTransferred; }

    // Asks the run to stop at its next statement and roll back (the window was closed during it).
    void requestStop() { m_stopRequested = true; }
    // A flag that a signal handler sets to the signal's number: the run then finishes the statement
    // in hand, rolls back and reports Stopped with that signal. Set before run(); must outlive it.
    void watchSignalFlag(const volatile std::sig_atomic_t* flag) { m_signalFlag = flag; }

  private:
    // Throws the RunStop for a stop asked for (a signal's first); stopDue() says whether one was.
    void stopIfAsked() const;
    bool stopDue() const { return m_stopRequested || (m_signalFlag != nullptr && *m_signalFlag != 0); }

    calc::DataImport& m_dataImport;
    ErrorQuestion& m_question;
    RunObserver& m_observer;
    double m_policiesTransferred = 0;
    bool m_stopRequested = false;
    const volatile std::sig_atomic_t* m_signalFlag = nullptr;
};

} // namespace orrin::migration
