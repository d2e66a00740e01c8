#include "platform/graphics/Canvas.h"

#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

// The classic fixed colours of three-dimensional edges.
constexpr TColor EdgeLight = 0xC0C0C0;
constexpr TColor EdgeHighlight = 0xFFFFFF;
constexpr TColor EdgeShadow = 0x808080;
constexpr TColor EdgeDarkShadow = 0x000000;

// A font height of 0 asks for the default size, 12 points.
constexpr int DefaultPoints = 12;

// Dash patterns of the one-pixel pens: runs of pixels drawn and left, in turn.
std::span<const int> DashPattern(TPenStyle style)
{
    static constexpr int dash[] = {18, 6};
    static constexpr int dot[] = {3, 3};
    static constexpr int dashDot[] = {9, 6, 3, 6};
    static constexpr int dashDotDot[] = {9, 3, 3, 3, 3, 3};
    switch (style) {
    case psDash:
        return dash;
    case psDot:
        return dot;
    case psDashDot:
        return dashDot;
    case psDashDotDot:
        return dashDotDot;
    default:
        return {};
    }
}

bool DashOn(std::span<const int> pattern, int step)
{
    int total = 0;
    for (int run : pattern)
        total += run;
    int at = step % total;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (at < pattern[i])
            return i % 2 == 0;
        at -= pattern[i];
    }
    return true;
}

TRect Normalized(int x1, int y1, int x2, int y2)
{
    return Rect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
}

// Where each destination column and row of a stretch takes its pixel from.
std::vector<int> NearestMap(int destStart, int destLength, int visibleFrom, int visibleTo, int sourceStart,
                            int sourceLength)
{
    std::vector<int> map;
    for (int d = visibleFrom; d < visibleTo; ++d)
        map.push_back(sourceStart +
                      static_cast<int>(static_cast<std::int64_t>(d - destStart) * sourceLength / destLength));
    return map;
}

constexpr std::uint32_t ColourBytes = 0x00FFFFFF;
// The key of a copy without one: a value no pixel's colour bytes have.
constexpr std::uint32_t NoKey = ~ColourBytes;

std::uint32_t WordAt(const std::uint8_t* at)
{
    std::uint32_t word;
    std::memcpy(&word, at, 4);
    return word;
}

void PutWord(std::uint8_t* at, std::uint32_t word) { std::memcpy(at, &word, 4); }

// The colour bytes of a pixel of a 24 or 32-bit layout, as the low three bytes of a word.
template <int Size> std::uint32_t ColourAt(const std::uint8_t* pixel)
{
    if constexpr (Size == 4) {
        return WordAt(pixel) & ColourBytes;
    } else {
        return static_cast<std::uint32_t>(pixel[0] | pixel[1] << 8 | pixel[2] << 16);
    }
}

// Asks for the bytes first..last of a source row ahead of reading them. The rows a shrinking stretch
// reads lie far apart, where the processor does not foresee them, and waiting for each of their
// cache lines in turn is most of such a stretch's time.
void PrefetchRow(const std::uint8_t* row, std::ptrdiff_t first, std::ptrdiff_t last)
{
    constexpr std::ptrdiff_t CacheLine = 64;
    for (std::ptrdiff_t at = first; at < last + CacheLine; at += CacheLine)
        __builtin_prefetch(row + std::min(at, last));
}

// A pixel's bytes as a word; a 24-bit one has no fourth byte.
template <int Size> std::uint32_t PixelAt(const std::uint8_t* pixel)
{
    return Size == 4 ? WordAt(pixel) : ColourAt<3>(pixel);
}

template <int Size> void PutPixel(std::uint8_t* pixel, std::uint32_t value)
{
    if constexpr (Size == 4) {
        PutWord(pixel, value);
    } else {
        pixel[0] = static_cast<std::uint8_t>(value);
        pixel[1] = static_cast<std::uint8_t>(value >> 8);
        pixel[2] = static_cast<std::uint8_t>(value >> 16);
    }
}

