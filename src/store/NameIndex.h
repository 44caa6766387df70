#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orrin::store {

// Positions of names (columns of a table or of a query's result) found without regard to the case
// of ASCII letters, as every field name is matched. A name given twice keeps its first position, so
// a lookup answers what a scan from the first column would. Field values are read by name for every
// row, so a lookup neither copies the name nor allocates: an open-addressing table of the lower-case
// names, probed with a hash taken while the name asked for is lowered.
class NameIndex {
  public:
    // Gives name the position unless a name equal to it without regard to case is there already.
    void add(std::string_view name, int position);
    // The position of name, or -1.
    int find(std::string_view name) const;
    bool empty() const { return m_count == 0; }
    std::size_t size() const { return m_count; }
    void clear();

  private:
    struct Slot {
        std::string lowered;
        std::uint64_t hash = 0;
        int position = -1; // -1: a free slot
    };

    // The slot holding name (lowered, with its hash), or the free slot where it would go.
    std::size_t slotFor(std::string_view lower, std::uint64_t hash) const;
    void grow();

    std::vector<Slot> m_slots; // a power of two in size, never more than half full
    std::size_t m_count = 0;
};

} // namespace orrin::store
