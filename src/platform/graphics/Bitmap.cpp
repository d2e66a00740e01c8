#include "platform/graphics/Bitmap.h"

#include "platform/core/LittleEndian.h"
#include "platform/core/Streams.h"
#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/Canvas.h"

#include <QImage>

#include <algorithm>
#include <cstring>

namespace {

int ReadIndex(int bitsPerPixel, const std::uint8_t* row, int x)
{
    switch (bitsPerPixel) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default:
        return row[x];
    }
}

void WriteIndex(int bitsPerPixel, std::uint8_t* row, int x, int index)
{
    switch (bitsPerPixel) {
    case 1: {
        const auto bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<std::uint8_t>(index & 1 ? row[x >> 3] | bit : row[x >> 3] & ~bit);
        break;
    }
    case 4: {
        std::uint8_t& byte = row[x >> 1];
        byte =
            static_cast<std::uint8_t>((x & 1) ? (byte & 0xF0) | (index & 0x0F) : (byte & 0x0F) | ((index & 0x0F) << 4));
        break;
    }
    default:
        row[x] = static_cast<std::uint8_t>(index);
    }
}

// 5 and 6-bit fields scale to the full 0..255 range, truncated.
std::uint8_t Widen5(unsigned value) { return static_cast<std::uint8_t>(value * 255 / 31); }
std::uint8_t Widen6(unsigned value) { return static_cast<std::uint8_t>(value * 255 / 63); }

std::uint32_t ReadValue(TPixelFormat format, const std::uint8_t* row, int x)
{
    switch (format) {
    case pf1bit:
    case pf4bit:
    case pf8bit:
        return static_cast<std::uint32_t>(ReadIndex(BitsPerPixel(format), row, x));
    case pf15bit:
    case pf16bit:
        return GetU16(row + 2 * x);
    case pf24bit: {
        const std::uint8_t* p = row + 3 * x;
        return static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
    }
    default: {
        const std::uint8_t* p = row + 4 * x;
        return static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
    }
    }
}

void WriteValue(TPixelFormat format, std::uint8_t* row, int x, std::uint32_t value)
{
    switch (format) {
    case pf1bit:
    case pf4bit:
    case pf8bit:
        WriteIndex(BitsPerPixel(format), row, x, static_cast<int>(value));
        break;
    case pf15bit:
    case pf16bit:
        PutU16(row + 2 * x, value & 0xFFFF);
        break;
    case pf24bit: {
        std::uint8_t* p = row + 3 * x;
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>(value >> 8);
        p[2] = static_cast<std::uint8_t>(value >> 16);
        break;
    }
    default: {
        std::uint8_t* p = row + 4 * x;
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>(value >> 8);
        p[2] = static_cast<std::uint8_t>(value >> 16);
        p[3] = 0;
    }
    }
}

TColor ColorOfValue(TPixelFormat format, const TPalette& palette, std::uint32_t value)
{
    switch (format) {
    case pf1bit:
    case pf4bit:
    case pf8bit: {
        const auto index = static_cast<int>(value);
        return index < palette.Count() ? palette.Color(index) : clBlack;
    }
    case pf15bit:
        return static_cast<TColor>(RGB(Widen5((value >> 10) & 31), Widen5((value >> 5) & 31), Widen5(value & 31)));
    case pf16bit:
        return static_cast<TColor>(RGB(Widen5((value >> 11) & 31), Widen6((value >> 5) & 63), Widen5(value & 31)));
    default:
        return static_cast<TColor>(RGB(static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                                       static_cast<std::uint8_t>(value)));
    }
}

std::uint32_t ValueOfColor(TPixelFormat format, const TPalette& palette, TColor color)
{
    const auto rgb = static_cast<COLORREF>(ColorToRGB(color));
    const unsigned r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
    switch (format) {
    case pf1bit:
    case pf4bit:
    case pf8bit:
        return static_cast<std::uint32_t>(std::max(0, palette.NearestIndex(color)));
    case pf15bit:
        return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case pf16bit:
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    default:
        return b | (g << 8) | (r << 16);
    }
}

TColor ReadColor(TPixelFormat format, const TPalette& palette, const std::uint8_t* row, int x)
{
    return ColorOfValue(format, palette, ReadValue(format, row, x));
}

void WriteColor(TPixelFormat format, const TPalette& palette, std::uint8_t* row, int x, TColor color)
{
    WriteValue(format, row, x, ValueOfColor(format, palette, color));
}

TPalette DefaultPalette(TPixelFormat format)
{
    return format == pf1bit ? TPalette::BlackAndWhite() : TPalette::StandardVGA();
}

