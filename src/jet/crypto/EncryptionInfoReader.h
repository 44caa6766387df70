#pragma once

#include "jet/base/Coding.h"
#include "jet/base/JetError.h"
#include "jet/crypto/Crypto.h"

#include <cstdint>
#include <span>
#include <string>

namespace orrin::jet {

// Reads the little-endian fields of an .accdb's EncryptionInfo in order, checking each against the
// bytes the header gives it: a field past them is damage of the first page, never a read past it.
class EncryptionInfoReader {
  public:
    EncryptionInfoReader(std::span<const std::uint8_t> info, const std::string& file)
        : m_info(info), m_file(file)
    {
    }

    std::uint16_t u16() { return decodeFixed16(take(2).data()); }
    std::uint32_t u32() { return decodeFixed32(take(4).data()); }
    Bytes bytes(std::size_t n)
    {
        const auto s = take(n);
        return Bytes(s.begin(), s.end());
    }
    std::span<const std::uint8_t> take(std::size_t n)
    {
        if (n > m_info.size() - m_position)
            throw damaged(m_file, 0, "the encryption header ends before its fields do");
        const auto s = m_info.subspan(m_position, n);
        m_position += n;
        return s;
    }
    std::span<const std::uint8_t> rest() { return take(m_info.size() - m_position); }
    std::size_t position() const { return m_position; }

  private:
    std::span<const std::uint8_t> m_info;
    const std::string& m_file;
    std::size_t m_position = 0;
};

} // namespace orrin::jet
