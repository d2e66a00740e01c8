#include "planogram/PegHoles.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

// The smallest i >= 0 with first + i * pitch >= bound.
std::int64_t FirstIndexFrom(std::int64_t first, std::int64_t pitch, std::int64_t bound)
{
    return first >= bound ? 0 : (bound - first + pitch - 1) / pitch;
}

} // namespace

std::optional<int> PegHoleList::Axis::Nearest(int value) const
{
    if (count <= 0)
        return std::nullopt;
    // Positions ascend, so the nearest is the one the value falls after or the next one.
    const std::int64_t offset = static_cast<std::int64_t>(value) - first;
    const std::int64_t below = std::clamp<std::int64_t>(offset >= 0 ? offset / pitch : -1, 0, count - 1);
    const std::int64_t above = std::min<std::int64_t>(below + 1, count - 1);
    const std::int64_t distanceBelow = std::abs(static_cast<std::int64_t>(value) - At(static_cast<int>(below)));
    const std::int64_t distanceAbove = std::abs(static_cast<std::int64_t>(value) - At(static_cast<int>(above)));
    return At(static_cast<int>(distanceAbove < distanceBelow ? above : below));
}

PegHoleList::Axis PegHoleList::Positions(int first, int last, int pitch, int from, int to)
{
    Axis axis;
    axis.pitch = std::max(pitch, 1);
    // Positions run while before `last` and up to `to`.
    const std::int64_t end = std::min<std::int64_t>(last, static_cast<std::int64_t>(to) + 1);
    const std::int64_t firstIndex = FirstIndexFrom(first, axis.pitch, from);
    const std::int64_t start = first + firstIndex * axis.pitch;
    if (start >= end)
        return axis;
    const std::int64_t count = (end - start + axis.pitch - 1) / axis.pitch;
    axis.first = static_cast<int>(start);
    axis.count = static_cast<int>(std::min<std::int64_t>(count, INT_MAX));
    return axis;
}

PegHoleList::PegHoleList(int firstX, int firstY, int lastX, int lastY, int pitchH, int pitchV, int bitmapWidth,
                         int bitmapHeight)
    : columns_(Positions(firstX, lastX, pitchH, 0, bitmapWidth)),
      rows_(Positions(firstY, lastY, pitchV, 0, bitmapHeight))
{
    // A grid with no columns or no rows has no holes at all.
    if (columns_.count == 0 || rows_.count == 0)
        columns_.count = rows_.count = 0;
}
