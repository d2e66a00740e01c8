#include "pdf/Pdfjpeg.h"

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGCompressor.h"
#include "platform/graphics/JPEGImage.h"

#include <algorithm>

namespace pdfjpeg {

TJPEGImage::TJPEGImage()
    : image_(std::make_shared<TJPEGData>()), compressionQuality_(JPEGDefaults.CompressionQuality),
      grayscale_(JPEGDefaults.Grayscale), progressiveEncoding_(JPEGDefaults.ProgressiveEncoding)
{
}

TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::NewImage() const { image_ = std::make_shared<TJPEGData>(); }

bool TJPEGImage::CompressRows(const std::uint8_t* bits, std::ptrdiff_t rowStep, int width, int height,
                              TStream& output, int pixelBytes) const
{
    TRect rect{0, 0, width, height};
    auto* self = const_cast<TJPEGImage*>(this);
    self->Progress(psStarting, 0, false, rect, "");
    try {
        CompressJPEGRows(bits, rowStep, width, height,
                         {compressionQuality_, grayscale_, progressiveEncoding_, pixelBytes}, output,
                         [&](int percent) {
                             self->Progress(psRunning, static_cast<std::uint8_t>(std::clamp(percent, 0, 100)), false,
                                            rect, "");
                         });
    } catch (const EJPEG&) {
        NewImage();
        self->Progress(psEnding, 0, false, rect, "");
        return false;
    }
    self->Progress(psEnding, 100, false, rect, "");
    return true;
}

bool TJPEGImage::CompressDIB(const std::uint8_t* bits, std::ptrdiff_t rowStep, int width, int height, TStream* output,
                             int pixelBytes)
{
    if (height <= 0 || bits == nullptr || rowStep == 0)
        return false;
    if (output == nullptr) {
        NewImage();
        output = &image_->Data;
    }
    image_->Width = width;
    image_->Height = height;
    image_->Grayscale = grayscale_;
    if (!CompressRows(bits, rowStep, width, height, *output, pixelBytes))
        return false;
    image_->Data.SetPosition(0);
    return true;
}

void TJPEGImage::Compress() const
{
    if (!bitmap_ || bitmap_->Width() == 0 || bitmap_->Height() == 0)
        return;
    TBitmap rows;
    rows.Assign(*bitmap_);
    rows.SetPixelFormat(pf24bit);
    NewImage();
    image_->Width = rows.Width();
    image_->Height = rows.Height();
    image_->Grayscale = grayscale_;
    if (CompressRows(rows.ScanLine(0), rows.BytesPerScanLine(), rows.Width(), rows.Height(), image_->Data))
        image_->Data.SetPosition(0);
}

void TJPEGImage::Assign(const TGraphic& source)
{
    const auto* bitmap = dynamic_cast<const TBitmap*>(&source);
    if (bitmap == nullptr) {
        TGraphic::Assign(source);
        return;
    }
    NewImage();
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(*bitmap);
    bitmap_ = std::move(copy);
}

void TJPEGImage::JPEGNeeded() const
{
    if (image_->Data.Size() == 0)
        Compress();
}

void TJPEGImage::SaveToStream(TStream& stream) const
{
    JPEGNeeded();
    TMemoryStream& data = image_->Data;
    stream.WriteBuffer(data.Memory(), data.Size());
}

void TJPEGImage::WriteData(TStream& stream) const
{
    const auto size = static_cast<std::uint32_t>(image_->Data.Size());
    stream.WriteBuffer(&size, sizeof size);
    SaveToStream(stream);
}

void TJPEGImage::LoadFromStream(TStream&) { throw EInvalidGraphicOperation("Not supported"); }

int TJPEGImage::Width() const { return bitmap_ ? bitmap_->Width() : image_->Width; }
int TJPEGImage::Height() const { return bitmap_ ? bitmap_->Height() : image_->Height; }

bool TJPEGImage::Empty() const
{
    return image_->Data.Size() == 0 && (!bitmap_ || bitmap_->Width() == 0 || bitmap_->Height() == 0);
}

void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation(std::string(sChangeJPGSize)); }

// A changed setting drops the data made so far; the bitmap is compressed again when needed.
void TJPEGImage::SetCompressionQuality(int quality)
{
    quality = std::clamp(quality, 1, 100);
    if (quality != compressionQuality_)
        NewImage();
    compressionQuality_ = quality;
}

bool TJPEGImage::Grayscale() const { return grayscale_ || image_->Grayscale; }

void TJPEGImage::SetGrayscale(bool value)
{
    if (value != grayscale_)
        NewImage();
    grayscale_ = value;
}

void TJPEGImage::SetProgressiveEncoding(bool value)
{
    if (value != progressiveEncoding_)
        NewImage();
    progressiveEncoding_ = value;
}

} // namespace pdfjpeg
