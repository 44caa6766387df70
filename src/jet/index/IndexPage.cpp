#include "jet/index/IndexPage.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/pager/PageFile.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace orrin::jet {

namespace {

constexpr int kMaxDepth = 16; // an index of 2^32 rows is far shallower

std::size_t prefixOf(const IndexPage& page)
{
    if (page.prefixLength >= 0)
        return static_cast<std::size_t>(page.prefixLength);
    if (page.entries.size() < 2)
        return 0;
    return commonPrefix(page.entries.front().key, page.entries.back().key);
}

// The entry's bytes after its key: row pointer, and the child for node pages.
void appendPointers(std::vector<std::uint8_t>& out, const IndexEntry& e, bool leaf)
{
    std::uint8_t p[indexpage::RowPointerSize + indexpage::ChildPointerSize];
    encodeBig24(p + indexpage::RowPage, e.dataPage);
    p[indexpage::RowNumber] = e.row;
    encodeBig32(p + indexpage::Child, e.child);
    out.insert(out.end(), p, p + (leaf ? indexpage::RowPointerSize : sizeof p));
}

struct Walk {
    const IndexPageSource& source;
    const std::string& fileName;
    std::uint32_t tableDefinition = 0;
    std::set<std::uint32_t> seen;
    std::vector<IndexEntry> out;

    void visit(std::uint32_t pageNumber, int depth)
    {
        if (depth > kMaxDepth)
            throw damaged(fileName, pageNumber, "the index is deeper than any index can be");
        if (!seen.insert(pageNumber).second)
            throw damaged(fileName, pageNumber, "the index reaches this page twice");
        IndexPage page = decodeIndexPage(source(pageNumber), pageNumber, fileName);
        if (depth == 0)
            tableDefinition = page.tableDefinitionPage;
        else if (page.tableDefinitionPage != tableDefinition)
            throw damaged(fileName, pageNumber, "an index page of another table inside the index");
        if (page.leaf) {
            for (auto& e : page.entries) {
                if (!out.empty() && !(out.back() < e))
                    throw damaged(fileName, pageNumber, "index entries out of order across pages");
                out.push_back(std::move(e));
            }
            return;
        }
        for (const auto& e : page.entries)
            visit(e.child, depth + 1);
        if (page.childTail != 0)
            visit(page.childTail, depth + 1);
    }
};

} // namespace

std::strong_ordering IndexEntry::operator<=>(const IndexEntry& other) const
{
    const std::size_t n = std::min(key.size(), other.key.size());
    if (n > 0) {
        if (const int c = std::memcmp(key.data(), other.key.data(), n); c != 0)
            return c < 0 ? std::strong_ordering::less : std::strong_ordering::greater;
    }
    if (key.size() != other.key.size())
        return key.size() <=> other.key.size();
    if (dataPage != other.dataPage)
        return dataPage <=> other.dataPage;
    return row <=> other.row;
}

