#pragma once

// Fixed-width integers read from and written to byte spans; these are the only places that assemble
// or split one. Every multi-byte number in an Access file is little-endian, except the row pointers
// and child page numbers inside index entries, which are big-endian so that they sort as bytes.

#include <cstdint>
#include <cstring>
#include <span>

namespace orrin::jet {

inline std::uint16_t decodeFixed16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t decodeFixed24(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16);
}

inline std::uint32_t decodeFixed32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t decodeFixed64(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(decodeFixed32(p)) |
           (static_cast<std::uint64_t>(decodeFixed32(p + 4)) << 32);
}

inline double decodeDouble(const std::uint8_t* p)
{
    const std::uint64_t bits = decodeFixed64(p);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline float decodeFloat(const std::uint8_t* p)
{
    const std::uint32_t bits = decodeFixed32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void encodeFixed16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void encodeFixed24(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
}

inline void encodeFixed32(std::uint8_t* p, std::uint32_t v)
{
    encodeFixed16(p, static_cast<std::uint16_t>(v));
    encodeFixed16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

inline void encodeFixed64(std::uint8_t* p, std::uint64_t v)
{
    encodeFixed32(p, static_cast<std::uint32_t>(v));
    encodeFixed32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

inline void encodeDouble(std::uint8_t* p, double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    encodeFixed64(p, bits);
}

inline void encodeFloat(std::uint8_t* p, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    encodeFixed32(p, bits);
}

inline std::uint32_t decodeBig24(const std::uint8_t* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) |
           static_cast<std::uint32_t>(p[2]);
}

inline std::uint32_t decodeBig32(const std::uint8_t* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | decodeBig24(p + 1);
}

inline void encodeBig24(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 16);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v);
}

inline void encodeBig32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v >> 24);
    encodeBig24(p + 1, v);
}

} // namespace orrin::jet
