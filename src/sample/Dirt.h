#pragma once

#include "sample/Random.h"
#include "sample/SqlFile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace orrin::sample {

// Makes a share of the sample's values awkward, the way years of hand-typed agency data are: an
// empty text, a Null, a blank, an address too long for the target, a lower-case code, a quote in a
// name, a policy on plan 0 or on a plan nobody knows. It draws from a stream of its own, so the clean
// data of a seed is the same whatever the rate; every awkward value still fits its source column.
class Dirt {
  public:
    enum Kind : unsigned {
        Empty = 1u << 0, // ""
        Null = 1u << 1,
        Blank = 1u << 2, // " "
        Long = 1u << 3,  // an address line of more than 25 characters
        Lower = 1u << 4, // a code in lower case
        Quote = 1u << 5, // a single quote inside the value
    };

    Dirt(std::uint64_t seed, double rate);

    // The clean text, or with the dirty rate one of the awkward forms that kinds allows. For Quote,
    // quoted is used when given (a D'Souza for a Patil), otherwise a quote goes into the middle.
    SqlValue text(std::string clean, unsigned kinds, std::string_view quoted = {});
    // A clean value (a number or a date) or, with the dirty rate, Null.
    SqlValue orNull(SqlValue clean);
    // The plan number as text, or plan 0 or a plan the plans table does not know.
    SqlValue plan(std::int32_t clean);
    // Whether this candidate is made awkward (counted like the others): for values whose awkward form
    // the caller builds itself.
    bool roll();

    std::int64_t candidates() const { return m_candidates; }
    std::int64_t dirtied() const { return m_dirtied; }

  private:
    unsigned chooseKind(unsigned kinds);

    Random m_random;
    double m_rate;
    std::int64_t m_candidates = 0;
    std::int64_t m_dirtied = 0;
};

} // namespace orrin::sample
