#include "migration/ConnectionTexts.h"

#include "store/KnownDatabases.h"

namespace orrin::migration {

store::DatabaseLocation sourceLocation(std::string_view OrrinDbFolder)
{
    return {std::string(store::kAceProvider), sourceDbPath(OrrinDbFolder), std::string(kOrrinPassword)};
}

store::DatabaseLocation targetLocation(std::string_view AgentDbFolder)
{
    return {std::string(store::kJetProvider), targetDbPath(AgentDbFolder), std::string(kCalvanePassword)};
}

store::DatabaseLocation targetDaoLocation(std::string_view AgentDbFolder)
{
    return {std::string(store::kJetProvider), targetDaoName(AgentDbFolder), std::string(kCalvanePassword)};
}

std::string sourceConnectionText(std::string_view OrrinDbFolder)
{
    return sourceLocation(OrrinDbFolder).text();
}

std::string targetConnectionText(std::string_view AgentDbFolder)
{
    return targetLocation(AgentDbFolder).text();
}

std::string targetDaoConnect()
{
    return ";pwd=" + std::string(kCalvanePassword);
}

} // namespace orrin::migration
