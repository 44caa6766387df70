#include "store/SqlText.h"

#include "value/Conversions.h"

namespace orrin::store {

std::string quoteIdentifier(std::string_view name)
{
    std::string result = "\"";
    for (char c : name) {
        if (c == '"')
            result += '"';
        result += c;
    }
    result += '"';
    return result;
}

std::string quoteText(std::string_view text)
{
    std::string out = "'";
    for (const char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

std::string shownValue(std::string_view text)
{
    constexpr std::size_t kShown = 50;
    if (characterCount(text) <= kShown)
        return std::string(text);
    return firstCharacters(text, kShown) + "...";
}

} // namespace orrin::store
