#pragma once

#include "platform/core/Geometry.h"

class Progress;
class TBitmap;

// Copies every pixel of the source's top-left width x height whose colour differs from the source's
// pixel (0, 0) onto the target at (x, y); pixels beyond the target are left out. Returns true.
bool TransparentCopy(const TBitmap& source, int width, int height, TBitmap& target, int x, int y);

// The rectangle turned by `angle` degrees about its top-left corner, for angles from 0 to 90.
void RotatedBounds(const TRect& rect, double angle, TRect& out);

// The square a turned picture of that size is drawn in: it holds the picture at any angle.
TRect RotationSquare(int left, int top, int width, int height);

// A box-filtered copy of the source rectangle in the target rectangle: each target pixel takes the
// average of its box of source pixels (at least one), leaving out the box's last row and column
// when it has more than one. The target's pixel (0, 0) then takes the source's, so that a
// transparency key there survives. `progress` (may be null) steps once per target row.
void ResampleBitmap(const TBitmap& source, TBitmap& target, Progress* progress, const TRect& targetRect,
                    const TRect& sourceRect);