// The pixels of one stretched row, leaving out the key colour. Each pixel's colour is compared with
// the key as one word, and the pixel kept or replaced without a branch: whether a photo's pixel is
// the key cannot be foreseen, and a wrong guess would also drop the far-apart reads in flight. Into
// a 32-bit bitmap, four pixels go at once, their reads started together; under a 32-bit pixel the
// target's fourth byte stays as it was, and a 24-bit pixel gets a zero one, as a colour written pixel
// by pixel does.
template <int FromSize, int ToSize>
void StretchRow(std::uint8_t* target, const std::uint8_t* from, const std::vector<int>& columns,
                std::uint32_t keyValue)
{
    constexpr std::uint32_t KeptBytes = FromSize == 4 && ToSize == 4 ? ~ColourBytes : 0;
    const auto colourOf = [&](std::size_t i) {
        return ColourAt<FromSize>(from + static_cast<std::ptrdiff_t>(columns[i]) * FromSize);
    };
    const auto kept = [&](std::uint32_t colour, std::uint32_t old) {
        return colour != keyValue ? colour | (old & KeptBytes) : old;
    };
    const std::size_t count = columns.size();
    std::size_t i = 0;
    if constexpr (ToSize == 4) {
        for (; i + 4 <= count; i += 4, target += 16) {
            const std::uint32_t colours[4] = {colourOf(i), colourOf(i + 1), colourOf(i + 2), colourOf(i + 3)};
            std::uint32_t pixels[4];
            std::memcpy(pixels, target, 16);
            for (std::size_t k = 0; k < 4; ++k)
                pixels[k] = kept(colours[k], pixels[k]);
            std::memcpy(target, pixels, 16);
        }
    }
    for (; i < count; ++i, target += ToSize)
        PutPixel<ToSize>(target, kept(colourOf(i), PixelAt<ToSize>(target)));
}

template <int Size>
void CopyKeyedRuns(std::uint8_t* target, const std::uint8_t* source, std::ptrdiff_t count, std::uint32_t keyValue)
{
    // A 24-bit pixel before the row's last is read as one word, with the next pixel's first byte.
    const auto isKey = [&](std::ptrdiff_t i) {
        const std::uint8_t* pixel = source + i * Size;
        return (i + 1 < count ? WordAt(pixel) & ColourBytes : ColourAt<Size>(pixel)) == keyValue;
    };
    std::ptrdiff_t i = 0;
    while (i < count) {
        while (i < count && isKey(i))
            ++i;
        const std::ptrdiff_t start = i;
        while (i < count && !isKey(i))
            ++i;
        std::memcpy(target + start * Size, source + start * Size, static_cast<std::size_t>((i - start) * Size));
    }
}

// One row between bitmaps of 24 or 32-bit layouts, leaving out the key colour unless it is NoKey.
// Unscaled rows of one layout go in runs, each run of kept pixels one copy.
void CopyRow(std::uint8_t* to, const std::uint8_t* from, const std::vector<int>& columns, int firstX, int fromSize,
             int toSize, bool unscaled, std::uint32_t keyValue)
{
    const auto count = static_cast<std::ptrdiff_t>(columns.size());
    std::uint8_t* target = to + static_cast<std::ptrdiff_t>(firstX) * toSize;
    if (unscaled && fromSize == toSize) {
        const std::uint8_t* source = from + static_cast<std::ptrdiff_t>(columns.front()) * fromSize;
        if (keyValue == NoKey)
            std::memcpy(target, source, static_cast<std::size_t>(count * fromSize));
        else if (fromSize == 4)
            CopyKeyedRuns<4>(target, source, count, keyValue);
        else
            CopyKeyedRuns<3>(target, source, count, keyValue);
        return;
    }
    if (fromSize == 4 && toSize == 4)
        StretchRow<4, 4>(target, from, columns, keyValue);
    else if (fromSize == 4)
        StretchRow<4, 3>(target, from, columns, keyValue);
    else if (toSize == 4)
        StretchRow<3, 4>(target, from, columns, keyValue);
    else
        StretchRow<3, 3>(target, from, columns, keyValue);
}

} // namespace

void TFont::SetSize(int size)
{
    size_ = size;
    height_ = -MulDiv(size, pixelsPerInch_, 72);
}

void TFont::SetHeight(int height)
{
    height_ = height;
    size_ = -MulDiv(height, 72, pixelsPerInch_);
}

void TFont::SetPixelsPerInch(int pixelsPerInch)
{
    pixelsPerInch_ = pixelsPerInch;
    SetSize(size_);
}

std::shared_ptr<const TFontFace> TFont::Face() const
{
    return TFontEngine::Instance().Face(Name, (Style & fsBold) != 0, (Style & fsItalic) != 0);
}

