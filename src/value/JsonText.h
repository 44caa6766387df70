#pragma once

#include <string>
#include <string_view>

namespace orrin {

// text as a JSON string, in quotes: quotes, backslashes and control characters escaped, well-formed
// UTF-8 kept as it is, and every byte that is not part of well-formed UTF-8 written as U+FFFD, so
// the result is valid JSON whatever the data held.
std::string jsonString(std::string_view text);

} // namespace orrin
