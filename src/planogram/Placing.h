#pragma once

#include "platform/core/Geometry.h"

#include <string>
#include <vector>

class didBase;
class PegHoleList;
struct ListOB;

// The colour of a placement box by the colour mode: 0 by size, 1 by the catalog record's category,
// 2 by its brand, 3 all white. Modes 1 and 2 look the item up in the catalog (may be null) and take
// its category and brand when found. The value is kept as computed; boxes are drawn from its low
// 24 bits.
int ColorItem(ListOB& item, int mode, didBase* catalog);

// A text's colour: the sum of its bytes as signed bytes, all but the last, after "abc" is appended
// to a text shorter than 3 characters.
int TextHash(const std::string& text);

// Where a pegged product goes right of the previous item: from `start`, the first hole column whose
// product left edge (column - pegX) reaches the previous item's right edge, else the last column;
// `start` itself when it already does or the wall has no holes.
int PegAlignedX(const PegHoleList& holes, int start, int previousRight, int pegX);

// An angle in degrees as stored: 0..359.
int NormalizedAngle(long long degrees);

// Moves the item's box so that its top-left corner is (x, y), keeping its size.
void MoveBoxTo(ListOB& item, int x, int y);

// Moves the item's box, and its turned bounds when it has them, by (dx, dy).
void MoveItemBy(ListOB& item, int dx, int dy);

// The item's group from its head along the child chain (the item alone when ungrouped); a damaged
// chain that loops is walked no longer than the list.
std::vector<ListOB*> GroupMembers(ListOB& item, int listLength);

// Tells the user that a product without its width, height or part number cannot be placed.
void RefuseUndefinedProduct();

// The frame of an item as selected: its turned bounds when turned, else its box.
TRect SelectionFrame(const ListOB& item);