int TFont::EmHeight() const
{
    if (height_ < 0)
        return -height_;
    if (height_ > 0)
        return Face()->EmForCellHeight(height_);
    return MulDiv(DefaultPoints, pixelsPerInch_, 72);
}

TCanvas::TCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}

TRect TCanvas::ClipRect() const
{
    const TRect bounds = Rect(0, 0, bitmap_.Width(), bitmap_.Height());
    return clipSet_ ? Intersection(clip_, bounds) : bounds;
}

void TCanvas::SetClipRect(const TRect& rect)
{
    clip_ = rect;
    clipSet_ = true;
}

TRaster TCanvas::MakeRaster() const { return TRaster(bitmap_, ClipRect()); }

TInk TCanvas::PenInk(const TRaster& raster) const { return raster.Ink(Pen.Color, Pen.Mode); }

TInk TCanvas::BrushInk(const TRaster& raster, TPenMode mode) const
{
    return raster.Ink(Brush.Color, mode, Brush.Style);
}

TRect TCanvas::PenOuterBox(const TRect& box) const
{
    const int width = PenWidth();
    if (Pen.Style == psInsideFrame || width == 1)
        return box;
    return Rect(box.Left - width / 2, box.Top - width / 2, box.Right + (width - 1) / 2, box.Bottom + (width - 1) / 2);
}

void TCanvas::MoveTo(int x, int y)
{
    penPos_ = Point(x, y);
    styleStep_ = 0;
}

void TCanvas::DrawLine(TRaster& raster, TPoint from, TPoint to)
{
    if (!PenVisible())
        return;
    const TInk ink = PenInk(raster);
    const int width = PenWidth();
    if (width == 1) {
        const std::span<const int> pattern = DashPattern(Pen.Style);
        // The gaps of a dashed line show the background, which a solid brush gives.
        const TInk gap = raster.Ink(Brush.Color, Pen.Mode, Brush.Style == bsSolid ? bsSolid : bsClear);
        for (const TPoint& p : LinePixels(from, to))
            raster.Dot(p.X, p.Y, pattern.empty() || DashOn(pattern, styleStep_++) ? ink : gap);
        return;
    }
    // A wide pen: a round dab at every point, each pixel written once so that not and xor hold.
    std::vector<TPoint> points = LinePixels(from, to);
    points.push_back(to);
    std::vector<std::pair<int, int>> pixels;
    for (const TPoint& p : points) {
        const TRowRuns dab =
            EllipseRuns(Rect(p.X - width / 2, p.Y - width / 2, p.X - width / 2 + width, p.Y - width / 2 + width));
        for (int i = 0; i < dab.Rows(); ++i)
            for (int x = dab.Left[static_cast<std::size_t>(i)]; x < dab.Right[static_cast<std::size_t>(i)]; ++x)
                pixels.emplace_back(dab.Top + i, x);
    }
    std::sort(pixels.begin(), pixels.end());
    pixels.erase(std::unique(pixels.begin(), pixels.end()), pixels.end());
    for (const auto& [y, x] : pixels)
        raster.Dot(x, y, ink);
}

void TCanvas::LineTo(int x, int y)
{
    TRaster raster = MakeRaster();
    DrawLine(raster, penPos_, Point(x, y));
    penPos_ = Point(x, y);
}

void TCanvas::Polyline(std::span<const TPoint> points)
{
    TRaster raster = MakeRaster();
    styleStep_ = 0;
    for (std::size_t i = 1; i < points.size(); ++i)
        DrawLine(raster, points[i - 1], points[i]);
}

void TCanvas::Polygon(std::span<const TPoint> points)
{
    TRaster raster = MakeRaster();
    FillPolygon(raster, points, BrushInk(raster, Pen.Mode));
    styleStep_ = 0;
    for (std::size_t i = 0; i < points.size() && points.size() > 1; ++i)
        DrawLine(raster, points[i], points[(i + 1) % points.size()]);
}

