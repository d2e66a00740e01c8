#pragma once

// Pictures for tests, filled pixel by pixel.

#include "platform/graphics/Bitmap.h"

#include <functional>

inline void Fill(TBitmap& bitmap, int width, int height, const std::function<TColor(int, int)>& color)
{
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, color(x, y));
}

inline void FillPlain(TBitmap& bitmap, int width, int height, TColor color)
{
    Fill(bitmap, width, height, [color](int, int) { return color; });
}
