#pragma once

#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

// A picture as RGB bytes, as the outside tools and our bitmap give it.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

bool operator==(const RgbImage& a, const RgbImage& b);

RgbImage RgbOf(const TBitmap& bitmap);
// Parses a binary PPM (P6, maxval 255) or PGM (P5, greys widened to RGB).
RgbImage ParsePnm(const std::string& bytes);
// Writes a binary PPM of the image.
std::string PpmOf(const RgbImage& image);
// A test picture of `colors` distinct colours in diagonal stripes.
RgbImage StripedImage(int width, int height, int colors);
// What Debian's bmptopnm makes of a file, as RGB.
RgbImage DecodeWithBmptopnm(const std::string& path);
