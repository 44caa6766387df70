#pragma once

// Questions about files that each operating system answers its own way.

#include <filesystem>

namespace orrin::platform {

enum class EntryKind { Missing, Link, Regular, Other };

// What path itself names, without following a final link (a symbolic link or a Windows reparse
// point is Link).
EntryKind entryKind(const std::filesystem::path& path);

// Whether new files can be made in folder (it exists and this user may write and enter it).
bool folderWritable(const std::filesystem::path& folder);

} // namespace orrin::platform
