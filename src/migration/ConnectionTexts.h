#pragma once

#include "migration/FolderPaths.h"

#include <string>
#include <string_view>

namespace orrin::migration {

// The run's connection texts for the files of a folder (FolderPaths), with the applications'
// passwords, built by store::ConnectionText: a folder holding ";" is quoted, so that it cannot end
// the Data Source early and name another file.
std::string sourceConnectionText(std::string_view OrrinDbFolder);
std::string targetConnectionText(std::string_view AgentDbFolder);
std::string targetDaoConnect(); // ";pwd=QZMRAKS"

} // namespace orrin::migration
