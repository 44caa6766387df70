#pragma once

// Builds the pages of a whole index from its leaf entries, given in index order: leaf pages filled
// as far as prefix compression lets them, then levels of node pages up to a single root, each level
// chained by previous/next page numbers, each node's last child as its tail.

#include "jet/base/Header.h"
#include "jet/index/IndexPage.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace orrin::jet {

class IndexBuilder {
  public:
    // tableDefinitionPage: the table the index belongs to, written into every page. allocatePage is
    // asked for one page number per page, the root's first (so a caller can keep the old root's
    // number), then the other pages in their order on each level from the leaves up.
    IndexBuilder(std::uint32_t tableDefinitionPage, std::function<std::uint32_t()> allocatePage,
                 std::size_t pageSize = header::PageSizeJet4);

    // Adds a leaf entry. The entry must sort after every entry added before (IndexEntry order, so
    // equal keys are told apart by their rows): one that does not is refused as
    // Failure::Unsupported, in every build. A key too long
    // for two entries to share a node page is Failure::Unsupported too.
    void add(std::vector<std::uint8_t> key, std::uint32_t dataPage, std::uint8_t row);

    struct Page {
        std::uint32_t number = 0;
        std::vector<std::uint8_t> bytes;
    };

    // The finished pages (an index with no entries is one empty leaf page). Call once.
    std::vector<Page> finish();

    // The root's page number, for the table definition; valid after finish().
    std::uint32_t rootPage() const { return m_root; }

  private:
    std::uint32_t m_tableDefinition;
    std::function<std::uint32_t()> m_allocate;
    std::size_t m_pageSize;
    std::size_t m_capacity;
    std::vector<IndexEntry> m_entries;
    std::uint32_t m_root = 0;
    bool m_finished = false;
};

} // namespace orrin::jet
