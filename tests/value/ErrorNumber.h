#pragma once

#include "value/Error.h"

#include <cstdint>

namespace orrin::testing {

// Runs a statement that must fail and hands back the Error's number (0 when it did not fail).
template <class Statement> std::int32_t errorNumberOf(Statement&& statement)
{
    try {
        statement();
    } catch (const Error& error) {
        return error.number();
    }
    return 0;
}

} // namespace orrin::testing
