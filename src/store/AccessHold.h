#pragma once

// How a run holds an Access file it writes, from its start to its end, as the Access engine holds
// a database it has open: a lock on the database itself, and the engine's lock file beside it
// ("LIC.ldb" beside "LIC.mdb", "X.laccdb" beside "X.accdb") holding one entry for this program.
// The Calvane application (and any program of the engine) sees the lock file and knows the database
// is in use; a second run of this program finds the lock on the database taken and stops at once.

#include "platform/FileLock.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace orrin::store {

class LockWaits;

class AccessHold {
  public:
    // One entry of the engine's lock file: the computer's name and the user's security name, 32
    // bytes each, padded with zero bytes. This program writes its own name as the user's, which
    // tells its entries from the engine's.
    static constexpr std::size_t kEntrySize = 64;
    static constexpr const char* kUserName = "orrin-import";
    // The engine's lock file holds at most this many entries.
    static constexpr std::size_t kMostEntries = 255;

    // Takes hold of database, waiting for another program's lock on it out of waits (when given;
    // at once otherwise). Fails with store::code::InUse ("Cannot open the database: FILE is in use
    // by another program.") when the lock does not come, and with the Calvane application's message
    // when a lock file of the engine's is beside the database. A lock file that a run of this
    // program left when it was killed (only this program's entries, and no lock on them) is removed
    // and replaced. Other failures (a folder where no lock file can be made) are store Errors
    // naming the file.
    AccessHold(const std::filesystem::path& database, LockWaits* waits);
    // Removes the lock file (if it still holds this program's entry alone) and releases the locks.
    ~AccessHold();
    AccessHold(const AccessHold&) = delete;
    AccessHold& operator=(const AccessHold&) = delete;

    // Called just before the database is written: fails with store::code::InUse, naming the lock
    // file, when another program has joined the lock file (its entry beside this program's) or the
    // lock file was removed or replaced meanwhile.
    void checkStillHeld() const;

    // Lets go of the lock on the database itself, just before the file is replaced: Windows refuses to
    // rename over a file that any handle holds open. The lock file's entry stays held, and with it
    // the database, until the hold ends.
    void releaseDatabaseLock() { m_databaseLock.reset(); }

    const std::filesystem::path& lockFile() const { return m_lockFile; }

    // True when lockFile holds entries of this program's runs alone (none of the engine's).
    static bool isThisProgramsLockFile(const std::filesystem::path& lockFile);
    // The lock file of database, named as the engine names it, whether or not it exists.
    static std::filesystem::path lockFileName(const std::filesystem::path& database);
    // The message for a database the Calvane application has open (its lock file is lockFile).
    static std::string calvaneMessage(const std::filesystem::path& database,
                                      const std::filesystem::path& lockFile);

  private:
    std::string m_database;
    std::filesystem::path m_lockFile;
    std::string m_entry; // this program's entry, as written
    std::unique_ptr<platform::FileLock> m_databaseLock;
    std::unique_ptr<platform::FileLock> m_entryLock;
};

} // namespace orrin::store
