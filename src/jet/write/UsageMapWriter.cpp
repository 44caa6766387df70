#include "jet/write/UsageMapWriter.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/table/Format.h"

#include <algorithm>

namespace orrin::jet {

namespace {

// Only Jet 4 and ACE files are written: their data page layout.
constexpr const Layout& kLayout = kJet4Layout;

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
    const std::size_t count = decodeFixed16(&page[kLayout.dataRowCount]);
    if (n >= count || kLayout.dataRowOffsets + 2 * count > page.size())
        throw damaged(file, pageNumber, "no usage map row " + std::to_string(n));
    const auto offset = [&](std::size_t i) { return decodeFixed16(&page[kLayout.dataRowOffsets + 2 * i]); };
    RowPlace r;
    r.start = offset(n) & rowflag::OffsetMask;
    r.end = n == 0 ? page.size() : (offset(n - 1) & rowflag::OffsetMask);
    if ((offset(n) & rowflag::Deleted) != 0 || r.start >= r.end || r.end > page.size() ||
        r.start < kLayout.dataRowOffsets + 2 * count)
        throw damaged(file, pageNumber, "the usage map row " + std::to_string(n) + " does not hold");
    return r;
}

void setBit(std::span<std::uint8_t> bits, std::uint64_t index)
{
    bits[index / 8] |= std::uint8_t(1u << (index % 8));
}

// Pages one usage-map page covers.
std::uint64_t pagesPerBitmapPage(std::size_t pageSize)
{
    return (pageSize - usagemap::BitmapPageData) * 8;
}

// Makes page n an empty usage-map page and gives its bitmap.
std::span<std::uint8_t> clearBitmapPage(PageStore& store, std::uint32_t n)
{
    auto bits = store.changePage(n);
    std::fill(bits.begin(), bits.end(), std::uint8_t{0});
    bits[0] = pagetype::UsageMap;
    bits[usagemap::BitmapPageMark] = usagemap::BitmapPageMarkValue;
    return bits.subspan(usagemap::BitmapPageData);
}

// The page numbers a reference map's row names, one per stretch of the file (0: none).
std::vector<std::uint32_t> referencedPages(std::span<const std::uint8_t> row)
{
    std::vector<std::uint32_t> pages;
    for (std::size_t at = usagemap::ReferencePages; at + usagemap::PageNumberSize <= row.size();
         at += usagemap::PageNumberSize)
        pages.push_back(decodeFixed32(&row[at]));
    return pages;
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
    const std::uint64_t perBitmapPage = pagesPerBitmapPage(store.page(pageNumber).size());
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

    const std::size_t slots = (length - usagemap::ReferencePages) / usagemap::PageNumberSize;
    std::vector<std::vector<std::uint32_t>> byStretch(slots);
    for (const std::uint32_t p : pages) {
        const std::uint64_t stretch = p / perBitmapPage;
        if (stretch >= slots)
            throw Error(Failure::Unsupported, "a usage map of " + store.fileName() + " cannot reach page " +
                                                  std::to_string(p) + ".");
        byStretch[stretch].push_back(p);
    }
    for (std::size_t s = 0; s < slots; ++s) {
        const std::size_t slotAt = place.start + usagemap::ReferencePages + usagemap::PageNumberSize * s;
        std::uint32_t bitmapPage = decodeFixed32(&store.page(pageNumber)[slotAt]);
        if (bitmapPage == 0 && byStretch[s].empty())
            continue;
        if (bitmapPage == 0) {
            bitmapPage = store.allocatePage();
            encodeFixed32(&store.changePage(pageNumber)[slotAt], bitmapPage);
        } else if (bitmapPage >= store.pageCount()) {
            throw damaged(store.fileName(), pageNumber, "a usage map refers to a page past the end");
        }
        auto bits = clearBitmapPage(store, bitmapPage);
        for (const std::uint32_t p : byStretch[s])
            setBit(bits, p - s * perBitmapPage);
    }
}

std::vector<std::uint32_t> readGlobalFreePages(PageStore& store)
{
    constexpr std::uint32_t mapPage = usagemap::GlobalMapPage;
    const auto page = store.page(mapPage);
    const RowPlace place = rowOf(page, mapPage, usagemap::GlobalMapRow, store.fileName());
    const auto row = page.subspan(place.start, place.end - place.start);
    std::vector<std::uint32_t> free;
    // Page 0 and the map's own page are never free.
    const auto addBits = [&](std::span<const std::uint8_t> bits, std::uint64_t first) {
        for (std::size_t i = 0; i < bits.size(); ++i)
            for (int b = 0; b < 8 && bits[i] != 0; ++b)
                if (bits[i] & (1u << b)) {
                    const std::uint64_t n = first + i * 8 + std::uint64_t(b);
                    if (n > mapPage && n < store.pageCount())
                        free.push_back(static_cast<std::uint32_t>(n));
                }
    };
    if (row[0] == usagemap::InlineType && row.size() >= usagemap::InlineBitmap) {
        addBits(row.subspan(usagemap::InlineBitmap), decodeFixed32(&row[usagemap::InlineStartPage]));
        return free;
    }
    if (row[0] != usagemap::ReferenceType)
        throw Error(Failure::Unsupported, "The global usage map of " + store.fileName() +
                                              " is of a kind this program does not write.");
    const std::uint64_t perBitmapPage = pagesPerBitmapPage(page.size());
    const std::vector<std::uint32_t> bitmapPages = referencedPages(row);
    for (std::size_t s = 0; s < bitmapPages.size(); ++s) {
        if (bitmapPages[s] == 0)
            continue;
        if (bitmapPages[s] >= store.pageCount())
            throw damaged(store.fileName(), mapPage, "the global usage map refers to a page past the end");
        const auto bits = store.page(bitmapPages[s]);
        if (bits[0] != pagetype::UsageMap)
            throw damaged(store.fileName(), bitmapPages[s], "expected a usage-map page");
        addBits(bits.subspan(usagemap::BitmapPageData), s * perBitmapPage);
    }
    return free;
}

namespace {

// Writes the global map in its reference form into its row at place (of the length the row has):
// a usage-map page per stretch of the file up to its end, taken from the store where the row names
// none yet. The pages taken are in use, whatever freePages says. Fails with Failure::Unsupported
// when the file reaches past the stretches the row can name.
void writeGlobalReferenceMap(PageStore& store, const RowPlace& place, std::vector<std::uint32_t> freePages)
{
    constexpr std::uint32_t mapPage = usagemap::GlobalMapPage;
    const std::size_t length = place.end - place.start;
    const std::uint64_t perBitmapPage = pagesPerBitmapPage(store.page(mapPage).size());
    std::vector<std::uint32_t> bitmapPages;
    if (store.page(mapPage)[place.start] == usagemap::ReferenceType)
        bitmapPages = referencedPages(store.page(mapPage).subspan(place.start, length));
    else
        bitmapPages.assign((length - usagemap::ReferencePages) / usagemap::PageNumberSize, 0);

    // Taking a page may grow the file into a stretch that needs a page of its own.
    std::vector<std::uint32_t> taken;
    for (std::uint64_t s = 0; s * perBitmapPage < store.pageCount(); ++s) {
        if (s >= bitmapPages.size())
            throw Error(Failure::Unsupported, "The global usage map of " + store.fileName() +
                                                  " cannot reach page " +
                                                  std::to_string(store.pageCount() - 1) + ".");
        if (bitmapPages[s] == 0) {
            bitmapPages[s] = store.allocatePage();
            taken.push_back(bitmapPages[s]);
        }
    }
    std::sort(taken.begin(), taken.end());
    std::erase_if(freePages,
                  [&](std::uint32_t p) { return std::binary_search(taken.begin(), taken.end(), p); });

    auto row = store.changePage(mapPage).subspan(place.start, length);
    std::fill(row.begin(), row.end(), std::uint8_t{0});
    row[0] = usagemap::ReferenceType;
    for (std::size_t s = 0; s < bitmapPages.size(); ++s)
        encodeFixed32(&row[usagemap::ReferencePages + usagemap::PageNumberSize * s], bitmapPages[s]);

    for (std::size_t s = 0; s < bitmapPages.size(); ++s) {
        if (bitmapPages[s] == 0)
            continue;
        auto bits = clearBitmapPage(store, bitmapPages[s]);
        const std::uint64_t first = s * perBitmapPage;
        for (std::uint64_t n = std::max<std::uint64_t>(first, store.pageCount()); n < first + perBitmapPage;
             ++n)
            setBit(bits, n - first); // past the end of the file: free
    }
    for (const std::uint32_t p : freePages) {
        const std::uint64_t s = p / perBitmapPage;
        if (p > mapPage && s < bitmapPages.size() && bitmapPages[s] != 0)
            setBit(store.changePage(bitmapPages[s]).subspan(usagemap::BitmapPageData), p - s * perBitmapPage);
    }
}

} // namespace

void writeGlobalUsageMap(PageStore& store, const std::vector<std::uint32_t>& freePages)
{
    constexpr std::uint32_t mapPage = usagemap::GlobalMapPage;
    auto page = store.changePage(mapPage);
    const std::string& file = store.fileName();
    RowPlace place = rowOf(page, mapPage, usagemap::GlobalMapRow, file);
    const std::uint8_t type = page[place.start];
    if (type == usagemap::ReferenceType) {
        writeGlobalReferenceMap(store, place, freePages);
        return;
    }
    if (type != usagemap::InlineType || place.end - place.start < usagemap::InlineBitmap)
        throw Error(Failure::Unsupported,
                    "The global usage map of " + file + " is of a kind this program does not write.");
    const std::uint32_t start = decodeFixed32(&page[place.start + usagemap::InlineStartPage]);
    std::size_t length = place.end - place.start;
    const std::uint64_t needed = store.pageCount() > start ? store.pageCount() - start : 0;
    if ((length - usagemap::InlineBitmap) * 8 < needed) {
        // Grow row 0, the last on the page, downwards: every other row moves down as much. When the
        // page has no room for that, or another row cannot move, the map takes its reference form.
        const std::size_t grow =
            ((needed + 7) / 8 + usagemap::GlobalMapSpare) - (length - usagemap::InlineBitmap);
        const std::size_t count = decodeFixed16(&page[kLayout.dataRowCount]);
        std::size_t lowest = place.start;
        bool movable = true;
        for (std::size_t i = 1; i < count; ++i) {
            const std::uint16_t off = decodeFixed16(&page[kLayout.dataRowOffsets + 2 * i]);
            movable = movable && (off & (rowflag::Deleted | rowflag::Lookup)) == 0;
            lowest = std::min<std::size_t>(lowest, off & rowflag::OffsetMask);
        }
        const std::size_t free = decodeFixed16(&page[kLayout.dataFreeSpace]);
        if (!movable || lowest < kLayout.dataRowOffsets + 2 * count + grow || free < grow) {
            writeGlobalReferenceMap(store, place, freePages);
            return;
        }
        std::copy(page.begin() + std::ptrdiff_t(lowest), page.begin() + std::ptrdiff_t(place.end),
                  page.begin() + std::ptrdiff_t(lowest - grow));
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint16_t off = decodeFixed16(&page[kLayout.dataRowOffsets + 2 * i]);
            encodeFixed16(&page[kLayout.dataRowOffsets + 2 * i], static_cast<std::uint16_t>(off - grow));
        }
        encodeFixed16(&page[kLayout.dataFreeSpace], static_cast<std::uint16_t>(free - grow));
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
