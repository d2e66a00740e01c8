#pragma once

#include <cstdint>

// Fields of binary files in little-endian order, read and written byte by byte whatever the
// machine's own order.

inline std::uint16_t GetU16(const std::uint8_t* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

inline std::uint32_t GetU32(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

inline std::uint64_t GetU64(const std::uint8_t* bytes)
{
    return static_cast<std::uint64_t>(GetU32(bytes)) | static_cast<std::uint64_t>(GetU32(bytes + 4)) << 32;
}

// The low 16 bits of the value.
inline void PutU16(std::uint8_t* bytes, unsigned value)
{
    bytes[0] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

inline void PutU32(std::uint8_t* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
