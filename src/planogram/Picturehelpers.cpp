#include "planogram/Picturehelpers.h"

#include "imageformats/TargaGraphic.h"
#include "planogram/Listmanager.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/Progress.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

struct ReaderGroup {
    std::vector<std::string_view> extensions;
    TGraphicClass reader;
};

// The groups in the order they are tried; the drawing's table adds its extensions to the groups
// of the same readers.
const std::vector<ReaderGroup>& LoadingGroups()
{
    static const std::vector<ReaderGroup> groups = {
        {{".JPG"}, GraphicClassOf<TJPEGImage>()},
        {{".TGA", ".VST", ".ICB", ".VDA", ".WIN"}, GraphicClassOf<TTargaGraphic>()},
        {{".BMP", ".RLE", ".DIB"}, GraphicClassOf<TBitmap>()},
    };
    return groups;
}

const std::vector<ReaderGroup>& DrawingExtras()
{
    static const std::vector<ReaderGroup> groups = {
        {{".JPEG"}, GraphicClassOf<TJPEGImage>()},
        {{".1", ".2", ".3", ".5", ".6", ".7"}, GraphicClassOf<TTargaGraphic>()},
    };
    return groups;
}

TGraphicClass ReaderIn(const std::vector<ReaderGroup>& groups, std::string_view extension)
{
    for (const ReaderGroup& group : groups)
        if (std::find(group.extensions.begin(), group.extensions.end(), extension) != group.extensions.end())
            return group.reader;
    return nullptr;
}

struct Turn {
    double cos = 1;
    double sin = 0;
};

// Multiples of 90 degrees turn exactly: the library's sin(180) and cos(90) are not quite 0, and
// the truncation of the source position would shift the picture by a pixel.
Turn TurnOf(double degrees)
{
    if (std::fmod(degrees, 90.0) == 0.0 && std::fabs(degrees) < 1e15) {
        const long long quarter = ((static_cast<long long>(degrees / 90.0) % 4) + 4) % 4;
        static constexpr std::array<Turn, 4> exact = {Turn{1, 0}, Turn{0, 1}, Turn{-1, 0}, Turn{0, -1}};
        return exact[static_cast<std::size_t>(quarter)];
    }
    const double a = degrees * std::numbers::pi / 180.0;
    return Turn{std::cos(a), std::sin(a)};
}

// The work square of a turn and where the source's pixels land in it.
struct TurnedPicture {
    TBitmap work;
    std::vector<std::uint8_t> covered;
    int side = 0;
    TRect drawn; // bounds of the covered pixels in work coordinates; empty when none
};

