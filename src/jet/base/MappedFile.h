#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace orrin::platform {
class FileBytes;
}

namespace orrin::jet {

// A whole file held read-only in memory; the bytes stay valid for the object's life. Where the system
// allows it (POSIX) the file is mapped and read from disk only as it is touched; on Windows it is read
// whole, so that nothing holds it when it is replaced. An empty file has no bytes. A file that cannot
// be opened, read or mapped is Failure::Io naming it.
class MappedFile {
  public:
    explicit MappedFile(const std::filesystem::path& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::span<const std::uint8_t> bytes() const { return {m_data, m_size}; }

    // Tells the system the bytes [offset, offset + length) are not needed soon, so that the memory
    // of the whole system pages inside them can be given back; reading them again reads the file.
    void release(std::size_t offset, std::size_t length) const;

  private:
    std::unique_ptr<platform::FileBytes> m_file;
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};

} // namespace orrin::jet
