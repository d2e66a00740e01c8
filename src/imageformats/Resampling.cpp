#include "imageformats/Resampling.h"

#include "imageformats/ColorManager.h"
#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

double Sinc(double x)
{
    if (x == 0)
        return 1;
    const double angle = std::numbers::pi * x;
    return std::sin(angle) / angle;
}

struct TContributorEntry {
    int Weight = 0; // in 1/Unit of the list
    int Pixel = 0;
};

// Weights are in 1/256 while a window holds at most 256 sources; a wider one, of a strong
// reduction, takes a finer unit, so that its weights do not all round to nothing and the target
// still averages its sources.
struct TContributorList {
    std::vector<TContributorEntry> Entries;
    int Unit = 256;
};

constexpr int WeightUnit = 256;

// An index beyond either end of the source reads its mirror image; a source narrower than the
// filter's reach mirrors past the other end, so the index is then held at the edge.
int MirroredIndex(int index, int count)
{
    if (index < 0)
        index = -index;
    else if (index >= count)
        index = 2 * count - index - 1;
    return std::clamp(index, 0, count - 1);
}

// Weights are rounded as the filter tables always were: halves to the even neighbour.
int WeightOf(double value, int unit) { return static_cast<int>(std::nearbyint(value * unit)); }

// The finest unit keeps a window's weighted sums of 8-bit samples within an int.
constexpr int FinestUnit = 1 << 21;

int UnitOfWindow(int sources)
{
    return std::min(WeightUnit * std::max(1, (sources + WeightUnit - 1) / WeightUnit), FinestUnit);
}

// The scale from source to target along one side; the ends map onto the ends unless a side is 1.
double ScaleOf(int sourceSize, int targetSize)
{
    if (sourceSize == 1 || targetSize == 1)
        return static_cast<double>(targetSize) / sourceSize;
    return static_cast<double>(targetSize - 1) / (sourceSize - 1);
}

std::vector<TContributorList> Contributors(int sourceSize, int targetSize, TResamplingFilter filter, double radius)
{
    const double scale = ScaleOf(sourceSize, targetSize);
    // Reducing widens the filter so that every source pixel contributes.
    const double reach = scale >= 1 ? radius : radius / scale;
    const double squeeze = scale >= 1 ? 1 : scale;
    std::vector<TContributorList> lists(static_cast<std::size_t>(targetSize));
    for (int i = 0; i < targetSize; ++i) {
        const double centre = i / scale;
        const int left = static_cast<int>(std::floor(centre - reach));
        const int right = static_cast<int>(std::ceil(centre + reach));
        TContributorList& list = lists[static_cast<std::size_t>(i)];
        list.Unit = UnitOfWindow(right - left + 1);
        for (int j = left; j <= right; ++j) {
            const int weight = WeightOf(FilterValue(filter, (centre - j) * squeeze) * squeeze, list.Unit);
            if (weight != 0)
                list.Entries.push_back({weight, MirroredIndex(j, sourceSize)});
        }
    }
    return lists;
}

// A filtered channel: the weighted sum over the total weight, or over the unit when the weights
// cancel.
std::uint8_t Filtered(int sum, int total, int unit) { return ClampByte(total != 0 ? sum / total : sum / unit); }

// Each work row from its source row, column by column.
void StretchRows(const TBitmap& source, TBitmap& work, const std::vector<TContributorList>& columns)
{
    for (int y = 0; y < source.Height(); ++y) {
        const std::uint8_t* from = source.ScanLine(y);
        std::uint8_t* to = work.ScanLine(y);
        for (const TContributorList& list : columns) {
            int blue = 0, green = 0, red = 0, total = 0;
            for (const TContributorEntry& entry : list.Entries) {
                const std::uint8_t* pixel = from + 3 * entry.Pixel;
                blue += entry.Weight * pixel[0];
                green += entry.Weight * pixel[1];
                red += entry.Weight * pixel[2];
                total += entry.Weight;
            }
            *to++ = Filtered(blue, total, list.Unit);
            *to++ = Filtered(green, total, list.Unit);
            *to++ = Filtered(red, total, list.Unit);
        }
    }
}

// Each target row from the work rows; the sums run along whole rows, which reads the work bitmap
// in memory order and gives the same values as filtering column by column.
void StretchColumns(const TBitmap& work, TBitmap& target, const std::vector<TContributorList>& rows)
{
    const std::size_t samples = 3 * static_cast<std::size_t>(work.Width());
    std::vector<int> sums(samples);
    for (int y = 0; y < target.Height(); ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        int total = 0;
        const TContributorList& list = rows[static_cast<std::size_t>(y)];
        for (const TContributorEntry& entry : list.Entries) {
            const std::uint8_t* from = work.ScanLine(entry.Pixel);
            for (std::size_t i = 0; i < samples; ++i)
                sums[i] += entry.Weight * from[i];
            total += entry.Weight;
        }
        std::uint8_t* to = target.ScanLine(y);
        for (std::size_t i = 0; i < samples; ++i)
            to[i] = Filtered(sums[i], total, list.Unit);
    }
}

