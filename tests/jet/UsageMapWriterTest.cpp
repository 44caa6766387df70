// The global map of free pages past the reach of its inline form: it takes the reference form
// (usage-map pages, one per stretch of the file), lists exactly the free pages, and reads back; a
// table's map that outgrows its row does the same. The pages live in a sparse store, so that files
// of hundreds of megabytes cost only the pages the maps touch.

#include "jet/write/UsageMapWriter.h"
#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/pager/PageStore.h"
#include "jet/table/Format.h"

#include <gtest/gtest.h>

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

} // namespace
