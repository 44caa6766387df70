#include "migration/RunSteps.h"

#include "migration/ConnectionTexts.h"
#include "migration/MappingTables.h"
#include "store/DatabaseFile.h"
#include "store/LockWaits.h"
#include "store/StoreError.h"
#include "value/Error.h"

#include <chrono>
#include <filesystem>
#include <system_error>
#include <unordered_map>
#include <utility>

namespace orrin::migration {

namespace {

// The current row of a source recordset, read afresh at every call.
class RecordsetRow : public RowSource {
  public:
    RecordsetRow(store::Recordset& source, calc::DataImport& dataImport, const std::string& DbPath)
        : m_source(source), m_dataImport(dataImport), m_dbPath(DbPath)
    {
    }

    // A field of a table is read by its position, found once per name; the names come from the
    // mapping tables, so each is recognised by its address (and checked by its text).
    Variant field(std::string_view name) override
    {
        const int position = positionOf(name);
        return position >= 0 ? m_source.field(position) : m_source.field(name);
    }
    std::int64_t absolutePosition() override { return m_source.absolutePosition(); }
    Variant personLookup(const std::string& Field, const std::string& Table) override
    {
        const Variant FamilyCode = m_source.field("FamilyCode");
        const Variant PersCode = m_source.field("PersCode");
        return m_dataImport.OrrinDFirstForPerson(Field, Table, m_dbPath, FamilyCode, PersCode);
    }

  private:
    struct Known {
        std::string name;
        int position;
    };

    // The field's position in the source's table, or -1 (a query, a recordset that did not open, a
    // name the table lacks: read by name, which fails as it should).
    int positionOf(std::string_view name)
    {
        if (const auto known = m_known.find(name.data());
            known != m_known.end() && known->second.name == name)
            return known->second.position;
        const int position = m_source.fieldPosition(name);
        if (position >= 0)
            m_known[name.data()] = Known{std::string(name), position};
        return position;
    }

    store::Recordset& m_source;
    calc::DataImport& m_dataImport;
    const std::string& m_dbPath;
    std::unordered_map<const char*, Known> m_known;
};

// Rows of constants read nothing from the source.
class NoRow : public RowSource {
  public:
    Variant field(std::string_view name) override
    {
        throw Error(store::code::ItemNotFound,
                    "Item '" + std::string(name) + "' not found: this row has no source.");
    }
    std::int64_t absolutePosition() override { return 0; }
    Variant personLookup(const std::string& Field, const std::string&) override { return field(Field); }
};

// Lets the calculations keep the reference rows they read while the policy step runs: the run holds
// the target's write lock, writes no plans or bonus rates, and is the only writer of SB (which it has
// just emptied), so a plan reads the same for every policy.
class ReferenceRowsKept {
  public:
    explicit ReferenceRowsKept(calc::RunSession& session) : m_session(session)
    {
        m_session.caches().keepReferenceRows(true);
    }
    ~ReferenceRowsKept() { m_session.caches().keepReferenceRows(false); }
    ReferenceRowsKept(const ReferenceRowsKept&) = delete;
    ReferenceRowsKept& operator=(const ReferenceRowsKept&) = delete;

