#include "catalog/BinaryFields.h"

#include <algorithm>
#include <cstring>

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