void TCanvas::DrawFigure(const TRect& box, const TRowRuns& outer, const TRowRuns& inner)
{
    TRaster raster = MakeRaster();
    if (!PenVisible()) {
        FillRuns(raster, outer, BrushInk(raster, Pen.Mode));
        return;
    }
    FillRuns(raster, inner, BrushInk(raster, Pen.Mode));
    if (DashPattern(Pen.Style).empty() || PenWidth() > 1) {
        FillRing(raster, outer, inner, PenInk(raster));
        return;
    }
    // A dashed outline follows the box's corners.
    const TPoint corners[] = {Point(box.Left, box.Top), Point(box.Right - 1, box.Top),
                              Point(box.Right - 1, box.Bottom - 1), Point(box.Left, box.Bottom - 1),
                              Point(box.Left, box.Top)};
    styleStep_ = 0;
    for (std::size_t i = 1; i < std::size(corners); ++i)
        DrawLine(raster, corners[i - 1], corners[i]);
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    const TRect box = Normalized(x1, y1, x2, y2);
    if (!PenVisible()) {
        DrawFigure(box, RectangleRuns(box), RectangleRuns(box));
        return;
    }
    const TRect outer = PenOuterBox(box);
    DrawFigure(box, RectangleRuns(outer), RectangleRuns(Deflated(outer, PenWidth())));
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    const TRect box = Normalized(x1, y1, x2, y2);
    const TRect outer = PenVisible() ? PenOuterBox(box) : box;
    const TRect inner = PenVisible() ? Deflated(outer, PenWidth()) : box;
    TRaster raster = MakeRaster();
    FillRuns(raster, EllipseRuns(inner), BrushInk(raster, Pen.Mode));
    if (PenVisible())
        FillRing(raster, EllipseRuns(outer), EllipseRuns(inner), PenInk(raster));
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight)
{
    const TRect box = Normalized(x1, y1, x2, y2);
    const TRect outer = PenVisible() ? PenOuterBox(box) : box;
    const int width = PenVisible() ? PenWidth() : 0;
    const TRect inner = Deflated(outer, width);
    TRaster raster = MakeRaster();
    const TRowRuns innerRuns = RoundRectRuns(inner, cornerWidth - 2 * width, cornerHeight - 2 * width);
    FillRuns(raster, innerRuns, BrushInk(raster, Pen.Mode));
    if (PenVisible())
        FillRing(raster, RoundRectRuns(outer, cornerWidth, cornerHeight), innerRuns, PenInk(raster));
}

void TCanvas::DrawArcOrPie(const TRect& box, TPoint start, TPoint end, bool pie)
{
    if (box.IsEmpty())
        return;
    const double cx = (box.Left + box.Right) / 2.0;
    const double cy = (box.Top + box.Bottom) / 2.0;
    constexpr double fullTurn = 2 * std::numbers::pi;
    const auto angleOf = [&](double x, double y) {
        const double angle = std::atan2(cy - y, x - cx);
        return angle < 0 ? angle + fullTurn : angle;
    };
    const double from = angleOf(start.X, start.Y);
    double sweep = angleOf(end.X, end.Y) - from;
    if (sweep <= 0)
        sweep += fullTurn;
    const TPixelFilter inSector = [&](int x, int y) {
        double relative = angleOf(x + 0.5, y + 0.5) - from;
        if (relative < 0)
            relative += fullTurn;
        return relative <= sweep;
    };

    const TRect outer = PenVisible() ? PenOuterBox(box) : box;
    const TRect inner = PenVisible() ? Deflated(outer, PenWidth()) : box;
    TRaster raster = MakeRaster();
    if (pie)
        FillRuns(raster, EllipseRuns(inner), BrushInk(raster, Pen.Mode), inSector);
    if (!PenVisible())
        return;
    FillRing(raster, EllipseRuns(outer), EllipseRuns(inner), PenInk(raster), inSector);
    if (!pie)
        return;
    // The radii run from the centre to where the rays meet the ellipse.
    const double a = box.Width() / 2.0, b = box.Height() / 2.0;
    const TPoint centre = Point((box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2);
    for (const TPoint& ray : {start, end}) {
        const double dx = ray.X - cx, dy = ray.Y - cy;
        const double length = std::sqrt((dx / a) * (dx / a) + (dy / b) * (dy / b));
        if (length == 0)
            continue;
        const TPoint onEllipse = Point(static_cast<int>(std::lround(cx + dx / length - 0.5)),
                                       static_cast<int>(std::lround(cy + dy / length - 0.5)));
        DrawLine(raster, centre, onEllipse);
    }
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    DrawArcOrPie(Normalized(x1, y1, x2, y2), Point(x3, y3), Point(x4, y4), false);
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    DrawArcOrPie(Normalized(x1, y1, x2, y2), Point(x3, y3), Point(x4, y4), true);
}

void TCanvas::FillRect(const TRect& rect)
{
    TRaster raster = MakeRaster();
    raster.Fill(rect, BrushInk(raster, pmCopy));
}

void TCanvas::FrameRect(const TRect& rect)
{
    if (rect.IsEmpty())
        return;
    TRaster raster = MakeRaster();
    const TInk ink = BrushInk(raster, pmCopy);
    FillRing(raster, RectangleRuns(rect), RectangleRuns(Deflated(rect, 1)), ink);
}

void TCanvas::DrawEdge(const TRect& rect, unsigned edge, unsigned flags)
{
    struct Border {
        unsigned raised, sunken;
        TColor raisedTopLeft, raisedBottomRight, sunkenTopLeft, sunkenBottomRight;
    };
    static constexpr Border borders[] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, EdgeLight, EdgeDarkShadow, EdgeShadow, EdgeHighlight},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, EdgeHighlight, EdgeShadow, EdgeDarkShadow, EdgeLight},
    };
    TRaster raster = MakeRaster();
    TRect r = rect;
    for (const Border& border : borders) {
        if ((edge & (border.raised | border.sunken)) == 0 || r.IsEmpty())
            continue;
        const bool raised = (edge & border.raised) != 0;
        const TInk topLeft = raster.Ink(raised ? border.raisedTopLeft : border.sunkenTopLeft);
        const TInk bottomRight = raster.Ink(raised ? border.raisedBottomRight : border.sunkenBottomRight);
        // The top and left lines stop short of the far corners, which belong to the bottom and right.
        if (flags & BF_TOP)
            raster.Span(r.Top, r.Left, r.Right - 1, topLeft);
        if (flags & BF_LEFT)
            for (int y = r.Top; y < r.Bottom - 1; ++y)
                raster.Dot(r.Left, y, topLeft);
        if (flags & BF_RIGHT)
            for (int y = r.Top; y < r.Bottom; ++y)
                raster.Dot(r.Right - 1, y, bottomRight);
        if (flags & BF_BOTTOM)
            raster.Span(r.Bottom - 1, r.Left, r.Right, bottomRight);
        r = Deflated(r, 1);
    }
}

