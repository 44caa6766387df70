// The global map of free pages past the reach of its inline form: it takes the reference form
// (usage-map pages, one per stretch of the file), lists exactly the free pages, and reads back; a
// table's map that outgrows its row does the same. The pages live in a sparse store, so that files
// of hundreds of megabytes cost only the pages the maps touch; one real file past 128 MB is written
// and read back by our reader and by libmdb.

#include "jet/write/UsageMapWriter.h"
#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/index/IndexPage.h"
#include "jet/pager/PageStore.h"
#include "jet/table/Database.h"
#include "jet/table/Format.h"
#include "jet/write/TableCreator.h"
#include "jet/write/TableWriter.h"

#include "common/Shell.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <vector>

using namespace orrin::jet;

namespace {

constexpr std::size_t kPageSize = kJet4Layout.pageSize;
constexpr std::uint64_t kPerBitmapPage = (kPageSize - usagemap::BitmapPageData) * 8; // 32736

// Pages kept only once written; new pages are taken at the end of the file.
class SparsePages : public PageStore {
  public:
    explicit SparsePages(std::uint32_t pageCount) : m_count(pageCount) {}
    std::span<const std::uint8_t> page(std::uint32_t n) override
    {
        const auto found = m_pages.find(n);
        return found != m_pages.end() ? std::span<const std::uint8_t>(found->second)
                                      : std::span<const std::uint8_t>(m_blank);
    }
    std::span<std::uint8_t> changePage(std::uint32_t n) override
    {
        auto& bytes = m_pages[n];
        if (bytes.empty())
            bytes.assign(kPageSize, 0);
        return bytes;
    }
    std::uint32_t allocatePage() override
    {
        changePage(m_count);
        return m_count++;
    }
    std::uint32_t pageCount() const override { return m_count; }
    const std::string& fileName() const override { return m_name; }

