#include "jet/table/UsageMap.h"

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/table/DataPage.h"
#include "jet/table/Format.h"

#include <algorithm>

namespace orrin::jet {

namespace {

// Adds the pages whose bits are set in bitmap, the first bit standing for page first.
void addBits(std::span<const std::uint8_t> bitmap, std::uint64_t first, std::uint32_t pageCount,
             std::vector<std::uint32_t>& pages, std::uint64_t& firstPastEnd)
{
    for (std::size_t i = 0; i < bitmap.size(); ++i) {
        const std::uint8_t byte = bitmap[i];
        if (byte == 0)
            continue;
        for (int bit = 0; bit < 8; ++bit) {
            if ((byte & (1u << bit)) == 0)
                continue;
            const std::uint64_t page = first + i * 8 + static_cast<std::uint64_t>(bit);
            if (page < pageCount)
                pages.push_back(static_cast<std::uint32_t>(page));
            else if (firstPastEnd == 0 || page < firstPastEnd)
                firstPastEnd = page;
        }
    }
}

} // namespace

UsageMap UsageMap::read(const PageFile& file, std::uint32_t pointer)
{
    const Layout& layout = layoutFor(file.header().version);
    UsageMap map;
    map.pointer = pointer;
    map.rowPage = pointerPage(pointer);
    map.rowNumber = static_cast<std::uint16_t>(pointerRow(pointer));
    if (map.rowPage == 0 || map.rowPage >= file.pageCount())
        throw damaged(file.fileName(), map.rowPage, "a usage map points outside the file");
    const DataPage page(file.page(map.rowPage), layout, file.fileName(), map.rowPage);
    const RowSlot slot = page.slot(map.rowNumber);
    if (slot.deleted || slot.end - slot.start < 1)
        throw damaged(file.fileName(), map.rowPage,
                      "the usage map row " + std::to_string(map.rowNumber) + " is empty");
    map.rowStart = slot.start;
    map.rowEnd = slot.end;
    const auto row = page.bytes(slot);
    map.type = row[0];
    if (map.type == usagemap::InlineType) {
        if (row.size() < usagemap::InlineBitmap)
            throw damaged(file.fileName(), map.rowPage, "an inline usage map is too short");
        map.startPage = decodeFixed32(row.data() + usagemap::InlineStartPage);
        addBits(row.subspan(usagemap::InlineBitmap), map.startPage, file.pageCount(), map.pages,
                map.firstPastEnd);
    } else if (map.type == usagemap::ReferenceType) {
        const std::size_t perPage = (layout.pageSize - usagemap::BitmapPageData) * 8;
        for (std::size_t at = usagemap::ReferencePages; at + usagemap::PageNumberSize <= row.size();
             at += usagemap::PageNumberSize) {
            const std::uint32_t bitmapPage = decodeFixed32(row.data() + at);
            map.bitmapPages.push_back(bitmapPage);
            if (bitmapPage == 0)
                continue;
            if (bitmapPage >= file.pageCount())
                throw damaged(file.fileName(), map.rowPage,
                              "a usage map refers to page " + std::to_string(bitmapPage) + " past the end");
            const auto bits = file.page(bitmapPage);
            if (bits[0] != pagetype::UsageMap)
                throw damaged(file.fileName(), bitmapPage, "expected a usage-map page");
            const std::uint64_t first = (map.bitmapPages.size() - 1) * std::uint64_t(perPage);
            addBits(bits.subspan(usagemap::BitmapPageData), first, file.pageCount(), map.pages,
                    map.firstPastEnd);
        }
    } else {
        throw damaged(file.fileName(), map.rowPage, "unknown usage map type " + std::to_string(map.type));
    }
    std::sort(map.pages.begin(), map.pages.end());
    return map;
}

bool UsageMap::contains(std::uint32_t page) const
{
    return std::binary_search(pages.begin(), pages.end(), page);
}

} // namespace orrin::jet
