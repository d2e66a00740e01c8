#include "imageformats/PictureOperations.h"

#include "platform/graphics/Bitmap.h"
#include "platform/ui/Progress.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

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
