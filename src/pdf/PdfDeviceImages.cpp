#include "pdf/PdfDevice.h"

#include "pdf/PdfFileWriter.h"
#include "pdf/PdfGdiObjects.h"
#include "pdf/PdfImagePixels.h"
#include "pdf/PdfResource.h"
#include "pdf/PdfStream.h"
#include "pdf/Pdfjpeg.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/PixelRows.h"

#include <cmath>
#include <functional>
#include <string_view>

namespace {

constexpr int InvalidBitmap = 2;
constexpr int JpegDataFormat = 2;
// Pictures this small gain nothing from JPEG's blocks of 8 x 8.
constexpr int LargestUncompressedSide = 8;
constexpr TColor ImageThumbnailColor = 0xC0C0C0;
constexpr double SmallestDrawnSide = 0.01;

std::string SizeEntries(int width, int height)
{
    return "/Width " + IntToStr(width) + "\n/Height " + IntToStr(height) + "\n";
}

// The rows as red, green, blue, the order DeviceRGB samples take.
void WriteRgbRows(const TPdfImagePixels& pixels, const std::function<void(std::string_view)>& write)
{
    std::vector<std::uint8_t> rgb(pixels.RowBytes());
    const auto convert = pixels.pixelBytes == 4 ? PackRedGreenBlue : ExchangeRedBlue;
    for (int y = 0; y < pixels.height; ++y) {
        convert(pixels.Row(y), rgb.data(), static_cast<std::size_t>(pixels.width));
        write(std::string_view(reinterpret_cast<const char*>(rgb.data()), rgb.size()));
    }
}

std::string JpegImageDictionary(int number, int width, int height)
{
    return "\n/Type/XObject/Subtype/Image\n/Name/xob" + IntToStr(number) + "\n" + SizeEntries(width, height) +
           "/BitsPerComponent 8\n/ColorSpace/DeviceRGB\n";
}

} // namespace

std::string TPdfDevice::ImageDictionary(const TPdfImagePixels& pixels, int mode, bool jpeg) const
{
    if (jpeg)
        return JpegImageDictionary(resources_->XObjectCount() + 1, pixels.width, pixels.height);
    const std::string name =
        mode == 1 ? std::string()
                  : "/Type/XObject\n/Subtype/Image\n/Name/xob" + IntToStr(resources_->XObjectCount() + 1) + "\n";
    const std::string colors =
        pixels.oneBit ? "/BitsPerComponent 1/ColorSpace/DeviceGray\n" : "/BitsPerComponent 8\n/ColorSpace/DeviceRGB\n";
    return "\n" + name + SizeEntries(pixels.width, pixels.height) + colors;
}

std::unique_ptr<TPdfStream> TPdfDevice::InternCreateDIBStream(const TPdfImagePixels& pixels, int mode, bool jpeg)
{
    OpenResources();
    auto stream = std::make_unique<TPdfStream>(writer_.get());
    stream->WriteStart();
    bool compressed = false;
    if (jpeg && !pixels.oneBit && mode != 1) {
        pdfjpeg::TJPEGImage compressor;
        compressor.SetCompressionQuality(JPEGQuality);
        compressed = compressor.CompressDIB(pixels.Row0(), pixels.RowStep(), pixels.width, pixels.height,
                                            &stream->Data(), pixels.pixelBytes);
    }
    stream->SetExtraDictionary(ImageDictionary(pixels, mode, compressed));
    stream->SetBinary(true);
    if (compressed) {
        stream->DCTDecode(false);
        stream->WriteEnd();
        return stream;
    }
    stream->SetForceCompression(true);
    if (!pixels.oneBit && stream->WritesDataAsCollected()) {
        stream->WriteEndDirect(
            static_cast<std::int64_t>(pixels.RowBytes()) * pixels.height,
            [&](TPdfFileWriter& writer) { WriteRgbRows(pixels, [&](std::string_view row) { writer.RawWrite(row); }); });
        return stream;
    }
    if (pixels.oneBit)
        stream->Data().WriteBuffer(pixels.rows.data(), static_cast<std::int64_t>(pixels.rows.size()));
    else
        WriteRgbRows(pixels, [&](std::string_view row) { stream->RawWrite(row); });
    stream->WriteEnd();
    return stream;
}

