#pragma once

#include "calc/NewBonusRows.h"
#include "calc/PlanRow.h"
#include "calc/PolicyFields.h"
#include "calc/SbRowsWritten.h"
#include "store/Connection.h"
#include "store/Recordset.h"
#include "value/Error.h"
#include "value/Trap.h"
#include "value/Variant.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace orrin::calc {

// The calculation module: single-value lookups, the error log, and the values derived for each
// copied policy (dates, maturity amount, survival-benefit schedule). Every procedure here handles
// its own failures: it appends an entry to the error log under its own label and goes on with its
// next statement, so its caller never sees the failure. The only failures that leave a procedure
// are those of the logging itself (the log cannot be written) and the engine abandoning the run's
// transaction (store::code::Abandoned), which must stop the run.
class DataImport {
public:
    DataImport();
    ~DataImport();

    // Module variables. gDB is set by UpdatePolicySchedule and read by NewBonus and FBonus; gAge is
    // 0 and nothing assigns it.
    store::Connection* gDB = nullptr;
    std::int32_t gAge = 0;

    // ---- Error log --------------------------------------------------------------------------
    // The log file. Default: $XDG_STATE_HOME/orrin-import/Error Log.txt, else
    // ~/.local/state/orrin-import/Error Log.txt, else the temporary folder; the folder is created
    // when missing.
    static std::filesystem::path defaultLogFile();
    void setLogFile(std::filesystem::path file);
    const std::filesystem::path& logFile() const { return m_logFile; }
    // Entries written since this object was made.
    std::int64_t logEntriesWritten() const { return m_logEntries; }

    // Appends the six-line entry (Date, Time, Err.Number, Err.Source = label, Err.Description,
    // empty line; CR LF line ends), opening and closing the file for the entry. When the file cannot
    // be opened or written it throws Error (err::FileError) naming the file.
    void LogError(const Error& error, const std::string& label);

    // ---- Single-value lookups -----------------------------------------------------------------
    // The bonus database that DFirst2 reads: default lic.mdb beside the program (then
    // ../share/orrin-import/lic.mdb).
    static std::filesystem::path defaultBonusDatabase();
    void setBonusDatabase(std::filesystem::path file);

    // "Select <Field> from <Table>[ where <Condition>]" on the bonus database: the first column of
    // the first row in the store's order; "" when no row; Empty after a failure (each failing step
    // logged). A bonus database that is the target's file is read through the connection lent by
    // shareTargetConnection.
    Variant DFirst2(const std::string& Field, const std::string& Table, const std::string& Condition = "");
    // The same on the Orrin database file DbPath; Null when no row.
    Variant OrrinDFirst(const std::string& Field, const std::string& Table, const std::string& DbPath,
                        const std::string& Condition = "");
    // The client step's lookup: OrrinDFirst with the condition familycode = '<FamilyCode>' And
    // perscode = <PersCode>, the family code's quotes doubled, the person code taken only when it
    // reads as a plain number (otherwise, and for a Null, it fails and is logged as a malformed
    // condition would be, returning Empty).
    Variant OrrinDFirstForPerson(const std::string& Field, const std::string& Table, const std::string& DbPath,
                                 const Variant& FamilyCode, const Variant& PersCode);

    // ---- Policy calculations ------------------------------------------------------------------
    // Called once per policy with the target database and the target Policies recordset on its
    // pending new row: lets the window's events run once, then writes matdt, PremEndDt and MatAmt
    // into the row and rebuilds the policy's SB rows.
    void UpdatePolicySchedule(store::Connection& database, store::Recordset& PolicyRow);

    double NewMat2(Date ComDt, const std::string& Plan, std::int32_t Term, double Amount, double Prem,
                   const std::string& Mode, std::int32_t& Age);
    double NewBonus(Date comDt, const std::string& Plan, std::int32_t Term, double Amount);
    double FBonus(std::int32_t Term, double SA);

    // While on, the plan rows that UpdatePolicySchedule reads are kept and reused for the same plan
    // on the same database, instead of running the plan query twice for every policy. Only for a
    // caller that knows the plans table cannot change meanwhile (the run's policy step: it holds
    // the target's write lock and writes only policies and SB rows). Off by default; turning it
    // off forgets the kept rows.
    void setKeepPlanRows(bool keep);
    // The kept plan rows while setKeepPlanRows is on, otherwise nullptr.
    PlanRowCache* keptPlanRows() { return m_keepPlanRows ? &m_keptPlanRows : nullptr; }
    // While setKeepPlanRows is on, the rows of NewBonus of gDB read once (gDB open, its transaction
    // kept, the table readable and kept by NewBonusRows), otherwise nullptr: the run writes no bonus
    // rates either.
    const NewBonusRows* keptBonusRows();
    // While setKeepPlanRows is on, the policy numbers that may have SB rows, otherwise nullptr.
    SbRowsWritten* sbRowsWritten() { return m_keepPlanRows ? &m_sbRows : nullptr; }

