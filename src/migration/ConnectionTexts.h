#pragma once

#include "migration/FolderPaths.h"
#include "store/DatabaseLocation.h"

#include <string>
#include <string_view>

namespace orrin::migration {

// The run's databases in the folders chosen (FolderPaths), with the applications' providers and
// passwords: each is built here once, as a value, and handed on to what opens or compares it.
store::DatabaseLocation sourceLocation(std::string_view OrrinDbFolder);
store::DatabaseLocation targetLocation(std::string_view AgentDbFolder);
// The target as the calculations' handle names it: "LIC.MDB", the DAO connect text's password.
store::DatabaseLocation targetDaoLocation(std::string_view AgentDbFolder);

// The connection texts of the locations above (store::DatabaseLocation::text): a folder holding ";"
// is quoted, so that it cannot end the Data Source early and name another file.
std::string sourceConnectionText(std::string_view OrrinDbFolder);
std::string targetConnectionText(std::string_view AgentDbFolder);
std::string targetDaoConnect(); // ";pwd=QZMRAKS"

} // namespace orrin::migration
