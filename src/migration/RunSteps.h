#pragma once

#include "calc/DataImport.h"
#include "migration/FieldMapping.h"
#include "migration/MigrationRun.h"
#include "migration/RunInterfaces.h"
#include "store/Connection.h"
#include "store/DatabaseLocation.h"
#include "store/Recordset.h"
#include "value/Trap.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace orrin::migration {

// Ends the run: the user answered No, asked to stop, or the engine gave up the transaction. It is
// deliberately not an orrin::Error, so that no trap on the way (the run's own, or one inside the
// calculation module) takes it for a failing statement.
struct RunStop {
    RunReport::Outcome outcome;
    std::string reason;
    int signal = 0;      // the signal that stopped the run
    bool byUser = false; // the user answered No or asked to stop
};

// The run's handles and its table steps. Every statement of a step runs under the run's trap: a
// failure is counted in the running step's report and asked about; Yes goes on with the next
// statement, No throws RunStop. All target writes happen inside one transaction on the target
// connection, which closeDatabases commits and abandon rolls back.
class RunSteps {
  public:
    RunSteps(calc::DataImport& dataImport, calc::RunSession& session, ErrorQuestion& question,
             RunObserver& observer, RunReport& report, double& PoliciesTransferred);
    ~RunSteps();
    RunSteps(const RunSteps&) = delete;
    RunSteps& operator=(const RunSteps&) = delete;

    // The budget the run's connections wait for other programs' locks out of (none: a few seconds
    // per statement). Set before openDatabases.
    void setLockWaits(store::LockWaits* waits) { m_lockWaits = waits; }
    // Called between statements; throws RunStop when the run is to stop (a signal, a close).
    void setStopPoint(std::function<void()> stopPoint) { m_stopPoint = std::move(stopPoint); }

    // Opens conZRV (read-only, then one read transaction on it, so the whole run reads one
    // snapshot), conLIC (then takes its write lock) and dbLIC, in that order. A database that does
    // not open, or whose lock does not come, ends the run (RunStop, Stopped) whatever the answer to
    // failures would be: with nothing to read or nowhere to write, going on could only empty the
    // target.
    void openDatabases(const std::string& OrrinDbFolder, const std::string& AgentDbFolder);

    void agentStep();
    void locationStep();
    void branchStep();
    void companyStep();
    void familyStep();
    void clientStep();
    void policyStep();

    // Closes conZRV, commits and closes conLIC, releases dbLIC. A commit that fails throws RunStop
    // (Abandoned): a run whose writes were not kept never finishes as a success.
    void closeDatabases();

    // After a RunStop: rolls the transaction back and closes everything, asking nothing. When the
    // engine had given up the transaction, or the rollback failed, the target is opened once more
    // so that its journal is replayed and the file alone is whole; a replay that fails is told in
    // the report's recoveryFailure.
    void abandon() noexcept;

  private:
    struct LoopHooks {
        std::function<void()> beforeRow;    // after the EOF test, before the row's AddNew
        std::function<void()> afterAddNew;  // right after the row's AddNew
        std::function<void()> beforeUpdate; // after the last field, before Update
    };

    // A mapping's target positions in a table (see targetPositions).
    struct MappingPositions {
        const MappingTable* mapping;
        std::shared_ptr<const store::TableInfo> table;
        std::vector<int> positions;
    };

    void onFailure(const Error& error);
    const std::vector<int>* targetPositions(const store::Recordset& target, const MappingTable& mapping);
    // Throws RunStop when the run is to stop; nothing after the commit.
    void stopPoint();
    // Runs an opening statement; a failure ends the run (RunStop, Stopped) without a question.
    void openOrStop(const std::function<void()>& open);
    void beginStep(std::string_view observerName, std::string reportName);
    void deleteFrom(std::string_view table);
    void openRecordset(store::Recordset& recordset, std::string_view source, store::Connection& connection);
    void closeRecordset(store::Recordset& recordset);
    void writeRow(store::Recordset& target, const std::string& table, const MappingTable& mapping,
                  RowSource& row, const LoopHooks& hooks);
    void commonLoop(store::Recordset& target, const std::string& table, store::Recordset& source,
                    const MappingTable& mapping, const LoopHooks& hooks = {});
    // Delete, open target then source, the common loop, close target then source.
    void copyTable(const std::string& table, std::string_view source, const MappingTable& mapping,
                   const LoopHooks& hooks = {});
    void openDbLIC(const std::string& AgentDbFolder);
    store::Connection& dbLIC();

    calc::DataImport& m_dataImport;
    calc::RunSession& m_session;
    std::deque<MappingPositions> m_targetPositions; // kept in place: writeRow holds on to one
    ErrorQuestion& m_question;
    RunObserver& m_observer;
    RunReport& m_report;
    double& m_policiesTransferred;
    Trap m_trap;
    int m_currentStep = -1; // index into the report's steps; -1 while the databases open and close

    store::Connection m_conZRV;
    store::Connection m_conLIC;
    store::Connection* m_dbLIC = nullptr; // the target connection itself, once it was "opened"
    store::Connection m_unopened;         // what a failed dbLIC open leaves the calculations
    bool m_transactionBegun = false;
    bool m_committed = false;
    std::string m_sourceDbPath;
    store::DatabaseLocation m_target; // the target as the run opens it
    store::LockWaits* m_lockWaits = nullptr;
    std::function<void()> m_stopPoint;
};

} // namespace orrin::migration
