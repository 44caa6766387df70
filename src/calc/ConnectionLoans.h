#pragma once

#include "platform/FileIdentity.h"
#include "store/Connection.h"
#include "store/DatabaseLocation.h"
#include "value/Error.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace orrin::calc {

// The connections the module's lookups read through, by the location they name: those the run lends
// (its source, and its target for every name of the target's file) while they are open, otherwise
// the lookups' own, opened on first use and kept until closeLookups().
class ConnectionLoans {
  public:
    // lockWaits (may be nullptr: a few seconds per open) is the budget the lookups' own connections
    // wait for other programs' locks out of.
    explicit ConnectionLoans(store::LockWaits* lockWaits = nullptr) : m_lockWaits(lockWaits) {}
    ~ConnectionLoans();
    ConnectionLoans(const ConnectionLoans&) = delete;
    ConnectionLoans& operator=(const ConnectionLoans&) = delete;

    // Lets the lookups on location read through connection, which its owner has opened on that
    // location, instead of opening (and deriving the key of) the file again. The answers are the
    // same; while connection is not open the lookups open their own.
    void adopt(const store::DatabaseLocation& location, store::Connection& connection);
    // The run's target connection: every lookup on the target's own file (the same file on disk
    // however its name is spelled) reads through it, inside the run's transaction. A lookup on that
    // file with another password fails as its open would.
    void shareTarget(store::Connection& connection, std::string password);
    // Ends the loans of connection (its owner is about to close it).
    void release(const store::Connection& connection);
    // Ends every loan and closes the lookups' own connections (the run lets go of the files before
    // its commit). A connection that fails to close throws; the others are closed first.
    void closeLookups();

    // The open connection for location: a lent one while it is open (by its location, or the shared
    // target when the location names the target's file), otherwise one of the lookups' own, opened
    // read-only on first use. Throws what the open throws. A file that is there but fails to open
    // (not a database, the wrong password, damaged) is not opened again: the next lookup throws the
    // same error (and its failure is logged again) without reading the file or deriving its key once
    // more per policy. A missing file is looked for again, and another program's lock waited for
    // again out of the run's budget.
    store::Connection* lookupConnection(const store::DatabaseLocation& location);

  private:
    store::Connection* sharedTargetFor(const store::DatabaseLocation& location);

    store::LockWaits* m_lockWaits = nullptr;
    // One open connection per location, kept for the run.
    std::map<store::DatabaseLocation, std::unique_ptr<store::Connection>> m_own;
    std::map<store::DatabaseLocation, store::Connection*> m_adopted; // lent
    // The files that are there and did not open, with the failure.
    std::map<store::DatabaseLocation, Error> m_failedOpens;
    // The shared target (lent), its password, its file's device and inode, and for each location
    // seen whether it names that file (and with which password).
    store::Connection* m_sharedTarget = nullptr;
    std::string m_sharedPassword;
    platform::FileIdentity m_sharedFile;
    std::map<store::DatabaseLocation, std::optional<std::string>> m_sharedLocations;
};

} // namespace orrin::calc
