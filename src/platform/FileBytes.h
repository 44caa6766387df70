#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace orrin::platform {

// The whole contents of a regular file, read-only, valid for the object's life. On POSIX the file is
// mapped and its pages are read as they are touched. On Windows it is read into memory and closed at
// once, because Windows refuses to replace a file while any mapping of it stays open. An empty file
// has no bytes. Failures are FileError with the action "open", "read" or "map"; a path that names
// no regular file is the action "open" with the reason "it is not a file".
class FileBytes {
  public:
    explicit FileBytes(const std::filesystem::path& path);
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    std::span<const std::uint8_t> bytes() const { return {m_data, m_size}; }

    // Tells the system the bytes [offset, offset + length) are not needed soon, so that the memory of
    // the whole system pages inside them can be given back; reading them again reads the file. Does
    // nothing where the bytes are not mapped.
    void release(std::size_t offset, std::size_t length) const;

  private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::vector<std::uint8_t> m_copy;
};

} // namespace orrin::platform
