#pragma once

#include "platform/FileIdentity.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace orrin::jet {

// A whole file read into private memory when the object is made: the bytes are the file as it was
// at that moment, whatever another program does to it afterwards (writes, cuts it short, renames
// another file over it), and stay valid for the object's life. An empty file holds no bytes. A file
// that cannot be opened or read, or that changes size while it is read, is Failure::Io naming it.
class FileSnapshot {
  public:
    explicit FileSnapshot(const std::filesystem::path& path);
    ~FileSnapshot();
    FileSnapshot(const FileSnapshot&) = delete;
    FileSnapshot& operator=(const FileSnapshot&) = delete;

    std::span<const std::uint8_t> bytes() const { return {m_data, m_size}; }

    // The file's identity, size and modification time when it was read.
    const platform::FileIdentity& identity() const { return m_identity; }

    // Gives back the memory of the whole system pages inside [offset, offset + length), which the
    // caller will not read again: they read as zeros afterwards.
    void release(std::size_t offset, std::size_t length) const;

  private:
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    platform::FileIdentity m_identity;
};

} // namespace orrin::jet
