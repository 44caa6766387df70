#pragma once

#include "calc/ErrorLog.h"
#include "calc/Labels.h"
#include "calc/RunSession.h"
#include "store/Connection.h"
#include "store/DatabaseLocation.h"
#include "store/Recordset.h"
#include "value/Error.h"
#include "value/Trap.h"
#include "value/Variant.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace orrin::calc {

class PolicyFields;
class PolicyPlan;
struct PlanEntry;
enum class PaymentMode;

// The calculation module: single-value lookups, the error log, and the values derived for each
// copied policy (dates, maturity amount, survival-benefit schedule). Every procedure handles its own
// failures: it logs them under its label (labels below) and goes on with its next statement. Only a
// log that cannot be written and an abandoned transaction (store::code::Abandoned) leave a procedure.
class DataImport {
  public:
    DataImport();
    ~DataImport();

    static std::filesystem::path defaultLogFile() { return ErrorLog::defaultFile(); }
    void setLogFile(std::filesystem::path file) { m_log.setFile(std::move(file)); }
    const std::filesystem::path& logFile() const { return m_log.file(); }
    std::int64_t logEntriesWritten() const { return m_log.entriesWritten(); }
    void LogError(const Error& error, const std::string& label) { m_log.LogError(error, label); }

    // The bonus database of DFirst2: default lic.mdb beside the program, then ../share/orrin-import.
    static std::filesystem::path defaultBonusDatabase();
    // The Orrin database at DbPath as OrrinDFirst opens it: the ACE provider, the Orrin password.
    static store::DatabaseLocation orrinDatabase(const std::string& DbPath);
    void setBonusDatabase(std::filesystem::path file);
    // Why a bonus database that is there cannot serve the lookups (not a database, empty, a folder,
    // damaged, the wrong password), as the open says it; nullopt when it opens, when it is missing
    // (said apart) or when another program holds a lock on it (the run waits for that).
    static std::optional<std::string> unreadableBonusDatabase(const std::filesystem::path& file);

    // The first column of the first row (store's order) of "Select Field from Table[ where
    // Condition]" on the bonus database ("" when no row) or on the Orrin file DbPath (Null when no
    // row); Empty after a failure. ...ForPerson: the client step's condition on family and person
    // code, their values bound (a person code that is no plain number fails as the pasted text would).
    Variant DFirst2(const std::string& Field, const std::string& Table, const std::string& Condition = "");
    Variant OrrinDFirst(const std::string& Field, const std::string& Table, const std::string& DbPath,
                        const std::string& Condition = "");
    Variant OrrinDFirstForPerson(const std::string& Field, const std::string& Table,
                                 const std::string& DbPath, const Variant& FamilyCode,
                                 const Variant& PersCode);

    // Completes the pending Policies row (matdt, PremEndDt, MatAmt) and rebuilds its SB rows, after
    // letting the window's events run once.
    void UpdatePolicySchedule(store::Connection& database, store::Recordset& PolicyRow);
    double NewMat2(Date ComDt, const std::string& Plan, std::int32_t Term, double Amount, double Prem,
                   const std::string& Mode, std::int32_t& Age);
    double NewBonus(Date comDt, const std::string& Plan, std::int32_t Term, double Amount);
    double FBonus(std::int32_t Term, double SA);

    // The session the module works in: the run's while one lives, otherwise a standing one.
    RunSession& session();
    // The entry age: 0, and nothing assigns it.
    std::int32_t gAge = 0;

  private:
    friend class RunSession;
    RunSession* attach(RunSession* session);
    void detach(RunSession* session, RunSession* previous);
    const store::DatabaseLocation& orrinLocation(const std::string& DbPath);
    void updateMaturityAmount(PolicyFields& policy, PolicyPlan& plan, Trap& trap);
    double maturityValue(Date ComDt, const std::string& Plan, const PlanEntry* entry, std::int32_t Term,
                         double Amount, double Prem, PaymentMode Mode, std::int32_t& Age);

    ErrorLog m_log;
    std::filesystem::path m_bonusDatabase;
    store::DatabaseLocation m_bonusLocation;
    store::DatabaseLocation m_orrinLocation; // of the last DbPath looked up
    RunSession* m_session = nullptr;
    std::unique_ptr<RunSession> m_standing;
};
} // namespace orrin::calc
