#include "planogram/Picturehelpers.h"

#include "imageformats/PictureOperations.h"
#include "planogram/Listmanager.h"
#include "planogram/Rectservices.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

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

} // namespace

bool FixtureKind(const std::string& text)
{
    const auto contains = [&](std::string_view tag) { return text.find(tag) != std::string::npos; };
    return text == "s" || text == "p" || contains("<pegboard>") || text == "dv" || contains("<dv>") ||
           contains("<text>") || contains("<shelf>");
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
        item.rotatedBox = UnionOf(item.rotatedBox, item.PlacementBox());
    if (transparent)
        TransparentCopy(turned.work, side, side, target, originX, originY);
    else
        CopyCovered(turned, target, originX, originY);
}
