#pragma once

// Questions about files that each operating system answers its own way.

#include <cstdint>
#include <filesystem>
#include <optional>

namespace orrin::platform {

// What names one file on this machine whatever path reaches it: the device and inode on POSIX, the
// volume serial number and file index on Windows.
struct FileKey {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileKey&) const = default;
};

// The identity of the file path names, following links; nothing when it cannot be read (a missing
// file has none).
std::optional<FileKey> fileIdentity(const std::filesystem::path& path);

enum class EntryKind { Missing, Link, Regular, Other };

// What path itself names, without following a final link (a symbolic link or a Windows reparse
// point is Link).
EntryKind entryKind(const std::filesystem::path& path);

// Whether new files can be made in folder (it exists and this user may write and enter it).
bool folderWritable(const std::filesystem::path& folder);

} // namespace orrin::platform
