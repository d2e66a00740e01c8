#pragma once

#include "platform/core/Geometry.h"

#include <string>

class PlanogramDocument;
struct ListOB;
class TBitmap;

// Draws a document's wall into its back bitmap: the wall colour, the peg holes or the background
// picture, then every item from the head of the list to its tail (later items on top). A partial
// redraw gives the very pixels a full redraw gives.
class DocumentRenderer {
public:
    explicit DocumentRenderer(PlanogramDocument& document);

    // Full redraw of the back bitmap, stepping the main window's progress bar.
    void RedrawAll();
    // (Re)creates the back bitmap and the background picture for the wall's size and background.
    // False when the back bitmap cannot be made.
    bool LoadBackground();
    // Draws the peg holes whose top-left corner lies within left..right and top..bottom (inclusive)
    // into the bitmap: at document scale when it has the back bitmap's size, else at twice that.
    void DrawBackground(TBitmap& bitmap, int left, int top, int right, int bottom);
    // The incremental redraw after the current item or its group changed: repairs the old selection
    // area and the group's new area, frames the new area and refreshes the layout thumbnail.
    void RedrawRect();
    // The same with the area the group covered before it changed.
    void RedrawGroup(const TRect& before);
    // The union of the areas of the item's whole group: as its drawing may cover them, or as drawn.
    TRect GroupArea(const ListOB* item, bool drawn) const;
    // Draws the wall and every item meeting the area again, clipped to it.
    void RedrawArea(const TRect& area);
    // The selector's layout thumbnail: the whole wall scaled into it, the rest filled.
    void RefreshLayoutThumbnail();
    // Redraws both ruler pictures for the current zoom and units.
    void DrawRulers();
    // The area an item's drawing may cover: its box, or the square its turned picture is drawn in.
    static TRect DrawnArea(const ListOB& item);

private:
    void FillWall(TBitmap& bitmap, const TRect& area);
    // The holes, or else the background picture, over the area of the back bitmap.
    void DrawWall(const TRect& area);
    void LoadBackgroundPicture();
    void StretchBackgroundPicture(const std::string& path);
    double UserUnits(int pixels, double labelFactor) const;
    void DrawVerticalRuler(TBitmap& ruler, double labelFactor, int small, int medium, int large);
    void DrawHorizontalRuler(TBitmap& ruler, double labelFactor, int small, int medium, int large);

    PlanogramDocument& document_;
};
