#include "calc/ConnectionLoans.h"

#include "store/DatabaseFile.h"
#include "store/StoreError.h"
#include "value/Error.h"

#include "platform/FileIdentity.h"

#include <filesystem>
#include <system_error>

namespace orrin::calc {

ConnectionLoans::~ConnectionLoans()
{
    try {
        closeLookups();
    } catch (...) {
        // A destructor must not throw; the connections go with the objects anyway.
    }
}

void ConnectionLoans::adopt(const store::DatabaseLocation& location, store::Connection& connection)
{
    m_adopted[location] = &connection;
}

// A connection that is not open, or whose file can no longer be found, is not lent: the lookups
// then open their own connections as before.
void ConnectionLoans::shareTarget(store::Connection& connection, std::string password)
{
    m_sharedTarget = nullptr;
    m_sharedLocations.clear();
    if (!connection.isOpen())
        return;
    const auto identity = platform::identityOf(connection.path());
    if (!identity)
        return;
    m_sharedTarget = &connection;
    m_sharedPassword = std::move(password);
    m_sharedFile = *identity;
}

void ConnectionLoans::release(const store::Connection& connection)
{
    std::erase_if(m_adopted, [&](const auto& entry) { return entry.second == &connection; });
    if (m_sharedTarget == &connection) {
        m_sharedTarget = nullptr;
        m_sharedLocations.clear();
    }
}

void ConnectionLoans::closeLookups()
{
    m_adopted.clear();
    m_sharedTarget = nullptr;
    m_sharedLocations.clear();
    auto connections = std::move(m_own);
    m_own.clear();
    for (auto& [location, connection] : connections) {
        if (connection && connection->isOpen())
            connection->close();
    }
}

// Whether a location names the shared file is worked out once per location (resolving a name may
// search its folder); a location whose name cannot be resolved (several names differ only in letter
// case) throws as its open would, and is worked out again on the next call. The same file with
// another password is refused as the engine would refuse it, without touching the file.
store::Connection* ConnectionLoans::sharedTargetFor(const store::DatabaseLocation& location)
{
    if (m_sharedTarget == nullptr || !m_sharedTarget->isOpen())
        return nullptr;
    auto known = m_sharedLocations.find(location);
    if (known == m_sharedLocations.end()) {
        const auto identity = platform::identityOf(store::resolveDataSource(location.dataSource));
        std::optional<std::string> password;
        if (identity && identity->sameFile(m_sharedFile))
            password = location.password;
        known = m_sharedLocations.emplace(location, std::move(password)).first;
    }
    if (!known->second)
        return nullptr;
    if (*known->second != m_sharedPassword)
        throw Error(store::code::General, "Cannot open '" + m_sharedTarget->fileName() +
                                              "': not a valid password, or not a database file.");
    return m_sharedTarget;
}

namespace {

// True when the file a location names is there (a name that matches several files counts as there):
// a missing file costs nothing to look for again, and may yet appear.
bool dataSourceIsThere(const store::DatabaseLocation& location)
{
    try {
        std::error_code error;
        return std::filesystem::exists(store::resolveDataSource(location.dataSource), error);
    } catch (const Error&) {
        return true;
    }
}

} // namespace

store::Connection* ConnectionLoans::lookupConnection(const store::DatabaseLocation& location)
{
    if (auto adopted = m_adopted.find(location); adopted != m_adopted.end()) {
        if (adopted->second->isOpen())
            return adopted->second;
    }
    if (store::Connection* target = sharedTargetFor(location))
        return target;
    if (auto found = m_own.find(location); found != m_own.end()) {
        if (found->second && found->second->isOpen())
            return found->second.get();
        m_own.erase(found);
    }
    if (auto failed = m_failedOpens.find(location); failed != m_failedOpens.end())
        throw failed->second;
    auto connection = std::make_unique<store::Connection>();
    connection->setLockWaits(m_lockWaits);
    try {
        connection->open(location, store::OpenMode::ReadOnly);
    } catch (const Error& error) {
        if (error.number() != store::code::InUse && dataSourceIsThere(location))
            m_failedOpens.emplace(location, error);
        throw;
    }
    store::Connection* opened = connection.get();
    m_own.emplace(location, std::move(connection));
    return opened;
}

} // namespace orrin::calc