QList<QRgb> ColorTable(const TPalette& palette, int size)
{
    QList<QRgb> table(size, qRgb(0, 0, 0));
    for (int i = 0; i < std::min(size, palette.Count()); ++i) {
        const TPaletteEntry& e = palette.Entries[static_cast<std::size_t>(i)];
        table[i] = qRgb(e.peRed, e.peGreen, e.peBlue);
    }
    return table;
}

// The row length of a bitmap of the size, once its storage is known to fit under the cap; only then
// does it narrow to int.
int CheckedStride(int width, int height, int bitsPerPixel)
{
    const std::int64_t stride = BytesPerScanLine(width, bitsPerPixel);
    if (stride > TBitmap::MaxStorageBytes || stride * height > TBitmap::MaxStorageBytes)
        throw EOutOfResources(std::string(SOutOfResources));
    return static_cast<int>(stride);
}

} // namespace

int BitsPerPixel(TPixelFormat format)
{
    switch (format) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf15bit:
    case pf16bit:
        return 16;
    case pf24bit:
        return 24;
    default:
        return 32;
    }
}

bool IsPaletteFormat(TPixelFormat format) { return format == pf1bit || format == pf4bit || format == pf8bit; }

std::int64_t BytesPerScanLine(std::int64_t width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

bool TBitmap::IsSoundImageSize(std::uint64_t width, std::uint64_t height, unsigned bitsPerPixel)
{
    if (width == 0 || height == 0 || width > MaxImageSide || height > MaxImageSide || bitsPerPixel == 0 ||
        width * height > MaxImagePixels)
        return false;
    const std::uint64_t bytesPerRow = (width * bitsPerPixel + 7) / 8;
    return bytesPerRow * height <= MaxDecodedBytes;
}

bool TBitmap::DataCanFill(std::int64_t dataBytes, std::uint64_t decodedBytes, std::uint64_t expansion)
{
    const std::uint64_t needed = (decodedBytes + expansion - 1) / expansion;
    return dataBytes > 0 && static_cast<std::uint64_t>(dataBytes) >= needed;
}

void TBitmap::LoadFromStream(TStream& stream)
{
    TBitmap loaded;
    ReadBitmapFile(stream, loaded);
    std::swap(width_, loaded.width_);
    std::swap(height_, loaded.height_);
    std::swap(stride_, loaded.stride_);
    std::swap(pixelFormat_, loaded.pixelFormat_);
    std::swap(palette_, loaded.palette_);
    std::swap(bits_, loaded.bits_);
}

void TBitmap::SaveToStream(TStream& stream) const { WriteBitmapFile(stream, *this); }

void TBitmap::Assign(const TGraphic& source)
{
    if (&source == this)
        return;
    const auto* bitmap = dynamic_cast<const TBitmap*>(&source);
    if (!bitmap) {
        source.AssignTo(*this);
        return;
    }
    width_ = bitmap->width_;
    height_ = bitmap->height_;
    stride_ = bitmap->stride_;
    pixelFormat_ = bitmap->pixelFormat_;
    palette_ = bitmap->palette_;
    bits_ = bitmap->bits_;
    transparentColor_ = bitmap->transparentColor_;
    SetTransparent(bitmap->Transparent());
}

void TBitmap::TakeOver(TBitmap& source)
{
    if (&source == this)
        return;
    width_ = std::exchange(source.width_, 0);
    height_ = std::exchange(source.height_, 0);
    stride_ = std::exchange(source.stride_, 0);
    pixelFormat_ = source.pixelFormat_;
    palette_ = std::move(source.palette_);
    source.palette_.Entries.clear();
    bits_ = std::move(source.bits_);
    source.bits_.clear();
    transparentColor_ = source.transparentColor_;
    SetTransparent(source.Transparent());
}

void TBitmap::SetSizeForDecoder(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    const int bitsPerPixel = BitsPerPixel(pixelFormat_);
    const int stride = CheckedStride(width, height, bitsPerPixel);
    FitPaletteToFormat();
    bits_ = TPixelStorage(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    width_ = width;
    height_ = height;
    stride_ = stride;
    // A packed row's last, partly used byte is cleared too, so that the bits past its end stay zero.
    const auto written = static_cast<std::ptrdiff_t>(static_cast<std::int64_t>(width) * bitsPerPixel / 8);
    for (int y = 0; y < height; ++y)
        std::fill(ScanLine(y) + written, ScanLine(y) + stride, std::uint8_t{0});
}

void TBitmap::SetSize(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_)
        return;
    const int bitsPerPixel = BitsPerPixel(pixelFormat_);
    const int stride = CheckedStride(width, height, bitsPerPixel);
    FitPaletteToFormat();

    TPixelStorage bits(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0);
    const int keptWidth = std::min(width, width_);
    const int keptHeight = std::min(height, height_);
    for (int y = 0; y < keptHeight; ++y) {
        const std::uint8_t* from = ScanLine(y);
        std::uint8_t* to = bits.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        if (bitsPerPixel >= 8)
            std::memcpy(to, from, static_cast<std::size_t>(keptWidth) * static_cast<std::size_t>(bitsPerPixel / 8));
        else
            for (int x = 0; x < keptWidth; ++x)
                WriteIndex(bitsPerPixel, to, x, ReadIndex(bitsPerPixel, from, x));
    }
    const int oldWidth = width_;
    bits_ = std::move(bits);
    width_ = width;
    height_ = height;
    stride_ = stride;
    FillWhite(std::min(oldWidth, width), width, 0, keptHeight);
    FillWhite(0, width, keptHeight, height);
}

void TBitmap::SetSizeFilled(int width, int height, TColor color)
{
    SetSizeForDecoder(width, height);
    FillValue(0, width_, 0, height_, ValueOfColor(color));
}

void TBitmap::FillWhite(int fromX, int toX, int fromY, int toY)
{
    const bool palette = BitsPerPixel(pixelFormat_) < 8;
    FillValue(fromX, toX, fromY, toY,
              palette ? static_cast<std::uint32_t>(std::max(0, palette_.NearestIndex(clWhite))) : ValueOfColor(clWhite));
}

void TBitmap::FillValue(int fromX, int toX, int fromY, int toY, std::uint32_t value)
{
    if (fromX >= toX || fromY >= toY)
        return;
    const int bitsPerPixel = BitsPerPixel(pixelFormat_);
    if (bitsPerPixel < 8) {
        FillIndexRows(fromX, toX, fromY, toY, static_cast<int>(value));
        return;
    }
    const int bytesPerPixel = bitsPerPixel / 8;
    std::uint8_t pixel[4] = {};
    WriteValue(pixelFormat_, pixel, 0, value);
    const auto offset = static_cast<std::ptrdiff_t>(fromX) * bytesPerPixel;
    const auto length = static_cast<std::size_t>(toX - fromX) * static_cast<std::size_t>(bytesPerPixel);
    if (std::all_of(pixel + 1, pixel + bytesPerPixel, [&](std::uint8_t byte) { return byte == pixel[0]; })) {
        for (int y = fromY; y < toY; ++y)
            std::memset(ScanLine(y) + offset, pixel[0], length);
        return;
    }
    // Pixel by pixel once; every further row is a copy of the first.
    std::uint8_t* first = ScanLine(fromY) + offset;
    for (std::size_t i = 0; i < length; i += static_cast<std::size_t>(bytesPerPixel))
        std::memcpy(first + i, pixel, static_cast<std::size_t>(bytesPerPixel));
    for (int y = fromY + 1; y < toY; ++y)
        std::memcpy(ScanLine(y) + offset, first, length);
}

// Fills with one palette index: pixel by pixel up to a byte boundary and after the last whole byte,
// whole bytes between.
void TBitmap::FillIndexRows(int fromX, int toX, int fromY, int toY, int index)
{
    const int bitsPerPixel = BitsPerPixel(pixelFormat_);
    const int perByte = 8 / bitsPerPixel;
    std::uint8_t pattern = 0;
    for (int i = 0; i < perByte; ++i)
        WriteIndex(bitsPerPixel, &pattern, i, index);
    const int wholeFrom = std::min(toX, (fromX + perByte - 1) / perByte * perByte);
    const int wholeTo = std::max(wholeFrom, toX / perByte * perByte);
    for (int y = fromY; y < toY; ++y) {
        std::uint8_t* row = ScanLine(y);
        for (int x = fromX; x < wholeFrom; ++x)
            WriteIndex(bitsPerPixel, row, x, index);
        std::memset(row + wholeFrom / perByte, pattern, static_cast<std::size_t>((wholeTo - wholeFrom) / perByte));
        for (int x = wholeTo; x < toX; ++x)
            WriteIndex(bitsPerPixel, row, x, index);
    }
}

void TBitmap::FitPaletteToFormat()
{
    if (!IsPaletteFormat(pixelFormat_))
        return;
    if (palette_.Count() == 0 || palette_.Count() > (1 << BitsPerPixel(pixelFormat_)))
        palette_ = DefaultPalette(pixelFormat_);
}

void TBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == pfCustom)
        throw EInvalidGraphic(std::string(SInvalidPixelFormat));
    if (format == pixelFormat_)
        return;
    const int stride = CheckedStride(width_, height_, BitsPerPixel(format));
    const TPixelFormat oldFormat = pixelFormat_;
    const TPalette oldPalette = palette_;
    const TPixelStorage oldBits = std::move(bits_);
    const int oldStride = stride_;

    pixelFormat_ = format;
    stride_ = stride;
    if (IsPaletteFormat(format))
        FitPaletteToFormat();
    else
        palette_.Entries.clear();
    bits_.assign(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(height_), 0);

    const bool keepIndices = format == pf8bit && (oldFormat == pf1bit || oldFormat == pf4bit);
    if (keepIndices)
        palette_ = oldPalette;
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* from = oldBits.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(oldStride);
        std::uint8_t* to = ScanLine(y);
        for (int x = 0; x < width_; ++x) {
            if (keepIndices)
                to[x] = static_cast<std::uint8_t>(ReadIndex(BitsPerPixel(oldFormat), from, x));
            else
                WriteColor(format, palette_, to, x, ReadColor(oldFormat, oldPalette, from, x));
        }
    }
}

