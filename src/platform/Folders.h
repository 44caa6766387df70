#pragma once

#include <filesystem>

namespace orrin::platform {

// The running program's own file (its executable), absolute; empty when the system does not say.
std::filesystem::path programFile();

// The folder of per-user state where the error log goes by default, with folderName under it:
// on POSIX $XDG_STATE_HOME/folderName, else ~/.local/state/folderName (only absolute values of
// these variables count); on Windows %LOCALAPPDATA%\folderName. Empty when the environment names no
// such place; the caller then falls back to the system's temporary folder.
std::filesystem::path userStateFolder(const std::filesystem::path& folderName);

} // namespace orrin::platform
