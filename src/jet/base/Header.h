#pragma once

// What the first page of an Access file says about the whole file.

#include <cstddef>
#include <cstdint>

namespace orrin::jet {

// The byte at 0x14 of the first page.
enum class Version {
    Jet3,  // 0: Access 97, 2 KB pages, text in the file's code page
    Jet4,  // 1: Access 2000-2003, 4 KB pages, UTF-16 text
    Ace12, // 2: Access 2007
    Ace14, // 3: Access 2010
    Ace16, // 5: Access 2013
    Ace17, // 6: Access 2016 and later
};

// True for every version with 4 KB pages and UTF-16 text.
inline bool isJet4Family(Version v)
{
    return v != Version::Jet3;
}
// True for the .accdb versions (Office encryption instead of Jet page encoding).
inline bool isAce(Version v)
{
    return v != Version::Jet3 && v != Version::Jet4;
}

// How the pages after the first are stored.
enum class Encryption {
    None,
    JetRc4,             // Jet "encoded": RC4 keyed by the database key and the page number
    OfficeRc4CryptoApi, // .accdb, encryption version 2.2/3.2/4.2 with RC4
    OfficeAesStandard,  // .accdb, the same header naming AES (the "non-standard" provider included)
    OfficeAgile,        // .accdb, encryption version 4.4 (AES with a hashed, salted key)
};

struct Header {
    Version version = Version::Jet4;
    std::size_t pageSize = 4096;
    std::uint16_t codePage = 0;    // Jet 3: the code page of its text
    std::uint16_t sortOrder = 0;   // the text sort order the file declares (index keys)
    std::uint16_t sortVersion = 0; // the sort order's version, where the file has one (Jet 4 family)
    std::uint32_t databaseKey = 0; // non-zero: the pages are encoded (Jet) or encrypted (ACE)
    double creationDate = 0;       // from the masked area (Jet 4 family; 0 for Jet 3)
    bool hasPassword = false;      // a database password is set (stored, or the Office encryption's)
    bool officeEncrypted = false;  // ACE file under Office encryption (RC4 CryptoAPI or agile)
    Encryption encryption = Encryption::None;
};

} // namespace orrin::jet

// Where the fields of the first page sit.
namespace orrin::jet::layout {

constexpr std::size_t kPageType = 0x00; // 0x00 on the first page
constexpr std::size_t kMagic = 0x04;    // "Standard Jet DB" / "Standard ACE DB"
constexpr std::size_t kMagicLength = 15;
constexpr std::size_t kVersion = 0x14;     // see Version
constexpr std::size_t kMaskedStart = 0x18; // first masked byte
constexpr std::size_t kMaskedLengthJet3 = 126;
constexpr std::size_t kMaskedLengthJet4 = 128;
constexpr std::size_t kSortOrderJet3 = 0x3A; // 2 bytes, the collation id
constexpr std::size_t kCodePage = 0x3C;      // 2 bytes
constexpr std::size_t kDatabaseKey = 0x3E;   // 4 bytes; non-zero: pages are encoded or encrypted
constexpr std::size_t kPassword = 0x42;      // 20 bytes (Jet 3) or 40 (UTF-16, later versions)
constexpr std::size_t kPasswordLengthJet3 = 20;
constexpr std::size_t kPasswordLengthJet4 = 40;
constexpr std::size_t kSortOrderJet4 = 0x6E;   // 2 bytes, the collation id
constexpr std::size_t kSortVersionJet4 = 0x71; // 1 byte, the collation's version
constexpr std::size_t kCreationDate = 0x72;    // 8-byte double, Jet 4 family only
constexpr std::size_t kEncryptionInfo = 0x299; // ACE: 2-byte length, then the EncryptionInfo

// The smallest first page that holds every field above.
constexpr std::size_t kHeaderFieldsEnd = 0x29B;

inline std::size_t maskedLength(Version v)
{
    return v == Version::Jet3 ? kMaskedLengthJet3 : kMaskedLengthJet4;
}
inline std::size_t passwordLength(Version v)
{
    return v == Version::Jet3 ? kPasswordLengthJet3 : kPasswordLengthJet4;
}

} // namespace orrin::jet::layout
