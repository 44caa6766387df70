#include "jet/index/IndexBuilder.h"

#include "jet/base/JetError.h"

#include <algorithm>

namespace orrin::jet {

namespace {

// A page in the making: its entries (for node pages, child holds the child's place on the level
// below) and the greatest leaf entry beneath it.
struct Draft {
    IndexPage page;
    std::size_t tail = 0; // node pages: the tail child's place + 1, or 0
    IndexEntry greatest;
};

// Splits entries, in order, into runs that each fit one page after prefix compression.
std::vector<std::vector<IndexEntry>> pack(std::vector<IndexEntry> entries, bool leaf, std::size_t capacity)
{
    std::vector<std::vector<IndexEntry>> runs;
    std::vector<IndexEntry> run;
    std::size_t sum = 0;
    for (auto& e : entries) {
        const std::size_t size = indexEntrySize(e, leaf);
        if (!run.empty()) {
            const std::size_t prefix = commonPrefix(run.front().key, e.key);
            if (sum + size - prefix * run.size() > capacity) {
                runs.push_back(std::move(run));
                run.clear();
                sum = 0;
            }
        }
        sum += size;
        run.push_back(std::move(e));
    }
    if (!run.empty())
        runs.push_back(std::move(run));
    return runs;
}

} // namespace

IndexBuilder::IndexBuilder(std::uint32_t tableDefinitionPage, std::function<std::uint32_t()> allocatePage,
                           std::size_t pageSize)
    : m_tableDefinition(tableDefinitionPage), m_allocate(std::move(allocatePage)), m_pageSize(pageSize),
      m_capacity(indexpage::entryCapacity(pageSize))
{
}

void IndexBuilder::add(std::vector<std::uint8_t> key, std::uint32_t dataPage, std::uint8_t row)
{
    IndexEntry entry{std::move(key), dataPage, row, 0};
    if (2 * indexEntrySize(entry, false) > m_capacity)
        throw Error(Failure::Unsupported, "an index key of " + std::to_string(entry.key.size()) +
                                              " bytes is too long for an index page");
    if (!m_entries.empty() && !(m_entries.back() < entry))
        throw Error(Failure::Unsupported, "index entries added out of order");
    m_entries.push_back(std::move(entry));
}

std::vector<IndexBuilder::Page> IndexBuilder::finish()
{
    if (m_finished)
        throw Error(Failure::Unsupported, "IndexBuilder::finish called twice");
    m_finished = true;

    // Levels from the leaves up; each node entry's child is a place on the level below.
    std::vector<std::vector<Draft>> levels(1);
    for (auto& run : pack(std::move(m_entries), true, m_capacity)) {
        Draft d;
        d.page.leaf = true;
        d.greatest = run.back();
        d.page.entries = std::move(run);
        levels[0].push_back(std::move(d));
    }
    if (levels[0].empty())
        levels[0].push_back(Draft{});

    while (levels.back().size() > 1) {
        const auto& below = levels.back();
        std::vector<IndexEntry> summaries;
        for (std::size_t i = 0; i < below.size(); ++i) {
            IndexEntry s = below[i].greatest;
            s.child = static_cast<std::uint32_t>(i);
            summaries.push_back(std::move(s));
        }
        auto runs = pack(std::move(summaries), false, m_capacity);
        // A node with one child has no tail; keep every node of a level at two children or more.
        if (runs.size() > 1 && runs.back().size() == 1 && runs[runs.size() - 2].size() > 2) {
            auto& previous = runs[runs.size() - 2];
            runs.back().insert(runs.back().begin(), std::move(previous.back()));
            previous.pop_back();
        }
        std::vector<Draft> level;
        for (auto& run : runs) {
            Draft d;
            d.page.leaf = false;
            d.greatest = levels.back()[run.back().child].greatest;
            if (run.size() > 1) {
                d.tail = run.back().child + 1;
                run.pop_back();
            }
            d.page.entries = std::move(run);
            level.push_back(std::move(d));
        }
        levels.push_back(std::move(level));
    }

    // Page numbers: the root first, then each level from the leaves up.
    std::vector<std::vector<std::uint32_t>> numbers(levels.size());
    m_root = m_allocate();
    numbers.back().push_back(m_root);
    for (std::size_t l = 0; l + 1 < levels.size(); ++l)
        for (std::size_t i = 0; i < levels[l].size(); ++i)
            numbers[l].push_back(m_allocate());

    std::vector<Page> pages;
    for (std::size_t l = 0; l < levels.size(); ++l) {
        auto& level = levels[l];
        for (std::size_t i = 0; i < level.size(); ++i) {
            IndexPage& p = level[i].page;
            p.tableDefinitionPage = m_tableDefinition;
            p.previous = i > 0 ? numbers[l][i - 1] : 0;
            p.next = i + 1 < level.size() ? numbers[l][i + 1] : 0;
            if (!p.leaf) {
                for (auto& e : p.entries)
                    e.child = numbers[l - 1][e.child];
                p.childTail = level[i].tail != 0 ? numbers[l - 1][level[i].tail - 1] : 0;
            }
            Page out;
            out.number = numbers[l][i];
            out.bytes.resize(m_pageSize);
            encodeIndexPage(p, out.bytes);
            pages.push_back(std::move(out));
        }
    }
    return pages;
}

} // namespace orrin::jet
