#pragma once

#include <cstdint>
#include <string>

// Building and reading the binary files' 32-bit little-endian fields and zero-padded text fields in
// tests, apart from the code under test.

inline std::string U32(std::uint32_t value)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
    return bytes;
}

// The text cut or padded with zero bytes to `size` bytes.
inline std::string Fixed(const std::string& text, size_t size)
{
    std::string field = text;
    field.resize(size, '\0');
    return field;
}

inline std::uint32_t U32At(const std::string& bytes, size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes.at(at + static_cast<size_t>(i)));
    return value;
}
