#pragma once

// The pager: an Access file as a sequence of decoded pages. It reads the first page, decides what
// kind of file it is (never by its name), checks the password, and undoes the page encoding or
// encryption the file uses, so that the layers above only ever see plain pages.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::jet {

enum class Version {
    Jet3,   // Access 97, 2 KB pages, text in the file's code page
    Jet4,   // Access 2000-2003, 4 KB pages, UTF-16 text
    Ace12,  // Access 2007
    Ace14,  // Access 2010
    Ace16,  // Access 2013
    Ace17,  // Access 2016 and later
};

// True for every version with 4 KB pages and UTF-16 text.
inline bool isJet4Family(Version v) { return v != Version::Jet3; }

struct Header {
    Version version = Version::Jet4;
    std::size_t pageSize = 4096;
    std::uint16_t codePage = 0;       // Jet 3: the code page of its text
    std::uint16_t sortOrder = 0;      // the text sort order the file declares (index keys)
    std::uint16_t sortVersion = 0;    // the sort order's version, where the file has one
    std::uint32_t databaseKey = 0;    // non-zero: the pages are RC4-encoded with it (Jet "encoded")
    double creationDate = 0;          // from the masked area
    bool hasPassword = false;         // a database password is set
    bool officeEncrypted = false;     // ACE file under Office encryption (RC4 CryptoAPI or agile)
};

// An open Access file, read-only. Every page is decoded once, when it is first asked for, and kept.
// Opening reports a file that is not an Access file as Failure::NotADatabase, a wrong password as
// Failure::WrongPassword ("the password of FILE is not right"), before any other page is read; a
// file without a password opens whatever password is given. A page past the end, or a file whose
// length is not a whole number of pages, is Failure::Damaged naming the page.
class PageFile {
public:
    static std::unique_ptr<PageFile> open(const std::filesystem::path& path, std::string_view password);
    virtual ~PageFile();

    const Header& header() const { return m_header; }
    std::uint32_t pageCount() const { return m_pageCount; }
    const std::string& fileName() const { return m_fileName; }

    // The decoded page n; the span stays valid for the life of this object.
    std::span<const std::uint8_t> page(std::uint32_t n) const;

    // The page n as it should be written to disk: the reverse of the decoding (plain files return
    // it unchanged). Used by the writer, which builds plain pages.
    std::vector<std::uint8_t> encodePage(std::uint32_t n, std::span<const std::uint8_t> plain) const;

protected:
    PageFile() = default;

    Header m_header;
    std::uint32_t m_pageCount = 0;
    std::string m_fileName;
    std::vector<std::uint8_t> m_raw;                        // the file's bytes as read
    mutable std::vector<std::unique_ptr<std::uint8_t[]>> m_decoded;  // by page, filled on first use

    // Turns page n of m_raw into its plain form, in place in out.
    virtual void decode(std::uint32_t n, std::span<std::uint8_t> out) const;
    virtual void encode(std::uint32_t n, std::span<std::uint8_t> inOut) const;
};

} // namespace orrin::jet
