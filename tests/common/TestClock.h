#pragma once

#include "value/Clock.h"

#include <string>

namespace orrin::testing {

// A clock the test sets by hand, installed as the program's clock for the life of the object; its
// long date and time are fixed texts.
class TestClock : public Clock {
  public:
    explicit TestClock(float now = 0) : m_now(now) { setClock(this); }
    ~TestClock() override { setClock(nullptr); }
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    void set(float now) { m_now = now; }
    float secondsSinceMidnight() override { return m_now; }
    std::string longDate() override { return "Tuesday, December 08, 2026"; }
    std::string longTime() override { return "3:11:01 AM"; }

  private:
    float m_now;
};

} // namespace orrin::testing
