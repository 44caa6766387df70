#include "jet/pager/FileProtection.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/crypto/AgileEncryption.h"
#include "jet/crypto/JetRc4Cipher.h"
#include "jet/pager/HeaderMask.h"

#include <algorithm>

namespace orrin::jet {

namespace {

Version versionOf(std::span<const std::uint8_t> page, const std::string& file)
{
    if (const auto version = declaredVersion(page))
        return *version;
    throw Error(Failure::Unsupported,
                "The first page of " + file + " is not one of an Access file this program writes.");
}

std::uint32_t newDatabaseKey()
{
    for (;;) {
        const Bytes random = randomBytes(4);
        const std::uint32_t key = decodeFixed32(random.data());
        if (key != 0)
            return key;
    }
}

} // namespace

ProtectedStart protectNewFile(std::span<const std::uint8_t> plainFirstPage, std::string_view password,
                              const std::string& file)
{
    const Version version = versionOf(plainFirstPage, file);
    const std::size_t pageSize = header::pageSize(version);
    if (plainFirstPage.size() != pageSize)
        throw Error(Failure::Unsupported, "The first page of " + file + " is not one page long.");
    ProtectedStart start;
    start.firstPage.assign(plainFirstPage.begin(), plainFirstPage.end());
    const std::span<std::uint8_t> page(start.firstPage);
    const std::uint32_t templateKey = decodeFixed32(page.data() + header::DatabaseKey);

    if (!isAce(version)) {
        storePassword(page, version, password);
        start.codec = std::make_unique<PageCodec>(
            version, templateKey != 0 ? std::make_unique<JetRc4Cipher>(templateKey) : nullptr);
        return start;
    }
    if (templateKey != 0)
        throw Error(Failure::Unsupported, file + " is already encrypted.");
    if (password.empty()) {
        start.codec = std::make_unique<PageCodec>(version, nullptr);
        return start;
    }
    const std::uint32_t key = newDatabaseKey();
    Bytes info;
    auto cipher = AgileCipher::create(password, key, info);
    if (info.size() > pageSize - header::EncryptionInfo - header::EncryptionInfoLengthSize)
        throw Error(Failure::Unsupported,
                    "The encryption header of " + file + " does not fit its first page.");
    encodeFixed32(page.data() + header::DatabaseKey, key);
    fillPasswordField(page, version, static_cast<std::uint8_t>(key & 0xFF));
    encodeFixed16(page.data() + header::EncryptionInfo, static_cast<std::uint16_t>(info.size()));
    std::copy(info.begin(), info.end(),
              page.begin() + header::EncryptionInfo + header::EncryptionInfoLengthSize);
    start.codec = std::make_unique<PageCodec>(version, std::move(cipher));
    return start;
}

} // namespace orrin::jet
