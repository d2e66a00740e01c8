#pragma once

#include "platform/graphics/Colors.h"

#include <string>
#include <string_view>

class TBitmap;
struct ListOB;

// Draws one fixture from its description text into a bitmap already sized to the item's box (or
// twice that with doubleSize). Each drawing fills the whole bitmap.
class FixtureRender {
public:
    int fillstyle = 0;
    int edgestyle = 0;
    TColor bgcolor = 0;
    TColor boxcolor = 0;
    std::string value;
    int textmode = 0;
    int textalign = 0;
    int VPegSpace = 0, HPegSpace = 0, FirstHPeg = 0, FirstVPeg = 0, LastHPeg = 0, LastVPeg = 0;
    double PegSize = 0;
    // The bitmap is drawn at twice the document scale.
    bool doubleSize = false;

    // The value of the first "<name=" tag up to the next ">" (or the end of the text); empty when
    // the tag is absent. Names are case-sensitive.
    static std::string GetAttribute(std::string_view text, std::string_view name);

    // Fills the fields from the item's description.
    void ParseAttributes(const ListOB& item);

    void DrawShelf(const ListOB& item, TBitmap& bitmap);
    void DrawDivider(const ListOB& item, TBitmap& bitmap);
    void DrawPegboard(const ListOB& item, TBitmap& bitmap);
    void DrawText(const ListOB& item, TBitmap& bitmap);
};

// Draws the fixture the item's picture text describes, choosing the drawing by its kind tag or early
// marker; false when the text names no fixture.
bool RenderFixture(const ListOB& item, TBitmap& bitmap, bool doubleSize);
