#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

class TStream;

// How a JPEG file is made: quality 1 to 100 (baseline tables), grey or colour, progressive or
// sequential; and how its rows come: three bytes a pixel, or four with the last one unused.
struct TJPEGCompressSettings {
    int quality = 90;
    bool grayscale = false;
    bool progressive = false;
    int pixelBytes = 3;
};

// Told the percentage done, at most every 500 ms while the library works. It may raise: the
// compression then stops and the exception goes on to the caller.
using TJPEGProgressHook = std::function<void(int percent)>;

// Compresses `height` rows of `width` pixels, each pixel blue, green, red (and an unused byte where
// the settings give four bytes a pixel), the first row at
// firstRow and each next one `rowStep` bytes after the one before (negative for bottom-up rows),
// and writes the JPEG file to `output` at its position. A library error raises EJPEG, memory running
// short std::bad_alloc; either writes nothing.
void CompressJPEGRows(const std::uint8_t* firstRow, std::ptrdiff_t rowStep, int width, int height,
                      const TJPEGCompressSettings& settings, TStream& output, const TJPEGProgressHook& progress = {});

// Where the block of compressed bytes comes from as it grows (std::malloc; freed with std::free).
// Tests make memory run short through it; nullptr restores std::malloc.
using TJPEGBlockAllocator = void* (*)(std::size_t bytes);
void SetJPEGBlockAllocator(TJPEGBlockAllocator allocate);
