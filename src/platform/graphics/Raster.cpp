#include "platform/graphics/Raster.h"

#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Pixel centres on the very edge of a curved figure belong to it, whatever the rounding of sqrt.
constexpr double EdgeTolerance = 1e-9;
// Fills at least this long, about a desktop processor's last-level cache, are written past the
// cache, as a large memset is: they would push everything out of it anyway. A smaller fill stays in
// the cache for what is drawn over it next, as a wall's colour is under its items.
constexpr std::size_t StreamingBytes = std::size_t{32} << 20;

int FirstCentreAtOrAfter(double edge) { return static_cast<int>(std::ceil(edge - 0.5 - EdgeTolerance)); }
int LastCentreAtOrBefore(double edge) { return static_cast<int>(std::floor(edge - 0.5 + EdgeTolerance)); }

} // namespace

int BytesPerPixelOfFastFormat(TPixelFormat format)
{
    switch (format) {
    case pf24bit:
        return 3;
    case pf32bit:
    case pfDevice:
        return 4;
    default:
        return 0;
    }
}

bool HatchCovers(TBrushStyle style, int x, int y)
{
    const bool horizontal = (y & 7) == 0;
    const bool vertical = (x & 7) == 0;
    const bool forward = ((x - y) & 7) == 0;
    const bool backward = ((x + y) & 7) == 0;
    switch (style) {
    case bsSolid:
        return true;
    case bsHorizontal:
        return horizontal;
    case bsVertical:
        return vertical;
    case bsFDiagonal:
        return forward;
    case bsBDiagonal:
        return backward;
    case bsCross:
        return horizontal || vertical;
    case bsDiagCross:
        return forward || backward;
    default:
        return false;
    }
}

TRaster::TRaster(TBitmap& bitmap, const TRect& clip)
    : bitmap_(bitmap), clip_(Intersection(clip, Rect(0, 0, bitmap.Width(), bitmap.Height())))
{
    switch (bitmap.PixelFormat()) {
    case pf15bit:
        allBits_ = 0x7FFF;
        break;
    case pf16bit:
        allBits_ = 0xFFFF;
        break;
    case pf1bit:
    case pf4bit:
    case pf8bit:
        allBits_ = (1u << BitsPerPixel(bitmap.PixelFormat())) - 1;
        break;
    default:
        allBits_ = 0xFFFFFF;
    }
}

TRaster::~TRaster()
{
#ifdef __SSE2__
    // Streamed stores become visible to other threads only after a fence.
    if (streamed_)
        _mm_sfence();
#endif
}

TInk TRaster::Ink(TColor color, TPenMode mode, TBrushStyle style) const
{
    return TInk{bitmap_.ValueOfColor(color), mode, style};
}

std::uint32_t TRaster::Apply(std::uint32_t old, const TInk& ink) const
{
    switch (ink.Mode) {
    case pmNot:
        return old ^ allBits_;
    case pmXor:
        return old ^ ink.Value;
    default:
        return ink.Value;
    }
}

void TRaster::FillRow(std::uint8_t* row, int x0, int x1, std::uint32_t value)
{
    const int size = BytesPerPixelOfFastFormat(bitmap_.PixelFormat());
    const std::size_t total = static_cast<std::size_t>(x1 - x0) * static_cast<std::size_t>(size);
    Stream(row + static_cast<std::ptrdiff_t>(x0) * size, total, total, value);
}

void TRaster::Stream(std::uint8_t* start, std::size_t total, std::size_t period, std::uint32_t value)
{
    const int size = BytesPerPixelOfFastFormat(bitmap_.PixelFormat());
    // The pattern runs one period plus a cache line, so that every 16-byte load inside a period fits.
    const std::size_t length = period + 64;
    if (pattern_.size() < length || patternValue_ != value) {
        pattern_.resize(std::max(length, pattern_.size()));
        const std::uint8_t pixel[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                       static_cast<std::uint8_t>(value >> 16), 0};
        std::memcpy(pattern_.data(), pixel, static_cast<std::size_t>(size));
        // Doubling copies: each repeats everything written so far.
        for (std::size_t done = static_cast<std::size_t>(size); done < pattern_.size(); done *= 2)
            std::memcpy(pattern_.data() + done, pattern_.data(), std::min(done, pattern_.size() - done));
        patternValue_ = value;
    }
#ifdef __SSE2__
    if (total >= StreamingBytes) {
        // Large fills bypass the cache, as a large memset does, whole cache lines at a time.
        const std::size_t head = std::min(total, (64 - reinterpret_cast<std::uintptr_t>(start) % 64) % 64);
        std::memcpy(start, pattern_.data(), head);
        std::size_t at = head;
        std::size_t phase = head % period;
        // A period shorter than a cache line is passed more than once per step.
        const std::size_t step = 64 % period;
        for (; at + 64 <= total; at += 64) {
            for (std::size_t part = 0; part < 64; part += 16)
                _mm_stream_si128(reinterpret_cast<__m128i*>(start + at + part),
                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern_.data() + phase + part)));
            phase += step;
            if (phase >= period)
                phase -= period;
        }
        std::memcpy(start + at, pattern_.data() + phase, total - at);
        streamed_ = true;
        return;
    }
