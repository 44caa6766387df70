#include "jet/index/IndexPage.h"
#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/index/IndexBuilder.h"
#include "jet/pager/PageFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace orrin::jet;

namespace {

std::string sample(const std::string& name)
{
    return std::string(ORRIN_ACCESS_SAMPLES) + "/" + name;
}

bool isIndexPage(std::span<const std::uint8_t> page)
{
    return (page[0] == pagetype::IndexLeaf || page[0] == pagetype::IndexNode) &&
           page[pagehead::Mark] == pagehead::MarkValue;
}

// The files Access wrote with index pages in them.
const char* const kAccessFiles[] = {
    "jet4/indexes-2000.mdb",  "jet4/compound-index-2003.mdb", "jet4/big-index-2003.mdb",
    "jet4/types-2003.mdb",    "jet4/deleted-rows-2003.mdb",   "jet4/unicode-compression-2003.mdb",
    "ace/indexes-2010.accdb", "ace/currency-2016.accdb",      "ace/types-2007.accdb",
    "agent/access/LIC.mdb",
};

// Every index page in the files decodes, and writing what was decoded gives the page's bytes back,
// except the bytes past the entries (Access leaves old entries there) and byte 26 (unused; Access
// sets it on some node pages).
TEST(IndexPage, EveryIndexPageOfTheSamplesReencodesToItsBytes)
{
    for (const char* name : kAccessFiles) {
        SCOPED_TRACE(name);
        const auto file = PageFile::open(sample(name), "");
        int pages = 0;
        for (std::uint32_t n = 1; n < file->pageCount(); ++n) {
            const auto original = file->page(n);
            if (!isIndexPage(original))
                continue;
            ++pages;
            const IndexPage page = decodeIndexPage(original, n, file->fileName());
            std::vector<std::uint8_t> again(original.size());
            encodeIndexPage(page, again);
            const std::size_t end = indexpage::Entries + encodedIndexEntryBytes(page);
            again[26] = original[26];
            EXPECT_TRUE(std::equal(again.begin(), again.begin() + std::ptrdiff_t(end), original.begin()))
                << "page " << n;
            EXPECT_EQ(indexpage::Entries + encodedIndexEntryBytes(page) +
                          decodeFixed16(&original[indexpage::FreeSpace]),
                      original.size())
                << "free space of page " << n;
        }
        EXPECT_GT(pages, 0);
    }
}

// Entries of one shape for the builder harness, in index order.
struct Shape {
    const char* name;
    std::size_t count;
    int kind; // 0 random keys of 1-40 bytes, 1 sequential 5-byte keys, 2 three keys many rows each,
              // 3 keys of 600 bytes (few to a page: a deep tree)
};

std::vector<IndexEntry> entriesOf(const Shape& shape, std::mt19937& random)
{
    std::vector<IndexEntry> entries;
    for (std::size_t i = 0; i < shape.count; ++i) {
        IndexEntry e;
        switch (shape.kind) {
        case 0:
            e.key.resize(1 + random() % 40);
            for (auto& b : e.key)
                b = static_cast<std::uint8_t>(random() % 4); // few values: long shared prefixes
            break;
        case 1:
            e.key = {0x7f, 0x80, std::uint8_t(i >> 16), std::uint8_t(i >> 8), std::uint8_t(i)};
            break;
        case 2:
            e.key = {0x7f, std::uint8_t(0x40 + random() % 3), 0x01, 0x00};
            break;
        default:
            e.key.assign(600, std::uint8_t(random()));
            e.key[599] = std::uint8_t(i);
            break;
        }
        e.dataPage = 1 + std::uint32_t(random() % 0xFFFFFE);
        e.row = std::uint8_t(random());
        entries.push_back(std::move(e));
    }
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
    return entries;
}

// Built pages as a page source, and the pages of each level checked against each other.
struct Built {
    std::map<std::uint32_t, std::vector<std::uint8_t>> pages;
    IndexPageSource source() const
    {
        return [this](std::uint32_t n) -> std::span<const std::uint8_t> {
            const auto it = pages.find(n);
            if (it == pages.end())
                throw damaged("built", n, "no such page");
            return it->second;
        };
    }
};

// LevelDB-style harness: many shapes of entries, built into pages and read back every way the
// file's readers go: the tree in order, the leaf chain both ways, a lookup of every entry.
TEST(IndexBuilder, PagesReadBackAsTheEntriesTheyWereBuiltFrom)
{
    const Shape shapes[] = {
        {"no entries", 0, 0},
        {"one entry", 1, 0},
        {"random keys", 300, 0},
        {"random keys, many pages", 20000, 0},
        {"sequential keys", 60000, 1},
        {"duplicate keys", 5000, 2},
        {"long keys, three levels", 400, 3},
    };
    std::mt19937 random(20261208);
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.name);
        const auto entries = entriesOf(shape, random);
        std::uint32_t nextPage = 100;
        IndexBuilder builder(42, [&] { return nextPage++; });
        for (const auto& e : entries)
            builder.add(e.key, e.dataPage, e.row);
        Built built;
        for (auto& p : builder.finish())
            EXPECT_TRUE(built.pages.emplace(p.number, std::move(p.bytes)).second)
                << "page twice: " << p.number;
        EXPECT_EQ(builder.rootPage(), 100u);
        EXPECT_EQ(built.pages.size(), std::size_t(nextPage - 100));