  private:
    std::uint32_t m_count;
    std::map<std::uint32_t, std::vector<std::uint8_t>> m_pages;
    std::vector<std::uint8_t> m_blank = std::vector<std::uint8_t>(kPageSize, 0);
    std::string m_name = "sparse.mdb";
};

// Page n as a data page whose only row, row 0, is an inline map of rowLength bytes starting at
// page 0, its free space `free`.
void putMapPage(SparsePages& pages, std::uint32_t n, std::size_t rowLength, std::uint16_t free)
{
    auto page = pages.changePage(n);
    page[0] = pagetype::Data;
    encodeFixed16(&page[kJet4Layout.dataFreeSpace], free);
    encodeFixed16(&page[kJet4Layout.dataRowCount], 1);
    encodeFixed16(&page[kJet4Layout.dataRowOffsets], static_cast<std::uint16_t>(kPageSize - rowLength));
    page[kPageSize - rowLength] = usagemap::InlineType;
}

struct GlobalCase {
    const char* name;
    std::uint32_t pageCount;
    std::size_t rowLength;
    std::uint16_t free; // room on page 1 for the row to grow
    std::vector<std::uint32_t> freePages;
    std::uint8_t expectedType;
};

class GlobalMapTest : public ::testing::TestWithParam<GlobalCase> {};

TEST_P(GlobalMapTest, listsExactlyTheFreePagesAndReadsBack)
{
    const GlobalCase& c = GetParam();
    SparsePages pages(c.pageCount);
    putMapPage(pages, usagemap::GlobalMapPage, c.rowLength, c.free);
    writeGlobalUsageMap(pages, c.freePages);

    const auto page = pages.page(usagemap::GlobalMapPage);
    const std::size_t rowStart = decodeFixed16(&page[kJet4Layout.dataRowOffsets]) & rowflag::OffsetMask;
    EXPECT_EQ(page[rowStart], c.expectedType);
    EXPECT_EQ(readGlobalFreePages(pages), c.freePages);
    // Writing again over the map as it now is changes nothing it says.
    writeGlobalUsageMap(pages, c.freePages);
    EXPECT_EQ(readGlobalFreePages(pages), c.freePages);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, GlobalMapTest,
    ::testing::Values(
        GlobalCase{"SmallFileStaysInline", 300, 69, 0, {2, 17, 299}, usagemap::InlineType},
        GlobalCase{"InlineRowGrowsWhileThePageHasRoom", 2000, 69, 1000, {5, 1999}, usagemap::InlineType},
        // 69 bytes of row name 17 usage-map pages: past the 512 pages inline reaches, 2 stretches.
        GlobalCase{"PastTheInlineReachWithoutRoomTakesTheReferenceForm",
                   40000,
                   69,
                   0,
                   {5, 600, 32735, 32736, 39999},
                   usagemap::ReferenceType},
        // 128 MB of 4 KB pages and more: the inline map of a whole page of bitmap cannot cover them.
        GlobalCase{"PastOneHundredTwentyEightMegabytes", 70000, 4000, 0, {2, 69999}, usagemap::ReferenceType},
        // Jet 4 and ACE files reach 2 GB: 524288 pages, 17 stretches.
        GlobalCase{"UpToTwoGigabytes", 524288, 69, 0, {3, 524287}, usagemap::ReferenceType}),
    [](const auto& info) { return std::string(info.param.name); });

// The usage-map pages the reference form takes are the file's new last pages, in use, never free.
TEST(GlobalMap, itsOwnUsageMapPagesAreInUse)
{
    SparsePages pages(40000);
    putMapPage(pages, usagemap::GlobalMapPage, 69, 0);
    writeGlobalUsageMap(pages, {7});
    EXPECT_EQ(pages.pageCount(), 40002u);
    EXPECT_EQ(pages.page(40000)[0], pagetype::UsageMap);
    EXPECT_EQ(pages.page(40001)[0], pagetype::UsageMap);
    EXPECT_EQ(readGlobalFreePages(pages), std::vector<std::uint32_t>{7});
}

TEST(GlobalMap, aFileBeyondWhatTheRowCanNameIsRefused)
{
    SparsePages pages(static_cast<std::uint32_t>(3 * kPerBitmapPage));
    putMapPage(pages, usagemap::GlobalMapPage, 9, 0); // room for 2 usage-map pages
    EXPECT_THROW(writeGlobalUsageMap(pages, {}), Error);
}

// A table's map past its row's inline reach: the reference form with a page per stretch.
TEST(TableMap, pastTheInlineReachTakesTheReferenceForm)
{
    SparsePages pages(70000);
    putMapPage(pages, 5, 64, 0);
    const std::vector<std::uint32_t> owned = {10, 11, 600, 32736, 65000};
    writeUsageMap(pages, 5 << 8, owned);
    const auto page = pages.page(5);
    EXPECT_EQ(page[kPageSize - 64], usagemap::ReferenceType);
    const std::uint32_t first = decodeFixed32(&page[kPageSize - 64 + usagemap::ReferencePages]);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(pages.page(first)[usagemap::BitmapPageData + 10 / 8], (1u << (10 % 8)) | (1u << (11 % 8)));
}

// The global map's row on page 1 of a file: its type byte.
std::uint8_t globalMapType(const std::filesystem::path& file)
{
    auto db = Database::open(file, "");
    const auto page = db->file().page(usagemap::GlobalMapPage);
    return page[decodeFixed16(&page[kJet4Layout.dataRowOffsets]) & rowflag::OffsetMask];
}

// The bytes of every page a table holds (definition, data, long values, index pages).
std::vector<std::uint8_t> pagesOf(const std::filesystem::path& file, const std::string& table)
{
    auto db = Database::open(file, "");
    const TableDef& def = db->table(table);
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t p = 0; p < db->file().pageCount(); ++p) {
        const auto page = db->file().page(p);
        if ((page[0] == pagetype::Data || page[0] == pagetype::IndexNode || page[0] == pagetype::IndexLeaf) &&
            decodeFixed32(&page[kJet4Layout.dataOwner]) == def.pages.front())
            bytes.insert(bytes.end(), page.begin(), page.end());
    }
    return bytes;
}