std::unique_ptr<TPdfStream> TPdfDevice::CreateXBitmapStream(const TBitmap& bitmap, int mode)
{
    const auto pixels = PixelsOfBitmap(bitmap);
    if (!pixels)
        return nullptr;
    const bool jpeg = JPEGCompression && mode != 1 &&
                      (pixels->width > LargestUncompressedSide || pixels->height > LargestUncompressedSide);
    return InternCreateDIBStream(*pixels, mode, jpeg);
}

std::unique_ptr<TPdfStream> TPdfDevice::CreateXObjectStream(const TGraphic& graphic, int mode)
{
    if (dynamic_cast<const TMetafile*>(&graphic) != nullptr)
        return nullptr;
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic))
        return CreateXBitmapStream(*bitmap, mode);
    TBitmap pixels;
    pixels.Assign(graphic);
    return CreateXBitmapStream(pixels, mode);
}

int TPdfDevice::AddImageOrReport(std::unique_ptr<TPdfStream> stream)
{
    if (stream == nullptr) {
        Error(InvalidBitmap, "");
        return -1;
    }
    return resources_->AddXObject(std::move(stream));
}

int TPdfDevice::AddXBitmap(const TBitmap& bitmap) { return AddImageOrReport(CreateXBitmapStream(bitmap, 0)); }

int TPdfDevice::AddXObject(const TGraphic& graphic)
{
    if (dynamic_cast<const TMetafile*>(&graphic) != nullptr)
        return AddImageOrReport(nullptr);
    auto stream = CreateXObjectStream(graphic, 0);
    return stream != nullptr ? resources_->AddXObject(std::move(stream)) : -1;
}

int TPdfDevice::AddXBitmapData(std::span<const std::uint8_t> data, int width, int height, int format)
{
    if (width <= 0 || height <= 0)
        return -1;
    if (format != JpegDataFormat || data.empty())
        return AddImageOrReport(nullptr);
    TPdfResource& resources = OpenResources();
    auto stream = std::make_unique<TPdfStream>(writer_.get());
    stream->WriteStart();
    stream->SetExtraDictionary(JpegImageDictionary(resources.XObjectCount() + 1, width, height));
    stream->Data().WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    stream->DCTDecode(false);
    stream->SetBinary(true);
    stream->WriteEnd();
    return resources.AddXObject(std::move(stream));
}

void TPdfDevice::DrawXObject(int number, double x, double y, double width, double height)
{
    if (number < 1 || std::abs(width) <= SmallestDrawnSide || std::abs(height) <= SmallestDrawnSide)
        return;
    PSThumbnailFillRect(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)),
                        static_cast<int>(std::lround(width)), static_cast<int>(std::lround(height)),
                        ImageThumbnailColor);
    PSStartGraphic();
    if (DCStack().YAxisUp())
        height = -height;
    TPdfDeviceWorkBuffer& buffer = WorkBuffer();
    buffer.Append("q ");
    buffer.AppendFloat(width);
    buffer.Append("0 0 ");
    buffer.AppendFloat(height);
    buffer.AppendFloat(x);
    buffer.AppendFloat(LogicalPageHeight() - y - height);
    buffer.Append("cm /xob");
    buffer.AppendInt(number);
    buffer.Append("Do Q\n");
}

std::vector<std::uint32_t> TPdfDevice::SelectedPalette()
{
    const auto* palette = dynamic_cast<const TPdfDvPalette*>(Objects().GetObjects(DC().paletteHandle));
    return palette != nullptr ? palette->entries : std::vector<std::uint32_t>{};
}

int TPdfDevice::PSStretchDIBits(bool rgbColors, double x, double y, double width, double height, const TRect& source,
                                bool mayCrop, std::span<const std::uint8_t> bits,
                                std::span<const std::uint8_t> bitmapInfo, std::span<const std::uint8_t> colorTable,
                                std::uint32_t /*rop*/)
{
    const auto colors =
        rgbColors ? DibColorsFromQuads(colorTable) : DibColorsFromPalette(bitmapInfo, SelectedPalette());
    const auto pixels = PixelsOfDib(bitmapInfo, bits, colors, mayCrop ? &source : nullptr);
    const int number = AddImageOrReport(pixels ? InternCreateDIBStream(*pixels, 0, JPEGCompression) : nullptr);
    if (number < 1)
        return 0;
    DrawXObject(number, x, y, width, height);
    return number;
}
