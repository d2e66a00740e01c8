#pragma once

class TBitmap;
class TStringGrid;

// What a planogram document uses of the selector tool window: showing it, its builder and layout
// grids and its layout thumbnail.
class DocumentSelector {
public:
    virtual ~DocumentSelector() = default;
    virtual void Hide() = 0;
    virtual void Show() = 0;
    virtual bool Visible() const = 0;
    // Makes the layout thumbnail and the product picture visible.
    virtual void ShowImages() = 0;
    virtual TStringGrid& GridB() = 0;
    virtual TStringGrid& GridL() = 0;
    // The picture of the layout thumbnail imLayout, and the notice that it was drawn.
    virtual TBitmap& LayoutImage() = 0;
    virtual void LayoutImageChanged() = 0;
};
