// The calculation module's own state: which bonus database the bonus-year lookups read, and the
// session (run or standing) whose connections and kept rows its procedures use.

#include "calc/DataImport.h"
#include "platform/Folders.h"

#include "store/Connection.h"
#include "store/DatabaseFile.h"
#include "store/KnownDatabases.h"
#include "store/LockWaits.h"
#include "store/StoreError.h"

#include <chrono>
#include <system_error>

namespace orrin::calc {

namespace fs = std::filesystem;

namespace {

// A data source exists when the file, or a name differing only in letter case, is there; a name that
// matches several files counts as present (the open then names them).
bool dataSourceExists(const fs::path& path)
{
    try {
        std::error_code ec;
        return fs::exists(store::resolveDataSource(path.string()), ec);
    } catch (const Error&) {
        return true;
    }
}

store::DatabaseLocation bonusLocationOf(const fs::path& bonusDatabase)
{
    return {std::string(store::kJetProvider), bonusDatabase.string(), std::string(kCalvanePassword)};
}

} // namespace

DataImport::DataImport()
    : m_bonusDatabase(defaultBonusDatabase()), m_bonusLocation(bonusLocationOf(m_bonusDatabase))
{
}

DataImport::~DataImport()
{
    m_standing.reset();
}

fs::path DataImport::defaultBonusDatabase()
{
    std::error_code ec;
    const fs::path program = platform::programFile();
    fs::path folder = program.empty() ? fs::current_path(ec) : program.parent_path();
    const fs::path beside = folder / std::string(kBonusFileName);
    const fs::path installed =
        (folder / ".." / "share" / "orrin-import" / std::string(kBonusFileName)).lexically_normal();
    for (const fs::path& candidate : {beside, installed}) {
        if (dataSourceExists(candidate))
            return candidate;
    }
    return beside;
}

std::optional<std::string> DataImport::unreadableBonusDatabase(const fs::path& file)
{
    fs::path resolved;
    try {
        resolved = store::resolveDataSource(file.string());
    } catch (const Error&) {
        return std::nullopt; // several names differ only in letter case; the lookups name them
    }
    std::error_code ec;
    if (!fs::exists(resolved, ec))
        return std::nullopt;
    // A lock is not waited for here: the run's own lookups wait for it out of the run's budget.
    store::LockWaits noWaiting(std::chrono::milliseconds(0));
    try {
        store::Connection connection;
        connection.setLockWaits(&noWaiting);
        connection.openFile(resolved, std::string(kCalvanePassword), store::OpenMode::ReadOnly);
    } catch (const Error& error) {
        if (error.number() == store::code::InUse)
            return std::nullopt;
        return error.description();
    }
    return std::nullopt;
}

void DataImport::setBonusDatabase(fs::path file)
{
    m_bonusDatabase = std::move(file);
    m_bonusLocation = bonusLocationOf(m_bonusDatabase);
}

// The standing session is made on first use and stays until the module goes; a run's session stands
// in front of it while the run lasts.
RunSession& DataImport::session()
{
    if (m_session == nullptr)
        m_standing = std::make_unique<RunSession>(*this);
    return *m_session;
}

RunSession* DataImport::attach(RunSession* session)
{
    RunSession* previous = m_session;
    m_session = session;
    return previous;
}

void DataImport::detach(RunSession* session, RunSession* previous)
{
    if (m_session == session)
        m_session = previous;
}

store::DatabaseLocation DataImport::orrinDatabase(const std::string& DbPath)
{
    return {std::string(store::kAceProvider), DbPath, std::string(kOrrinPassword)};
}

// The location is built once per file name: the client step looks up three values for every client.
const store::DatabaseLocation& DataImport::orrinLocation(const std::string& DbPath)
{
    if (m_orrinLocation.provider.empty() || m_orrinLocation.dataSource != DbPath)
        m_orrinLocation = orrinDatabase(DbPath);
    return m_orrinLocation;
}

} // namespace orrin::calc
