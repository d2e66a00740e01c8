#pragma once

// Edits of the first directory of TIFF files that outside tools wrote, for the cases no tool writes,
// and EPS files built around them.

#include "platform/core/LittleEndian.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::uint16_t AbsentTag = 0xFFFF;

inline bool TiffIsBigEndian(const std::string& tiff) { return tiff[0] == 'M'; }

inline unsigned FieldAt(const std::string& tiff, std::size_t at, int size)
{
    unsigned value = 0;
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<std::uint8_t>(tiff.at(at + static_cast<std::size_t>(i)));
        value |= TiffIsBigEndian(tiff) ? unsigned{byte} << (8 * (size - 1 - i)) : unsigned{byte} << (8 * i);
    }
    return value;
}

inline void PutFieldAt(std::string& tiff, std::size_t at, int size, unsigned value)
{
    for (int i = 0; i < size; ++i) {
        const int shift = TiffIsBigEndian(tiff) ? 8 * (size - 1 - i) : 8 * i;
        tiff.at(at + static_cast<std::size_t>(i)) = static_cast<char>((value >> shift) & 0xFF);
    }
}

// Where the first directory's entry of the tag starts; fails the test when there is none.
inline std::size_t EntryAt(const std::string& tiff, unsigned tag)
{
    const std::size_t directory = FieldAt(tiff, 4, 4);
    const unsigned count = FieldAt(tiff, directory, 2);
    for (std::size_t at = directory + 2; at < directory + 2 + 12 * count; at += 12)
        if (FieldAt(tiff, at, 2) == tag)
            return at;
    ADD_FAILURE() << "no tag " << tag;
    return directory + 2;
}

// The file with the one value of a SHORT or LONG entry replaced; a value beyond 16 bits makes it a LONG.
inline std::string WithTag(std::string tiff, unsigned tag, unsigned value)
{
    const std::size_t at = EntryAt(tiff, tag);
    if (value > 0xFFFF)
        PutFieldAt(tiff, at + 2, 2, 4);
    PutFieldAt(tiff, at + 8, FieldAt(tiff, at + 2, 2) == 3 ? 2 : 4, value);
    return tiff;
}

inline std::string WithTagCount(std::string tiff, unsigned tag, unsigned count)
{
    PutFieldAt(tiff, EntryAt(tiff, tag) + 4, 4, count);
    return tiff;
}

inline std::string WithTagType(std::string tiff, unsigned tag, unsigned type)
{
    PutFieldAt(tiff, EntryAt(tiff, tag) + 2, 2, type);
    return tiff;
}

inline std::string WithFirstDirectoryAt(std::string tiff, unsigned offset)
{
    PutFieldAt(tiff, 4, 4, offset);
    return tiff;
}

inline std::string WithoutTag(std::string tiff, unsigned tag)
{
    PutFieldAt(tiff, EntryAt(tiff, tag), 2, AbsentTag);
    return tiff;
}

// An encapsulated PostScript file with the binary header, a little PostScript and the TIFF preview.
inline std::string EpsAround(const std::string& tiff, std::uint32_t tiffOffset = 0, std::uint32_t magic = 0xC6D3D0C5)
{
    const std::string postscript = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 61 29\nshowpage\n";
    std::string header(30, '\0');
    auto* bytes = reinterpret_cast<std::uint8_t*>(header.data());
    PutU32(bytes, magic);
    PutU32(bytes + 4, 30);
    PutU32(bytes + 8, static_cast<std::uint32_t>(postscript.size()));
    PutU32(bytes + 20, tiffOffset != 0 ? tiffOffset : static_cast<std::uint32_t>(30 + postscript.size()));
    PutU32(bytes + 24, static_cast<std::uint32_t>(tiff.size()));
    PutU16(bytes + 28, 0xFFFF);
    return header + postscript + tiff;
}
