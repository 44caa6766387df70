#pragma once

#include <string>
#include <string_view>

namespace orrin::migration {

// The folder part of a path text: everything up to and including its last "/" or "\", or "" when it
// has neither. "C:\Zarvo\Data\zrv.accdb" gives "C:\Zarvo\Data\".
std::string folderOf(std::string_view path);

// The run's connection texts, built from a folder exactly as the classic program builds them
// (folder + "\zrv.accdb", so a doubled separator; the store folds it).
std::string sourceConnectionText(std::string_view OrrinDbFolder);
std::string targetConnectionText(std::string_view AgentDbFolder);
std::string targetDaoName(std::string_view AgentDbFolder);  // folder + "\LIC.MDB"
std::string targetDaoConnect();                             // ";pwd=QZMRAKS"
// The source file's path as the client step hands it to its lookups: folder + "\zrv.accdb".
std::string sourceDbPath(std::string_view OrrinDbFolder);

} // namespace orrin::migration