void TBitmap::SetPalette(const TPalette& palette)
{
    palette_ = palette;
    const int limit = IsPaletteFormat(pixelFormat_) ? 1 << BitsPerPixel(pixelFormat_) : TPalette::MaxEntries;
    if (palette_.Count() > limit)
        palette_.Entries.resize(static_cast<std::size_t>(limit));
}

void TBitmap::CheckScanLine(int y) const
{
    if (y < 0 || y >= height_)
        throw EInvalidGraphicOperation(std::string(SScanLine));
}

std::uint8_t* TBitmap::ScanLine(int y)
{
    CheckScanLine(y);
    return bits_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_);
}

const std::uint8_t* TBitmap::ScanLine(int y) const
{
    CheckScanLine(y);
    return bits_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride_);
}

TColor TBitmap::Pixel(int x, int y) const
{
    if (x < 0 || x >= width_ || y < 0 || y >= height_)
        return -1;
    return ReadColor(pixelFormat_, palette_, ScanLine(y), x);
}

void TBitmap::SetPixel(int x, int y, TColor color)
{
    if (x < 0 || x >= width_ || y < 0 || y >= height_)
        return;
    WriteColor(pixelFormat_, palette_, ScanLine(y), x, color);
}

TColor TBitmap::TransparentColor() const
{
    constexpr TColor TransparentFlag = 0x02000000;
    if (transparentColor_ != clDefault)
        return ColorToRGB(transparentColor_) | TransparentFlag;
    if (pixelFormat_ == pf1bit || Empty())
        return clWhite | TransparentFlag;
    return Pixel(0, height_ - 1) | TransparentFlag;
}

