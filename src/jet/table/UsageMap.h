#pragma once

// A usage map: the set of pages a table (or an index, or a column's long values) owns, or the
// subset of them with free space. It lives in a row of a data page, reached by a row pointer, in
// one of two forms: inline (a first page number and a bitmap in the row) or referenced (the row
// lists usage-map pages, each a bitmap over its own stretch of the file).

#include "jet/pager/PageFile.h"

#include <cstdint>
#include <vector>

namespace orrin::jet {

struct UsageMap {
    std::uint32_t pointer = 0; // the row pointer it was read from
    std::uint8_t type = 0;     // usagemap::InlineType or usagemap::ReferenceType
    std::uint32_t rowPage = 0; // where its row is: page and row number
    std::uint16_t rowNumber = 0;
    std::uint16_t rowStart = 0; // bounds of the row in that page
    std::uint16_t rowEnd = 0;
    std::uint32_t startPage = 0;            // inline: the page of the bitmap's first bit
    std::vector<std::uint32_t> bitmapPages; // referenced: usage-map page per stretch, 0 = none
    std::vector<std::uint32_t> pages;       // the pages in the map, ascending
    std::uint64_t firstPastEnd = 0;         // the first page the map claims past the file's end, or 0

    // Reads the map whose row pointer is given. Fails with Failure::Damaged naming the page when
    // the pointer, the row, its type or a referenced bitmap page does not hold. Page numbers past
    // the end of the file are left out of pages (the first of them is firstPastEnd).
    static UsageMap read(const PageFile& file, std::uint32_t pointer);

    bool contains(std::uint32_t page) const;
};

} // namespace orrin::jet