void TCanvas::DrawFocusRect(const TRect& rect)
{
    if (rect.IsEmpty())
        return;
    TRaster raster = MakeRaster();
    const TInk invert = raster.Ink(clBlack, pmNot);
    const auto dot = [&](int x, int y) {
        if (((x + y) & 1) == 0)
            raster.Dot(x, y, invert);
    };
    for (int x = rect.Left; x < rect.Right; ++x) {
        dot(x, rect.Top);
        if (rect.Bottom - 1 > rect.Top)
            dot(x, rect.Bottom - 1);
    }
    for (int y = rect.Top + 1; y < rect.Bottom - 1; ++y) {
        dot(rect.Left, y);
        if (rect.Right - 1 > rect.Left)
            dot(rect.Right - 1, y);
    }
}

void TCanvas::InvertRect(const TRect& rect)
{
    TRaster raster = MakeRaster();
    FillRuns(raster, RectangleRuns(rect), raster.Ink(clBlack, pmNot));
}

TColor TCanvas::Pixel(int x, int y) const
{
    return PtInRect(ClipRect(), Point(x, y)) ? bitmap_.Pixel(x, y) : CLR_INVALID;
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    if (PtInRect(ClipRect(), Point(x, y)))
        bitmap_.SetPixel(x, y, color);
}

