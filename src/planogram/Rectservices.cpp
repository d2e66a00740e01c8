#include "planogram/Rectservices.h"

#include <algorithm>

void InflateBy(TRect& rect, int n)
{
    rect.Left -= n;
    rect.Top -= n;
    rect.Right += n;
    rect.Bottom += n;
}

bool Intersects(const TRect& a, const TRect& b)
{
    if (a.IsEmpty() || b.IsEmpty())
        return false;
    return std::max(a.Left, b.Left) < std::min(a.Right, b.Right) &&
           std::max(a.Top, b.Top) < std::min(a.Bottom, b.Bottom);
}

TRect UnionOf(const TRect& a, const TRect& b)
{
    if (a.IsEmpty())
        return b.IsEmpty() ? TRect{} : b;
    if (b.IsEmpty())
        return a;
    return Rect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                std::max(a.Bottom, b.Bottom));
}
