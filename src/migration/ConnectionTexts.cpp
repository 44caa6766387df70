#include "migration/ConnectionTexts.h"

#include "store/ConnectionText.h"
#include "store/KnownDatabases.h"

namespace orrin::migration {

std::string folderOf(std::string_view path)
{
    const std::size_t last = path.find_last_of("/\\");
    if (last == std::string_view::npos) {
        return {};
    }
    return std::string(path.substr(0, last + 1));
}

// The folder already ends in a separator, so each text below carries a doubled one before the file
// name; the store folds it when it opens the file. A folder holding ";" is quoted, so that it cannot
// end the Data Source early and name another file.
std::string sourceConnectionText(std::string_view OrrinDbFolder)
{
    return "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" +
           store::quoteConnectionValue(std::string(OrrinDbFolder) + "\\zrv.accdb") +
           ";Jet OLEDB:Database Password=" + std::string(kOrrinPassword);
}

std::string targetConnectionText(std::string_view AgentDbFolder)
{
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
           store::quoteConnectionValue(std::string(AgentDbFolder) + "\\LIC.mdb") +
           ";Jet OLEDB:Database Password=" + std::string(kCalvanePassword);
}

std::string targetDaoName(std::string_view AgentDbFolder)
{
    return std::string(AgentDbFolder) + "\\LIC.MDB";
}

std::string targetDaoConnect()
{
    return ";pwd=" + std::string(kCalvanePassword);
}

std::string sourceDbPath(std::string_view OrrinDbFolder)
{
    return std::string(OrrinDbFolder) + "\\zrv.accdb";
}

} // namespace orrin::migration
