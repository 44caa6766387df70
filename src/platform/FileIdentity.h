#pragma once

// Which file a path names, and in what state: enough to tell, later, whether the file is still the
// one that was opened and still holds what it held.

#include <cstdint>
#include <filesystem>
#include <optional>

namespace orrin::platform {

// On POSIX the device and inode number; on Windows the volume serial number and file index.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;        // with device: the file itself, whatever names it
    std::uint64_t size = 0;         // in bytes
    std::int64_t modifiedNanos = 0; // last change of the contents, in nanoseconds since 1970

    // The same file, of the same size, last written at the same moment.
    bool operator==(const FileIdentity&) const = default;

    // The same file, whatever its size and contents now: what two paths that reach one file share.
    bool sameFile(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
};

// The identity of the file path names, symbolic links followed; nullopt when nothing readable is
// there (missing, a dangling link, no permission to look).
std::optional<FileIdentity> identityOf(const std::filesystem::path& path);

// The identity of an open descriptor (POSIX) or handle (Windows, as an integer); nullopt on failure.
std::optional<FileIdentity> identityOfOpenFile(std::intptr_t handle);

} // namespace orrin::platform
