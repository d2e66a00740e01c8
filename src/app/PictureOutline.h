#pragma once

#include "platform/core/Geometry.h"
#include "platform/graphics/Colors.h"

#include <span>
#include <vector>

class QPainterPath;
class TBitmap;
class TCanvas;

// Outline dots in picture pixels, in the order they were placed.
struct OutlineDots {
    std::span<const float> x;
    std::span<const float> y;
    int Count() const { return static_cast<int>(x.size()); }
};

// The closed quadratic B-spline over the dots as a polyline: C(0), C(0.05), ... while t < n, then
// C(n), each truncated to whole pixels. Computed in single precision as the outline has always been.
std::vector<TPoint> CurvePoints(const OutlineDots& dots);
// The dots in order and back to the first.
std::vector<TPoint> ControlPolygon(const OutlineDots& dots);

// The straight outline with a small square at every dot, drawn with the canvas's pen and brush.
void DrawStraightOutline(TCanvas& canvas, const OutlineDots& dots);
// The curve with the canvas's pen, then the control polygon dotted in XOR; leaves a solid pen in copy
// mode and a solid brush of the fill colour.
void DrawCurveOutline(TCanvas& canvas, const OutlineDots& dots, TColor fillColor);

// The area the outline encloses, the straight one with its dot squares, as an odd-even path; with
// `outside` the picture's border is added, so that filling it covers everything outside the outline.
QPainterPath OutlinePath(const OutlineDots& dots, bool curve, TSize picture, bool outside);
// Fills the path without antialiasing on a picture without a palette, which a painter cannot paint.
void FillPath(TBitmap& picture, const QPainterPath& path, TColor color);
