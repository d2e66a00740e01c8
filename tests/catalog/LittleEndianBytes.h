#pragma once

#include <cstdint>
#include <string>

// Building and reading the binary files' 32-bit little-endian fields in tests, apart from the code
// under test.

inline std::string U32(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
    return bytes;
}

inline std::uint32_t U32At(const std::string& bytes, size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes.at(at + static_cast<size_t>(i)));
    return value;
}
