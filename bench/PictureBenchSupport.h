#pragma once

#include "platform/graphics/Bitmap.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The picture the reader benchmarks decode: a 4000 x 3000 rendered planogram, flat shelves and
// backgrounds with product pictures of fine detail, so that packed files hold both long runs and
// literal stretches.
constexpr int ShelfPictureWidth = 4000;
constexpr int ShelfPictureHeight = 3000;

// Red, green and blue of the picture's pixel (x, y).
inline std::array<std::uint8_t, 3> ShelfPicturePixel(int x, int y)
{
    const bool product = (x / 250) % 2 == 0 && (y % 500) < 420;
    if (!product)
        return {static_cast<std::uint8_t>(y % 500 < 420 ? 160 : 90), 180, 200};
    return {static_cast<std::uint8_t>(y & 0xFF), static_cast<std::uint8_t>((x ^ y) & 0xFF),
            static_cast<std::uint8_t>((x * 7 + y * 3) & 0xFF)};
}

// The whole picture as interleaved red, green and blue bytes, row after row.
inline std::vector<std::uint8_t> ShelfPictureRgb()
{
    std::vector<std::uint8_t> rgb;
    rgb.reserve(std::size_t{3} * ShelfPictureWidth * ShelfPictureHeight);
    for (int y = 0; y < ShelfPictureHeight; ++y)
        for (int x = 0; x < ShelfPictureWidth; ++x) {
            const std::array<std::uint8_t, 3> pixel = ShelfPicturePixel(x, y);
            rgb.insert(rgb.end(), pixel.begin(), pixel.end());
        }
    return rgb;
}

// Loads the file into a fresh reader each round, failing the benchmark when it does not come out as
// the picture in the expected pixel format.
template <class Reader> void DecodeWithOurs(benchmark::State& state, const std::string& file, TPixelFormat format)
{
    for (auto _ : state) {
        Reader reader;
        reader.LoadFromFile(file);
        if (reader.Width() != ShelfPictureWidth || reader.PixelFormat() != format)
            state.SkipWithError("the file did not load as expected");
        benchmark::DoNotOptimize(reader.ScanLine(0));
    }
    state.SetItemsProcessed(state.iterations() * ShelfPictureWidth * ShelfPictureHeight);
}