  private:
    calc::RunSession& m_session;
};

} // namespace

RunSteps::RunSteps(calc::DataImport& dataImport, calc::RunSession& session, ErrorQuestion& question,
                   RunObserver& observer, RunReport& report, double& PoliciesTransferred)
    : m_dataImport(dataImport), m_session(session), m_question(question), m_observer(observer),
      m_report(report), m_policiesTransferred(PoliciesTransferred),
      m_trap([this](const Error& error) { onFailure(error); })
{
    for (const char* table :
         {"Login", "Times", "AgMast", "LocMast", "BrnMast", "company", "Family", "Client", "Policies"}) {
        m_report.rowsWritten[table] = 0;
    }
}

RunSteps::~RunSteps()
{
    abandon();
}

// A failing statement: counted where it happened, then asked about. When the engine has already
// rolled the transaction back, nothing written after this point could be kept, so the run ends
// without a question. After the commit nothing can be undone any more: a failure then (closing the
// target) is counted and passed over.
void RunSteps::onFailure(const Error& error)
{
    if (m_currentStep >= 0) {
        ++m_report.steps[static_cast<std::size_t>(m_currentStep)].failedStatements;
    } else {
        ++m_report.connectionFailures;
    }
    // A signal that came during the statement (a lock wait cut short, say) stops the run here.
    stopPoint();
    if (m_transactionBegun && !m_committed &&
        (m_conLIC.transactionLost() || error.number() == store::code::Abandoned)) {
        throw RunStop{RunReport::Outcome::Abandoned,
                      "The database engine abandoned the import's transaction after this failure: " +
                          error.description()};
    }
    // A lock that did not come in the run's time will not come for the next statement either.
    if (!m_committed && error.number() == store::code::InUse) {
        throw RunStop{RunReport::Outcome::Stopped, error.description()};
    }
    // A damaged database (a source table that does not read) ends the run as a failed open does,
    // whatever the answer: going on would only empty the target tables it should have refilled.
    // So does an error log that cannot be written: every calculation that failed after it would
    // leave its value wrong or blank with the reason recorded nowhere.
    if (!m_committed && (error.number() == store::code::Damaged || error.number() == err::FileError)) {
        throw RunStop{RunReport::Outcome::Stopped, error.description()};
    }
    const bool goOn = m_committed || m_question.askContinue(error.description());
    stopPoint();
    if (goOn) {
        ++m_report.skippedStatements;
        return;
    }
    throw RunStop{RunReport::Outcome::Stopped, error.description(), 0, true};
}

void RunSteps::stopPoint()
{
    if (m_committed) {
        return;
    }
    if (m_stopPoint) {
        m_stopPoint();
    }
    // The engine may pass over a lock it waited for in vain (it keeps the pages in memory); the
    // commit could only fail the same way, so the run gives up now.
    if (m_transactionBegun && m_lockWaits != nullptr && m_conLIC.isOpen() &&
        m_lockWaits->gaveUpOn(m_conLIC.fileName())) {
        throw RunStop{RunReport::Outcome::Stopped, "The import gave up waiting for its lock: " +
                                                       store::inUseText(m_conLIC.fileName()) + "."};
    }
}

void RunSteps::beginStep(std::string_view observerName, std::string reportName)
{
    m_report.steps.push_back(StepReport{std::move(reportName), 0, 0});
    m_currentStep = static_cast<int>(m_report.steps.size()) - 1;
    m_observer.stepStarted(observerName);
}

void RunSteps::deleteFrom(std::string_view table)
{
    stopPoint();
    const std::string sql = "Delete from " + std::string(table);
    m_trap.step([&] { m_conLIC.execute(sql); });
}

void RunSteps::openRecordset(store::Recordset& recordset, std::string_view source,
                             store::Connection& connection)
{
    stopPoint();
    m_trap.step([&] { recordset.open(source, connection); });
}

void RunSteps::closeRecordset(store::Recordset& recordset)
{
    m_trap.step([&] { recordset.close(); });
}

void RunSteps::writeRow(store::Recordset& target, const std::string& table, const MappingTable& mapping,
                        RowSource& row, const LoopHooks& hooks)
{
    m_trap.step([&] { target.addNew(); });
    if (hooks.afterAddNew) {
        hooks.afterAddNew();
    }
    const std::vector<int>* positions = targetPositions(target, mapping);
    for (std::size_t i = 0; i < mapping.size(); ++i) {
        const FieldMapping& line = mapping[i];
        m_trap.step([&] {
            const Variant value = evaluate(line, row);
            if (positions != nullptr)
                target.setField((*positions)[i], line.target, value);
            else
                target.setField(line.target, value);
        });
    }
    if (hooks.beforeUpdate) {
        hooks.beforeUpdate();
    }
    m_trap.step([&] {
        target.update();
        ++m_report.rowsWritten[table];
    });
}

// The positions of a mapping's target fields in the table target is open on, found once per mapping
// and table; nullptr when target is on no table (the fields are then set by name, and fail so).
const std::vector<int>* RunSteps::targetPositions(const store::Recordset& target, const MappingTable& mapping)
{
    const std::shared_ptr<const store::TableInfo>& table = target.tableInfo();
    if (!table)
        return nullptr;
    for (const MappingPositions& known : m_targetPositions) {
        if (known.mapping == &mapping && known.table == table)
            return &known.positions;
    }
    MappingPositions found{&mapping, table, {}};
    for (const FieldMapping& line : mapping)
        found.positions.push_back(table->find(line.target));
    m_targetPositions.push_back(std::move(found));
    return &m_targetPositions.back().positions;
}

// One target row per source row, in the source's order. A failing EOF test is asked about and then
// ends the loop: counted as passed it would enter the body for ever, saving rows of nothing. A
// failing MoveNext ends it too, after its question: the source would stay on the same row, and the
// loop would save that row again and again.
void RunSteps::commonLoop(store::Recordset& target, const std::string& table, store::Recordset& source,
                          const MappingTable& mapping, const LoopHooks& hooks)
{
    RecordsetRow row(source, m_dataImport, m_sourceDbPath);
    for (;;) {
        stopPoint();
        bool atEnd = true;
        if (!m_trap.tryStep([&] { atEnd = source.eof(); }) || atEnd) {
            break;
        }
        ++m_report.steps[static_cast<std::size_t>(m_currentStep)].sourceRowsRead;
        if (hooks.beforeRow) {
            hooks.beforeRow();
        }
        writeRow(target, table, mapping, row, hooks);
        if (!m_trap.tryStep([&] { source.moveNext(); })) {
            break;
        }
    }
}

void RunSteps::copyTable(const std::string& table, std::string_view source, const MappingTable& mapping,
                         const LoopHooks& hooks)
{
    store::Recordset target;
    store::Recordset sourceRows;
    openRecordset(target, table, m_conLIC);
    openRecordset(sourceRows, source, m_conZRV);
    commonLoop(target, table, sourceRows, mapping, hooks);
    closeRecordset(target);
    closeRecordset(sourceRows);
}

void RunSteps::openDatabases(const std::string& OrrinDbFolder, const std::string& AgentDbFolder)
{
    const store::DatabaseLocation source = sourceLocation(OrrinDbFolder);
    m_target = targetLocation(AgentDbFolder);
    m_sourceDbPath = source.dataSource;
    // A real Calvane database that the Calvane application has open: the run does not start.
    const std::string locked =
        store::Connection::calvaneLockMessage(store::resolveDataSource(m_target.dataSource));
    if (!locked.empty())
        throw RunStop{RunReport::Outcome::Abandoned, locked};
    m_conZRV.setLockWaits(m_lockWaits);
    m_conLIC.setLockWaits(m_lockWaits);
    openOrStop([&] {
        m_conZRV.open(source, store::OpenMode::ReadOnly);
        m_conZRV.beginReadSnapshot();
    });
    // The client step's lookups read the same file with the same password: they share this
    // connection (and so its snapshot) rather than deriving the file's key a second time.
    m_session.connections().adopt(source, m_conZRV);
    openOrStop([&] { m_conLIC.open(m_target); });
    openOrStop([&] { m_conLIC.beginTransaction(); });
    m_transactionBegun = true;
    for (const std::string& warning : m_conLIC.ruleWarnings()) {
        m_report.warnings.push_back(warning);
        m_observer.warning(warning);
    }
    // A lookup whose file is the target (a bonus database that is the agent's own LIC.mdb) reads
    // inside the run's transaction, never through a second connection that waits on it.
    m_session.connections().shareTarget(m_conLIC, m_target.password);
    m_trap.step([&] { openDbLIC(AgentDbFolder); });
}

void RunSteps::openOrStop(const std::function<void()>& open)
{
    try {
        open();
    } catch (const Error& error) {
        ++m_report.connectionFailures;
        stopPoint();
        throw RunStop{RunReport::Outcome::Stopped, error.description()};
    }
}

// The calculations' handle on the target is the target connection itself, so that their writes
// belong to the run's transaction. "Opening" it checks that the name and password it would be
// opened with reach the file the target connection has open.
void RunSteps::openDbLIC(const std::string& AgentDbFolder)
{
    const store::DatabaseLocation dao = targetDaoLocation(AgentDbFolder);
    const std::filesystem::path file = store::resolveDataSource(dao.dataSource);
    std::error_code failure;
    if (!std::filesystem::exists(file, failure)) {
        throw Error(store::code::General, "Could not find file '" + file.string() + "'.");
    }
    if (!m_conLIC.isOpen() || !std::filesystem::equivalent(file, m_conLIC.path(), failure)) {
        throw Error(store::code::General, "Could not open the database '" + file.string() +
                                              "': the target connection is not open on it.");
    }
    if (dao.password != m_target.password) {
        throw Error(store::code::General, "Not a valid password for the database '" + file.string() + "'.");
    }
    m_dbLIC = &m_conLIC;
}

store::Connection& RunSteps::dbLIC()
{
    return m_dbLIC != nullptr ? *m_dbLIC : m_unopened;
}

void RunSteps::agentStep()
{
    beginStep("Agmast", "Agmast");
    deleteFrom("Login");
    deleteFrom("AgMast");

    store::Recordset login;
    store::Recordset times;
    store::Recordset agMast;
    store::Recordset source;
    openRecordset(login, "Login", m_conLIC);
    openRecordset(times, "Times", m_conLIC);
    openRecordset(agMast, "AgMast", m_conLIC);
    openRecordset(source, "Agmast", m_conZRV);

    // The login and its settings row come from the first agent only; the source stays on that
    // row, which the loop below copies into AgMast as well.
    if (m_trap.test([&] { return source.recordCount() != 0; })) {
        RecordsetRow first(source, m_dataImport, m_sourceDbPath);
        writeRow(login, "Login", loginMapping(), first, {});
        writeRow(times, "Times", timesMapping(), first, {});
    }
    commonLoop(agMast, "AgMast", source, agMastMapping());

    closeRecordset(login);
    closeRecordset(times);
    closeRecordset(agMast);
    closeRecordset(source);
}

void RunSteps::locationStep()
{
    beginStep("LocMast", "LocMast");
    deleteFrom("LocMast");

    store::Recordset target;
    store::Recordset source;
    openRecordset(target, "LocMast", m_conLIC);
    openRecordset(source, "LocMast", m_conZRV);
    NoRow constantsOnly;
    LoopHooks hooks;
    // "No Location" goes in just before the first source location, so an empty source gives no
    // rows at all.
    hooks.beforeRow = [&] {
        if (m_trap.test([&] { return source.absolutePosition() == 1; })) {
            writeRow(target, "LocMast", noLocationMapping(), constantsOnly, {});
        }
    };
    commonLoop(target, "LocMast", source, locMastMapping(), hooks);
    closeRecordset(target);
    closeRecordset(source);
}

void RunSteps::branchStep()
{
    beginStep("BrnMast", "BrnMast");
    deleteFrom("BrnMast");
    copyTable("BrnMast", "BrnMast", brnMastMapping());
}

void RunSteps::companyStep()
{
    beginStep("company", "company");
    deleteFrom("company");
    copyTable("company", "company", companyMapping());
}

void RunSteps::familyStep()
{
    beginStep("Family", "Family");
    deleteFrom("Family");
    copyTable("Family", "Family", familyMapping());
}

void RunSteps::clientStep()
{
    beginStep("Client", "Client1");
    deleteFrom("Client");
    copyTable("Client", "Select * from Client1 order by FamilyCode, PersCode", clientMapping());
}

void RunSteps::policyStep()
{
    beginStep("Policies", "Policies");
    m_trap.step([&] { m_policiesTransferred = 0; });
    deleteFrom("SB");
    deleteFrom("Policies");

    store::Recordset target;
    store::Recordset source;
    openRecordset(target, "Policies", m_conLIC);
    openRecordset(source, "Policies", m_conZRV);
    LoopHooks hooks;
    hooks.afterAddNew = [&] { m_trap.step([&] { m_policiesTransferred += 1; }); };
    hooks.beforeUpdate = [&] { m_trap.step([&] { m_dataImport.UpdatePolicySchedule(dbLIC(), target); }); };
    {
        ReferenceRowsKept referenceRowsKept(m_session);
        commonLoop(target, "Policies", source, policiesMapping(), hooks);
    }
    closeRecordset(target);
    closeRecordset(source);
}

void RunSteps::closeDatabases()
{
    stopPoint();
    m_currentStep = -1;
    m_session.connections().release(m_conZRV);
    m_session.connections().release(m_conLIC);
    m_trap.step([&] { m_conZRV.close(); });
    if (m_transactionBegun) {
        if (m_conLIC.transactionLost()) {
            throw RunStop{RunReport::Outcome::Abandoned,
                          "The database engine abandoned the import's transaction; nothing was saved."};
        }
        try {
            const auto started = std::chrono::steady_clock::now();
            m_conLIC.commit();
            m_report.commitSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        } catch (const Error& error) {
            throw RunStop{RunReport::Outcome::Abandoned,
                          "The import could not be saved: " + error.description()};
        }
        m_committed = true;
    }
    m_trap.step([&] { m_conLIC.close(); });
    m_dbLIC = nullptr;
}

void RunSteps::abandon() noexcept
{
    m_dbLIC = nullptr;
    m_session.connections().release(m_conZRV);
    m_session.connections().release(m_conLIC);
    const bool undoing = m_transactionBegun && !m_committed && m_conLIC.isOpen();
    std::filesystem::path target;
    bool replay = false;
    // An Access target is only written at its commit: it has no journal to replay.
    const bool journaled = undoing && !m_conLIC.isAccess();
    if (undoing) {
        target = m_conLIC.path();
        replay = m_conLIC.transactionLost();
        try {
            if (m_conLIC.inTransaction()) {
                m_conLIC.rollback();
            }
        } catch (...) {
            replay = true; // closing below rolls back what it can; the reopen replays the rest
        }
    }
    for (store::Connection* connection : {&m_conZRV, &m_conLIC}) {
        try {
            if (connection->isOpen()) {
                connection->close();
            }
        } catch (...) {
            // Nothing more can be done with a connection that will not close; its owner frees it.
        }
    }
    if (undoing)
        m_transactionBegun = false;
    if (journaled) {
        std::error_code missing;
        const std::filesystem::path journal = target.string() + "-journal";
        const auto journalSize = std::filesystem::file_size(journal, missing);
        if (replay || (!missing && journalSize > 0)) {
            try {
                store::replayJournal(target, m_target.password, m_lockWaits);
            } catch (const Error& failure) {
                m_report.recoveryFailure = failure.description();
            } catch (...) {
                m_report.recoveryFailure = "the journal '" + journal.string() + "' could not be replayed";
            }
        }
    }
}

} // namespace orrin::migration
