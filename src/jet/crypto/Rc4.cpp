#include "jet/crypto/Rc4.h"

#include <cassert>
#include <utility>

namespace orrin::jet {

Rc4::Rc4(std::span<const std::uint8_t> key)
{
    assert(!key.empty() && key.size() <= 256);
    for (std::size_t i = 0; i < m_state.size(); ++i)
        m_state[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < m_state.size(); ++i) {
        j = static_cast<std::uint8_t>(j + m_state[i] + key[i % key.size()]);
        std::swap(m_state[i], m_state[j]);
    }
}

void Rc4::apply(std::span<std::uint8_t> data)
{
    // Work on local copies: the data bytes could alias the members, which would keep the compiler
    // from holding the state in registers.
    std::array<std::uint8_t, 256> s = m_state;
    std::uint8_t i = m_i;
    std::uint8_t j = m_j;
    for (auto& byte : data) {
        i = static_cast<std::uint8_t>(i + 1);
        const std::uint8_t si = s[i];
        j = static_cast<std::uint8_t>(j + si);
        const std::uint8_t sj = s[j];
        s[i] = sj;
        s[j] = si;
        byte ^= s[static_cast<std::uint8_t>(si + sj)];
    }
    m_state = s;
    m_i = i;
    m_j = j;
}

} // namespace orrin::jet