// The work area that can receive source pixels: the corners of the source turned into the square,
// widened by a pixel for the truncation, within the square.
TRect CandidateArea(const Turn& turn, int width, int height, int centre, int side)
{
    const double halfW = width / 2, halfH = height / 2;
    double minX = centre, maxX = centre, minY = centre, maxY = centre;
    for (const double ux : {-halfW, width - halfW})
        for (const double uy : {-halfH, height - halfH}) {
            const double x = ux * turn.cos + uy * turn.sin + centre;
            const double y = -ux * turn.sin + uy * turn.cos + centre;
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    const auto inside = [side](double v) { return static_cast<int>(std::clamp(v, 0.0, double(side))); };
    return Rect(inside(std::floor(minX) - 1), inside(std::floor(minY) - 1), inside(std::ceil(maxX) + 2),
                inside(std::ceil(maxY) + 2));
}

void TurnInto(TurnedPicture& turned, const TBitmap& source, const Turn& turn, int width, int height)
{
    const int centre = turned.side / 2;
    const int halfW = width / 2, halfH = height / 2;
    const TRect area = CandidateArea(turn, width, height, centre, turned.side);
    int minX = turned.side, minY = turned.side, maxX = -1, maxY = -1;
    for (int y = area.Top; y < area.Bottom; ++y)
        for (int x = area.Left; x < area.Right; ++x) {
            const int sx = static_cast<int>((x - centre) * turn.cos - (y - centre) * turn.sin + halfW);
            const int sy = static_cast<int>((x - centre) * turn.sin + (y - centre) * turn.cos + halfH);
            if (sx < 0 || sx >= width || sy < 0 || sy >= height)
                continue;
            turned.work.SetPixel(x, y, source.Pixel(sx, sy));
            turned.covered[static_cast<std::size_t>(y) * static_cast<std::size_t>(turned.side) +
                           static_cast<std::size_t>(x)] = 1;
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    turned.drawn = maxX < 0 ? TRect{} : Rect(minX, minY, maxX + 1, maxY + 1);
}

void CopyCovered(const TurnedPicture& turned, TBitmap& target, int originX, int originY)
{
    const TRect& drawn = turned.drawn;
    for (int y = drawn.Top; y < drawn.Bottom; ++y) {
        const int ty = originY + y;
        if (ty < 0 || ty >= target.Height())
            continue;
        for (int x = drawn.Left; x < drawn.Right; ++x) {
            const int tx = originX + x;
            if (tx >= 0 && tx < target.Width() &&
                turned.covered[static_cast<std::size_t>(y) * static_cast<std::size_t>(turned.side) +
                               static_cast<std::size_t>(x)])
                target.SetPixel(tx, ty, turned.work.Pixel(x, y));
        }
    }
}

TRect Union(const TRect& a, const TRect& b)
{
    if (a.IsEmpty())
        return b;
    return Rect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                std::max(a.Bottom, b.Bottom));
}

// The source rows (or columns) of target row `at` of a box filter with scale `scale`: from `first`
// to `last`, end excluded, at least one, all within 0..limit-1.
struct SourceSpan {
    int first = 0;
    int last = 0;
};

SourceSpan BoxOf(int at, int targetStart, float scale, int sourceStart, int limit)
{
    int first = static_cast<int>(static_cast<float>(at - targetStart) / scale + static_cast<float>(sourceStart));
    int last = static_cast<int>(static_cast<float>(at + 1 - targetStart) / scale + static_cast<float>(sourceStart)) - 1;
    first = std::clamp(first, 0, limit - 1);
    last = std::clamp(last, first + 1, limit);
    return SourceSpan{first, last};
}

TColor BoxAverage(const TBitmap& source, const SourceSpan& columns, const SourceSpan& rows)
{
    std::uint64_t red = 0, green = 0, blue = 0;
    for (int y = rows.first; y < rows.last; ++y)
        for (int x = columns.first; x < columns.last; ++x) {
            const auto color = static_cast<COLORREF>(ColorToRGB(source.Pixel(x, y)));
            red += GetRValue(color);
            green += GetGValue(color);
            blue += GetBValue(color);
        }
    const auto across = static_cast<std::uint64_t>(columns.last - columns.first);
    const auto down = static_cast<std::uint64_t>(rows.last - rows.first);
    return static_cast<TColor>(RGB(static_cast<std::uint8_t>(red / across / down),
                                   static_cast<std::uint8_t>(green / across / down),
                                   static_cast<std::uint8_t>(blue / across / down)));
}

} // namespace

bool FixtureKind(const std::string& text)
{
    const auto contains = [&](std::string_view tag) { return text.find(tag) != std::string::npos; };
    return text == "s" || text == "p" || contains("<pegboard>") || text == "dv" || contains("<dv>") ||
           contains("<text>") || contains("<shelf>");
}

std::unique_ptr<TGraphic> NewPictureReader(std::string_view extension, ReaderTable table)
{
    TGraphicClass reader = ReaderIn(LoadingGroups(), extension);
    if (reader == nullptr && table == ReaderTable::Drawing)
        reader = ReaderIn(DrawingExtras(), extension);
    return reader == nullptr ? nullptr : reader();
}

