#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace orrin::jet {

// A whole file mapped read-only into memory; the bytes stay valid for the object's life and are
// read from disk only as they are touched. An empty file maps to no bytes. A file that cannot be
// opened or mapped is Failure::Io naming it.
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
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};

} // namespace orrin::jet
