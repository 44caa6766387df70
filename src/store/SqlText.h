#pragma once

#include "jet/base/Text.h"

#include <string>
#include <string_view>

namespace orrin::store {

// Lower case of the ASCII letters only; other bytes (UTF-8 included) stay as they are. Names of
// tables, fields, providers and files compare through it, the way the format library compares the
// names in an Access file.
inline std::string lowerAscii(std::string_view text)
{
    return jet::asciiLower(text);
}
inline bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return jet::sameName(a, b);
}

// An identifier in double quotes, a quote inside it doubled: a name can never end the quoting.
std::string quoteIdentifier(std::string_view name);

// A text inside single quotes for SQL, a quote inside it doubled.
std::string quoteText(std::string_view text);

// A value shown inside a message: at most 50 characters, longer ones cut with "...".
std::string shownValue(std::string_view text);

} // namespace orrin::store
