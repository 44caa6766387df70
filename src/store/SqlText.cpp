#include "store/SqlText.h"

#include "value/Conversions.h"

namespace orrin::store {

std::string lowerAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

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

std::string shownValue(std::string_view text)
{
    constexpr std::size_t kShown = 50;
    if (characterCount(text) <= kShown)
        return std::string(text);
    return firstCharacters(text, kShown) + "...";
}

} // namespace orrin::store
