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
