#pragma once

#include <ctime>
#include <string>

// Where a W x H picture goes on a page of PW x PH printable pixels: scaled to fit, centred.
struct PagePlacement {
    double scale = 0;
    int x = 0, y = 0, width = 0, height = 0;
};
PagePlacement PlaceOnPage(int width, int height, int pageWidth, int pageHeight);

// A wall at least as wide as it is high prints landscape.
inline bool PrintsLandscape(int width, int height) { return width >= height; }

// "Document: <caption>. Date: d m yyyy Time: h:m", numbers without leading zeros.
std::string PrintStampText(const std::string& caption, const std::tm& time);
