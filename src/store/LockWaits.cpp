#include "store/LockWaits.h"

#include <algorithm>
#include <thread>

namespace orrin::store {

namespace {

// Short sleeps at first (most locks are held for a moment), longer ones once a lock lasts.
std::chrono::milliseconds sleepFor(int attempt)
{
    using std::chrono::milliseconds;
    return attempt < 10 ? milliseconds(5) : attempt < 40 ? milliseconds(25) : milliseconds(100);
}

} // namespace

LockWaits::LockWaits(std::chrono::milliseconds budget) : m_budget(budget) {}

bool LockWaits::keepWaiting(const std::string& file, int attempt)
{
    if (m_stopCheck && m_stopCheck())
        return false;
    if (spent()) {
        m_gaveUp.insert(file);
        return false;
    }
    if (attempt == 0 && m_notice)
        m_notice(file);
    const auto nap = std::min(sleepFor(attempt), m_budget - m_waited);
    const auto before = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(nap);
    m_waited += std::max(nap, std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now() - before));
    return true;
}

std::string inUseText(const std::string& file)
{
    return file + " is in use by another program";
}

} // namespace orrin::store
