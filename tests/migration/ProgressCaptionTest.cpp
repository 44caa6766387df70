// The caption the progress tick shows: seconds below a minute, whole minutes (half to even) from the
// 60th second on, nothing before the first start, and the clock read twice as the tick reads it.

#include "migration/ProgressCaption.h"

#include <gtest/gtest.h>

#include <vector>

namespace orrin::migration {
namespace {

// A clock that answers its readings in turn (the last one again when they run out).
class ReadingsClock : public Clock {
  public:
    explicit ReadingsClock(std::vector<float> readings) : m_readings(std::move(readings)) {}
    float secondsSinceMidnight() override
    {
        ++reads;
        const float now = m_readings[std::min(m_next, m_readings.size() - 1)];
        ++m_next;
        return now;
    }
    std::string longDate() override { return "Tuesday, December 08, 2026"; }
    std::string longTime() override { return "3:11:01 AM"; }
    int reads = 0;

  private:
    std::vector<float> m_readings;
    std::size_t m_next = 0;
};

struct CaptionCase {
    const char* name;
    double start;
    std::vector<float> readings;
    double policies;
    const char* caption; // nullptr: no caption
    int reads;
};

void PrintTo(const CaptionCase& c, std::ostream* out)
{
    *out << c.name;
}

class ProgressCaption : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(ProgressCaption, ShowsTheElapsedTimeAndThePolicies)
{
    const CaptionCase& c = GetParam();
    ReadingsClock clock(c.readings);
    const std::optional<std::string> caption = progressCaption(c.start, clock, c.policies);
    if (c.caption == nullptr)
        EXPECT_FALSE(caption.has_value()) << *caption;
    else
        EXPECT_EQ(caption.value_or("<none>"), c.caption);
    EXPECT_EQ(clock.reads, c.reads);
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, ProgressCaption,
    ::testing::Values(
        CaptionCase{"BeforeTheFirstStart", 0, {100}, 0, nullptr, 0},
        CaptionCase{"AtOnce", 3600, {3600}, 0, "0 second(s) elapsed   (Policies Transferred : 0)", 2},
        CaptionCase{
            "JustUnderAMinute", 100, {159.9f}, 7, "59 second(s) elapsed   (Policies Transferred : 7)", 2},
        CaptionCase{"SixtySeconds", 100, {160}, 0, "1 minute(s) (Policies Transferred : 0)", 2},
        CaptionCase{"HalfRoundsToEvenUp", 100, {219.5f}, 0, "2 minute(s) (Policies Transferred : 0)", 2},
        CaptionCase{"HalfRoundsToEvenDown", 100, {218.5f}, 0, "1 minute(s) (Policies Transferred : 0)", 2},
        CaptionCase{"TwoAndAHalfMinutes", 100, {250}, 120, "2 minute(s) (Policies Transferred : 120)", 2},
        CaptionCase{"PastMidnightIsNegative",
                    86399,
                    {5},
                    0,
                    "-86394 second(s) elapsed   (Policies Transferred : 0)",
                    2},
        // The first reading chooses seconds, the second gives the figure.
        CaptionCase{"TheSecondReadingGivesTheFigure",
                    100,
                    {159, 161},
                    3,
                    "61 second(s) elapsed   (Policies Transferred : 3)",
                    2},
        CaptionCase{
            "MinutesFromTheSecondReading", 100, {160, 400}, 0, "5 minute(s) (Policies Transferred : 0)", 2}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orrin::migration
