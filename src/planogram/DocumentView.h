#pragma once

#include "planogram/Zoom.h"

// What a planogram document tells the window that shows it. The window paints the back bitmap at
// the zoom, the rulers, and the selection and drag frames as overlays.
class DocumentView {
public:
    virtual ~DocumentView() = default;
    virtual ViewGeometry Geometry() const = 0;
    // The back bitmap changed as a whole (repaint the wall).
    virtual void WallChanged() = 0;
    // Part of the window client area needs painting again.
    virtual void InvalidateWindowRect(const TRect& rect) = 0;
    // The wall's size, the zoom or the rulers changed: lay out the wall and the rulers anew.
    virtual void ZoomChanged() = 0;
    // The wall got its size: the window takes a size that shows it, within the main window.
    virtual void SizeWindowToWall() = 0;
    // The wall is set up and may be shown.
    virtual void ShowWall() = 0;
};
