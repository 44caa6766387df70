#include "calc/RunSession.h"

#include "calc/DataImport.h"
#include "store/ConnectionText.h"
#include "store/DatabaseFile.h"
#include "store/StoreError.h"
#include "value/Error.h"

#include "platform/Files.h"

namespace orrin::calc {

RunSession::RunSession(DataImport& module, std::function<void()> eventPump, store::LockWaits* lockWaits)
    : m_module(module), m_eventPump(std::move(eventPump)), m_lockWaits(lockWaits)
{
    m_previous = m_module.attach(this);
}

RunSession::~RunSession()
{
    try {
        closeLookups();
    } catch (...) {
        // A destructor must not throw; the connections go with the objects anyway.
    }
    m_module.detach(this, m_previous);
}

void RunSession::pumpEvents() const
{
    if (m_eventPump)
        m_eventPump();
}

void RunSession::adoptSource(const std::string& DbPath, store::Connection& connection)
{
    m_adopted[m_module.orrinConnectionText(DbPath)] = &connection;
}

// A connection that is not open, or whose file can no longer be found, is not lent: the lookups
// then open their own connections as before.
void RunSession::shareTarget(store::Connection& connection, std::string password)
{
    m_sharedTarget = nullptr;
    m_sharedTexts.clear();
    if (!connection.isOpen())
        return;
    const auto identity = platform::fileIdentity(connection.path());
    if (!identity)
        return;
    m_sharedTarget = &connection;
    m_sharedPassword = std::move(password);
    m_sharedFile = *identity;
}

void RunSession::release(const store::Connection& connection)
{
    std::erase_if(m_adopted, [&](const auto& entry) { return entry.second == &connection; });
    if (m_sharedTarget == &connection) {
        m_sharedTarget = nullptr;
        m_sharedTexts.clear();
    }
}

void RunSession::closeLookups()
{
    m_adopted.clear();
    m_sharedTarget = nullptr;
    m_sharedTexts.clear();
    auto connections = std::move(m_lookupConnections);
    m_lookupConnections.clear();
    for (auto& [text, connection] : connections) {
        if (connection && connection->isOpen())
            connection->close();
    }
}

void RunSession::keepReferenceRows(bool keep)
{
    m_keep = keep;
    m_planRows.clear();
    m_bonusRows.clear();
    m_bonusRowsTried = nullptr;
    m_sbRows.clear();
}

// The rows are read on the first lookup of a database; a table that cannot be kept is not tried again
// on the same database, and its lookups run on the engine.
const NewBonusRows* RunSession::keptBonusRows()
{
    if (!m_keep || m_target == nullptr || !m_target->isOpen() || m_target->transactionLost())
        return nullptr;
    if (!m_bonusRows.holds(m_target)) {
        if (m_bonusRowsTried == m_target)
            return nullptr;
        m_bonusRowsTried = m_target;
        if (!m_bonusRows.load(*m_target))
            return nullptr;
    }
    return &m_bonusRows;
}

// Whether a connection text names the shared file is worked out once per text (resolving a name
// may search its folder); a text whose name cannot be resolved (several names differ only in
// letter case) throws as its open would, and is worked out again on the next call. The same file
// with another password is refused as the engine would refuse it, without touching the file.
store::Connection* RunSession::sharedTargetFor(const std::string& connectionText)
{
    if (m_sharedTarget == nullptr || !m_sharedTarget->isOpen())
        return nullptr;
    auto known = m_sharedTexts.find(connectionText);
    if (known == m_sharedTexts.end()) {
        const store::ConnectionText text = store::ConnectionText::parse(connectionText);
        const auto identity = platform::fileIdentity(store::resolveDataSource(text.dataSource));
        std::optional<std::string> password;
        if (identity && *identity == m_sharedFile)
            password = text.password;
        known = m_sharedTexts.emplace(connectionText, std::move(password)).first;
    }
    if (!known->second)
        return nullptr;
    if (*known->second != m_sharedPassword)
        throw Error(store::code::General, "Cannot open '" + m_sharedTarget->fileName() +
                                              "': not a valid password, or not a database file.");
    return m_sharedTarget;
}

// The open connection for a connection text: a lent one while it is open (by its text, or the shared
// target when the text names the target's file), otherwise one of the lookups' own, opened
// read-only on first use. A connection that fails to open is not kept, so the next lookup tries
// again (and its failure is logged again).
store::Connection* RunSession::lookupConnection(const std::string& connectionText)
{
    if (auto adopted = m_adopted.find(connectionText); adopted != m_adopted.end()) {
        if (adopted->second->isOpen())
            return adopted->second;
    }
    if (store::Connection* target = sharedTargetFor(connectionText))
        return target;
    if (auto found = m_lookupConnections.find(connectionText); found != m_lookupConnections.end()) {
        if (found->second && found->second->isOpen())
            return found->second.get();
        m_lookupConnections.erase(found);
    }
    auto connection = std::make_unique<store::Connection>();
    connection->setLockWaits(m_lockWaits);
    connection->open(connectionText, store::OpenMode::ReadOnly);
    store::Connection* opened = connection.get();
    m_lookupConnections.emplace(connectionText, std::move(connection));
    return opened;
}

} // namespace orrin::calc
