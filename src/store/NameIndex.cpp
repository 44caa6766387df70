#include "store/NameIndex.h"

#include "store/SqlText.h"

namespace orrin::store {

namespace {

char lowered(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

// FNV-1a over the lower-cased bytes: names that differ only in case hash alike.
std::size_t NameIndex::Hash::operator()(std::string_view name) const
{
    std::size_t hash = 14695981039346656037ull;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(lowered(c));
        hash *= 1099511628211ull;
    }
    return hash;
}

bool NameIndex::Equal::operator()(std::string_view a, std::string_view b) const
{
    return equalsIgnoringCase(a, b);
}

void NameIndex::add(std::string_view name, int position)
{
    if (m_positions.find(name) == m_positions.end())
        m_positions.emplace(std::string(name), position);
}

int NameIndex::find(std::string_view name) const
{
    const auto found = m_positions.find(name);
    return found != m_positions.end() ? found->second : -1;
}

} // namespace orrin::store
