#pragma once

#include "platform/core/LittleEndian.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Fields of the catalog's binary files: 32-bit little-endian integers (GetU32, PutU32) and
// fixed-size, zero-padded text. Each is read and written byte by byte, whatever the machine's own
// order.

void AppendU32(std::string& bytes, std::uint32_t value);

// The text up to the first zero byte, and never beyond `size` bytes.
std::string GetFixedText(const std::uint8_t* bytes, std::size_t size);
// At most `size` - 1 bytes of the text, the rest of the field zero, so it always ends in a zero.
void PutFixedText(std::uint8_t* bytes, std::size_t size, std::string_view text);
