#pragma once

#include <compare>
#include <string>
#include <string_view>

namespace orrin::store {

// The two provider names the program's connection texts use; both reach the same engine.
inline constexpr std::string_view kAceProvider = "Microsoft.ACE.OLEDB.12.0";
inline constexpr std::string_view kJetProvider = "Microsoft.Jet.OLEDB.4.0";

// Where a database is and how it is opened: the provider, the file as named (the data source) and
// the database password. The program builds each of its locations once, as a value, and hands that
// value on to whatever opens, compares or names the database; text() is the connection text that
// names it, and parse() reads such a text that comes from elsewhere.
struct DatabaseLocation {
    std::string provider;
    std::string dataSource;
    std::string password;

    // "Provider=...;Data Source=...;Jet OLEDB:Database Password=..." (keys without regard to case,
    // in any order). Each value runs from the first "=" after its key to the next ";", so a password
    // such as %Q7k!Lw2~(&9}R arrives intact. Throws Error (store::code::General) for a provider
    // other than the two above, naming it, or a text without a Data Source.
    static DatabaseLocation parse(std::string_view text);

    // The DAO form: a database name (a path) and a connect text ";pwd=...".
    static DatabaseLocation parseDao(std::string_view name, std::string_view connect);

    // The text that parse() reads back into this provider, data source and password:
    // "Provider=<provider>;Data Source=<data source>;Jet OLEDB:Database Password=<password>", the data
    // source quoted by quoteConnectionValue. Every connection text of the program is built here.
    std::string text() const;

    // Locations are equal, and ordered, field by field (provider, data source, password, as written).
    auto operator<=>(const DatabaseLocation&) const = default;
};

// A value as it must stand in a connection text: unchanged, unless it holds a ";" or begins with a
// double quote, in which case it is put in double quotes (a quote inside doubled), the way connection texts
// quote such values. Without this a folder named "a;Data Source=/b/" would open a file in /b/.
std::string quoteConnectionValue(std::string_view value);

} // namespace orrin::store