        EXPECT_EQ(readIndexEntries(built.source(), "built", builder.rootPage()), entries);

        // The leaves chained by next and previous, leftmost first, hold the same entries.
        std::uint32_t leftmost = builder.rootPage();
        for (;;) {
            const IndexPage p = decodeIndexPage(built.pages.at(leftmost), leftmost, "built");
            EXPECT_EQ(p.tableDefinitionPage, 42u);
            if (p.leaf)
                break;
            leftmost = p.entries.empty() ? p.childTail : p.entries.front().child;
        }
        std::vector<IndexEntry> chained;
        std::uint32_t previous = 0;
        std::size_t leaves = 0;
        for (std::uint32_t n = leftmost; n != 0;) {
            const IndexPage p = decodeIndexPage(built.pages.at(n), n, "built");
            ASSERT_TRUE(p.leaf);
            EXPECT_EQ(p.previous, previous);
            // Every leaf but the last is full: the next entry would not have fitted.
            if (p.next != 0) {
                const IndexPage after = decodeIndexPage(built.pages.at(p.next), p.next, "built");
                IndexPage more = p;
                more.prefixLength = -1;
                more.entries.push_back(after.entries.front());
                EXPECT_GT(encodedIndexEntryBytes(more), indexpage::entryCapacity(4096));
            }
            chained.insert(chained.end(), p.entries.begin(), p.entries.end());
            previous = n;
            n = p.next;
            ++leaves;
        }
        EXPECT_EQ(chained, entries);
        if (entries.size() > 2000) {
            EXPECT_GT(leaves, 1u);
        }

        for (std::size_t i = 0; i < entries.size(); i += 1 + entries.size() / 500)
            EXPECT_TRUE(findIndexEntry(built.source(), "built", builder.rootPage(), entries[i])) << i;
        if (!entries.empty()) {
            IndexEntry absent = entries.back();
            absent.row = std::uint8_t(absent.row + 1);
            absent.key.push_back(0xFF);
            EXPECT_FALSE(findIndexEntry(built.source(), "built", builder.rootPage(), absent));
        }
    }
}

TEST(IndexBuilder, RefusesEntriesOutOfOrder)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> firstKey;
        std::uint32_t firstPage;
        std::vector<std::uint8_t> secondKey;
        std::uint32_t secondPage;
    };
    const Case cases[] = {
        {"smaller key", {0x7f, 0x02}, 1, {0x7f, 0x01}, 1},
        {"same key, smaller row", {0x7f, 0x02}, 5, {0x7f, 0x02}, 4},
        {"the same entry twice", {0x7f, 0x02}, 5, {0x7f, 0x02}, 5},
        {"a longer key first", {0x7f, 0x02, 0x00}, 1, {0x7f, 0x02}, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IndexBuilder builder(1, [] { return 9u; });
        builder.add(c.firstKey, c.firstPage, 0);
        EXPECT_THROW(builder.add(c.secondKey, c.secondPage, 0), Error);
    }
}

// Damaged index pages are reported with the page, never followed past the page or in circles.
TEST(IndexPage, DamageIsReportedWithThePage)
{
    auto leafWith = [](std::vector<std::vector<std::uint8_t>> keys) {
        IndexPage p;
        for (std::size_t i = 0; i < keys.size(); ++i)
            p.entries.push_back(IndexEntry{keys[i], 7, std::uint8_t(i), 0});
        std::vector<std::uint8_t> bytes(4096);
        encodeIndexPage(p, bytes);
        return bytes;
    };
    struct Case {
        const char* name;
        std::function<void(Built&)> spoil;
        const char* expected;
    };
    const Case cases[] = {
        {"not an index page", [](Built& b) { b.pages[1][0] = 0x01; }, "not an index page"},
        {"an entry past the end of the page",
         [](Built& b) { b.pages[1][indexpage::EntryMask + indexpage::EntryMaskSize - 1] = 0x80; },
         "past the end"},
        {"entries out of order",
         [&](Built& b) {
             b.pages[1] = leafWith({{0x7f, 0x05}, {0x7f, 0x06}});
             std::swap(b.pages[1][indexpage::Entries + 1], b.pages[1][indexpage::Entries + 6]);
         },
         "out of order"},
        {"a prefix longer than the first entry", [](Built& b) { b.pages[1][indexpage::PrefixLength] = 200; },
         "prefix"},
        {"an entry too short for its row pointer",
         [](Built& b) {
             std::fill_n(&b.pages[1][indexpage::EntryMask], indexpage::EntryMaskSize, 0);
             b.pages[1][indexpage::EntryMask] = 0x04;
         },
         "too short"},
        {"a node pointing at itself",
         [](Built& b) {
             IndexPage node;
             node.leaf = false;
             node.entries.push_back(IndexEntry{{0x7f, 0x01}, 7, 0, 1});
             encodeIndexPage(node, b.pages[1]);
         },
         "twice"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Built built;
        built.pages[1] = leafWith({{0x7f, 0x01}, {0x7f, 0x02}, {0x7f, 0x03}});
        c.spoil(built);
        try {
            readIndexEntries(built.source(), "x.mdb", 1);
            ADD_FAILURE() << "read";
        } catch (const Error& e) {
            EXPECT_EQ(e.failure(), Failure::Damaged);
            EXPECT_NE(std::string(e.what()).find("x.mdb is damaged: page 1"), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        }
    }
}

} // namespace