QImage TBitmap::ImageView()
{
    if (Empty())
        return {};
    switch (pixelFormat_) {
    case pf1bit: {
        QImage image(bits_.data(), width_, height_, stride_, QImage::Format_Mono);
        image.setColorTable(ColorTable(palette_, 2));
        return image;
    }
    case pf4bit: {
        QImage image(width_, height_, QImage::Format_Indexed8);
        image.setColorTable(ColorTable(palette_, 16));
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                image.scanLine(y)[x] = static_cast<uchar>(ReadIndex(4, ScanLine(y), x));
        return image;
    }
    case pf8bit: {
        QImage image(bits_.data(), width_, height_, stride_, QImage::Format_Indexed8);
        image.setColorTable(ColorTable(palette_, 256));
        return image;
    }
    case pf15bit:
        return QImage(bits_.data(), width_, height_, stride_, QImage::Format_RGB555);
    case pf16bit:
        return QImage(bits_.data(), width_, height_, stride_, QImage::Format_RGB16);
    case pf24bit:
        return QImage(bits_.data(), width_, height_, stride_, QImage::Format_BGR888);
    default:
        return QImage(bits_.data(), width_, height_, stride_, QImage::Format_RGB32);
    }
}

std::uint32_t TBitmap::PixelValue(int x, int y) const { return ReadValue(pixelFormat_, ScanLine(y), x); }

void TBitmap::SetPixelValue(int x, int y, std::uint32_t value) { WriteValue(pixelFormat_, ScanLine(y), x, value); }

std::uint32_t TBitmap::ValueOfColor(TColor color) const { return ::ValueOfColor(pixelFormat_, palette_, color); }

TColor TBitmap::ColorOfValue(std::uint32_t value) const { return ::ColorOfValue(pixelFormat_, palette_, value); }

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

TCanvas& TBitmap::Canvas()
{
    if (!canvas_)
        canvas_ = std::make_unique<TCanvas>(*this);
    return *canvas_;
}