    // The window's event pump, run at the start of every UpdatePolicySchedule (none by default).
    void setEventPump(std::function<void()> pump) { m_eventPump = std::move(pump); }

    // Closes the connections that the lookups keep open for the length of a run, and ends every
    // loan of adoptLookupConnection.
    void closeLookupConnections();
    // Lets the Orrin lookups on the database file DbPath (OrrinDFirst, OrrinDFirstForPerson) read
    // through connection, which its owner has already opened on that file with the Orrin password,
    // instead of opening the file a second time: every open derives the file's key afresh, which
    // is slow on purpose. The answers are the same. The connection stays its owner's and is never
    // closed here; while it is not open the lookups open their own as before.
    void adoptLookupConnection(const std::string& DbPath, store::Connection& connection);
    // Lets every lookup whose database file is connection's file read through connection: the same
    // file on disk (device and inode, once the lookup's name is resolved as an open resolves it),
    // however its name is spelled. The run lends its target connection this way, so that a bonus
    // database that is the agent's own LIC.mdb is read inside the run's transaction instead of
    // through a second connection that would wait on the run's lock. The run never writes the
    // tables the lookups read, so the answers are those of the file as it was. A lookup on that file
    // with another password fails as its own open would. The connection stays its owner's.
    void shareTargetConnection(store::Connection& connection, std::string password);
    // Ends the loans of connection, by adoptLookupConnection or shareTargetConnection (its owner is
    // about to close or destroy it).
    void releaseLookupConnection(const store::Connection& connection);

private:
    store::Connection* lookupConnection(const std::string& connectionText);
    // The connection texts of the lookups: the bonus database's, and the Orrin file DbPath's.
    static std::string bonusConnectionTextOf(const std::filesystem::path& bonusDatabase);
    const std::string& orrinConnectionText(const std::string& DbPath);
    // The shared target connection when connectionText names its file, otherwise nullptr.
    store::Connection* sharedTargetFor(const std::string& connectionText);
    // Step 6 of UpdatePolicySchedule: MatAmt from NewMat2 by the payment mode, under the caller's
    // trap (failures logged under UpdatePolicySchedule's label).
    void updateMaturityAmount(PolicyFields& policy, Trap& trap);

    std::filesystem::path m_logFile;
    std::filesystem::path m_bonusDatabase;
    std::string m_bonusConnectionText; // of m_bonusDatabase
    std::pair<std::string, std::string> m_orrinConnectionText;
    std::int64_t m_logEntries = 0;
    std::function<void()> m_eventPump;
    // One open connection per connection text, reused for the run (a failed open is retried on the
    // next call, so failures are still logged per call).
    std::map<std::string, std::unique_ptr<store::Connection>> m_lookupConnections;
    // Connections lent by adoptLookupConnection, by connection text; not owned.
    std::map<std::string, store::Connection*> m_adoptedConnections;
    // The connection lent by shareTargetConnection (not owned), the password it was opened with,
    // its file's device and inode, and for each connection text already seen whether it names
    // that file (and with which password).
    store::Connection* m_sharedTarget = nullptr;
    std::string m_sharedPassword;
    std::pair<std::uint64_t, std::uint64_t> m_sharedFile{0, 0};
    std::map<std::string, std::optional<std::string>> m_sharedTexts;
    // DFirst2's answers (row count, first column of the first row) by connection text, then query
    // text: the bonus database is never written during a run. Failed lookups are never kept.
    std::map<std::string, std::unordered_map<std::string, std::pair<std::int64_t, Variant>>> m_bonusCache;
    bool m_keepPlanRows = false;
    PlanRowCache m_keptPlanRows;
    PolicyFields::Positions m_policyPositions;
    NewBonusRows m_bonusRows;
    const store::Connection* m_bonusRowsTried = nullptr;
    SbRowsWritten m_sbRows;
};

// The labels under which each procedure logs.
namespace labels {
inline constexpr const char* DFirst2 =
    "Public Function DFirst2(Field As String, Table As String, Optional Condition As String) As Variant";
inline constexpr const char* OrrinDFirst =
    "Public Function OrrinDFirst(Field As String, Table As String, Optional Condition As String) As Variant";
inline constexpr const char* NewBonus =
    "Common - Public Function NewBonus(comDt As Date, Plan As String, Term As Double, Amount As Double) As Double";
inline constexpr const char* FBonus = "Common - Public Function FBonus(Term As Double, SA As Double) As String";
inline constexpr const char* NewMat2 =
    "Common - Public Function NewMat2(ComDt As Date, Plan As String, Term As Double, Amount As Double, "
    "Optional Prem As Double, Optional Mode As String) As Double";
inline constexpr const char* UpdatePolicySchedule =
    "Common - Public Sub UpdatePolicySchedule(database As Database, PolicyRow As ADODB.Recordset)";
} // namespace labels

} // namespace orrin::calc
