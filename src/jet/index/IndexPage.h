#pragma once

// Index pages of Jet 4 and ACE files. An index is a tree: leaf pages (0x04) hold entries, each a key
// and the row it points to (data page, 3 bytes, and row number, 1 byte, both big-endian); node
// pages (0x03) hold one entry per child page, the child's greatest entry followed by the child's
// page number (4 bytes big-endian), except that the last child of a node with more than one child
// is its "tail", named only in the page header. Pages of one level are chained by their previous and
// next page numbers.
//
// The layout of a page:
//   0      page type              1  always 0x01          2  free space (16 bits)
//   4      table definition page  8  unused (0)
//   12     previous page          16 next page            20 child tail page (node pages)
//   24     prefix length (16 bits): the number of leading bytes that every entry's key on the page
//          shares; the first entry is written whole, the others without those bytes
//   27     entry bitmap, 453 bytes: bit n set where an entry ends n bytes after the first entry
//   480    the entries

#include <compare>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace orrin::jet {

class PageFile;

namespace IndexLayout {
constexpr std::uint8_t kNodePage = 0x03;
constexpr std::uint8_t kLeafPage = 0x04;
constexpr std::size_t kTypeOffset = 0;
constexpr std::size_t kMarkerOffset = 1; // holds kMarker
constexpr std::uint8_t kMarker = 0x01;
constexpr std::size_t kFreeSpaceOffset = 2;
constexpr std::size_t kTableDefinitionOffset = 4;
constexpr std::size_t kPreviousOffset = 12;
constexpr std::size_t kNextOffset = 16;
constexpr std::size_t kChildTailOffset = 20;
constexpr std::size_t kPrefixLengthOffset = 24;
constexpr std::size_t kEntryMaskOffset = 27;
constexpr std::size_t kEntryMaskSize = 453;
constexpr std::size_t kEntriesOffset = kEntryMaskOffset + kEntryMaskSize; // 480
constexpr std::size_t kRowPointerSize = 4; // data page (3 bytes) and row (1 byte)
constexpr std::size_t kChildPointerSize = 4;

// The bytes of entries one page of pageSize bytes holds (after prefix compression): bounded by the
// page and by what the bitmap can mark.
constexpr std::size_t entryCapacity(std::size_t pageSize)
{
    const std::size_t room = pageSize - kEntriesOffset;
    return room < kEntryMaskSize * 8 ? room : kEntryMaskSize * 8;
}
} // namespace IndexLayout

// One entry of an index page.
struct IndexEntry {
    std::vector<std::uint8_t> key;
    std::uint32_t dataPage = 0; // 24 bits
    std::uint8_t row = 0;
    std::uint32_t child = 0; // node pages: the child page

    // Index order: the key's bytes unsigned (a key before any longer key it begins), then the row.
    std::strong_ordering operator<=>(const IndexEntry& other) const;
    bool operator==(const IndexEntry& other) const = default;
};

// The size of an entry on a page, before prefix compression.
std::size_t indexEntrySize(const IndexEntry& entry, bool leaf);

struct IndexPage {
    bool leaf = true;
    std::uint32_t tableDefinitionPage = 0;
    std::uint32_t previous = 0;
    std::uint32_t next = 0;
    std::uint32_t childTail = 0;
    // How many leading bytes of each entry (key and pointers) the page leaves out after the first
    // entry; -1 when writing: the longest prefix the keys share. Reading sets what the page says.
    int prefixLength = -1;
    std::vector<IndexEntry> entries;
};

// Reads an index page. Every offset and length is checked against the page: a wrong page type, a
// prefix longer than the first entry, an entry too short for its pointers, an entry running past
// the page, or entries out of order is Failure::Damaged naming fileName and pageNumber.
IndexPage decodeIndexPage(std::span<const std::uint8_t> page, std::uint32_t pageNumber,
                          const std::string& fileName);

// The number of entry bytes page would take on disk, the shared prefix taken out.
std::size_t encodedIndexEntryBytes(const IndexPage& page);

// Writes page into out (a whole page, which it overwrites), with the shared prefix taken out.
// REQUIRES: the entries are in order, they all start with the prefix, and encodedIndexEntryBytes(page)
// fits IndexLayout::entryCapacity(out.size()); a page breaking this is reported as
// Failure::Unsupported.
void encodeIndexPage(const IndexPage& page, std::span<std::uint8_t> out);

// Every leaf entry of the index whose root is rootPage, in index order: each node's children in
// order, its tail last. A page that is not an index page of this tree, a page reached twice, a tree
// deeper than any real index, or entries out of order across pages is Failure::Damaged.
std::vector<IndexEntry> readIndexEntries(const PageFile& file, std::uint32_t rootPage);

// The same over pages from elsewhere (a file being written): page(n) gives page n or throws.
using IndexPageSource = std::function<std::span<const std::uint8_t>(std::uint32_t)>;
std::vector<IndexEntry> readIndexEntries(const IndexPageSource& page, const std::string& fileName,
                                         std::uint32_t rootPage);

// Looks an entry (key and row) up the way Access does, from the root down: in each node the first
// child whose greatest entry is not below it, else the tail. True when the leaf reached holds it.
// Damage on the way is Failure::Damaged, as for readIndexEntries.
bool findIndexEntry(const IndexPageSource& page, const std::string& fileName, std::uint32_t rootPage,
                    const IndexEntry& wanted);

} // namespace orrin::jet
