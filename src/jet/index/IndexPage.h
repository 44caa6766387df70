#pragma once

// Index pages of Jet 4 and ACE files. An index is a tree: leaf pages hold entries, each a key and
// the row it points to; node pages hold one entry per child page, the child's greatest entry
// followed by the child's page number, except that the last child of a node with more than one
// child is its "tail", named only in the page header. Pages of one level are chained by their
// previous and next page numbers. The first entry of a page is written whole, the others without
// the prefix every entry's key on the page shares. The layout of the page is indexpage:: in
// jet/table/Format.h.

#include "jet/table/Format.h"

#include <compare>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace orrin::jet {

class PageFile;

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

// The number of leading bytes a and b share: what prefix compression can leave out.
std::size_t commonPrefix(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

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

// Writes page into out (a whole page, which it overwrites), with the shared prefix taken out. The
// entries must be in order, all start with the prefix, and encodedIndexEntryBytes(page) must fit
// indexpage::entryCapacity(out.size()); a page that breaks this is refused as
// Failure::Unsupported, in every build.
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
