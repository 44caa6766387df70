#include "store/ConnectionText.h"

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
// the next ";" (so "=" inside a value is kept). Keys are trimmed and lower-cased; values are kept as
// they are, since a password may begin or end in a blank.
template <class Visit> void forEachPair(std::string_view text, Visit&& visit)
{
    std::size_t position = 0;
    while (position <= text.size()) {
        std::size_t end = text.find(';', position);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view part = text.substr(position, end - position);
        const std::size_t equals = part.find('=');
        if (equals != std::string_view::npos)
            visit(lowerAscii(trimmed(part.substr(0, equals))), part.substr(equals + 1));
        position = end + 1;
    }
}

} // namespace

ConnectionText ConnectionText::parse(std::string_view text)
{
    ConnectionText result;
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

ConnectionText ConnectionText::parseDao(std::string_view name, std::string_view connect)
{
    ConnectionText result;
    result.provider = std::string(kJetProvider);
    result.dataSource = std::string(name);
    forEachPair(connect, [&](const std::string& key, std::string_view value) {
        if (key == "pwd")
            result.password = std::string(value);
    });
    return result;
}

} // namespace orrin::store
