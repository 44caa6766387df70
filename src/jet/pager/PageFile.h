#pragma once

// The pager: an Access file as a sequence of decoded pages. It reads the first page, decides what
// kind of file it is (never by its name), checks the password, and undoes the header mask and the
// page encoding or encryption the file uses, so that the layers above only ever see plain pages.

#include "jet/base/Header.h"
#include "platform/FileIdentity.h"
#include "platform/FileSnapshot.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::jet {

class PageCodec;

// An open Access file, read-only, read whole into memory when it is opened (a FileSnapshot): what
// another program does to the file afterwards never shows here. Every page is decoded once, when it
// is first asked for, and kept; plain pages are served from the snapshot without a copy, and the
// snapshot's memory of an encrypted page is given back once it is decoded. Opening reports a
// file that is not an Access file as Failure::NotADatabase ("FILE is not a database."), a wrong
// password, or none for a protected file, as Failure::WrongPassword ("the password of FILE is not
// right") before any page but the first is read; a file without a password opens whatever password
// is given. A first page too short for its header, a file whose length is not a whole number of
// pages, an encryption header that runs past its page, or a page asked for past the end is
// Failure::Damaged naming the file and the page. Not thread-safe.
class PageFile {
  public:
    static std::unique_ptr<PageFile> open(const std::filesystem::path& path, std::string_view password);
    // The same over bytes held in memory (name stands for the path in messages).
    static std::unique_ptr<PageFile> openBytes(std::vector<std::uint8_t> bytes, std::string name,
                                               std::string_view password);
    ~PageFile();
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    const Header& header() const { return m_header; }
    std::uint32_t pageCount() const { return m_pageCount; }
    const std::string& fileName() const { return m_fileName; }

    // The decoded page n (page 0 with its masked area unmasked); the span stays valid for the life
    // of this object.
    std::span<const std::uint8_t> page(std::uint32_t n) const;

    // Page n as the file stores it. Only for a page that was not decoded yet (see originalPage).
    std::span<const std::uint8_t> storedPage(std::uint32_t n) const;

    // Page n exactly as the file stored it when it was opened, whether or not it was decoded since:
    // what a writer copies for a page it did not change.
    std::vector<std::uint8_t> originalPage(std::uint32_t n) const;

    // The file's identity, size and modification time when it was opened; nullopt for openBytes.
    const std::optional<platform::FileIdentity>& identity() const { return m_identity; }

    // The page n as it should be written to disk: the exact reverse of the decoding, for any n
    // (pages past the end included, for a file that grows). Used by the writer, which builds plain
    // pages. REQUIRES: plain is one page long.
    std::vector<std::uint8_t> encodePage(std::uint32_t n, std::span<const std::uint8_t> plain) const;

  private:
    PageFile();
    void openFirstPage(std::string_view password);
    std::uint8_t* newPageBuffer() const;

    Header m_header;
    std::uint32_t m_pageCount = 0;
    std::string m_fileName;
    std::unique_ptr<platform::FileSnapshot> m_snapshot; // the file, or
    std::vector<std::uint8_t> m_ownedBytes;             // the bytes given to openBytes
    std::span<const std::uint8_t> m_bytes;              // whichever of the two holds the file
    std::unique_ptr<PageCodec> m_codec;
    std::optional<platform::FileIdentity> m_identity;
    mutable std::vector<const std::uint8_t*> m_pages;             // decoded page n, once asked for
    mutable std::vector<std::unique_ptr<std::uint8_t[]>> m_arena; // buffers of decoded pages
    mutable std::size_t m_arenaFree = 0;                          // pages left in the last buffer
};

} // namespace orrin::jet
