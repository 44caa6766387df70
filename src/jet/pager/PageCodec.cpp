#include "jet/pager/PageCodec.h"

#include "jet/pager/HeaderMask.h"

#include <algorithm>
#include <cassert>

namespace orrin::jet {

namespace {

bool allZero(std::span<const std::uint8_t> page)
{
    return std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0; });
}

} // namespace

void PageCodec::decode(std::uint32_t n, std::span<std::uint8_t> page)
{
    assert(page.size() == header::pageSize(m_version));
    if (n == 0)
        applyHeaderMask(page, m_version);
    else if (m_cipher && !allZero(page))
        m_cipher->decrypt(n, page);
}

void PageCodec::encode(std::uint32_t n, std::span<std::uint8_t> page)
{
    assert(page.size() == header::pageSize(m_version));
    if (n == 0)
        applyHeaderMask(page, m_version);
    else if (m_cipher && !allZero(page))
        m_cipher->encrypt(n, page);
}

} // namespace orrin::jet