// The first row of a doubled pair: source row `from` spread over twice its width.
void SpreadRow(const std::uint8_t* from, std::uint8_t* to, int width)
{
    const std::uint8_t last = from[width - 1];
    to[2 * width - 1] = last;
    to[2 * width - 2] = last;
    // Right to left, so that the first source row, which is its own target, is read before written.
    for (int x = width - 2; x >= 0; --x) {
        const int left = from[x];
        const int right = from[x + 1];
        to[2 * x + 1] = static_cast<std::uint8_t>((left + right + 1) / 2);
        to[2 * x] = static_cast<std::uint8_t>(left);
    }
}

void BlendRows(const std::uint8_t* above, const std::uint8_t* below, std::uint8_t* to, int width)
{
    for (int x = 0; x < width - 1; ++x) {
        const int a0 = above[2 * x], a2 = above[2 * x + 2], b0 = below[2 * x], b2 = below[2 * x + 2];
        to[2 * x] = static_cast<std::uint8_t>((a0 + b0 + 1) / 2);
        to[2 * x + 1] = static_cast<std::uint8_t>((a0 + a2 + b0 + b2 + 2) / 4);
    }
    to[2 * width - 2] = static_cast<std::uint8_t>((above[2 * width - 2] + below[2 * width - 2] + 1) / 2);
    to[2 * width - 1] = static_cast<std::uint8_t>((above[2 * width - 1] + below[2 * width - 2] + 1) / 2);
}

// Where each box of a side of `source` pixels reduced to `target` begins: box i takes the pixels
// from bounds[i] up to bounds[i + 1].
std::vector<int> BoxBounds(int source, int target)
{
    std::vector<int> bounds(static_cast<std::size_t>(target) + 1);
    for (int i = 0; i <= target; ++i)
        bounds[static_cast<std::size_t>(i)] = static_cast<int>(std::int64_t{i} * source / target);
    return bounds;
}

using TBgr = std::array<std::uint8_t, 3>;

// What a box of a picture with a transparent colour holds: the sums of its other pixels' channels,
// how many those are, and how many pixels are transparent.
struct TKeyedBox {
    std::uint64_t blue = 0, green = 0, red = 0;
    std::uint32_t opaque = 0, keyed = 0;
};

void AddKeyedRow(const std::uint8_t* row, int step, const std::vector<int>& columns, const TBgr& key,
                 std::vector<TKeyedBox>& boxes)
{
    for (std::size_t x = 0; x < boxes.size(); ++x) {
        TKeyedBox& box = boxes[x];
        const std::uint8_t* end = row + static_cast<std::ptrdiff_t>(columns[x + 1]) * step;
        for (const std::uint8_t* pixel = row + static_cast<std::ptrdiff_t>(columns[x]) * step; pixel < end;
             pixel += step) {
            if (pixel[0] == key[0] && pixel[1] == key[1] && pixel[2] == key[2]) {
                ++box.keyed;
                continue;
            }
            box.blue += pixel[0];
            box.green += pixel[1];
            box.red += pixel[2];
            ++box.opaque;
        }
    }
}

std::uint8_t Average(std::uint64_t sum, std::uint32_t count)
{
    return static_cast<std::uint8_t>((sum + count / 2) / count);
}

void WriteKeyedRow(const std::vector<TKeyedBox>& boxes, const TBgr& key, std::uint8_t* to)
{
    for (const TKeyedBox& box : boxes) {
        TBgr colour = key;
        if (box.keyed < box.opaque) {
            colour = {Average(box.blue, box.opaque), Average(box.green, box.opaque), Average(box.red, box.opaque)};
            // An average that falls on the transparent colour would vanish: one step of blue keeps it.
            if (colour == key)
                colour[0] ^= 1;
        }
        std::copy(colour.begin(), colour.end(), to);
        to += 3;
    }
}

// Reduces a picture with a transparent colour to `size`, colour and transparency apart, so that the
// transparent colour never blends into what is drawn: a pixel of the reduction stands for a box of
// the picture's and is transparent where at least half the box is, else the average of the box's
// other pixels.
void ReduceKeeping(TBitmap& picture, TSize size)
{
    const TColor key = picture.TransparentColor() & 0xFFFFFF;
    const TBgr keyBytes = {GetBValue(key), GetGValue(key), GetRValue(key)};
    if (BitsPerPixel(picture.PixelFormat()) < 24)
        picture.SetPixelFormat(pf24bit);
    const int step = BitsPerPixel(picture.PixelFormat()) / 8;
    const std::vector<int> columns = BoxBounds(picture.Width(), size.cx);
    const std::vector<int> rows = BoxBounds(picture.Height(), size.cy);
    TBitmap reduced;
    reduced.SetPixelFormat(pf24bit);
    reduced.SetSizeForDecoder(size.cx, size.cy);
    std::vector<TKeyedBox> boxes(static_cast<std::size_t>(size.cx));
    for (int y = 0; y < size.cy; ++y) {
        std::fill(boxes.begin(), boxes.end(), TKeyedBox{});
        for (int sy = rows[static_cast<std::size_t>(y)]; sy < rows[static_cast<std::size_t>(y) + 1]; ++sy)
            AddKeyedRow(picture.ScanLine(sy), step, columns, keyBytes, boxes);
        WriteKeyedRow(boxes, keyBytes, reduced.ScanLine(y));
    }
    reduced.SetTransparentColor(key);
    reduced.SetTransparent(true);
    picture.TakeOver(reduced);
}

} // namespace

