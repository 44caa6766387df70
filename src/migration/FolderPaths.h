#pragma once

#include <string>
#include <string_view>

namespace orrin::migration {

// The folder part of a path text: everything up to and including its last "/" or "\", or "" when it
// has neither. "C:\Zarvo\Data\zrv.accdb" gives "C:\Zarvo\Data\".
std::string folderOf(std::string_view path);

// The run's files in a folder as the classic program names them: the folder (which already ends in a
// separator), "\" and the file name, so a doubled separator that the store folds when it opens the
// file.
std::string sourceDbPath(std::string_view OrrinDbFolder);  // folder + "\zrv.accdb"
std::string targetDbPath(std::string_view AgentDbFolder);  // folder + "\LIC.mdb"
std::string targetDaoName(std::string_view AgentDbFolder); // folder + "\LIC.MDB"

} // namespace orrin::migration
