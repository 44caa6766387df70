#pragma once

#include <chrono>
#include <functional>
#include <set>
#include <string>

namespace orrin::store {

// How long a run waits, in all, for other programs' locks on the files it opens. One object serves
// every connection of a run, so a file that stays locked costs the run at most the budget once, not
// once per statement or per lookup. Each wait that begins is announced (the progress line shows it);
// a wait ends early when the stop check says the run is to stop.
class LockWaits {
  public:
    static constexpr std::chrono::milliseconds kRunBudget{30000};

    explicit LockWaits(std::chrono::milliseconds budget = kRunBudget);

    // Called with the file's path when a wait for it begins (while budget is left).
    void setWaitingNotice(std::function<void(const std::string& file)> notice)
    {
        m_notice = std::move(notice);
    }
    // Asked between the short sleeps of a wait; true ends the wait at once.
    void setStopCheck(std::function<bool()> check) { m_stopCheck = std::move(check); }

    // The engine's busy handler for a lock on file: attempt counts from 0 within one wait. Sleeps a
    // little and returns true to try again; returns false when the budget is spent or the run is to
    // stop, and the statement then fails as locked.
    bool keepWaiting(const std::string& file, int attempt);

    // True when a wait for file ran out of budget. The engine passes over some such failures
    // without failing a statement (it keeps pages in memory instead of writing them out), so the
    // run asks here to give up at once rather than at its commit.
    bool gaveUpOn(const std::string& file) const { return m_gaveUp.count(file) != 0; }

    std::chrono::milliseconds waited() const { return m_waited; }
    bool spent() const { return m_waited >= m_budget; }

  private:
    std::chrono::milliseconds m_budget;
    std::chrono::milliseconds m_waited{0};
    std::function<void(const std::string&)> m_notice;
    std::function<bool()> m_stopCheck;
    std::set<std::string> m_gaveUp;
};

// The text of a failure to get a lock in time: "<file> is in use by another program".
std::string inUseText(const std::string& file);

} // namespace orrin::store
