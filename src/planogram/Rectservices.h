#pragma once

#include "platform/core/Geometry.h"

// Moves every edge of the rectangle outward by n (inward for a negative n).
void InflateBy(TRect& rect, int n);

// Whether rectangle b shares at least one pixel with rectangle a; an empty rectangle shares none.
bool Intersects(const TRect& a, const TRect& b);

// The smallest rectangle holding both; an empty rectangle adds nothing.
TRect UnionOf(const TRect& a, const TRect& b);
