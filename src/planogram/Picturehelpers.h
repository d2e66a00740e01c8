#pragma once

#include "platform/core/Geometry.h"

#include <memory>
#include <string>
#include <string_view>

class Progress;
class TBitmap;
class TGraphic;
struct ListOB;

// Whether a picture text marks a fixture: the early markers "s", "p" and "dv", or a description
// with a kind tag. Case-sensitive.
bool FixtureKind(const std::string& text);

// Which extensions a reader is chosen for: the picture loader's own, or the item drawing's, which
// also takes ".TIFF", ".JPEG" and the numbered Targa extensions.
enum class ReaderTable { Loading, Drawing };

// A new, empty reader for an upper-cased extension with its dot (".JPG"); null when no reader
// here reads it.
std::unique_ptr<TGraphic> NewPictureReader(std::string_view extension, ReaderTable table);

// Copies every pixel of the source's top-left width x height whose colour differs from the source's
// pixel (0, 0) onto the target at (x, y); pixels beyond the target are left out. Returns true.
bool TransparentCopy(const TBitmap& source, int width, int height, TBitmap& target, int x, int y);

// The rectangle turned by `angle` degrees about its top-left corner, for angles from 0 to 90.
void RotatedBounds(const TRect& rect, double angle, TRect& out);

// The square a turned picture of that size is drawn in: it holds the picture at any angle.
TRect RotationSquare(int left, int top, int width, int height);

// Draws the source's width x height turned by `angle` degrees onto the target, about the point
// (left + width / 2, top + (max(width, height) + 5) / 2), and records the drawn bounds in the item's
// rotatedBox. With `transparent` the pixels of the work square's untouched colour are left out
// (white parts of the picture too, as in an unturned transparent item); without it every turned
// pixel is copied, and only those. A work square too large to make shows "allocation error".
void RotateBitmap(ListOB& item, const TBitmap& source, double angle, int top, int left, int height, int width,
                  TBitmap& target, bool transparent);

// A box-filtered copy of the source rectangle in the target rectangle: each target pixel takes the
// average of its box of source pixels (at least one), leaving out the box's last row and column
// when it has more than one. The target's pixel (0, 0) then takes the source's, so that a
// transparency key there survives. `progress` (may be null) steps once per target row.
void ResampleBitmap(const TBitmap& source, TBitmap& target, Progress* progress, const TRect& targetRect,
                    const TRect& sourceRect);
