#pragma once

// The layout of an Access file's first page and its masked area. Bytes 0x18 on (126 of them in
// Jet 3, 128 from Jet 4 on) are stored XORed with an RC4 key stream of a fixed key; the fields
// below are read from and written to the unmasked form. The database password is kept there too,
// in Jet 4 and later additionally XORed with the low four bytes of the creation date's whole days.

#include "jet/Crypto.h"
#include "jet/Header.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

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

namespace orrin::jet {

// The version a first page declares: its magic ("Standard Jet DB" or "Standard ACE DB") and the
// version byte; nothing when the magic is missing, the page too short or the byte unknown.
std::optional<Version> declaredVersion(std::span<const std::uint8_t> firstPage);
// True when the page starts with either magic, whatever its version byte.
bool hasAccessMagic(std::span<const std::uint8_t> firstPage);

// XORs the masked area of a first page with the fixed key stream; applying it twice restores the
// page. REQUIRES: firstPage holds at least layout::kHeaderFieldsEnd bytes.
void applyHeaderMask(std::span<std::uint8_t> firstPage, Version version);

// Fills the code page, sort order and version, database key and creation date of header from an
// unmasked first page (header.version must be set), and hasPassword from the stored password.
void readHeaderFields(std::span<const std::uint8_t> plainFirstPage, Header& header);

// The stored database password of an unmasked first page as the file keeps it (UTF-16LE, or single
// bytes for Jet 3), with the creation-date mask removed and cut at the first NUL character; empty
// when the file has none.
Bytes storedPassword(std::span<const std::uint8_t> plainFirstPage, Version version);

// True when password is the stored database password, compared exactly as stored (case counts).
bool storedPasswordMatches(std::span<const std::uint8_t> plainFirstPage, Version version,
                           std::string_view password);

// Writes password as the stored database password of an unmasked first page (empty: none).
// Fails with Failure::Unsupported when it is longer than the file can keep (20 characters).
void storePassword(std::span<std::uint8_t> plainFirstPage, Version version, std::string_view password);

// Fills the whole stored password field with one byte (before the creation-date mask): what Access
// leaves there in an .accdb under Office encryption, where the field holds no password.
void fillPasswordField(std::span<std::uint8_t> plainFirstPage, Version version, std::uint8_t fill);

} // namespace orrin::jet
