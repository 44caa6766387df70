#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>

namespace orrin::sample {

// A small deterministic generator (SplitMix64) with the few draws the sample writer needs. Its output
// depends only on the seed, never on the standard library, so the same seed writes the same
// databases everywhere.
class Random {
  public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        m_state += 0x9E3779B97F4A7C15ULL;
        std::uint64_t z = m_state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A whole number from low to high, both included (low <= high).
    std::int64_t between(std::int64_t low, std::int64_t high)
    {
        if (high < low)
            throw std::invalid_argument("Random::between: empty range");
        const auto span = static_cast<std::uint64_t>(high - low) + 1;
        return low + static_cast<std::int64_t>(next() % span);
    }

    // A fraction in [0, 1), from the top 53 bits.
    double fraction() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // True with the given probability (0 never, 1 always).
    bool chance(double probability) { return fraction() < probability; }

    template <typename T> const T& pick(std::span<const T> items)
    {
        if (items.empty())
            throw std::invalid_argument("Random::pick: no items");
        return items[static_cast<std::size_t>(next() % items.size())];
    }

    // An index chosen by whole-number weights (each >= 0, at least one > 0).
    std::size_t weighted(std::span<const int> weights)
    {
        std::int64_t total = 0;
        for (const int w : weights)
            total += w;
        if (total <= 0)
            throw std::invalid_argument("Random::weighted: no weight");
        std::int64_t roll = between(0, total - 1);
        for (std::size_t i = 0; i < weights.size(); ++i) {
            if (roll < weights[i])
                return i;
            roll -= weights[i];
        }
        return weights.size() - 1;
    }

  private:
    std::uint64_t m_state;
};

} // namespace orrin::sample