void TCanvas::CopyPixels(const TRect& dest, const TBitmap& source, const TRect& sourceRect, bool keyed, TColor key,
                         std::uint32_t rop, const TBitmap* stretched)
{
    if (dest.IsEmpty() || sourceRect.IsEmpty())
        return;
    if (&source == &bitmap_) {
        // Reading and writing the same pixels: copy the source first.
        TBitmap copy;
        copy.Assign(source);
        CopyPixels(dest, copy, sourceRect, keyed, key, rop);
        return;
    }
    const TRect visible = Intersection(dest, ClipRect());
    if (visible.IsEmpty())
        return;
    const std::vector<int> columns =
        NearestMap(dest.Left, dest.Width(), visible.Left, visible.Right, sourceRect.Left, sourceRect.Width());
    const bool xorInto = rop == SRCINVERT;
    const int fromSize = BytesPerPixelOfFastFormat(source.PixelFormat());
    const int size = BytesPerPixelOfFastFormat(bitmap_.PixelFormat());
    const bool allColumnsInside = columns.front() >= 0 && columns.back() < source.Width();
    const bool fast = !xorInto && fromSize != 0 && size != 0 && allColumnsInside;
    const bool unscaled = dest.Width() == sourceRect.Width();
    // Stretched pixels of the target's layout go in runs, as an unscaled copy's do, except where the
    // target keeps its fourth bytes under the source's; the others as the source's own would. An
    // unscaled row is copied whole, fourth bytes and all, from the source's own pixels.
    const int stretchedSize = stretched != nullptr ? BytesPerPixelOfFastFormat(stretched->PixelFormat()) : 0;
    const bool stretchedRuns = stretchedSize == size && !(fromSize == 4 && size == 4);
    if (stretched != nullptr && (!fast || unscaled || (!stretchedRuns && stretchedSize != fromSize) ||
                                 stretched->Width() != dest.Width() || stretched->Height() != dest.Height()))
        stretched = nullptr;
    const std::uint32_t keyValue = keyed ? source.ValueOfColor(key) & ColourBytes : NoKey;
    const auto sourceRowOf = [&](int y) {
        return sourceRect.Top +
               static_cast<int>(static_cast<std::int64_t>(y - dest.Top) * sourceRect.Height() / dest.Height());
    };
    const bool skipsRows = sourceRect.Height() > dest.Height();
    const std::ptrdiff_t firstByte = static_cast<std::ptrdiff_t>(columns.front()) * fromSize;
    const std::ptrdiff_t lastByte = static_cast<std::ptrdiff_t>(columns.back()) * fromSize;
    const std::vector<int> stretchedColumns =
        stretched != nullptr ? NearestMap(dest.Left, dest.Width(), visible.Left, visible.Right, 0, dest.Width())
                             : std::vector<int>();
    int previousSourceY = -1;
    for (int y = visible.Top; y < visible.Bottom; ++y) {
        const int sy = sourceRowOf(y);
        if (sy < 0 || sy >= source.Height())
            continue;
        std::uint8_t* to = bitmap_.ScanLine(y);
        if (fast && !keyed && sy == previousSourceY) {
            // The same source row again: repeat the row just written.
            const auto offset = static_cast<std::ptrdiff_t>(visible.Left) * size;
            std::memcpy(to + offset, bitmap_.ScanLine(y - 1) + offset,
                        static_cast<std::size_t>(visible.Width() * size));
            continue;
        }
        previousSourceY = sy;
        if (stretched != nullptr) {
            CopyRow(to, stretched->ScanLine(y - dest.Top), stretchedColumns, visible.Left, stretchedSize, size,
                    stretchedRuns, keyValue);
            continue;
        }
        if (fast) {
            const int nextY = skipsRows && y + 1 < visible.Bottom ? sourceRowOf(y + 1) : source.Height();
            if (nextY < source.Height())
                PrefetchRow(source.ScanLine(nextY), firstByte, lastByte);
            CopyRow(to, source.ScanLine(sy), columns, visible.Left, fromSize, size, unscaled, keyValue);
            continue;
        }
        for (int x = visible.Left; x < visible.Right; ++x) {
            const int sx = columns[static_cast<std::size_t>(x - visible.Left)];
            if (sx < 0 || sx >= source.Width())
                continue;
            const TColor color = source.Pixel(sx, sy);
            if (keyed && color == key)
                continue;
            const std::uint32_t value = bitmap_.ValueOfColor(color);
            bitmap_.SetPixelValue(x, y, xorInto ? bitmap_.PixelValue(x, y) ^ value : value);
        }
    }
}

void TCustomCanvas::Draw(int x, int y, const TGraphic& graphic)
{
    StretchDraw(Rect(x, y, x + graphic.Width(), y + graphic.Height()), graphic);
}

void TCanvas::StretchDraw(const TRect& rect, const TGraphic& graphic)
{
    if (graphic.Empty())
        return;
    const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic);
    TBitmap converted;
    if (bitmap == nullptr) {
        converted.Assign(graphic);
        bitmap = &converted;
    }
    const TColor key = bitmap->TransparentColor() & 0xFFFFFF;
    CopyPixels(rect, *bitmap, Rect(0, 0, bitmap->Width(), bitmap->Height()), graphic.Transparent(), key, SRCCOPY);
}

