#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orrin::store {

// Positions of names (columns of a table or of a query's result) found without regard to the case
// of ASCII letters, as every field name is matched. A name given twice keeps its first position, so
// a lookup answers what a scan from the first column would. Lookups by a string_view make no copy.
class NameIndex {
  public:
    // Gives name the position unless a name equal to it without regard to case is there already.
    void add(std::string_view name, int position);
    // The position of name, or -1.
    int find(std::string_view name) const;
    bool empty() const { return m_positions.empty(); }
    std::size_t size() const { return m_positions.size(); }
    void clear() { m_positions.clear(); }

  private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const;
    };
    struct Equal {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };

    std::unordered_map<std::string, int, Hash, Equal> m_positions;
};

} // namespace orrin::store
