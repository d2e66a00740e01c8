#pragma once

#include "platform/graphics/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class TGraphic;

// One pixel's red, green and blue.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& pixel);

// A picture as RGB pixels, top row first, as the outside tools and our bitmaps give it.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    const Rgb& At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    friend bool operator==(const RgbImage&, const RgbImage&) = default;
};

RgbImage RgbOf(const TBitmap& bitmap);
// The alpha bytes of a pf32bit bitmap, row after row.
std::vector<std::uint8_t> AlphaOf(const TBitmap& bitmap);
// A binary PGM (P5, greys widened to RGB) or PPM (P6) as the netpbm and ImageMagick tools write
// them, comments allowed; samples of a maximum other than 255 (two big-endian bytes above 255) are
// scaled to 0..255 as v x 255 / maximum, truncated.
RgbImage ParsePnm(const std::string& bytes);
// A binary PPM of the image.
std::string PpmOf(const RgbImage& image);
// A test picture of `colors` distinct colours in diagonal stripes.
RgbImage StripedImage(int width, int height, int colors);

// A JPEG file of width x height in upright stripes of the colours, from left to right, made with
// our compressor from one row, so that a picture of any size costs a row of memory and its file
// little more than its blocks.
void WriteStripedJpeg(const std::string& path, int width, int height, const std::vector<TColor>& colours);
// The smallest rectangle around the pixels of `area` that are darker than light grey, as drawn
// text or lines are; an empty rectangle when there are none.
TRect InkBounds(const RgbImage& image, const TRect& area);

// Runs a shell command with its error output discarded and returns what it writes; a command that
// fails fails the test.
std::string RunTool(const std::string& command);
// The picture a command writes as a PGM or PPM.
RgbImage DecodedBy(const std::string& command);

// Compares two pictures pixel by pixel and reports the first differences under the label. Each
// sample is compared in its top `significantBits` bits, which may differ by `tolerance`.
void ExpectSameImage(const RgbImage& ours, const RgbImage& theirs, const std::string& label, int significantBits = 8,
                     int tolerance = 0);

// Loads the bytes into the graphic from a memory stream.
void LoadFromBytes(TGraphic& graphic, const std::string& bytes);

// What a piece of work answered and the most memory it took: run in a child process, whose resident
// pages are counted from the start of the work to their peak. Every byte a reader writes, sizing or
// filling a picture, counts; the child's end gives everything back to the test.
struct MeasuredWork {
    std::string answer;
    std::int64_t peakBytes = 0;
};
MeasuredWork MeasureWork(const std::function<std::string()>& work);
inline constexpr std::int64_t MiB = std::int64_t{1} << 20;
// What refusing a small hostile file may cost at most: the file and a reader's row buffers, never
// the picture it declares (hundreds of megabytes).
inline constexpr std::int64_t RefusalBytes = 16 * MiB;

// The lengths to cut a file of `size` bytes at: every length at first, then ever further apart.
std::vector<std::size_t> CutLengths(std::size_t size);
// Calls `visit` with `count` copies of the bytes, each with one bit flipped: every bit of the first
// `headerBytes` bytes in turn, then bits at places a fixed random sequence picks.
void ForEachBitFlip(const std::string& bytes, int count, std::size_t headerBytes,
                    const std::function<void(const std::string& flipped)>& visit);