#endif
    for (std::size_t at = 0; at < total; at += period)
        std::memcpy(start + at, pattern_.data(), std::min(period, total - at));
}

void TRaster::Fill(const TRect& rect, const TInk& ink)
{
    const TRect r = Rect(std::max(rect.Left, clip_.Left), std::max(rect.Top, clip_.Top),
                         std::min(rect.Right, clip_.Right), std::min(rect.Bottom, clip_.Bottom));
    if (r.IsEmpty())
        return;
    const int size = BytesPerPixelOfFastFormat(bitmap_.PixelFormat());
    const bool wholeRows = r.Left == 0 && r.Right == bitmap_.Width() && bitmap_.BytesPerScanLine() == size * r.Right;
    if (ink.Style == bsSolid && ink.Mode == pmCopy && size == 0) {
        bitmap_.FillValue(r.Left, r.Right, r.Top, r.Bottom, ink.Value);
        return;
    }
    if (ink.Style == bsSolid && ink.Mode == pmCopy && wholeRows) {
        // Rows without padding follow each other: one run over all of them.
        const auto rowBytes = static_cast<std::size_t>(bitmap_.BytesPerScanLine());
        Stream(bitmap_.ScanLine(r.Top), rowBytes * static_cast<std::size_t>(r.Height()), rowBytes, ink.Value);
        return;
    }
    for (int y = r.Top; y < r.Bottom; ++y)
        Span(y, r.Left, r.Right, ink);
}

void TRaster::Span(int y, int x0, int x1, const TInk& ink)
{
    if (ink.Style == bsClear || y < clip_.Top || y >= clip_.Bottom)
        return;
    x0 = std::max(x0, clip_.Left);
    x1 = std::min(x1, clip_.Right);
    if (x0 >= x1)
        return;
    if (ink.Style == bsSolid && ink.Mode == pmCopy) {
        if (BytesPerPixelOfFastFormat(bitmap_.PixelFormat()) != 0)
            FillRow(bitmap_.ScanLine(y), x0, x1, ink.Value);
        else
            bitmap_.FillValue(x0, x1, y, y + 1, ink.Value);
        return;
    }
    for (int x = x0; x < x1; ++x)
        if (HatchCovers(ink.Style, x, y))
            bitmap_.SetPixelValue(x, y, Apply(bitmap_.PixelValue(x, y), ink));
}

void TRaster::Dot(int x, int y, const TInk& ink)
{
    if (ink.Style != bsClear && PtInRect(clip_, Point(x, y)) && HatchCovers(ink.Style, x, y))
        bitmap_.SetPixelValue(x, y, Apply(bitmap_.PixelValue(x, y), ink));
}

bool TRowRuns::Covers(int x, int y) const
{
    const int i = y - Top;
    return i >= 0 && i < Rows() && x >= Left[static_cast<std::size_t>(i)] && x < Right[static_cast<std::size_t>(i)];
}

TRect Deflated(const TRect& box, int amount)
{
    return Rect(box.Left + amount, box.Top + amount, box.Right - amount, box.Bottom - amount);
}

TRowRuns RectangleRuns(const TRect& box)
{
    TRowRuns runs;
    runs.Top = box.Top;
    if (box.IsEmpty())
        return runs;
    runs.Left.assign(static_cast<std::size_t>(box.Height()), box.Left);
    runs.Right.assign(static_cast<std::size_t>(box.Height()), box.Right);
    return runs;
}

TRowRuns RoundRectRuns(const TRect& box, int cornerWidth, int cornerHeight)
{
    TRowRuns runs;
    runs.Top = box.Top;
    if (box.IsEmpty())
        return runs;
    const double rx = std::min(std::max(cornerWidth, 0), box.Width()) / 2.0;
    const double ry = std::min(std::max(cornerHeight, 0), box.Height()) / 2.0;
    for (int y = box.Top; y < box.Bottom; ++y) {
        const double centre = y + 0.5;
        double inset = 0;
        if (rx > 0 && ry > 0) {
            double d = 0;
            if (centre < box.Top + ry)
                d = (box.Top + ry - centre) / ry;
            else if (centre > box.Bottom - ry)
                d = (centre - (box.Bottom - ry)) / ry;
            inset = rx - rx * std::sqrt(std::max(0.0, 1 - d * d));
        }
        const int left = std::max(box.Left, FirstCentreAtOrAfter(box.Left + inset));
        const int right = std::min(box.Right, LastCentreAtOrBefore(box.Right - inset) + 1);
        runs.Left.push_back(left);
        runs.Right.push_back(std::max(left, right));
    }
    return runs;
}