std::size_t commonPrefix(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b)
{
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

std::size_t indexEntrySize(const IndexEntry& entry, bool leaf)
{
    return entry.key.size() + indexpage::RowPointerSize + (leaf ? 0 : indexpage::ChildPointerSize);
}

IndexPage decodeIndexPage(std::span<const std::uint8_t> bytes, std::uint32_t pageNumber,
                          const std::string& fileName)
{
    if (bytes.size() <= indexpage::Entries)
        throw damaged(fileName, pageNumber, "an index page shorter than its header");
    IndexPage page;
    const std::uint8_t type = bytes[pagehead::Type];
    if (type != pagetype::IndexLeaf && type != pagetype::IndexNode)
        throw damaged(fileName, pageNumber, "not an index page (type " + std::to_string(type) + ")");
    page.leaf = type == pagetype::IndexLeaf;
    page.tableDefinitionPage = decodeFixed32(&bytes[indexpage::TableDefinition]);
    page.previous = decodeFixed32(&bytes[indexpage::Previous]);
    page.next = decodeFixed32(&bytes[indexpage::Next]);
    page.childTail = decodeFixed32(&bytes[indexpage::ChildTail]);
    const std::size_t prefixLength = decodeFixed16(&bytes[indexpage::PrefixLength]);
    page.prefixLength = static_cast<int>(prefixLength);
    const std::size_t pointers = indexpage::RowPointerSize + (page.leaf ? 0 : indexpage::ChildPointerSize);
    const std::size_t room = bytes.size() - indexpage::Entries;

    std::vector<std::uint8_t> prefix;
    std::size_t start = 0;
    for (std::size_t bit = 0; bit < indexpage::EntryMaskSize * 8; ++bit) {
        if ((bytes[indexpage::EntryMask + bit / 8] & (1u << (bit % 8))) == 0)
            continue;
        if (bit > room)
            throw damaged(fileName, pageNumber, "an index entry runs past the end of the page");
        const std::uint8_t* from = bytes.data() + indexpage::Entries + start;
        const std::size_t length = bit - start;
        IndexEntry entry;
        if (page.entries.empty()) {
            if (prefixLength > length)
                throw damaged(fileName, pageNumber, "the index prefix is longer than the first entry");
            prefix.assign(from, from + prefixLength);
            entry.key.assign(from, from + length);
        } else {
            entry.key = prefix;
            entry.key.insert(entry.key.end(), from, from + length);
        }
        if (entry.key.size() < pointers)
            throw damaged(fileName, pageNumber, "an index entry too short for its row pointer");
        const std::uint8_t* tail = entry.key.data() + entry.key.size() - pointers;
        entry.dataPage = decodeBig24(tail + indexpage::RowPage);
        entry.row = tail[indexpage::RowNumber];
        if (!page.leaf)
            entry.child = decodeBig32(tail + indexpage::Child);
        entry.key.resize(entry.key.size() - pointers);
        if (!page.entries.empty() && !(page.entries.back() < entry))
            throw damaged(fileName, pageNumber, "index entries out of order");
        page.entries.push_back(std::move(entry));
        start = bit;
    }
    return page;
}

std::size_t encodedIndexEntryBytes(const IndexPage& page)
{
    std::size_t total = 0;
    for (const auto& e : page.entries)
        total += indexEntrySize(e, page.leaf);
    const std::size_t prefix = prefixOf(page);
    return page.entries.empty() ? 0 : total - prefix * (page.entries.size() - 1);
}

void encodeIndexPage(const IndexPage& page, std::span<std::uint8_t> out)
{
    const std::size_t capacity = indexpage::entryCapacity(out.size());
    const std::size_t used = encodedIndexEntryBytes(page);
    if (used > capacity)
        throw Error(Failure::Unsupported,
                    "index page over full: " + std::to_string(used) + " bytes of entries");
    for (std::size_t i = 1; i < page.entries.size(); ++i)
        if (!(page.entries[i - 1] < page.entries[i]))
            throw Error(Failure::Unsupported, "index page entries out of order");

    std::fill(out.begin(), out.end(), std::uint8_t{0});
    out[pagehead::Type] = page.leaf ? pagetype::IndexLeaf : pagetype::IndexNode;
    out[pagehead::Mark] = pagehead::MarkValue;
    encodeFixed16(&out[indexpage::FreeSpace],
                  static_cast<std::uint16_t>(out.size() - indexpage::Entries - used));
    encodeFixed32(&out[indexpage::TableDefinition], page.tableDefinitionPage);
    encodeFixed32(&out[indexpage::Previous], page.previous);
    encodeFixed32(&out[indexpage::Next], page.next);
    encodeFixed32(&out[indexpage::ChildTail], page.childTail);
    const std::size_t prefix = prefixOf(page);
    encodeFixed16(&out[indexpage::PrefixLength], static_cast<std::uint16_t>(prefix));

    std::vector<std::uint8_t> first;
    std::vector<std::uint8_t> entry;
    std::size_t at = 0;
    for (std::size_t i = 0; i < page.entries.size(); ++i) {
        const auto& e = page.entries[i];
        entry = e.key;
        appendPointers(entry, e, page.leaf);
        std::size_t skip = 0;
        if (i == 0) {
            first = entry;
            if (prefix > first.size())
                throw Error(Failure::Unsupported, "index page prefix longer than its first entry");
        } else {
            if (entry.size() <= prefix ||
                !std::equal(first.begin(), first.begin() + std::ptrdiff_t(prefix), entry.begin()))
                throw Error(Failure::Unsupported, "index page entry without the page's prefix");
            skip = prefix;
        }
        std::memcpy(&out[indexpage::Entries + at], entry.data() + skip, entry.size() - skip);
        at += entry.size() - skip;
        out[indexpage::EntryMask + at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
    }
}

std::vector<IndexEntry> readIndexEntries(const IndexPageSource& page, const std::string& fileName,
                                         std::uint32_t rootPage)
{
    Walk walk{page, fileName, 0, {}, {}};
    walk.visit(rootPage, 0);
    return std::move(walk.out);
}

bool findIndexEntry(const IndexPageSource& source, const std::string& fileName, std::uint32_t rootPage,
                    const IndexEntry& wanted)
{
    std::uint32_t pageNumber = rootPage;
    for (int depth = 0; depth <= kMaxDepth; ++depth) {
        const IndexPage page = decodeIndexPage(source(pageNumber), pageNumber, fileName);
        if (page.leaf) {
            return std::any_of(page.entries.begin(), page.entries.end(), [&](const IndexEntry& e) {
                return e.key == wanted.key && e.dataPage == wanted.dataPage && e.row == wanted.row;
            });
        }
        const auto it = std::find_if(page.entries.begin(), page.entries.end(),
                                     [&](const IndexEntry& e) { return !(e < wanted); });
        const std::uint32_t next = it != page.entries.end() ? it->child : page.childTail;
        if (next == 0)
            return false;
        pageNumber = next;
    }
    throw damaged(fileName, pageNumber, "the index is deeper than any index can be");
}

std::vector<IndexEntry> readIndexEntries(const PageFile& file, std::uint32_t rootPage)
{
    return readIndexEntries([&file](std::uint32_t n) { return file.page(n); }, file.fileName(), rootPage);
}

} // namespace orrin::jet
