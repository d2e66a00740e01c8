#pragma once

#include "planogram/Zoom.h"
#include "platform/graphics/Canvas.h"

#include <string>

// The in-place text editor for a text box being drawn, over a rectangle of the wall in window
// pixels of the wall.
struct TextEditorSetup {
    TRect box;
    int align = 0; // 0 left, 1 centre, 2 right
    TColor color = 0;
    TFont font;
    bool wordWrap = false;
};

// What was typed, and where the editor stood, in window pixels of the wall.
struct TextEditorContents {
    std::string text;
    TColor color = 0;
    TRect box;
};

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
    virtual bool TextEditorShown() const = 0;
    virtual void ShowTextEditor(const TextEditorSetup& setup) = 0;
    // Hides the editor and empties it, handing over what it held.
    virtual TextEditorContents TakeTextEditor() = 0;
};