double FilterValue(TResamplingFilter filter, double x)
{
    const double t = std::abs(x);
    switch (filter) {
    case sfBox:
        return x > -0.5 && x <= 0.5 ? 1 : 0;
    case sfTriangle:
        return t < 1 ? 1 - t : 0;
    case sfHermite:
        return t < 1 ? (2 * t - 3) * t * t + 1 : 0;
    case sfBell:
        if (t < 0.5)
            return 0.75 - t * t;
        return t < 1.5 ? 0.5 * (t - 1.5) * (t - 1.5) : 0;
    case sfSpline:
        if (t < 1)
            return 0.5 * t * t * t - t * t + 2.0 / 3;
        return t < 2 ? (2 - t) * (2 - t) * (2 - t) / 6 : 0;
    case sfLanczos3:
        return t < 3 ? Sinc(x) * Sinc(x / 3) : 0;
    case sfMitchell:
        if (t < 1)
            return (7 * t * t * t - 12 * t * t + 16.0 / 3) / 6;
        return t < 2 ? (-7.0 / 3 * t * t * t + 12 * t * t - 20 * t + 32.0 / 3) / 6 : 0;
    }
    return 0;
}

double DefaultRadius(TResamplingFilter filter)
{
    switch (filter) {
    case sfBox:
        return 0.5;
    case sfTriangle:
    case sfHermite:
        return 1;
    case sfBell:
        return 1.5;
    case sfSpline:
    case sfMitchell:
        return 2;
    case sfLanczos3:
        return 3;
    }
    return 1;
}

void Stretch(int newWidth, int newHeight, TResamplingFilter filter, float radius, TBitmap& source, TBitmap& target)
{
    target.SetSize(0, 0);
    target.SetPixelFormat(pf24bit);
    target.SetSize(newWidth, newHeight);
    source.SetPixelFormat(pf24bit);
    if (newWidth <= 0 || newHeight <= 0 || source.Width() <= 0 || source.Height() <= 0)
        return;
    const double reach = radius == 0 ? DefaultRadius(filter) : radius;
    TBitmap work;
    work.SetPixelFormat(pf24bit);
    work.SetSize(newWidth, source.Height());
    StretchRows(source, work, Contributors(source.Width(), newWidth, filter, reach));
    StretchColumns(work, target, Contributors(source.Height(), newHeight, filter, reach));
}

void Stretch(int newWidth, int newHeight, TResamplingFilter filter, float radius, TBitmap& source)
{
    TBitmap target;
    Stretch(newWidth, newHeight, filter, radius, source, target);
    source.TakeOver(target);
}

TSize CoveringSize(TSize whole, TSize least)
{
    if (least.cx <= 0 || least.cy <= 0 || whole.cx <= 0 || whole.cy <= 0)
        return whole;
    const std::int64_t width = whole.cx, height = whole.cy;
    // The side that needs the larger share of the picture sets the scale; the other is rounded up.
    TSize covering;
    if (std::int64_t{least.cx} * height >= std::int64_t{least.cy} * width) {
        covering.cx = least.cx;
        covering.cy = static_cast<int>(std::min<std::int64_t>((height * least.cx + width - 1) / width, height));
    } else {
        covering.cy = least.cy;
        covering.cx = static_cast<int>(std::min<std::int64_t>((width * least.cy + height - 1) / height, width));
    }
    return covering.cx >= whole.cx || covering.cy >= whole.cy ? whole : covering;
}

void ReduceToCover(TBitmap& picture, TSize least)
{
    const TSize covering = CoveringSize({picture.Width(), picture.Height()}, least);
    if (covering.cx == picture.Width() && covering.cy == picture.Height())
        return;
    if (picture.Transparent())
        ReduceKeeping(picture, covering);
    else
        Stretch(covering.cx, covering.cy, sfBox, 0, picture);
}

bool Covers(TSize kept, TSize whole, TSize least)
{
    return kept == whole || (least.cx > 0 && least.cy > 0 && kept.cx >= least.cx && kept.cy >= least.cy);
}

void DoublePlane(int width, int height, int stride, std::uint8_t* plane)
{
    if (width < 2 || height < 2)
        return;
    const auto row = [plane, stride](int y) { return plane + static_cast<std::ptrdiff_t>(y) * stride; };
    for (int y = height - 1; y >= 0; --y)
        SpreadRow(row(y), row(2 * y), width);
    for (int y = 0; y + 1 < height; ++y)
        BlendRows(row(2 * y), row(2 * y + 2), row(2 * y + 1), width);
    std::memcpy(row(2 * height - 1), row(2 * height - 2), static_cast<std::size_t>(2 * width));
}
