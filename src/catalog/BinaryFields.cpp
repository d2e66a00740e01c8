#include "catalog/BinaryFields.h"

#include <algorithm>
#include <cstring>

std::uint32_t GetU32(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void PutU32(std::uint8_t* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void AppendU32(std::string& bytes, std::uint32_t value)
{
    std::uint8_t field[4];
    PutU32(field, value);
    bytes.append(reinterpret_cast<const char*>(field), sizeof field);
}

std::string GetFixedText(const std::uint8_t* bytes, std::size_t size)
{
    const auto* end = std::find(bytes, bytes + size, std::uint8_t{0});
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(end - bytes));
}

void PutFixedText(std::uint8_t* bytes, std::size_t size, std::string_view text)
{
    std::memset(bytes, 0, size);
    if (size > 0)
        std::memcpy(bytes, text.data(), std::min(text.size(), size - 1));
}
