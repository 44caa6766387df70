#include "migration/ConnectionTexts.h"

#include "store/ConnectionText.h"
#include "store/KnownDatabases.h"

namespace orrin::migration {

std::string sourceConnectionText(std::string_view OrrinDbFolder)
{
    return store::ConnectionText{std::string(store::kAceProvider), sourceDbPath(OrrinDbFolder),
                                 std::string(kOrrinPassword)}
        .text();
}

std::string targetConnectionText(std::string_view AgentDbFolder)
{
    return store::ConnectionText{std::string(store::kJetProvider), targetDbPath(AgentDbFolder),
                                 std::string(kCalvanePassword)}
        .text();
}

std::string targetDaoConnect()
{
    return ";pwd=" + std::string(kCalvanePassword);
}

} // namespace orrin::migration
