#include "store/DatabaseLocation.h"

#include "store/SqlText.h"
#include "store/StoreError.h"

#include <optional>

namespace orrin::store {

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Splits "key=value;key=value" into its pairs: a key runs to the first "=", its value from there to
// the next ";" (so "=" inside a value is kept). A value that begins with a double quote runs to the
// closing quote instead ("" standing for one quote), so it may hold ";". Keys are trimmed and
// lower-cased; values are kept as they are, since a password may begin or end in a blank.
template <class Visit> void forEachPair(std::string_view text, Visit&& visit)
{
    std::size_t position = 0;
    while (position <= text.size()) {
        const std::size_t equals = text.find('=', position);
        const std::size_t semicolon = text.find(';', position);
        if (equals == std::string_view::npos || (semicolon != std::string_view::npos && semicolon < equals)) {
            // A part without "=": nothing to take; go on after its ";".
            if (semicolon == std::string_view::npos)
                return;
            position = semicolon + 1;
            continue;
        }
        const std::string key = lowerAscii(trimmed(text.substr(position, equals - position)));
        std::size_t valueStart = equals + 1;
        if (valueStart < text.size() && text[valueStart] == '"') {
            std::string value;
            std::size_t at = valueStart + 1;
            while (at < text.size()) {
                if (text[at] == '"') {
                    if (at + 1 < text.size() && text[at + 1] == '"') {
                        value += '"';
                        at += 2;
                        continue;
                    }
                    break;
                }
                value += text[at++];
            }
            visit(key, std::string_view(value));
            const std::size_t next = text.find(';', at);
            if (next == std::string_view::npos)
                return;
            position = next + 1;
            continue;
        }
        std::size_t end = text.find(';', valueStart);
        if (end == std::string_view::npos)
            end = text.size();
        visit(key, text.substr(valueStart, end - valueStart));
        position = end + 1;
    }
}

} // namespace

DatabaseLocation DatabaseLocation::parse(std::string_view text)
{
    DatabaseLocation result;
    bool haveDataSource = false;
    forEachPair(text, [&](const std::string& key, std::string_view value) {
        if (key == "provider")
            result.provider = std::string(trimmed(value));
        else if (key == "data source")
            result.dataSource = std::string(value), haveDataSource = true;
        else if (key == "jet oledb:database password")
            result.password = std::string(value);
    });

    if (!equalsIgnoringCase(result.provider, kAceProvider) &&
        !equalsIgnoringCase(result.provider, kJetProvider)) {
        throw Error(code::General,
                    "Provider cannot be found: '" + result.provider + "'. It may not be properly installed.");
    }
    if (!haveDataSource)
        throw Error(code::General, "The connection text names no Data Source, so there is no file to open.");
    return result;
}

std::string quoteConnectionValue(std::string_view value)
{
    if (value.find(';') == std::string_view::npos && (value.empty() || value.front() != '"'))
        return std::string(value);
    std::string quoted = "\"";
    for (const char c : value) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

DatabaseLocation DatabaseLocation::parseDao(std::string_view name, std::string_view connect)
{
    DatabaseLocation result;
    result.provider = std::string(kJetProvider);
    result.dataSource = std::string(name);
    forEachPair(connect, [&](const std::string& key, std::string_view value) {
        if (key == "pwd")
            result.password = std::string(value);
    });
    return result;
}

std::string DatabaseLocation::text() const
{
    return "Provider=" + provider + ";Data Source=" + quoteConnectionValue(dataSource) +
           ";Jet OLEDB:Database Password=" + password;
}

} // namespace orrin::store