bool TransparentCopy(const TBitmap& source, int width, int height, TBitmap& target, int x, int y)
{
    if (source.Empty())
        return true;
    const TColor key = source.Pixel(0, 0);
    const int fromX = std::max(0, -x), toX = std::min({width, source.Width(), target.Width() - x});
    const int fromY = std::max(0, -y), toY = std::min({height, source.Height(), target.Height() - y});
    for (int sy = fromY; sy < toY; ++sy)
        for (int sx = fromX; sx < toX; ++sx) {
            const TColor color = source.Pixel(sx, sy);
            if (color != key)
                target.SetPixel(x + sx, y + sy, color);
        }
    return true;
}

void RotatedBounds(const TRect& rect, double angle, TRect& out)
{
    const double a = angle * std::numbers::pi / 180.0;
    const double w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
    out.Left = rect.Left;
    out.Top = rect.Top;
    out.Right = rect.Left + static_cast<int>(std::cos(a) * w + std::sin(a) * h);
    out.Bottom = rect.Top + static_cast<int>(std::sin(a) * w + std::cos(a) * h);
}

TRect RotationSquare(int left, int top, int width, int height)
{
    // The square must hold the picture at any angle: its diagonal, and a margin of untouched pixels
    // whose colour is the transparency key.
    const int side = static_cast<int>(std::ceil(std::hypot(double(width), double(height)))) + 5;
    const int centreX = left + width / 2;
    const int centreY = top + (std::max(width, height) + 5) / 2;
    const int originX = centreX - side / 2, originY = centreY - side / 2;
    return Rect(originX, originY, originX + side, originY + side);
}

void RotateBitmap(ListOB& item, const TBitmap& source, double angle, int top, int left, int height, int width,
                  TBitmap& target, bool transparent)
{
    width = std::clamp(width, 0, source.Width());
    height = std::clamp(height, 0, source.Height());
    const TRect square = RotationSquare(left, top, width, height);
    const int side = square.Width();
    TurnedPicture turned;
    turned.side = side;
    try {
        turned.work.SetSize(side, side);
        turned.covered.assign(static_cast<std::size_t>(side) * static_cast<std::size_t>(side), 0);
    } catch (const std::exception&) {
        Ui().MessageBox("allocation error", "rotation error", MsgButtons::OKCancel, MsgIcon::None);
        return;
    }
    TurnInto(turned, source, TurnOf(angle), width, height);

    const int originX = square.Left, originY = square.Top;
    const TRect& drawn = turned.drawn;
    item.rotatedBox = drawn.IsEmpty() ? TRect{}
                                      : Rect(drawn.Left + originX, drawn.Top + originY, drawn.Right + originX,
                                             drawn.Bottom + originY);
    if (angle == 360)
        item.rotatedBox = Union(item.rotatedBox, item.PlacementBox());
    if (transparent)
        TransparentCopy(turned.work, side, side, target, originX, originY);
    else
        CopyCovered(turned, target, originX, originY);
}

void ResampleBitmap(const TBitmap& source, TBitmap& target, Progress* progress, const TRect& targetRect,
                    const TRect& sourceRect)
{
    if (targetRect.IsEmpty() || sourceRect.IsEmpty() || source.Empty() || target.Empty())
        return;
    if (progress != nullptr) {
        progress->SetPosition(0);
        progress->SetMax(targetRect.Bottom);
        progress->SetStep(1);
    }
    const float xs = static_cast<float>(targetRect.Width()) / static_cast<float>(sourceRect.Width());
    const float ys = static_cast<float>(targetRect.Height()) / static_cast<float>(sourceRect.Height());
    const int fromX = std::max(targetRect.Left, 0), toX = std::min(targetRect.Right, target.Width());
    for (int y = targetRect.Top; y < targetRect.Bottom; ++y) {
        if (y >= 0 && y < target.Height()) {
            const SourceSpan rows = BoxOf(y, targetRect.Top, ys, sourceRect.Top, source.Height());
            for (int x = fromX; x < toX; ++x)
                target.SetPixel(
                    x, y, BoxAverage(source, BoxOf(x, targetRect.Left, xs, sourceRect.Left, source.Width()), rows));
        }
        if (progress != nullptr)
            progress->StepIt();
    }
    target.SetPixel(0, 0, source.Pixel(0, 0));
    if (progress != nullptr)
        progress->SetPosition(0);
}
