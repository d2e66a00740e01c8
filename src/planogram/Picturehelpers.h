#pragma once

#include <string>

class TBitmap;
struct ListOB;

// Whether a picture text marks a fixture: the early markers "s", "p" and "dv", or a description
// with a kind tag. Case-sensitive.
bool FixtureKind(const std::string& text);

// Draws the source's width x height turned by `angle` degrees onto the target, about the point
// (left + width / 2, top + (max(width, height) + 5) / 2), and records the drawn bounds in the item's
// rotatedBox. With `transparent` the pixels of the work square's untouched colour are left out
// (white parts of the picture too, as in an unturned transparent item); without it every turned
// pixel is copied, and only those. A work square too large to make shows "allocation error".
void RotateBitmap(ListOB& item, const TBitmap& source, double angle, int top, int left, int height, int width,
                  TBitmap& target, bool transparent);
