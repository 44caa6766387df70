#include "jet/PageCodec.h"

#include "jet/HeaderMask.h"

namespace orrin::jet {

void PageCodec::decode(std::uint32_t n, std::span<std::uint8_t> page)
{
    if (n == 0)
        applyHeaderMask(page, m_version);
    else if (m_cipher)
        m_cipher->decrypt(n, page);
}

void PageCodec::encode(std::uint32_t n, std::span<std::uint8_t> page)
{
    if (n == 0)
        applyHeaderMask(page, m_version);
    else if (m_cipher)
        m_cipher->encrypt(n, page);
}

} // namespace orrin::jet