void TCanvas::StretchDrawKeyed(const TRect& rect, const TBitmap& bitmap, TColor key)
{
    if (!bitmap.Empty())
        CopyPixels(rect, bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height()), true, ColorToRGB(key) & 0xFFFFFF,
                   SRCCOPY);
}

void TCanvas::StretchDrawFrom(const TRect& rect, const TBitmap& bitmap, const TBitmap& stretched,
                              std::optional<TColor> key)
{
    if (!bitmap.Empty())
        CopyPixels(rect, bitmap, Rect(0, 0, bitmap.Width(), bitmap.Height()), key.has_value(),
                   ColorToRGB(key.value_or(0)) & 0xFFFFFF, SRCCOPY, &stretched);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect)
{
    if (CopyMode == SRCCOPY || CopyMode == SRCINVERT)
        CopyPixels(dest, source.bitmap_, sourceRect, false, 0, CopyMode);
    else
        BitBlt(dest.Left, dest.Top, dest.Width(), dest.Height(), &source, sourceRect.Left, sourceRect.Top, CopyMode);
}

bool TCanvas::BitBlt(int x, int y, int width, int height, TCanvas* source, int sourceX, int sourceY, std::uint32_t rop)
{
    const TRect dest = Rect(x, y, x + width, y + height);
    TRaster raster = MakeRaster();
    switch (rop) {
    case WHITENESS:
    case BLACKNESS:
        raster.Fill(dest, raster.Ink(rop == WHITENESS ? clWhite : clBlack));
        return true;
    case PATCOPY:
        raster.Fill(dest, BrushInk(raster, pmCopy));
        return true;
    case SRCCOPY:
    case SRCINVERT:
        if (source == nullptr)
            return false;
        CopyPixels(dest, source->bitmap_, Rect(sourceX, sourceY, sourceX + width, sourceY + height), false, 0, rop);
        return true;
    default:
        return false;
    }
}

void TCanvas::DrawGlyphs(TRaster& raster, int x, int y, std::string_view text)
{
    const auto face = Font.Face();
    const int em = Font.EmHeight();
    const TFontMetrics metrics = face->Metrics(em);
    const double angle = Font.Escapement / 10.0 * std::numbers::pi / 180.0;
    const double c = std::cos(angle), s = std::sin(angle);
    // The baseline starts one ascent below the top of the cell, "below" turning with the text.
    const double originX = x + metrics.Ascent * s;
    const double originY = y + metrics.Ascent * c;
    const TInk ink = raster.Ink(Font.Color);
    int advance = 0;
    for (char ch : text) {
        const auto code = static_cast<unsigned char>(ch);
        const TGlyphImage& glyph = face->Glyph(code, em, Font.Escapement);
        const int penX = static_cast<int>(std::lround(originX + advance * c));
        const int penY = static_cast<int>(std::lround(originY - advance * s));
        for (int gy = 0; gy < glyph.Rows; ++gy)
            for (int gx = 0; gx < glyph.Width; ++gx)
                if (glyph.Ink(gx, gy))
                    raster.Dot(penX + glyph.Left + gx, penY + glyph.Top + gy, ink);
        advance += face->CharWidth(code, em);
    }
    // Underline and strike-out: bands along the baseline, measured downwards from it.
    const auto band = [&](int top, int thickness) {
        for (int along = 0; along < advance; ++along)
            for (int down = top; down < top + std::max(1, thickness); ++down)
                raster.Dot(static_cast<int>(std::lround(originX + along * c + down * s)),
                           static_cast<int>(std::lround(originY - along * s + down * c)), ink);
    };
    if (Font.Style & fsUnderline)
        band(-metrics.UnderlinePosition - metrics.UnderlineThickness / 2, metrics.UnderlineThickness);
    if (Font.Style & fsStrikeOut)
        band(-metrics.StrikeoutPosition, metrics.StrikeoutSize);
}

void TCanvas::TextOut(int x, int y, std::string_view text)
{
    TRaster raster = MakeRaster();
    const int width = TextWidth(text);
    if (Brush.Style == bsSolid) {
        const int height = TextHeight(text);
        const double angle = Font.Escapement / 10.0 * std::numbers::pi / 180.0;
        const double c = std::cos(angle), s = std::sin(angle);
        const auto corner = [&](double along, double down) {
            return Point(static_cast<int>(std::lround(x + along * c + down * s)),
                         static_cast<int>(std::lround(y - along * s + down * c)));
        };
        const TPoint cell[] = {corner(0, 0), corner(width, 0), corner(width, height), corner(0, height)};
        FillPolygon(raster, cell, raster.Ink(Brush.Color));
    }
    DrawGlyphs(raster, x, y, text);
    penPos_ = Point(x + width, y);
}

