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

// Where the fields of the first page sit, and the page sizes it implies.
namespace orrin::jet::header {

constexpr std::size_t PageSizeJet3 = 2048; // every page of a Jet 3 file
constexpr std::size_t PageSizeJet4 = 4096; // every page of a Jet 4 or ACE file

constexpr std::size_t PageType = 0x00;              // 8 bits: 0x00 on the first page
constexpr std::size_t Magic = 0x04;                 // JetMagic or AceMagic
constexpr std::size_t MagicLength = 15;             // bytes of either magic, no terminating zero
constexpr char JetMagic[] = "Standard Jet DB";      // .mdb files
constexpr char AceMagic[] = "Standard ACE DB";      // .accdb files
constexpr std::size_t VersionByte = 0x14;           // 8 bits: see Version
constexpr std::size_t MaskedStart = 0x18;           // first masked byte
constexpr std::size_t MaskedLengthJet3 = 126;       // masked bytes of a Jet 3 first page
constexpr std::size_t MaskedLengthJet4 = 128;       // masked bytes of later first pages
constexpr std::size_t SortOrderJet3 = 0x3A;         // 16 bits: the collation id
constexpr std::size_t CodePage = 0x3C;              // 16 bits
constexpr std::size_t DatabaseKey = 0x3E;           // 32 bits; non-zero: pages are encoded or encrypted
constexpr std::size_t Password = 0x42;              // 20 bytes (Jet 3) or 40 (UTF-16, later versions)
constexpr std::size_t PasswordLengthJet3 = 20;      // bytes of the stored password, Jet 3
constexpr std::size_t PasswordLengthJet4 = 40;      // bytes of the stored password, later versions
constexpr std::size_t SortOrderJet4 = 0x6E;         // 16 bits: the collation id
constexpr std::size_t SortVersionJet4 = 0x71;       // 8 bits: the collation's version
constexpr std::size_t CreationDate = 0x72;          // 8-byte double, Jet 4 family only
constexpr std::size_t EncryptionInfo = 0x299;       // ACE: EncryptionInfoLengthSize bytes of length, then
                                                    // the EncryptionInfo
constexpr std::size_t EncryptionInfoLengthSize = 2; // the 16-bit length before the EncryptionInfo
// The EncryptionInfo starts with its version (two 16-bit numbers), then 32 reserved bits.
constexpr std::size_t InfoVersionMajor = 0; // 16 bits, from the EncryptionInfo's start
constexpr std::size_t InfoVersionMinor = 2; // 16 bits
constexpr std::size_t InfoReserved = 4;     // 32 bits
constexpr std::size_t InfoHeaderSize = 8;   // the bytes before the encryption's description

// The smallest first page that holds every field above.
constexpr std::size_t FieldsEnd = EncryptionInfo + EncryptionInfoLengthSize;

inline std::size_t pageSize(Version v)
{
    return v == Version::Jet3 ? PageSizeJet3 : PageSizeJet4;
}
inline std::size_t maskedLength(Version v)
{
    return v == Version::Jet3 ? MaskedLengthJet3 : MaskedLengthJet4;
}
inline std::size_t passwordLength(Version v)
{
    return v == Version::Jet3 ? PasswordLengthJet3 : PasswordLengthJet4;
}

} // namespace orrin::jet::header
