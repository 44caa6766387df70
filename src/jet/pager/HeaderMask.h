#pragma once

// The masked area of an Access file's first page (its layout is in jet/base/Header.h). Bytes 0x18
// on (126 of them in Jet 3, 128 from Jet 4 on) are stored XORed with an RC4 key stream of a fixed
// key; the fields are read from and written to the unmasked form. The database password is kept
// there too, in Jet 4 and later additionally XORed with the low four bytes of the creation date's
// whole days.

#include "jet/base/Header.h"
#include "jet/crypto/Crypto.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace orrin::jet {

// The version a first page declares: its magic ("Standard Jet DB" or "Standard ACE DB") and the
// version byte; nothing when the magic is missing, the page too short or the byte unknown.
std::optional<Version> declaredVersion(std::span<const std::uint8_t> firstPage);
// True when the page starts with either magic, whatever its version byte.
bool hasAccessMagic(std::span<const std::uint8_t> firstPage);

// XORs the masked area of a first page with the fixed key stream; applying it twice restores the
// page. REQUIRES: firstPage holds at least header::FieldsEnd bytes.
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
