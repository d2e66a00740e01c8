#pragma once

#include "platform/core/Geometry.h"

// Where the document window's wall sits in its client area: the ruler sizes and scroll positions
// that shift it, and the client size FitToWindow fills.
struct ViewGeometry {
    int rulerWidth = 15;  // the vertical ruler
    int rulerHeight = 15; // the horizontal ruler
    int scrollX = 0, scrollY = 0;
    int clientWidth = 0, clientHeight = 0;
};

// The zoom of a document window: how many screen pixels one document unit takes. The factor stays
// within MinFactor..MaxFactor, so it never reaches 0, and every conversion goes through here.
class ZoomClass {
public:
    static constexpr double MinFactor = 0.05;
    static constexpr double MaxFactor = 8.0;

    double factor = 1.0;

    // Clamps to the range; a value that is not a number gives 1.
    void SetFactor(double value);
    // The factor in use: the field, clamped.
    double Factor() const;
    // Screen pixels to document units and back, truncated toward zero.
    int ToDocument(int pixels) const;
    int ToScreen(int units) const;
    TPoint ToDocument(const TPoint& pixels) const { return Point(ToDocument(pixels.X), ToDocument(pixels.Y)); }

    // The window-client rectangle of a document rectangle, grown by 3 pixels on each side, for
    // invalidation.
    TRect WindowRectOf(const TRect& rect, const ViewGeometry& view) const;
    // The factor that shows a wall of that size whole: the smaller of the height and width ratios
    // (the height's when they are equal), clamped.
    static double FitFactor(int clientWidth, int clientHeight, int wallWidth, int wallHeight);
};
