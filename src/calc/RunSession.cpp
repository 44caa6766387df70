#include "calc/RunSession.h"

#include "calc/DataImport.h"

namespace orrin::calc {

RunSession::RunSession(DataImport& module, std::function<void()> eventPump, store::LockWaits* lockWaits)
    : m_module(module), m_eventPump(std::move(eventPump)), m_connections(lockWaits)
{
    m_previous = m_module.attach(this);
}

RunSession::~RunSession()
{
    try {
        m_connections.closeLookups();
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

} // namespace orrin::calc
