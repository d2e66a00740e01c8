#pragma once

#include "platform/core/Geometry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class TBitmap;

// A picture's pixels as an image stream takes them, rows top first: one bit per pixel, set where
// the colour is nearer white than black, or three bytes per pixel in the order blue, green, red.
// The rows are held here without padding, or, for a 24- or 32-bit bitmap, read where the bitmap
// keeps them, so that a large picture is not copied before it is written or compressed.
struct TPdfImagePixels {
    int width = 0;
    int height = 0;
    bool oneBit = false;
    std::vector<std::uint8_t> rows;
    // Set when the rows are the bitmap's own.
    const std::uint8_t* firstRow = nullptr;
    std::ptrdiff_t rowStep = 0;
    // Bytes a pixel takes in the rows: 3, or 4 in a 32-bit bitmap's own rows, whose fourth byte is
    // unused. RowBytes is what a row becomes: three bytes a pixel.
    int pixelBytes = 3;

    std::size_t RowBytes() const;
    const std::uint8_t* Row(int y) const { return Row0() + y * RowStep(); }
    const std::uint8_t* Row0() const { return firstRow != nullptr ? firstRow : rows.data(); }
    std::ptrdiff_t RowStep() const { return firstRow != nullptr ? rowStep : static_cast<std::ptrdiff_t>(RowBytes()); }
};

// A colour table entry as blue, green, red.
using TPdfBgr = std::array<std::uint8_t, 3>;

// A bitmap's pixels: one bit deep for a 1-bit bitmap, else 24 bits; a 24- or 32-bit (or device)
// bitmap's are its own rows, valid while it lives unchanged. Nothing for an empty bitmap.
std::optional<TPdfImagePixels> PixelsOfBitmap(const TBitmap& bitmap);

// The colours a device-independent bitmap's indices stand for: its own table of blue, green, red,
// reserved quads, or, for a table of palette indices, the logical palette's entries (red in the
// low byte) the indices point at. An index outside the palette gives black.
std::vector<TPdfBgr> DibColorsFromQuads(std::span<const std::uint8_t> quads);
std::vector<TPdfBgr> DibColorsFromPalette(std::span<const std::uint8_t> bitmapInfo,
                                          std::span<const std::uint32_t> logicalPalette);

// A device-independent bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel, uncompressed (16- and 32-bit
// ones also with bit fields, read as the usual ones), cut to the source rectangle when one is
// given. The source counts rows as the bitmap stores them and is clipped to the bitmap. A pixel
// whose index lies outside `colors` is black. Nothing for a header it cannot read, bits too short
// for the rows, or a source that leaves no pixel.
std::optional<TPdfImagePixels> PixelsOfDib(std::span<const std::uint8_t> bitmapInfo, std::span<const std::uint8_t> bits,
                                           const std::vector<TPdfBgr>& colors, const TRect* source);
