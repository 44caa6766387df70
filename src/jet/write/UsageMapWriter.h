#pragma once

// Rewriting usage maps in place: a table's owned and free-space maps, an index's map, a long-value
// column's maps (rows of the table's usage-map page), and the file's global map of free pages
// (page 1, row 0). A table's map keeps its row's length; an inline map that can no longer cover its
// pages becomes a reference map with bitmap pages of its own.

#include "jet/pager/PageStore.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orrin::jet {

// Makes the map whose row pointer is given hold exactly pages (ascending, no duplicates). Fails
// with Failure::Damaged naming the page when the map's row does not hold, Failure::Unsupported when
// the pages need more bitmap pages than the row can name.
void writeUsageMap(PageStore& store, std::uint32_t pointer, const std::vector<std::uint32_t>& pages);

// Makes the global map (page 1, row 0) say that exactly the pages in freePages are free among the
// file's pageCount pages; pages past the end of the file count as free. An inline map grows its row
// when the file has outgrown it; when page 1 has no room for that, the map takes the reference form,
// a usage-map page per stretch of the file (taken from the store, and in use), which reaches the
// 2 GB a Jet 4 or ACE file holds. Fails with Failure::Damaged when page 1 does not hold the map,
// Failure::Unsupported when the file reaches past what the map's row can name.
void writeGlobalUsageMap(PageStore& store, const std::vector<std::uint32_t>& freePages);

// The free pages the global map (inline or reference form) lists among the file's pages.
std::vector<std::uint32_t> readGlobalFreePages(PageStore& store);

} // namespace orrin::jet
