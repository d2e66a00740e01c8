#pragma once

#include "platform/core/Geometry.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Colors.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// How the pen (and the fill of a figure) meets the pixels: replace them, invert them, or exclusive-or
// the pen colour into them.
enum TPenMode { pmCopy, pmNot, pmXor };

// In the class library's order: the hatches are drawn in the brush colour, leaving the pixels
// between their lines as they were.
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// A colour ready to be written into one bitmap: its stored value, the mode and the pattern.
struct TInk {
    std::uint32_t Value = 0;
    TPenMode Mode = pmCopy;
    TBrushStyle Style = bsSolid;
};

// The bytes of one pixel of the formats written a row at a time (24 and 32-bit); 0 for the others.
int BytesPerPixelOfFastFormat(TPixelFormat format);

// Whether a hatch puts its colour on the pixel; hatches are aligned to the bitmap's origin.
bool HatchCovers(TBrushStyle style, int x, int y);

// Writes pixels into a bitmap of any format, only inside a clip rectangle (which is kept inside the
// bitmap). Solid runs are written a row at a time, patterns and mixes pixel by pixel.
class TRaster {
public:
    TRaster(TBitmap& bitmap, const TRect& clip);
    ~TRaster();
    TRaster(const TRaster&) = delete;
    TRaster& operator=(const TRaster&) = delete;

    TBitmap& Bitmap() { return bitmap_; }
    const TRect& Clip() const { return clip_; }

    TInk Ink(TColor color, TPenMode mode = pmCopy, TBrushStyle style = bsSolid) const;
    // Pixels x0 <= x < x1 of row y.
    void Span(int y, int x0, int x1, const TInk& ink);
    void Dot(int x, int y, const TInk& ink);
    void Fill(const TRect& rect, const TInk& ink);

private:
    std::uint32_t Apply(std::uint32_t old, const TInk& ink) const;
    void FillRow(std::uint8_t* row, int x0, int x1, std::uint32_t value);
    // `total` bytes of the colour's pixels; `period` (a multiple of the pixel size) is where the
    // pixel pattern starts over, as it does at the start of each row.
    void Stream(std::uint8_t* start, std::size_t total, std::size_t period, std::uint32_t value);

    TBitmap& bitmap_;
    TRect clip_;
    std::uint32_t allBits_ = 0;
    // One row of the last solid colour filled, copied whole into each row.
    std::vector<std::uint8_t> pattern_;
    std::uint32_t patternValue_ = 0;
    bool streamed_ = false;
};

// A figure that covers one run of pixels per row: row Top + i covers Left[i] <= x < Right[i].
struct TRowRuns {
    int Top = 0;
    std::vector<int> Left;
    std::vector<int> Right;

    int Rows() const { return static_cast<int>(Left.size()); }
    bool Covers(int x, int y) const;
};

// The pixels whose centres lie inside the figure drawn in the box (right and bottom exclusive).
TRowRuns RectangleRuns(const TRect& box);
TRowRuns EllipseRuns(const TRect& box);
TRowRuns RoundRectRuns(const TRect& box, int cornerWidth, int cornerHeight);
// The box made smaller by `amount` on every side.
TRect Deflated(const TRect& box, int amount);

using TPixelFilter = std::function<bool(int x, int y)>;

// Every pixel of the figure, or of the outer figure outside the inner one (an outline); a filter,
// when given, keeps only the pixels it accepts.
void FillRuns(TRaster& raster, const TRowRuns& figure, const TInk& ink, const TPixelFilter& filter = {});
void FillRing(TRaster& raster, const TRowRuns& outer, const TRowRuns& inner, const TInk& ink,
              const TPixelFilter& filter = {});

// The interior of a polygon under the alternate (even-odd) rule, pixel centres sampled.
void FillPolygon(TRaster& raster, std::span<const TPoint> points, const TInk& ink);

// The pixels of a line from `from` towards `to`, the end pixel left out.
std::vector<TPoint> LinePixels(TPoint from, TPoint to);
