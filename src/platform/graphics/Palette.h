#pragma once

#include "platform/graphics/Colors.h"

#include <cstdint>
#include <vector>

struct TPaletteEntry {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
};

inline bool operator==(const TPaletteEntry& a, const TPaletteEntry& b)
{
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue && a.peFlags == b.peFlags;
}

// A bitmap's colour table: at most 256 entries, held by value.
struct TPalette {
    static constexpr int MaxEntries = 256;

    std::vector<TPaletteEntry> Entries;

    int Count() const { return static_cast<int>(Entries.size()); }
    TColor Color(int index) const;
    // The entry closest to the colour (squared distance; the first of equals), -1 when empty.
    int NearestIndex(TColor color) const;

    // The 16 colours of the VGA: black, maroon, green, olive, navy, purple, teal, silver, grey, red,
    // lime, yellow, blue, fuchsia, aqua, white.
    static TPalette StandardVGA();
    static TPalette BlackAndWhite();
    // 256 greys, black first.
    static TPalette Grayscale();
};

inline bool operator==(const TPalette& a, const TPalette& b) { return a.Entries == b.Entries; }
