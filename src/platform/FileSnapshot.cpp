#include "platform/FileSnapshot.h"

#include <algorithm>

namespace orrin::platform {

void FileSnapshot::release(std::size_t offset, std::size_t length) const
{
    static const std::size_t systemPage = systemPageSize();
    if (!m_data || offset >= m_size || systemPage == 0)
        return;
    const std::size_t end = std::min(offset + length, m_size) / systemPage * systemPage;
    const std::size_t start = (offset + systemPage - 1) / systemPage * systemPage;
    if (start < end)
        discard(start, end - start);
}

} // namespace orrin::platform
