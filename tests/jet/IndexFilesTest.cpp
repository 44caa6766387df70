// The files Access wrote are the ground truth for the key encoder: for every index of every table
// of the samples, the keys our encoder makes from the rows' values are, byte for byte and in the
// same order, the keys on the index's leaf pages; and pages the builder makes from those entries
// read back as the same entries.

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/index/IndexBuilder.h"
#include "jet/index/IndexPage.h"
#include "jet/table/DataPage.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/table/UsageMap.h"
#include "jet/write/IndexRowKey.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

using namespace orrin::jet;

namespace {

const std::filesystem::path kSamples = ORRIN_ACCESS_SAMPLES;

std::string hex(const std::vector<std::uint8_t>& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (auto b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

// Every Access-made sample with user tables, with the number of indexes whose keys it checks (so a
// reader that finds no tables or no indexes fails the test instead of passing it).
struct SampleFile {
    const char* path;
    int minimumIndexes;
};
const SampleFile kFiles[] = {
    {"jet4/indexes-2000.mdb", 8},
    {"jet4/compound-index-2003.mdb", 1},
    {"jet4/big-index-2003.mdb", 1},
    {"jet4/types-2000.mdb", 1},
    {"jet4/types-2003.mdb", 1},
    {"jet4/deleted-rows-2003.mdb", 0},
    {"jet4/unicode-compression-2003.mdb", 1},
    {"jet4/numeric-2003.mdb", 0},
    {"jet4/overflow-rows-2003.mdb", 0},
    {"ace/indexes-2010.accdb", 5},
    {"ace/currency-2016.accdb", 1},
    {"ace/types-2007.accdb", 1},
    {"ace/old-dates-2007.accdb", 0},
    {"ace/long-text-2016.accdb", 0},
    {"ace/deleted-column-2016.accdb", 0},
    {"DateTestDatabase.mdb", 0},
    {"ASampleDatabase.accdb", 1},
    {"agent/access/LIC.mdb", 6},
    {"agent/access-bonus/lic.mdb", 0},
};

TEST(IndexFiles, KeysFromRowValuesEqualTheKeysAccessWrote)
{
    for (const auto& sample : kFiles) {
        SCOPED_TRACE(sample.path);
        const auto db = Database::open(kSamples / sample.path, "");
        int checked = 0;
        for (const auto& entry : db->tables()) {
            SCOPED_TRACE(entry.name);
            const TableDef& table = db->table(entry.name);
            // The rows with their places.
            std::vector<std::vector<Value>> rows;
            std::vector<std::pair<std::uint32_t, std::uint8_t>> places;
            // An index points at a row's first place; a row moved since (an overflow row) is
            // reached from there through a lookup pointer, and the cursor reports where it is now.
            std::map<std::uint32_t, std::uint32_t> movedFrom;
            const UsageMap owned = UsageMap::read(db->file(), table.ownedPages);
            const Layout& layout = layoutFor(db->version());
            for (const std::uint32_t p : owned.pages) {
                const auto bytes = db->file().page(p);
                if (bytes[0] != pagetype::Data || decodeFixed32(&bytes[layout.dataOwner]) != table.page)
                    continue;
                const DataPage page(bytes, layout, db->file().fileName(), p);
                for (std::uint16_t r = 0; r < page.rowCount(); ++r) {
                    const RowSlot slot = page.slot(r);
                    if (slot.lookup && !slot.deleted)
                        movedFrom[decodeFixed32(page.bytes(slot).data())] = makePointer(p, r);
                }
            }
            auto cursor = db->rows(table);
            while (cursor.next()) {
                rows.push_back(cursor.values());
                std::uint32_t at = makePointer(cursor.page(), cursor.row());
                if (const auto found = movedFrom.find(at); found != movedFrom.end())
                    at = found->second;
                places.emplace_back(pointerPage(at), static_cast<std::uint8_t>(pointerRow(at)));
            }
            for (std::size_t i = 0; i < table.realIndexes.size(); ++i) {
                SCOPED_TRACE("real index " + std::to_string(i));
                const RealIndexDef& index = table.realIndexes[i];
                const IndexRowKey keys(table, index, entry.name);
                std::vector<IndexEntry> ours;
                for (std::size_t r = 0; r < rows.size(); ++r) {
                    if (index.ignoreNulls() && keys.allNull(rows[r]))
                        continue;
                    ours.push_back(IndexEntry{keys.keyOf(rows[r]), places[r].first, places[r].second, 0});
                }
                std::sort(ours.begin(), ours.end());
                const auto theirs = readIndexEntries(db->file(), index.firstPage);
                ASSERT_EQ(ours.size(), theirs.size());
                for (std::size_t k = 0; k < ours.size(); ++k) {
                    EXPECT_EQ(hex(ours[k].key), hex(theirs[k].key)) << "entry " << k;
                    EXPECT_EQ(ours[k].dataPage, theirs[k].dataPage) << "entry " << k;
                    EXPECT_EQ(ours[k].row, theirs[k].row) << "entry " << k;
                }

                // The builder's pages for the same entries read back as them.
                std::map<std::uint32_t, std::vector<std::uint8_t>> pages;
                std::uint32_t next = 1;
                IndexBuilder builder(table.page, [&] { return next++; });
                for (const auto& e : ours)
                    builder.add(e.key, e.dataPage, e.row);
                for (auto& p : builder.finish())
                    pages[p.number] = std::move(p.bytes);
                const auto source = [&](std::uint32_t n) -> std::span<const std::uint8_t> {
                    return pages.at(n);
                };
                EXPECT_EQ(readIndexEntries(source, "built", builder.rootPage()), ours);
                ++checked;
            }
        }
        EXPECT_GE(checked, sample.minimumIndexes);
    }
}

} // namespace
