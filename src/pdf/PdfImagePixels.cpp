#include "pdf/PdfImagePixels.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Colors.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::size_t InfoHeaderSize = 40;
constexpr std::uint32_t BiRgb = 0;
constexpr std::uint32_t BiBitFields = 3;

std::uint32_t U32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24; }
std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// Nearer white than black: the sum of the samples lies above half of white's.
bool NearerWhite(int blue, int green, int red) { return (blue + green + red) * 2 > 3 * 255; }

void SetBit(std::uint8_t* row, int x) { row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8)); }

struct TDibHeader {
    int width = 0;
    int height = 0; // of stored rows
    bool bottomUp = true;
    int bitCount = 0;
    std::size_t stride = 0;
};

std::optional<TDibHeader> ReadHeader(std::span<const std::uint8_t> info)
{
    if (info.size() < InfoHeaderSize || U32(info.data()) < InfoHeaderSize)
        return std::nullopt;
    const auto width = static_cast<std::int32_t>(U32(info.data() + 4));
    const auto height = static_cast<std::int32_t>(U32(info.data() + 8));
    const int bitCount = U16(info.data() + 14);
    const std::uint32_t compression = U32(info.data() + 16);
    const bool bitFields = compression == BiBitFields && (bitCount == 16 || bitCount == 32);
    if (compression != BiRgb && !bitFields)
        return std::nullopt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return std::nullopt;
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    TDibHeader header;
    header.width = width;
    header.height = height < 0 ? -height : height;
    header.bottomUp = height > 0;
    header.bitCount = bitCount;
    header.stride = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32 * 4;
    if (!TBitmap::IsSoundImageSize(header.width, header.height, bitCount))
        return std::nullopt;
    return header;
}

std::size_t Index(const std::uint8_t* row, int x, int bitCount)
{
    switch (bitCount) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
    default:
        return row[x];
    }
}

TPdfBgr ColorAt(const std::uint8_t* row, int x, int bitCount, const std::vector<TPdfBgr>& colors)
{
    switch (bitCount) {
    case 16: {
        const std::uint16_t value = U16(row + x * 2);
        return {static_cast<std::uint8_t>((value & 0x1F) * 8), static_cast<std::uint8_t>((value >> 5 & 0x1F) * 8),
                static_cast<std::uint8_t>((value >> 10 & 0x1F) * 8)};
    }
    case 24:
        return {row[x * 3], row[x * 3 + 1], row[x * 3 + 2]};
    case 32:
        return {row[x * 4], row[x * 4 + 1], row[x * 4 + 2]};
    default: {
        const std::size_t index = Index(row, x, bitCount);
        return index < colors.size() ? colors[index] : TPdfBgr{0, 0, 0};
    }
    }
}

// The source rectangle in stored rows, clipped to the bitmap; the whole bitmap without one.
TRect ClippedSource(const TDibHeader& header, const TRect* source)
{
    if (source == nullptr)
        return {0, 0, header.width, header.height};
    return {std::clamp(std::min(source->Left, source->Right), 0, header.width),
            std::clamp(std::min(source->Top, source->Bottom), 0, header.height),
            std::clamp(std::max(source->Left, source->Right), 0, header.width),
            std::clamp(std::max(source->Top, source->Bottom), 0, header.height)};
}

} // namespace

std::size_t TPdfImagePixels::RowBytes() const
{
    return oneBit ? (static_cast<std::size_t>(width) + 7) / 8 : static_cast<std::size_t>(width) * 3;
}

