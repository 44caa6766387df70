#include "jet/write/UsageMapWriter.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/table/Format.h"

#include <algorithm>

namespace orrin::jet {

namespace {

constexpr std::size_t kDataPageHeader = 14;
constexpr std::size_t kRowCountOffset = 12;
constexpr std::uint32_t kGlobalMapPage = 1;

struct RowPlace {
    std::size_t start = 0;
    std::size_t end = 0;
};

// The bounds of row n of a data page, checked.
RowPlace rowOf(std::span<const std::uint8_t> page, std::uint32_t pageNumber, std::uint32_t n,
               const std::string& file)
{
    if (page[0] != pagetype::Data)
        throw damaged(file, pageNumber, "a usage map's page is not a data page");
    const std::size_t count = decodeFixed16(&page[kRowCountOffset]);
    if (n >= count || kDataPageHeader + 2 * count > page.size())
        throw damaged(file, pageNumber, "no usage map row " + std::to_string(n));
    const auto offset = [&](std::size_t i) { return decodeFixed16(&page[kDataPageHeader + 2 * i]); };
    RowPlace r;
    r.start = offset(n) & rowflag::OffsetMask;
    r.end = n == 0 ? page.size() : (offset(n - 1) & rowflag::OffsetMask);
    if ((offset(n) & rowflag::Deleted) != 0 || r.start >= r.end || r.end > page.size() ||
        r.start < kDataPageHeader + 2 * count)
        throw damaged(file, pageNumber, "the usage map row " + std::to_string(n) + " does not hold");
    return r;
}

void setBit(std::span<std::uint8_t> bits, std::uint64_t index)
{
    bits[index / 8] |= std::uint8_t(1u << (index % 8));
}

} // namespace

void writeUsageMap(PageStore& store, std::uint32_t pointer, const std::vector<std::uint32_t>& pages)
{
    const std::uint32_t pageNumber = pointerPage(pointer);
    if (pageNumber == 0 || pageNumber >= store.pageCount())
        throw damaged(store.fileName(), pageNumber, "a usage map points outside the file");
    const RowPlace place = rowOf(store.page(pageNumber), pageNumber, pointerRow(pointer), store.fileName());
    const std::size_t length = place.end - place.start;
    if (length < usagemap::InlineBitmap)
        throw damaged(store.fileName(), pageNumber, "a usage map row is too short");
    const std::size_t pageSize = store.page(pageNumber).size();
    const std::uint64_t perBitmapPage = (pageSize - usagemap::BitmapPageData) * 8;
    const std::uint8_t type = store.page(pageNumber)[place.start];

    if (type == usagemap::InlineType) {
        const std::uint64_t capacity = (length - usagemap::InlineBitmap) * 8;
        std::uint32_t start = decodeFixed32(&store.page(pageNumber)[place.start + usagemap::InlineStartPage]);
        const bool fits = pages.empty() || (pages.front() >= start && pages.back() - start < capacity);
        if (!fits)
            start = pages.front() & ~7u;
        if (pages.empty() || pages.back() - start < capacity) {
            auto row = store.changePage(pageNumber).subspan(place.start, length);
            std::fill(row.begin(), row.end(), std::uint8_t{0});
            row[0] = usagemap::InlineType;
            encodeFixed32(&row[usagemap::InlineStartPage], start);
            for (const std::uint32_t p : pages)
                setBit(row.subspan(usagemap::InlineBitmap), p - start);
            return;
        }
        // Too wide for the row: it becomes a reference map with no bitmap pages yet.
        auto row = store.changePage(pageNumber).subspan(place.start, length);
        std::fill(row.begin(), row.end(), std::uint8_t{0});
        row[0] = usagemap::ReferenceType;
    } else if (type != usagemap::ReferenceType) {
        throw damaged(store.fileName(), pageNumber, "unknown usage map type " + std::to_string(type));
    }

    const std::size_t slots = (length - usagemap::ReferencePages) / 4;
    std::vector<std::vector<std::uint32_t>> byStretch(slots);
    for (const std::uint32_t p : pages) {
        const std::uint64_t stretch = p / perBitmapPage;
        if (stretch >= slots)
            throw Error(Failure::Unsupported, "a usage map of " + store.fileName() + " cannot reach page " +
                                                  std::to_string(p) + ".");
        byStretch[stretch].push_back(p);
    }
    for (std::size_t s = 0; s < slots; ++s) {
        const std::size_t slotAt = place.start + usagemap::ReferencePages + 4 * s;
        std::uint32_t bitmapPage = decodeFixed32(&store.page(pageNumber)[slotAt]);
        if (bitmapPage == 0 && byStretch[s].empty())
            continue;
        if (bitmapPage == 0) {
            bitmapPage = store.allocatePage();
            encodeFixed32(&store.changePage(pageNumber)[slotAt], bitmapPage);
        } else if (bitmapPage >= store.pageCount()) {
            throw damaged(store.fileName(), pageNumber, "a usage map refers to a page past the end");
        }
        auto bits = store.changePage(bitmapPage);
        std::fill(bits.begin(), bits.end(), std::uint8_t{0});
        bits[0] = pagetype::UsageMap;
        bits[1] = 0x01;
        for (const std::uint32_t p : byStretch[s])
            setBit(bits.subspan(usagemap::BitmapPageData), p - s * perBitmapPage);
    }
}

std::vector<std::uint32_t> readGlobalFreePages(PageStore& store)
{
    const auto page = store.page(kGlobalMapPage);
    const RowPlace place = rowOf(page, kGlobalMapPage, 0, store.fileName());
    if (page[place.start] != usagemap::InlineType || place.end - place.start < usagemap::InlineBitmap)
        throw Error(Failure::Unsupported, "The global usage map of " + store.fileName() +
                                              " is of a kind this program does not write.");
    const std::uint32_t start = decodeFixed32(&page[place.start + usagemap::InlineStartPage]);
    std::vector<std::uint32_t> free;
    for (std::size_t i = place.start + usagemap::InlineBitmap; i < place.end; ++i)
        for (int b = 0; b < 8; ++b)
            if (page[i] & (1u << b)) {
                const std::uint64_t n =
                    start + (i - place.start - usagemap::InlineBitmap) * 8 + std::uint64_t(b);
                if (n > kGlobalMapPage && n < store.pageCount())
                    free.push_back(static_cast<std::uint32_t>(n));
            }
    return free;
}

void writeGlobalUsageMap(PageStore& store, const std::vector<std::uint32_t>& freePages)
{
    auto page = store.changePage(kGlobalMapPage);
    const std::string& file = store.fileName();
    RowPlace place = rowOf(page, kGlobalMapPage, 0, file);
    if (page[place.start] != usagemap::InlineType || place.end - place.start < usagemap::InlineBitmap)
        throw Error(Failure::Unsupported,
                    "The global usage map of " + file + " is of a kind this program does not write.");
    const std::uint32_t start = decodeFixed32(&page[place.start + usagemap::InlineStartPage]);
    std::size_t length = place.end - place.start;
    const std::uint64_t needed = store.pageCount() > start ? store.pageCount() - start : 0;
    if ((length - usagemap::InlineBitmap) * 8 < needed) {
        // Grow row 0, the last on the page, downwards: every other row moves down as much.
        const std::size_t grow = ((needed + 7) / 8 + 64) - (length - usagemap::InlineBitmap);
        const std::size_t count = decodeFixed16(&page[kRowCountOffset]);
        std::size_t lowest = place.start;
        for (std::size_t i = 1; i < count; ++i) {
            const std::uint16_t off = decodeFixed16(&page[kDataPageHeader + 2 * i]);
            if ((off & (rowflag::Deleted | rowflag::Lookup)) != 0)
                throw Error(Failure::Unsupported, "The global usage map of " + file + " cannot grow.");
            lowest = std::min<std::size_t>(lowest, off & rowflag::OffsetMask);
        }
        const std::size_t free = decodeFixed16(&page[2]);
        if (lowest < kDataPageHeader + 2 * count + grow || free < grow)
            throw Error(Failure::Unsupported, "The global usage map of " + file + " has no room to grow.");
        std::copy(page.begin() + std::ptrdiff_t(lowest), page.begin() + std::ptrdiff_t(place.end),
                  page.begin() + std::ptrdiff_t(lowest - grow));
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint16_t off = decodeFixed16(&page[kDataPageHeader + 2 * i]);
            encodeFixed16(&page[kDataPageHeader + 2 * i], static_cast<std::uint16_t>(off - grow));
        }
        encodeFixed16(&page[2], static_cast<std::uint16_t>(free - grow));
        place.start -= grow;
        length += grow;
    }
    auto bits = page.subspan(place.start + usagemap::InlineBitmap, length - usagemap::InlineBitmap);
    std::fill(bits.begin(), bits.end(), std::uint8_t{0xFF}); // past the end of the file: free
    for (std::uint64_t n = start; n < store.pageCount() && n - start < bits.size() * 8; ++n)
        bits[(n - start) / 8] &= static_cast<std::uint8_t>(~(1u << ((n - start) % 8)));
    for (const std::uint32_t p : freePages)
        if (p >= start && p - start < bits.size() * 8)
            setBit(bits, p - start);
}

} // namespace orrin::jet
