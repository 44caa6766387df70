#pragma once

#include <string>
#include <string_view>

namespace orrin::store {

// The two provider names the program's connection texts use; both reach the same engine.
inline constexpr std::string_view kAceProvider = "Microsoft.ACE.OLEDB.12.0";
inline constexpr std::string_view kJetProvider = "Microsoft.Jet.OLEDB.4.0";

// What a connection text says: which provider, which file, which database password.
struct ConnectionText {
    std::string provider;
    std::string dataSource;
    std::string password;

    // "Provider=...;Data Source=...;Jet OLEDB:Database Password=..." (keys without regard to case,
    // in any order). Each value runs from the first "=" after its key to the next ";", so a password
    // such as %Q7k!Lw2~(&9}R arrives intact. Throws Error (store::code::General) for a provider
    // other than the two above, naming it, or a text without a Data Source.
    static ConnectionText parse(std::string_view text);

    // The DAO form: a database name (a path) and a connect text ";pwd=...".
    static ConnectionText parseDao(std::string_view name, std::string_view connect);

    // The text that parse() reads back into this provider, data source and password:
    // "Provider=<provider>;Data Source=<data source>;Jet OLEDB:Database Password=<password>", the data
    // source quoted by quoteConnectionValue. Every connection text of the program is built here.
    std::string text() const;
};

// A value as it must stand in a connection text: unchanged, unless it holds a ";" or begins with a
// double quote, in which case it is put in double quotes (a quote inside doubled), the way connection texts
// quote such values. Without this a folder named "a;Data Source=/b/" would open a file in /b/.
std::string quoteConnectionValue(std::string_view value);

} // namespace orrin::store