int TCustomCanvas::TextWidth(std::string_view text) const { return Font.Face()->TextWidth(text, Font.EmHeight()); }

int TCustomCanvas::TextHeight(std::string_view) const { return Font.Face()->Metrics(Font.EmHeight()).Height; }

TSize TCustomCanvas::TextExtent(std::string_view text) const { return TSize{TextWidth(text), TextHeight(text)}; }

std::vector<TCustomCanvas::TTabbedPiece>
TCustomCanvas::TabbedPieces(int x, std::string_view text, std::span<const int> tabStops, int tabOrigin, int& end) const
{
    const int defaultInterval = 8 * Font.Face()->Metrics(Font.EmHeight()).AveCharWidth;
    std::vector<TTabbedPiece> pieces;
    int at = x;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = std::min(text.find('\t', start), text.size());
        const std::string_view piece = text.substr(start, tab - start);
        pieces.push_back(TTabbedPiece{at, piece});
        at += TextWidth(piece);
        if (tab == text.size())
            break;
        at = NextTabStop(at, tabStops, tabOrigin, defaultInterval);
        start = tab + 1;
    }
    end = at;
    return pieces;
}

void TCanvas::TextRect(const TRect& rect, int x, int y, std::string_view text)
{
    TRaster raster(bitmap_, Intersection(rect, ClipRect()));
    if (Brush.Style == bsSolid)
        FillRuns(raster, RectangleRuns(rect), raster.Ink(Brush.Color));
    DrawGlyphs(raster, x, y, text);
}

int TCustomCanvas::CalcTextRect(std::string_view text, TRect& rect, unsigned format) const
{
    const std::vector<std::string> lines =
        BreakLines(text, rect.Width(), format, [this](std::string_view line) { return TextWidth(line); });
    const int textHeight = TextHeight(text) * static_cast<int>(lines.size());
    int widest = 0;
    for (const std::string& line : lines)
        widest = std::max(widest, TextWidth(line));
    rect.Right =
        rect.Left + ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE) ? std::max(rect.Width(), widest) : widest);
    rect.Bottom = rect.Top + textHeight;
    return textHeight;
}

int TCanvas::DrawText(std::string_view text, TRect& rect, unsigned format)
{
    if (format & DT_CALCRECT)
        return CalcTextRect(text, rect, format);
    const int lineHeight = TextHeight(text);
    const std::vector<std::string> lines =
        BreakLines(text, rect.Width(), format, [this](std::string_view line) { return TextWidth(line); });
    const int textHeight = lineHeight * static_cast<int>(lines.size());
    int top = rect.Top;
    if ((format & DT_SINGLELINE) && (format & DT_VCENTER))
        top = rect.Top + (rect.Height() - lineHeight) / 2;
    TRaster raster(bitmap_, Intersection(rect, ClipRect()));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int y = top + static_cast<int>(i) * lineHeight;
        if ((format & DT_EDITCONTROL) && y + lineHeight > rect.Bottom)
            break;
        const int width = TextWidth(lines[i]);
        int x = rect.Left;
        if (format & DT_CENTER)
            x = rect.Left + (rect.Width() - width) / 2;
        else if (format & DT_RIGHT)
            x = rect.Right - width;
        if (Brush.Style == bsSolid)
            FillRuns(raster, RectangleRuns(Rect(x, y, x + width, y + lineHeight)), raster.Ink(Brush.Color));
        DrawGlyphs(raster, x, y, lines[i]);
    }
    return top - rect.Top + textHeight;
}

TSize TCanvas::TabbedTextOut(int x, int y, std::string_view text, std::span<const int> tabStops, int tabOrigin)
{
    const int height = TextHeight(text);
    int end = x;
    const std::vector<TTabbedPiece> pieces = TabbedPieces(x, text, tabStops, tabOrigin, end);
    TRaster raster = MakeRaster();
    if (Brush.Style == bsSolid)
        FillRuns(raster, RectangleRuns(Rect(x, y, end, y + height)), raster.Ink(Brush.Color));
    for (const TTabbedPiece& piece : pieces)
        DrawGlyphs(raster, piece.X, y, piece.Text);
    return TSize{end - x, height};
}
