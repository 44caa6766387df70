#pragma once

#include "calc/ConnectionLoans.h"
#include "calc/RunCaches.h"
#include "store/Connection.h"

#include <functional>

namespace orrin::calc {

class DataImport;

// One run's hold on the calculation module. While it lives, the module's lookups read through its
// connections (connections(): its own, kept open for the run, and those the run lends it), its
// calculations work on its target database and keep what they may in its caches (caches()), and the
// window's events are pumped once per policy. The run makes one when it starts; its end closes the
// lookups' connections, ends every loan and forgets every kept row. Outside a run the module keeps a
// standing session of its own (no event pump, nothing lent).
class RunSession {
  public:
    // eventPump runs at the start of every policy's calculation; lockWaits (may be nullptr: a few
    // seconds per open) is the budget the lookups' own connections wait for other programs' locks.
    explicit RunSession(DataImport& module, std::function<void()> eventPump = {},
                        store::LockWaits* lockWaits = nullptr);
    ~RunSession();
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    ConnectionLoans& connections() { return m_connections; }
    RunCaches& caches() { return m_caches; }

    // The calculations' database (set by each policy's calculation to the database it is given).
    store::Connection* target() const { return m_target; }
    void setTarget(store::Connection* target) { m_target = target; }

    // Lets the window's events run once.
    void pumpEvents() const;

  private:
    DataImport& m_module;
    RunSession* m_previous = nullptr; // the module's session before this one
    std::function<void()> m_eventPump;
    store::Connection* m_target = nullptr;
    RunCaches m_caches;
    ConnectionLoans m_connections;
};

} // namespace orrin::calc
