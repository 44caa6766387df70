#include "jet/crypto/JetRc4Cipher.h"

#include "jet/base/Coding.h"
#include "jet/crypto/Rc4.h"

#include <array>
#include <cassert>

namespace orrin::jet {

void JetRc4Cipher::decrypt(std::uint32_t n, std::span<std::uint8_t> page)
{
    assert(n >= 1);
    std::array<std::uint8_t, 4> key{};
    encodeFixed32(key.data(), m_databaseKey ^ n);
    Rc4::apply(key, page);
}

} // namespace orrin::jet
