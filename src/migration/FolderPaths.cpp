#include "migration/FolderPaths.h"

namespace orrin::migration {

std::string folderOf(std::string_view path)
{
    const std::size_t last = path.find_last_of("/\\");
    if (last == std::string_view::npos)
        return {};
    return std::string(path.substr(0, last + 1));
}

std::string sourceDbPath(std::string_view OrrinDbFolder)
{
    return std::string(OrrinDbFolder) + "\\zrv.accdb";
}

std::string targetDbPath(std::string_view AgentDbFolder)
{
    return std::string(AgentDbFolder) + "\\LIC.mdb";
}

std::string targetDaoName(std::string_view AgentDbFolder)
{
    return std::string(AgentDbFolder) + "\\LIC.MDB";
}

} // namespace orrin::migration
