#include "store/NameIndex.h"

#include "jet/base/Text.h"

#include <array>
#include <utility>

namespace orrin::store {

namespace {

constexpr std::uint64_t kHashStart = 14695981039346656037ull; // FNV-1a
constexpr std::uint64_t kHashFactor = 1099511628211ull;

// Lowers name into out (which has room for it) and returns the hash of the lowered bytes.
std::uint64_t lowerAndHash(std::string_view name, char* out)
{
    std::uint64_t hash = kHashStart;
    for (std::size_t i = 0; i < name.size(); ++i) {
        out[i] = jet::asciiLower(name[i]);
        hash = (hash ^ static_cast<unsigned char>(out[i])) * kHashFactor;
    }
    return hash;
}

} // namespace

std::size_t NameIndex::slotFor(std::string_view lower, std::uint64_t hash) const
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = static_cast<std::size_t>(hash) & mask;
    while (m_slots[at].position >= 0) {
        const Slot& slot = m_slots[at];
        if (slot.hash == hash && slot.lowered == lower)
            return at;
        at = (at + 1) & mask;
    }
    return at;
}

void NameIndex::grow()
{
    std::vector<Slot> old = std::move(m_slots);
    m_slots.assign(old.empty() ? 16 : old.size() * 2, Slot{});
    for (Slot& slot : old) {
        if (slot.position >= 0)
            m_slots[slotFor(slot.lowered, slot.hash)] = std::move(slot);
    }
}

void NameIndex::add(std::string_view name, int position)
{
    if ((m_count + 1) * 2 > m_slots.size())
        grow();
    std::string lower(name.size(), '\0');
    const std::uint64_t hash = lowerAndHash(name, lower.data());
    Slot& slot = m_slots[slotFor(lower, hash)];
    if (slot.position >= 0)
        return; // the first of equal names stays
    slot = Slot{std::move(lower), hash, position};
    ++m_count;
}

int NameIndex::find(std::string_view name) const
{
    if (m_count == 0)
        return -1;
    std::array<char, 64> buffer;
    if (name.size() > buffer.size()) {
        std::string lower(name.size(), '\0');
        const std::uint64_t hash = lowerAndHash(name, lower.data());
        return m_slots[slotFor(lower, hash)].position;
    }
    const std::uint64_t hash = lowerAndHash(name, buffer.data());
    return m_slots[slotFor(std::string_view(buffer.data(), name.size()), hash)].position;
}

void NameIndex::clear()
{
    m_slots.clear();
    m_count = 0;
}

} // namespace orrin::store
