// Feeds arbitrary connection texts to the parser: it either refuses them with an orrin::Error or
// returns one of the two providers. Any folder text, quoted the way the run quotes it, comes back
// whole, with the password after it intact.

#include "store/DatabaseLocation.h"
#include "store/SqlText.h"
#include "value/Error.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using orrin::store::DatabaseLocation;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    try {
        const DatabaseLocation parsed = DatabaseLocation::parse(text);
        require(orrin::store::equalsIgnoringCase(parsed.provider, orrin::store::kAceProvider) ||
                orrin::store::equalsIgnoringCase(parsed.provider, orrin::store::kJetProvider));
    } catch (const orrin::Error&) {
    }

    const auto newline = text.find('\n');
    const DatabaseLocation dao = DatabaseLocation::parseDao(
        text.substr(0, newline),
        newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1));
    require(dao.dataSource == text.substr(0, newline));

    // The text the run builds for the source, around an arbitrary folder.
    const std::string file = std::string(text) + "\\zrv.accdb";
    const std::string built = DatabaseLocation{"Microsoft.ACE.OLEDB.12.0", file, "%Q7k!Lw2~(&9}R"}.text();
    const DatabaseLocation parsed = DatabaseLocation::parse(built);
    require(parsed.dataSource == file);
    require(parsed.password == "%Q7k!Lw2~(&9}R");
    return 0;
}
