#pragma once

#include "value/DateValue.h"

#include <string>

namespace orrin {

// The wall clock, behind an interface so tests can set it (the progress caption at 59.9 s, a run
// over midnight, the error log's date line).
class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since local midnight, with fractions, single precision as the classic Timer gives.
    virtual float secondsSinceMidnight() = 0;
    // The current local date in the long form, "Tuesday, December 08, 2026".
    virtual std::string longDate() = 0;
    // The current local time in the long form, "3:11:01 AM".
    virtual std::string longTime() = 0;
};

// The machine's clock.
class SystemClock : public Clock {
  public:
    float secondsSinceMidnight() override;
    std::string longDate() override;
    std::string longTime() override;
};

// The fixed long forms, with English names whatever the locale: "Tuesday, December 08, 2026" (the
// day of the month with two digits) and "3:11:01 AM" (12-hour, the hour without a leading zero;
// 0:05 is "12:05:00 AM", 12:30 is "12:30:00 PM"). The time of day of the argument is ignored by
// formatLongDate and its day by formatLongTime. Both throw 5 for an invalid date or time.
std::string formatLongDate(const CalendarDate& date);
std::string formatLongTime(const CalendarDate& time);

// The process-wide clock; tests may replace it with setClock (and restore it with nullptr).
Clock& clock();
void setClock(Clock* replacement);

} // namespace orrin