std::optional<TPdfImagePixels> PixelsOfBitmap(const TBitmap& bitmap)
{
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0)
        return std::nullopt;
    TPdfImagePixels pixels{bitmap.Width(), bitmap.Height(), bitmap.PixelFormat() == pf1bit, {}};
    const TPixelFormat format = bitmap.PixelFormat();
    if (format == pf24bit || format == pf32bit || format == pfDevice) {
        pixels.firstRow = bitmap.ScanLine(0);
        pixels.rowStep = bitmap.BytesPerScanLine();
        pixels.pixelBytes = format == pf24bit ? 3 : 4;
        return pixels;
    }
    pixels.rows.resize(pixels.RowBytes() * static_cast<std::size_t>(pixels.height));
    if (pixels.oneBit) {
        for (int y = 0; y < pixels.height; ++y)
            for (int x = 0; x < pixels.width; ++x) {
                const TColor color = bitmap.Pixel(x, y);
                if (NearerWhite(GetBValue(color), GetGValue(color), GetRValue(color)))
                    SetBit(pixels.rows.data() + static_cast<std::size_t>(y) * pixels.RowBytes(), x);
            }
        return pixels;
    }
    TBitmap rgb;
    rgb.Assign(bitmap);
    rgb.SetPixelFormat(pf24bit);
    for (int y = 0; y < pixels.height; ++y)
        std::copy_n(rgb.ScanLine(y), pixels.RowBytes(),
                    pixels.rows.data() + static_cast<std::size_t>(y) * pixels.RowBytes());
    return pixels;
}

std::vector<TPdfBgr> DibColorsFromQuads(std::span<const std::uint8_t> quads)
{
    std::vector<TPdfBgr> colors;
    for (std::size_t i = 0; i + 4 <= quads.size(); i += 4)
        colors.push_back({quads[i], quads[i + 1], quads[i + 2]});
    return colors;
}

std::vector<TPdfBgr> DibColorsFromPalette(std::span<const std::uint8_t> bitmapInfo,
                                          std::span<const std::uint32_t> logicalPalette)
{
    std::vector<TPdfBgr> colors;
    if (bitmapInfo.size() < InfoHeaderSize)
        return colors;
    const std::size_t headerSize = std::min<std::size_t>(U32(bitmapInfo.data()), bitmapInfo.size());
    for (std::size_t i = headerSize; i + 2 <= bitmapInfo.size(); i += 2) {
        const std::uint16_t index = U16(bitmapInfo.data() + i);
        const std::uint32_t entry = index < logicalPalette.size() ? logicalPalette[index] : 0;
        colors.push_back({static_cast<std::uint8_t>(entry >> 16), static_cast<std::uint8_t>(entry >> 8),
                          static_cast<std::uint8_t>(entry)});
    }
    return colors;
}

std::optional<TPdfImagePixels> PixelsOfDib(std::span<const std::uint8_t> bitmapInfo, std::span<const std::uint8_t> bits,
                                           const std::vector<TPdfBgr>& colors, const TRect* source)
{
    const auto header = ReadHeader(bitmapInfo);
    if (!header || bits.size() / header->stride < static_cast<std::size_t>(header->height))
        return std::nullopt;
    const TRect area = ClippedSource(*header, source);
    if (area.Right <= area.Left || area.Bottom <= area.Top)
        return std::nullopt;
    TPdfImagePixels pixels{area.Right - area.Left, area.Bottom - area.Top, header->bitCount == 1, {}};
    const std::size_t rowBytes = pixels.RowBytes();
    pixels.rows.resize(rowBytes * static_cast<std::size_t>(pixels.height));
    for (int y = 0; y < pixels.height; ++y) {
        const int stored = area.Top + y;
        const int target = header->bottomUp ? pixels.height - 1 - y : y;
        const std::uint8_t* in = bits.data() + static_cast<std::size_t>(stored) * header->stride;
        std::uint8_t* out = pixels.rows.data() + static_cast<std::size_t>(target) * rowBytes;
        for (int x = 0; x < pixels.width; ++x) {
            const TPdfBgr color = ColorAt(in, area.Left + x, header->bitCount, colors);
            if (!pixels.oneBit)
                std::copy(color.begin(), color.end(), out + static_cast<std::size_t>(x) * 3);
            else if (NearerWhite(color[0], color[1], color[2]))
                SetBit(out, x);
        }
    }
    return pixels;
}
