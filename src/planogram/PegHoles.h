#pragma once

#include "platform/core/Geometry.h"

#include <optional>

// The peg holes of a wall: the top-left corners of a grid that starts at the first column and row
// and steps by the pitches while it stays before the last column and row. Only holes inside the
// back bitmap (0 <= x <= width, 0 <= y <= height) are listed, row by row from the top and left to
// right in each row. The grid is kept as its two axes, so even a pitch of 1 on the largest wall
// costs no storage.
class PegHoleList {
public:
    // One axis of the grid: `count` positions first, first + pitch, ...
    struct Axis {
        int first = 0;
        int pitch = 1;
        int count = 0;
        int At(int i) const { return first + i * pitch; }
        // The listed position nearest to `value`; a tie keeps the smaller. Nothing when empty.
        std::optional<int> Nearest(int value) const;
    };

    PegHoleList() = default;
    // Pitches below 1 count as 1.
    PegHoleList(int firstX, int firstY, int lastX, int lastY, int pitchH, int pitchV, int bitmapWidth,
                int bitmapHeight);

    int Count() const { return columns_.count * rows_.count; }
    // Hole i of the row-major order, 0 <= i < Count().
    TPoint At(int i) const { return Point(columns_.At(i % columns_.count), rows_.At(i / columns_.count)); }
    const Axis& Columns() const { return columns_; }
    const Axis& Rows() const { return rows_; }

    // The grid positions from `first` by `pitch` (below 1 taken as 1) that are before `last` and
    // within from..to, both inclusive.
    static Axis Positions(int first, int last, int pitch, int from, int to);

private:
    Axis columns_;
    Axis rows_;
};