// A Jet 4 file past 128 MB (one long text per page, 36,000 of them): it is written with its global
// map in the reference form, read back whole by our reader and by libmdb, every index finds every
// row; a later write of another table reads that map, keeps the big table's pages as they were,
// and reads back too.
TEST(LargeFile, pastOneHundredTwentyEightMegabytesWritesAndReadsBack)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("orrin-large-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "large.mdb";
    createDatabase(
        std::filesystem::path(ORRIN_ACCESS_SAMPLES) / "templates/empty-jet4-2003.mdb", file, "",
        {NewTable{"Other", {{"Id", coltype::Long}, {"Note", coltype::Memo}}, {{"ById", {"Id"}}}},
         NewTable{"Run", {{"Id", coltype::Long}, {"Name", coltype::Text, 20}}, {{"ByName", {"Name"}}}}});
    constexpr std::int64_t kRows = 36000;
    {
        auto db = Database::open(file, "");
        TableWriter writer(*db);
        std::int64_t i = 0;
        writer.replaceRows("Other", [&](std::vector<Value>& row) {
            if (i == kRows)
                return false;
            row.assign(2, Value{});
            row[0].kind = Value::Kind::Integer;
            row[0].integer = i;
            row[1].kind = Value::Kind::Text;
            row[1].text = std::string(3000, static_cast<char>('a' + i % 26)) + std::to_string(i);
            ++i;
            return true;
        });
        writer.commit();
    }
    EXPECT_GT(std::filesystem::file_size(file), 128u * 1024 * 1024);
    EXPECT_EQ(globalMapType(file), usagemap::ReferenceType);
    const std::string quoted = "'" + file.string() + "'";
    EXPECT_EQ(orrin::testing::runCommand("mdb-count " + quoted + " Other 2>&1").output, "36000\n");
    EXPECT_EQ(orrin::testing::runCommand("mdb-export -H " + quoted + " Other | tail -n 1 | cut -c1-8").output,
              "35999,\"p\n");
    {
        auto db = Database::open(file, "");
        const TableDef& def = db->table("Other");
        auto cursor = db->rows(def);
        std::int64_t n = 0;
        while (cursor.next()) {
            ASSERT_EQ(cursor.values()[0].integer, n);
            ASSERT_EQ(cursor.values()[1].text.size(), 3000 + std::to_string(n).size());
            ++n;
        }
        EXPECT_EQ(n, kRows);
        EXPECT_EQ(readIndexEntries(db->file(), def.realIndexes[0].firstPage).size(), std::size_t(kRows));
    }

    const auto before = pagesOf(file, "Other");
    EXPECT_GT(before.size(), 100 * kPageSize); // its data and index pages
    {
        auto db = Database::open(file, "");
        TableWriter writer(*db);
        std::vector<std::vector<Value>> rows(3, std::vector<Value>(2));
        for (int r = 0; r < 3; ++r) {
            rows[r][0].kind = Value::Kind::Integer;
            rows[r][0].integer = r;
            rows[r][1].kind = Value::Kind::Text;
            rows[r][1].text = "run " + std::to_string(r);
        }
        writer.replaceRows("Run", rows);
        writer.commit();
    }
    EXPECT_EQ(pagesOf(file, "Other"), before);
    EXPECT_EQ(globalMapType(file), usagemap::ReferenceType);
    EXPECT_EQ(orrin::testing::runCommand("mdb-count " + quoted + " Run 2>&1").output, "3\n");
    EXPECT_EQ(orrin::testing::runCommand("mdb-count " + quoted + " Other 2>&1").output, "36000\n");
    std::filesystem::remove_all(folder);
}

} // namespace
