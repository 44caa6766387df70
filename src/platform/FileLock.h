#pragma once

// Byte-range locks on a file, as the platform's other programs see them: the Access engine holds a
// database it writes by locking ranges of the database and of its lock file, and so does this
// program, so that another program of either kind finds the file in use at once.

#include <cstdint>
#include <filesystem>
#include <memory>

namespace orrin::platform {

class FileLock {
  public:
    enum class Kind { Shared, Exclusive };

    // Opens path (for writing when the lock is exclusive) and tries once, without waiting, to lock
    // the bytes [offset, offset + length), which may lie past the end of the file. Returns the lock,
    // held until the object is destroyed or the process ends however it ends; nullptr when another
    // program (or another lock of this one) holds a lock that conflicts. A file that cannot be opened
    // or locked for any other reason is a std::system_error naming the path.
    static std::unique_ptr<FileLock> tryLock(const std::filesystem::path& path, Kind kind,
                                             std::uint64_t offset, std::uint64_t length);

    // True when some lock other than this process's own open locks would keep an exclusive lock on
    // the range of path from being taken; false when nothing holds it or path cannot be opened.
    static bool isLockedElsewhere(const std::filesystem::path& path, std::uint64_t offset,
                                  std::uint64_t length);

    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // The open file that holds the lock (a POSIX descriptor, or a Windows handle as an integer).
    std::intptr_t handle() const { return m_handle; }

  private:
    explicit FileLock(std::intptr_t handle) : m_handle(handle) {}
    std::intptr_t m_handle;
};

} // namespace orrin::platform
