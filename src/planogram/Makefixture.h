#pragma once

#include "platform/graphics/Canvas.h"

#include <cstdint>
#include <string>

// Builds a fixture item's two texts from what the user typed or drew: `name` (the item's index,
// "shelf120X2X0-4711") and `description` (the item's picture, a kind tag followed by attribute
// tags), and its size in document units (quarter centimetres). Planogram files keep both texts as
// they are, so their exact form is a file format.
class MakeFixture {
public:
    // The kinds `Make` takes.
    enum Kind { kShelf = 0, kDivider = 1, kPegboard = 2, kBase = 3, kText = 4, kSlatwall = 5 };

    // Seeds the C runtime's generator from the clock, as every fixture number is drawn from it.
    MakeFixture();

    // 0: sizes are multiplied by displayScale; otherwise they are centimetres or inches.
    bool unitsMode = true;
    int displayScale = 8;
    std::string name;
    std::string description;
    int width = 0, height = 0, depth = 0;
    TColor boxcolor = 0;
    int fillstyle = 0;
    int edgestyle = 0;
    int textalign = 0;
    int textmode = 0;
    TFont font;
    std::string value;
    bool inches = false;
    TColor bgcolor = 0;
    // Lengths in centimetres or inches, turned into document units by Make.
    double VPegSpace = 0, HPegSpace = 0, FirstVPeg = 0, FirstHPeg = 0, LastVPeg = 0, LastHPeg = 0, PegSize = 0;
    double extra1 = 0, extra2 = 0;
    double inchFactor = 0.394;

    // False, leaving every output as it was, when the width or height text is empty, not a number
    // ("." or "," may separate the decimals) or not above zero, or when the depth text is given but
    // not a number. The fixture's number is drawn in any case.
    bool Make(const std::string& widthText, const std::string& heightText, int kind, const std::string& depthText);

private:
    // A typed length in document units, before truncation.
    double ToUnits(double typed) const;
    std::string Description(int kind) const;
    std::string ShelfTags(const char* kindTag) const;
    std::string PegboardTags(bool slatwall) const;
    std::string TextTags() const;
};

// Tag values may not contain the tag delimiters: "<" and ">" become the single angle quotation
// marks, which look alike.
std::string TagSafe(const std::string& text);
