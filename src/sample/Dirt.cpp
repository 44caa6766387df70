#include "sample/Dirt.h"

#include "jet/base/Text.h"
#include "sample/SampleData.h"

#include <bit>

namespace orrin::sample {

Dirt::Dirt(std::uint64_t seed, double rate) : m_random(seed ^ 0xD1A7D1A7D1A7D1A7ULL), m_rate(rate) {}

bool Dirt::roll()
{
    ++m_candidates;
    // Always one draw per candidate, so the stream stays in step whatever the outcome.
    const bool dirty = m_random.chance(m_rate);
    if (dirty)
        ++m_dirtied;
    return dirty;
}

unsigned Dirt::chooseKind(unsigned kinds)
{
    const int count = std::popcount(kinds);
    auto index = m_random.between(0, count - 1);
    for (unsigned bit = 1; bit != 0; bit <<= 1) {
        if ((kinds & bit) && index-- == 0)
            return bit;
    }
    return 0;
}

SqlValue Dirt::text(std::string clean, unsigned kinds, std::string_view quoted)
{
    if (kinds == 0 || !roll())
        return clean;
    switch (chooseKind(kinds)) {
    case Empty:
        return std::string();
    case Null:
        return std::monostate{};
    case Blank:
        return std::string(" ");
    case Long:
        return std::string(m_random.pick(longAddressLines()));
    case Lower:
        return jet::asciiLower(clean);
    case Quote:
        if (!quoted.empty())
            return std::string(quoted);
        clean.insert(clean.size() / 2, 1, '\'');
        return clean;
    default:
        return clean;
    }
}

SqlValue Dirt::orNull(SqlValue clean)
{
    if (!roll())
        return clean;
    return std::monostate{};
}

SqlValue Dirt::plan(std::int32_t clean)
{
    if (!roll())
        return std::to_string(clean);
    return std::to_string(m_random.chance(0.5) ? 0 : kUnknownPlan);
}

} // namespace orrin::sample
