#include "planogram/Zoom.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

int TruncatedToInt(double value) { return static_cast<int>(std::clamp(value, double(INT_MIN), double(INT_MAX))); }

double Clamped(double value)
{
    if (std::isnan(value))
        return 1.0;
    return std::clamp(value, ZoomClass::MinFactor, ZoomClass::MaxFactor);
}

} // namespace

void ZoomClass::SetFactor(double value) { factor = Clamped(value); }

double ZoomClass::Factor() const { return Clamped(factor); }

int ZoomClass::ToDocument(int pixels) const { return TruncatedToInt(pixels / Factor()); }

int ZoomClass::ToScreen(int units) const { return TruncatedToInt(units * Factor()); }

TRect ZoomClass::WindowRectOf(const TRect& rect, const ViewGeometry& view) const
{
    const double zoom = Factor();
    return Rect(TruncatedToInt(rect.Left * zoom + (view.rulerWidth - 3) - view.scrollX),
                TruncatedToInt(rect.Top * zoom + (view.rulerHeight - 3) - view.scrollY),
                TruncatedToInt(rect.Right * zoom + (view.rulerWidth + 3) - view.scrollX),
                TruncatedToInt(rect.Bottom * zoom + (view.rulerHeight + 3) - view.scrollY));
}

double ZoomClass::FitFactor(int clientWidth, int clientHeight, int wallWidth, int wallHeight)
{
    if (wallWidth <= 0 || wallHeight <= 0)
        return 1.0;
    const double byHeight = static_cast<double>(clientHeight) / wallHeight;
    const double byWidth = static_cast<double>(clientWidth) / wallWidth;
    return Clamped(byWidth < byHeight ? byWidth : byHeight);
}
