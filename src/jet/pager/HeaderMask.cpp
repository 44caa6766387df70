#include "jet/pager/HeaderMask.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/crypto/PasswordText.h"
#include "jet/crypto/Rc4.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstring>

namespace orrin::jet {

namespace {

// The key Access masks every file's header with.
constexpr std::array<std::uint8_t, 4> kHeaderKey = {0xC7, 0xDA, 0x39, 0x6B};

// The four bytes the stored password is XORed with from Jet 4 on: the creation date's whole days
// as a 32-bit little-endian integer (truncated toward zero, as a C cast does); none for Jet 3.
std::array<std::uint8_t, 4> passwordMask(std::span<const std::uint8_t> plainFirstPage, Version version)
{
    std::array<std::uint8_t, 4> mask{};
    if (version == Version::Jet3)
        return mask;
    const double date = decodeDouble(plainFirstPage.data() + header::CreationDate);
    std::int32_t days = 0;
    if (std::isfinite(date) && date > -2147483648.0 && date < 2147483648.0)
        days = static_cast<std::int32_t>(date);
    encodeFixed32(mask.data(), static_cast<std::uint32_t>(days));
    return mask;
}

Bytes passwordBytes(Version version, std::string_view password)
{
    return version == Version::Jet3 ? singleByteOf(password) : utf16leOf(password);
}

} // namespace

bool hasAccessMagic(std::span<const std::uint8_t> firstPage)
{
    return firstPage.size() > header::VersionByte &&
           (std::memcmp(firstPage.data() + header::Magic, header::JetMagic, header::MagicLength) == 0 ||
            std::memcmp(firstPage.data() + header::Magic, header::AceMagic, header::MagicLength) == 0);
}

std::optional<Version> declaredVersion(std::span<const std::uint8_t> firstPage)
{
    if (!hasAccessMagic(firstPage))
        return std::nullopt;
    switch (firstPage[header::VersionByte]) {
    case 0x00:
        return Version::Jet3;
    case 0x01:
        return Version::Jet4;
    case 0x02:
        return Version::Ace12;
    case 0x03:
        return Version::Ace14;
    case 0x05:
        return Version::Ace16;
    case 0x06:
        return Version::Ace17;
    default:
        return std::nullopt;
    }
}

void applyHeaderMask(std::span<std::uint8_t> firstPage, Version version)
{
    assert(firstPage.size() >= header::FieldsEnd);
    Rc4::apply(kHeaderKey, firstPage.subspan(header::MaskedStart, header::maskedLength(version)));
}

void readHeaderFields(std::span<const std::uint8_t> plainFirstPage, Header& header)
{
    const std::uint8_t* p = plainFirstPage.data();
    header.codePage = decodeFixed16(p + header::CodePage);
    header.databaseKey = decodeFixed32(p + header::DatabaseKey);
    if (header.version == Version::Jet3) {
        header.sortOrder = decodeFixed16(p + header::SortOrderJet3);
        header.sortVersion = 0;
        header.creationDate = 0;
    } else {
        header.sortOrder = decodeFixed16(p + header::SortOrderJet4);
        header.sortVersion = p[header::SortVersionJet4];
        header.creationDate = decodeDouble(p + header::CreationDate);
    }
    header.hasPassword = !storedPassword(plainFirstPage, header.version).empty();
}

Bytes storedPassword(std::span<const std::uint8_t> plainFirstPage, Version version)
{
    const auto mask = passwordMask(plainFirstPage, version);
    const std::size_t length = header::passwordLength(version);
    Bytes stored(plainFirstPage.begin() + header::Password,
                 plainFirstPage.begin() + header::Password + length);
    for (std::size_t i = 0; i < stored.size(); ++i)
        stored[i] ^= mask[i % mask.size()];
    // Cut at the first NUL character: one zero byte in Jet 3, one zero UTF-16 unit later.
    const std::size_t unit = version == Version::Jet3 ? 1 : 2;
    std::size_t end = 0;
    while (end + unit <= stored.size() && !std::all_of(stored.begin() + end, stored.begin() + end + unit,
                                                       [](std::uint8_t b) { return b == 0; }))
        end += unit;
    stored.resize(end);
    return stored;
}

bool storedPasswordMatches(std::span<const std::uint8_t> plainFirstPage, Version version,
                           std::string_view password)
{
    return storedPassword(plainFirstPage, version) == passwordBytes(version, password);
}

void storePassword(std::span<std::uint8_t> plainFirstPage, Version version, std::string_view password)
{
    const Bytes bytes = passwordBytes(version, password);
    const std::size_t length = header::passwordLength(version);
    if (bytes.size() > length)
        throw Error(Failure::Unsupported, "A database password of this file can have at most " +
                                              std::to_string(version == Version::Jet3 ? length : length / 2) +
                                              " characters.");
    const auto mask = passwordMask(plainFirstPage, version);
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t b = i < bytes.size() ? bytes[i] : 0;
        plainFirstPage[header::Password + i] = b ^ mask[i % mask.size()];
    }
}

void fillPasswordField(std::span<std::uint8_t> plainFirstPage, Version version, std::uint8_t fill)
{
    const auto mask = passwordMask(plainFirstPage, version);
    for (std::size_t i = 0; i < header::passwordLength(version); ++i)
        plainFirstPage[header::Password + i] = fill ^ mask[i % mask.size()];
}

} // namespace orrin::jet