TRowRuns EllipseRuns(const TRect& box)
{
    TRowRuns runs;
    runs.Top = box.Top;
    if (box.IsEmpty())
        return runs;
    const double cx = (box.Left + box.Right) / 2.0;
    const double cy = (box.Top + box.Bottom) / 2.0;
    const double a = box.Width() / 2.0;
    const double b = box.Height() / 2.0;
    for (int y = box.Top; y < box.Bottom; ++y) {
        const double dy = (y + 0.5 - cy) / b;
        const double half = a * std::sqrt(std::max(0.0, 1 - dy * dy));
        const int left = std::max(box.Left, FirstCentreAtOrAfter(cx - half));
        const int right = std::min(box.Right, LastCentreAtOrBefore(cx + half) + 1);
        runs.Left.push_back(left);
        runs.Right.push_back(std::max(left, right));
    }
    return runs;
}

void FillRuns(TRaster& raster, const TRowRuns& figure, const TInk& ink, const TPixelFilter& filter)
{
    for (int i = 0; i < figure.Rows(); ++i) {
        const int y = figure.Top + i;
        const int left = figure.Left[static_cast<std::size_t>(i)];
        const int right = figure.Right[static_cast<std::size_t>(i)];
        if (!filter) {
            raster.Span(y, left, right, ink);
            continue;
        }
        for (int x = left; x < right; ++x)
            if (filter(x, y))
                raster.Dot(x, y, ink);
    }
}

void FillRing(TRaster& raster, const TRowRuns& outer, const TRowRuns& inner, const TInk& ink,
              const TPixelFilter& filter)
{
    for (int i = 0; i < outer.Rows(); ++i) {
        const int y = outer.Top + i;
        const int left = outer.Left[static_cast<std::size_t>(i)];
        const int right = outer.Right[static_cast<std::size_t>(i)];
        const int j = y - inner.Top;
        const bool hasInner = j >= 0 && j < inner.Rows() &&
                              inner.Left[static_cast<std::size_t>(j)] < inner.Right[static_cast<std::size_t>(j)];
        const int innerLeft = hasInner ? std::max(left, inner.Left[static_cast<std::size_t>(j)]) : right;
        const int innerRight = hasInner ? std::min(right, inner.Right[static_cast<std::size_t>(j)]) : right;
        for (const auto& [from, to] : {std::pair{left, innerLeft}, std::pair{std::max(left, innerRight), right}}) {
            if (!filter) {
                raster.Span(y, from, to, ink);
                continue;
            }
            for (int x = from; x < to; ++x)
                if (filter(x, y))
                    raster.Dot(x, y, ink);
        }
    }
}

void FillPolygon(TRaster& raster, std::span<const TPoint> points, const TInk& ink)
{
    if (points.size() < 3)
        return;
    int top = points[0].Y, bottom = points[0].Y;
    for (const TPoint& p : points) {
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
    }
    top = std::max(top, raster.Clip().Top);
    bottom = std::min(bottom, raster.Clip().Bottom);
    std::vector<double> crossings;
    for (int y = top; y < bottom; ++y) {
        const double centre = y + 0.5;
        crossings.clear();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const TPoint& p = points[i];
            const TPoint& q = points[(i + 1) % points.size()];
            if ((p.Y <= centre) == (q.Y <= centre))
                continue;
            crossings.push_back(p.X + (centre - p.Y) * (q.X - p.X) / (q.Y - p.Y));
        }
        std::sort(crossings.begin(), crossings.end());
        for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
            const auto from = static_cast<int>(std::ceil(crossings[i] - 0.5));
            const auto to = static_cast<int>(std::ceil(crossings[i + 1] - 0.5));
            raster.Span(y, from, to, ink);
        }
    }
}

std::vector<TPoint> LinePixels(TPoint from, TPoint to)
{
    std::vector<TPoint> pixels;
    const int dx = std::abs(to.X - from.X);
    const int dy = -std::abs(to.Y - from.Y);
    const int sx = from.X < to.X ? 1 : -1;
    const int sy = from.Y < to.Y ? 1 : -1;
    int error = dx + dy;
    TPoint p = from;
    while (p.X != to.X || p.Y != to.Y) {
        pixels.push_back(p);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.X += sx;
        }
        if (twice <= dx) {
            error += dx;
            p.Y += sy;
        }
    }
    return pixels;
}
