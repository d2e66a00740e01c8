#pragma once

#include "PictureBenchSupport.h"

#include <Magick++.h>

#include <benchmark/benchmark.h>

#include <string>

// ImageMagick's library reading the file into its pixel cache each round, the shelf picture's size.
inline void DecodeWithMagick(benchmark::State& state, const std::string& file)
{
    for (auto _ : state) {
        Magick::Image image;
        image.read(file);
        const Magick::PixelPacket* pixels = image.getConstPixels(0, 0, ShelfPictureWidth, ShelfPictureHeight);
        benchmark::DoNotOptimize(pixels);
    }
    state.SetItemsProcessed(state.iterations() * ShelfPictureWidth * ShelfPictureHeight);
}
