#include "migration/MigrationRun.h"

#include "migration/RunSteps.h"
#include "store/LockWaits.h"

#include <chrono>
#include <exception>

namespace orrin::migration {

MigrationRun::MigrationRun(calc::DataImport& dataImport, ErrorQuestion& question, RunObserver& observer)
    : m_dataImport(dataImport), m_question(question), m_observer(observer)
{
}

MigrationRun::~MigrationRun() = default;

RunReport MigrationRun::run(const std::string& OrrinDbFolder, const std::string& AgentDbFolder)
{
    RunReport report;
    const auto started = std::chrono::steady_clock::now();
    const std::int64_t logEntriesBefore = m_dataImport.logEntriesWritten();

    {
        // Every connection of the run, the lookups' included, waits for other programs' locks out of
        // one budget; a stop cuts a wait short.
        store::LockWaits lockWaits;
        lockWaits.setWaitingNotice([this](const std::string& file) { m_observer.lockWait(file); });
        lockWaits.setStopCheck([this] { return stopDue(); });
        // The calculations' hold on this run: their connections, kept rows and the run's one yield (a
        // stop asked for while events ran ends the run right there), until the run ends.
        calc::RunSession session(
            m_dataImport,
            [this] {
                m_observer.pumpEvents();
                stopIfAsked();
            },
            &lockWaits);
        RunSteps steps(m_dataImport, session, m_question, m_observer, report, m_policiesTransferred);
        steps.setLockWaits(&lockWaits);
        steps.setStopPoint([this] { stopIfAsked(); });
        try {
            steps.openDatabases(OrrinDbFolder, AgentDbFolder);
            steps.agentStep();
            steps.locationStep();
            steps.branchStep();
            steps.companyStep();
            steps.familyStep();
            steps.clientStep();
            steps.policyStep();
            // The lookups hold the source and bonus files open; let go of them before the commit.
            session.connections().closeLookups();
            steps.closeDatabases();
        } catch (const RunStop& stop) {
            steps.abandon();
            report.outcome = stop.outcome;
            report.reason = stop.reason;
            report.signal = stop.signal;
            report.stoppedByUser = stop.byUser;
        } catch (const std::exception& failure) {
            // Nothing of a run that failed in an unforeseen way is kept.
            steps.abandon();
            report.outcome = RunReport::Outcome::Abandoned;
            report.reason = std::string("The import failed unexpectedly: ") + failure.what();
        }
    }
    if (report.outcome != RunReport::Outcome::Finished) {
        // Rolled back: the target keeps none of the rows the steps had saved.
        for (auto& [table, rows] : report.rowsWritten) {
            rows = 0;
        }
    }

    report.logEntries = m_dataImport.logEntriesWritten() - logEntriesBefore;
    report.logFile = m_dataImport.logFile();
    report.policiesTransferred = m_policiesTransferred;
    report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return report;
}

void MigrationRun::stopIfAsked() const
{
    if (m_signalFlag != nullptr && *m_signalFlag != 0) {
        const int signal = static_cast<int>(*m_signalFlag);
        throw RunStop{RunReport::Outcome::Stopped, "stopped by signal " + std::to_string(signal), signal,
                      false};
    }
    if (m_stopRequested) {
        throw RunStop{RunReport::Outcome::Stopped, "The import was stopped before it finished.", 0, true};
    }
}

} // namespace orrin::migration
