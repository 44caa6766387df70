#include "jet/pager/PageFile.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/crypto/JetRc4Cipher.h"
#include "jet/crypto/OfficeEncryption.h"
#include "jet/crypto/PasswordText.h"
#include "jet/pager/HeaderMask.h"
#include "jet/pager/PageCodec.h"

#include "platform/FileError.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <optional>
#include <stdexcept>

namespace orrin::jet {

namespace {

// Decoded pages are kept in buffers of this many pages, not one allocation each.
constexpr std::size_t kPagesPerBuffer = 64;

} // namespace

PageFile::PageFile() = default;
PageFile::~PageFile() = default;

std::unique_ptr<PageFile> PageFile::open(const std::filesystem::path& path, std::string_view password)
{
    auto file = std::unique_ptr<PageFile>(new PageFile());
    file->m_fileName = path.string();
    try {
        file->m_snapshot = std::make_unique<platform::FileSnapshot>(path);
    } catch (const platform::FileError& e) {
        throw Error(Failure::Io, "Cannot " + e.action() + " " + path.string() + ": " + e.reason() + ".");
    }
    file->m_bytes = file->m_snapshot->bytes();
    file->m_identity = file->m_snapshot->identity();
    file->openFirstPage(password);
    return file;
}

std::unique_ptr<PageFile> PageFile::openBytes(std::vector<std::uint8_t> bytes, std::string name,
                                              std::string_view password)
{
    auto file = std::unique_ptr<PageFile>(new PageFile());
    file->m_fileName = std::move(name);
    file->m_ownedBytes = std::move(bytes);
    file->m_bytes = file->m_ownedBytes;
    file->openFirstPage(password);
    return file;
}

// Reads the kind of file, the header and the password from the first page, and sets up the codec.
void PageFile::openFirstPage(std::string_view password)
{
    const auto raw = m_bytes;
    if (!hasAccessMagic(raw))
        throw Error(Failure::NotADatabase, m_fileName + " is not a database.");
    const auto version = declaredVersion(raw);
    if (!version)
        throw Error(Failure::Unsupported, m_fileName +
                                              " is an Access file of a version this program does not read (" +
                                              std::to_string(raw[header::VersionByte]) + ").");
    Header& h = m_header;
    h.version = *version;
    h.pageSize = header::pageSize(h.version);
    if (raw.size() < h.pageSize)
        throw damaged(m_fileName, 0, "the file ends inside the page");
    if (raw.size() % h.pageSize != 0)
        throw damaged(m_fileName, static_cast<std::uint32_t>(raw.size() / h.pageSize),
                      "the file ends inside the page");
    if (raw.size() / h.pageSize > 0xFFFFFFFFu)
        throw Error(Failure::Unsupported, m_fileName + " has more pages than an Access file can have.");
    m_pageCount = static_cast<std::uint32_t>(raw.size() / h.pageSize);
    m_pages.assign(m_pageCount, nullptr);

    std::uint8_t* first = newPageBuffer();
    std::memcpy(first, raw.data(), h.pageSize);
    const std::span<std::uint8_t> firstPage(first, h.pageSize);
    applyHeaderMask(firstPage, h.version);
    readHeaderFields(firstPage, h);

    std::unique_ptr<PageCipher> cipher;
    if (isAce(h.version) && h.databaseKey != 0) {
        auto office = openOfficeEncryption(firstPage, h.databaseKey, password, m_fileName);
        cipher = std::move(office.cipher);
        h.encryption = office.kind;
        h.officeEncrypted = true;
        h.hasPassword = true;
    } else {
        if (h.hasPassword && !storedPasswordMatches(firstPage, h.version, password))
            throw wrongPassword(m_fileName);
        if (h.databaseKey != 0) {
            cipher = std::make_unique<JetRc4Cipher>(h.databaseKey);
            h.encryption = Encryption::JetRc4;
        }
    }
    m_codec = std::make_unique<PageCodec>(h.version, std::move(cipher));
    m_pages[0] = first;
}

std::uint8_t* PageFile::newPageBuffer() const
{
    if (m_arenaFree == 0) {
        const std::size_t pages =
            std::min<std::size_t>(kPagesPerBuffer, std::max<std::size_t>(m_pageCount, 1));
        m_arena.push_back(std::make_unique<std::uint8_t[]>(pages * m_header.pageSize));
        m_arenaFree = pages;
    }
    const std::size_t capacity =
        std::min<std::size_t>(kPagesPerBuffer, std::max<std::size_t>(m_pageCount, 1));
    std::uint8_t* buffer = m_arena.back().get() + (capacity - m_arenaFree) * m_header.pageSize;
    --m_arenaFree;
    return buffer;
}

std::span<const std::uint8_t> PageFile::storedPage(std::uint32_t n) const
{
    if (n >= m_pageCount)
        throw damaged(m_fileName, n, "past the end of the file (" + std::to_string(m_pageCount) + " pages)");
    return m_bytes.subspan(std::size_t(n) * m_header.pageSize, m_header.pageSize);
}

std::span<const std::uint8_t> PageFile::page(std::uint32_t n) const
{
    const auto stored = storedPage(n);
    const std::uint8_t*& slot = m_pages[n];
    if (!slot) {
        if (!m_codec->hasCipher()) {
            slot = stored.data();
        } else {
            std::uint8_t* buffer = newPageBuffer();
            std::memcpy(buffer, stored.data(), stored.size());
            m_codec->decode(n, {buffer, stored.size()});
            slot = buffer;
            // The stored form is not needed again once decoded: its memory can go.
            if (m_snapshot)
                m_snapshot->release(std::size_t(n) * m_header.pageSize, m_header.pageSize);
        }
    }
    return {slot, m_header.pageSize};
}

std::vector<std::uint8_t> PageFile::originalPage(std::uint32_t n) const
{
    const auto stored = storedPage(n);
    const std::uint8_t* decoded = m_pages[n];
    // A decoded page of an encrypted file has its own buffer, and its stored form may be given
    // back: encoding it again gives the stored bytes (the codec's two ways are exact reverses).
    if (n != 0 && decoded != nullptr && decoded != stored.data())
        return encodePage(n, {decoded, m_header.pageSize});
    return {stored.begin(), stored.end()};
}

std::vector<std::uint8_t> PageFile::encodePage(std::uint32_t n, std::span<const std::uint8_t> plain) const
{
    assert(plain.size() == m_header.pageSize);
    if (plain.size() != m_header.pageSize)
        throw std::invalid_argument("encodePage: a page of " + std::to_string(plain.size()) + " bytes, not " +
                                    std::to_string(m_header.pageSize));
    std::vector<std::uint8_t> out(plain.begin(), plain.end());
    m_codec->encode(n, out);
    return out;
}

} // namespace orrin::jet
