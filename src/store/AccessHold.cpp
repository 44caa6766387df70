#include "store/AccessHold.h"

#include "store/AccessSource.h"
#include "store/LockWaits.h"
#include "store/SqlText.h"
#include "store/StoreError.h"

#include "platform/ComputerName.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace orrin::store {

namespace {

// The byte of the database that the writer locks: past any page a database can have (the engine's
// own locks lie in such a region too), so that no reader of the pages is ever kept waiting.
constexpr std::uint64_t kDatabaseLockOffset = 0x10000000;

std::string readAll(const std::filesystem::path& path, bool& readable)
{
    std::ifstream in(path, std::ios::binary);
    readable = static_cast<bool>(in);
    return readable ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string();
}

// One entry of the lock file: two fields of 32 bytes, each text cut to 31 bytes and padded with
// zero bytes.
std::string lockEntry(const std::string& computer, const std::string& user)
{
    std::string entry(AccessHold::kEntrySize, '\0');
    entry.replace(0, std::min<std::size_t>(computer.size(), 31), computer.substr(0, 31));
    entry.replace(32, std::min<std::size_t>(user.size(), 31), user.substr(0, 31));
    return entry;
}

} // namespace

bool AccessHold::isThisProgramsLockFile(const std::filesystem::path& lockFile)
{
    bool readable = false;
    const std::string bytes = readAll(lockFile, readable);
    if (!readable || bytes.empty() || bytes.size() % AccessHold::kEntrySize != 0)
        return false;
    for (std::size_t at = 0; at < bytes.size(); at += AccessHold::kEntrySize) {
        const std::string user = bytes.substr(at + 32, 32);
        if (user.substr(0, user.find('\0')) != AccessHold::kUserName)
            return false;
    }
    return true;
}

std::filesystem::path AccessHold::lockFileName(const std::filesystem::path& database)
{
    std::filesystem::path lock = database;
    lock.replace_extension(lowerAscii(database.extension().string()) == ".accdb" ? ".laccdb" : ".ldb");
    return lock;
}

std::string AccessHold::calvaneMessage(const std::filesystem::path& database,
                                       const std::filesystem::path& lockFile)
{
    return "'" + database.string() +
           "' is open in the Calvane application: close the Calvane application, or remove " +
           lockFile.string() + " if it is left over from a crash.";
}

AccessHold::AccessHold(const std::filesystem::path& database, LockWaits* waits)
    : m_database(database.string())
{
    const auto cannot = [&](const std::string& why) {
        return Error(code::General, "Cannot open '" + m_database + "' for writing: " + why + ".");
    };
    // A run that just wrote the file holds the new file by its lock file alone until it ends: it let
    // go of the lock on the database just before the replace. Both are waited for.
    for (int attempt = 0;; ++attempt) {
        try {
            m_databaseLock = platform::FileLock::tryLock(database, platform::FileLock::Kind::Exclusive,
                                                         kDatabaseLockOffset, 1);
        } catch (const std::system_error& e) {
            throw cannot(e.code().message());
        }
        if (m_databaseLock) {
            const auto existing = AccessSource::lockFileOf(database);
            if (!existing)
                break;
            if (!isThisProgramsLockFile(*existing))
                throw Error(code::General, calvaneMessage(database, *existing));
            // This program's entries alone: a run holding them holds their lock; with none held,
            // the run that wrote them was killed.
            if (!platform::FileLock::isLockedElsewhere(*existing, 0, kEntrySize * kMostEntries)) {
                std::error_code ignored;
                std::filesystem::remove(*existing, ignored);
                break;
            }
            m_databaseLock.reset();
        }
        if (waits == nullptr || !waits->keepWaiting(m_database, attempt))
            throw Error(code::InUse, "Cannot open the database: " + inUseText(m_database) + ".");
    }

    m_lockFile = lockFileName(database);
    m_entry = lockEntry(platform::computerName(), kUserName);
    {
        std::ofstream out(m_lockFile, std::ios::binary | std::ios::trunc);
        if (!out || !out.write(m_entry.data(), static_cast<std::streamsize>(m_entry.size())) || !out.flush())
            throw cannot("its lock file " + m_lockFile.string() + " cannot be written");
    }
    try {
        m_entryLock =
            platform::FileLock::tryLock(m_lockFile, platform::FileLock::Kind::Exclusive, 0, kEntrySize);
    } catch (const std::system_error& e) {
        std::error_code ignored;
        std::filesystem::remove(m_lockFile, ignored);
        throw cannot(e.code().message());
    }
    if (!m_entryLock) {
        std::error_code ignored;
        std::filesystem::remove(m_lockFile, ignored);
        throw Error(code::InUse, "Cannot open the database: " + inUseText(m_database) + ".");
    }
}

AccessHold::~AccessHold()
{
    bool readable = false;
    if (readAll(m_lockFile, readable) == m_entry && readable) {
        std::error_code ignored;
        std::filesystem::remove(m_lockFile, ignored);
    }
}

void AccessHold::checkStillHeld() const
{
    bool readable = false;
    const std::string now = readAll(m_lockFile, readable);
    if (!readable || now != m_entry)
        throw Error(code::InUse, "Cannot save the changes: " + inUseText(m_database) + " (" +
                                     m_lockFile.string() + "); nothing was written.");
}

} // namespace orrin::store
