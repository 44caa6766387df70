#pragma once

#include "value/Variant.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace orrin::calc {

// A number taken from a value that a query compares with a numeric column, bound the way the engine
// reads the same number written as a literal: a whole number as an integer, anything else as a
// double.
inline Variant boundNumber(double number)
{
    if (std::nearbyint(number) == number && number >= std::numeric_limits<std::int32_t>::min() &&
        number <= std::numeric_limits<std::int32_t>::max())
        return Variant(static_cast<std::int32_t>(number));
    return Variant(number);
}

} // namespace orrin::calc
