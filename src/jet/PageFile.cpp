#include "jet/PageFile.h"

#include "jet/Coding.h"
#include "jet/JetError.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace orrin::jet {

namespace {

// Offsets in the first page.
constexpr std::size_t kMagicOffset = 4;           // "Standard Jet DB" / "Standard ACE DB"
constexpr std::size_t kVersionOffset = 0x14;      // 0 Jet 3, 1 Jet 4, 2 ACE 12, 3 ACE 14, ...

Version versionFromByte(std::uint8_t b, const std::string& file)
{
    switch (b) {
    case 0x00: return Version::Jet3;
    case 0x01: return Version::Jet4;
    case 0x02: return Version::Ace12;
    case 0x03: return Version::Ace14;
    case 0x04: return Version::Ace16;
    case 0x05: return Version::Ace17;
    default:
        throw Error(Failure::Unsupported, file + " is an Access file of a version this program does not read (" +
                                              std::to_string(b) + ").");
    }
}

} // namespace

PageFile::~PageFile() = default;

std::unique_ptr<PageFile> PageFile::open(const std::filesystem::path& path, std::string_view password)
{
    (void)password;
    auto file = std::unique_ptr<PageFile>(new PageFile());
    file->m_fileName = path.string();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error(Failure::Io, "Cannot open " + file->m_fileName + ".");
    file->m_raw.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const auto& raw = file->m_raw;
    static constexpr char jet[] = "Standard Jet DB";
    static constexpr char ace[] = "Standard ACE DB";
    if (raw.size() < 0x100 || (std::memcmp(raw.data() + kMagicOffset, jet, 15) != 0 &&
                               std::memcmp(raw.data() + kMagicOffset, ace, 15) != 0))
        throw Error(Failure::NotADatabase, file->m_fileName + " is not a database.");
    Header& h = file->m_header;
    h.version = versionFromByte(raw[kVersionOffset], file->m_fileName);
    h.pageSize = h.version == Version::Jet3 ? 2048 : 4096;
    if (raw.size() % h.pageSize != 0)
        throw damaged(file->m_fileName, static_cast<std::uint32_t>(raw.size() / h.pageSize),
                      "the file ends inside the page");
    file->m_pageCount = static_cast<std::uint32_t>(raw.size() / h.pageSize);
    file->m_decoded.resize(file->m_pageCount);
    return file;
}

std::span<const std::uint8_t> PageFile::page(std::uint32_t n) const
{
    if (n >= m_pageCount)
        throw damaged(m_fileName, n, "past the end of the file (" + std::to_string(m_pageCount) + " pages)");
    auto& slot = m_decoded[n];
    if (!slot) {
        auto buffer = std::make_unique<std::uint8_t[]>(m_header.pageSize);
        std::memcpy(buffer.get(), m_raw.data() + std::size_t(n) * m_header.pageSize, m_header.pageSize);
        decode(n, {buffer.get(), m_header.pageSize});
        slot = std::move(buffer);
    }
    return {slot.get(), m_header.pageSize};
}

std::vector<std::uint8_t> PageFile::encodePage(std::uint32_t n, std::span<const std::uint8_t> plain) const
{
    std::vector<std::uint8_t> out(plain.begin(), plain.end());
    encode(n, out);
    return out;
}

void PageFile::decode(std::uint32_t, std::span<std::uint8_t>) const {}
void PageFile::encode(std::uint32_t, std::span<std::uint8_t>) const {}

} // namespace orrin::jet
