#pragma once

#include <string>

// Writes a metafile with libEMF, a GDI-like producer of other programs' metafiles, to `path`: a red
// pen 3 wide and a blue brush; a rectangle, an ellipse, a triangle, a square with a hole, a line
// from (5, 6) to (7, 8) and "Cola" at (5, 80) in navy; then the stock null brush for a small
// rectangle, and the blue brush deleted. The frame is 1 inch square. Kept apart from the project's
// headers, since libEMF's Windows headers define the same names as macros.
void DrawWithLibEmf(const std::string& path);
