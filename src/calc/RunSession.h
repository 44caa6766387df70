#pragma once

#include "calc/NewBonusRows.h"
#include "calc/PlanRow.h"
#include "calc/PolicyFields.h"
#include "calc/SbRowsWritten.h"
#include "platform/Files.h"
#include "store/Connection.h"
#include "value/Variant.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace orrin::calc {

class DataImport;

// One run's hold on the calculation module. While it lives, the module's lookups read through its
// connections (its own, kept open for the run, and those the run lends it), its calculations work on
// its target database and keep their reference rows in it, and the window's events are pumped once
// per policy. The run makes one when it starts; its end closes the lookups' connections, ends every
// loan and forgets every kept row. Outside a run the module keeps a standing session of its own (no
// event pump, nothing lent).
class RunSession {
  public:
    // eventPump runs at the start of every policy's calculation; lockWaits (may be nullptr: a few
    // seconds per open) is the budget the lookups' own connections wait for other programs' locks.
    explicit RunSession(DataImport& module, std::function<void()> eventPump = {},
                        store::LockWaits* lockWaits = nullptr);
    ~RunSession();
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    // Lets the Orrin lookups on the file DbPath read through connection, which its owner has opened
    // on that file with the Orrin password, instead of opening (and deriving the key of) the file
    // again. The answers are the same; while connection is not open the lookups open their own.
    void adoptSource(const std::string& DbPath, store::Connection& connection);
    // The run's target connection: the calculations' database, and the connection every lookup on
    // the target's own file reads through (the same file on disk however its name is spelled), inside
    // the run's transaction. A lookup on that file with another password fails as its open would.
    void shareTarget(store::Connection& connection, std::string password);
    // Ends the loans of connection (its owner is about to close it).
    void release(const store::Connection& connection);
    // Closes the lookups' own connections (the run lets go of the files before its commit).
    void closeLookups();

    // While on, the plan rows, the bonus-rate rows and the policy numbers written to SB are kept
    // from one policy to the next: only for a caller that knows plans, NewBonus and SB have no other
    // writer meanwhile (the run's policy step). Turning it off forgets them.
    void keepReferenceRows(bool keep);

    // The calculations' database (set by each policy's calculation to the database it is given).
    store::Connection* target() const { return m_target; }
    void setTarget(store::Connection* target) { m_target = target; }

    // For the module's own parts.
    void pumpEvents() const;
    store::Connection* lookupConnection(const std::string& connectionText);
    std::unordered_map<std::string, std::pair<std::int64_t, Variant>>&
    bonusAnswers(const std::string& connectionText)
    {
        return m_bonusAnswers[connectionText];
    }
    PlanRowCache* keptPlanRows() { return m_keep ? &m_planRows : nullptr; }
    const NewBonusRows* keptBonusRows();
    SbRowsWritten* sbRowsWritten() { return m_keep ? &m_sbRows : nullptr; }
    PolicyFields::Positions& policyPositions() { return m_policyPositions; }

  private:
    store::Connection* sharedTargetFor(const std::string& connectionText);

    DataImport& m_module;
    RunSession* m_previous = nullptr; // the module's session before this one
    std::function<void()> m_eventPump;
    store::LockWaits* m_lockWaits = nullptr;
    store::Connection* m_target = nullptr;
    // One open connection per connection text, kept for the run (a failed open is tried again on
    // the next lookup, so failures are still logged per lookup).
    std::map<std::string, std::unique_ptr<store::Connection>> m_lookupConnections;
    std::map<std::string, store::Connection*> m_adopted; // lent, by connection text
    // The shared target (lent), its password, its file's device and inode, and for each connection
    // text seen whether it names that file (and with which password).
    store::Connection* m_sharedTarget = nullptr;
    std::string m_sharedPassword;
    platform::FileIdentity m_sharedFile;
    std::map<std::string, std::optional<std::string>> m_sharedTexts;
    // DFirst2's answers (row count, first column of the first row) by connection text, then query
    // text: the bonus database is never written during a run. Failed lookups are never kept.
    std::map<std::string, std::unordered_map<std::string, std::pair<std::int64_t, Variant>>> m_bonusAnswers;
    bool m_keep = false;
    PlanRowCache m_planRows;
    NewBonusRows m_bonusRows;
    const store::Connection* m_bonusRowsTried = nullptr;
    SbRowsWritten m_sbRows;
    PolicyFields::Positions m_policyPositions;
};

} // namespace orrin::calc
