#pragma once

#include "platform/FileIdentity.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace orrin::platform {

// A whole file read into private memory when the object is made: the bytes are the file as it was
// at that moment, whatever another program does to it afterwards (writes, cuts it short, renames
// another file over it), and stay valid for the object's life. No handle of the file stays open and
// nothing of it stays mapped, so the file can be replaced meanwhile on every system. An empty file
// holds no bytes. Failures are FileError with the action "open" or "read" and the reason: the
// system's words, "it is not a file", "it was cut short while it was read" or "another program
// wrote it while it was read".
class FileSnapshot {
  public:
    explicit FileSnapshot(const std::filesystem::path& path);
    ~FileSnapshot();
    FileSnapshot(const FileSnapshot&) = delete;
    FileSnapshot& operator=(const FileSnapshot&) = delete;

    std::span<const std::uint8_t> bytes() const { return {m_data, m_size}; }

    // The file's identity, size and modification time when it was read.
    const FileIdentity& identity() const { return m_identity; }

    // Gives back the memory of the whole system pages inside [offset, offset + length), which the
    // caller will not read again: they read as zeros afterwards.
    void release(std::size_t offset, std::size_t length) const;

  private:
    // The size of the system's memory pages, and the system's way to give whole pages back.
    static std::size_t systemPageSize();
    void discard(std::size_t start, std::size_t length) const;

    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    FileIdentity m_identity;
};

} // namespace orrin::platform
