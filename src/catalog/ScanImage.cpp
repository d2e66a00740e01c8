#include "catalog/ScanImage.h"

#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpFormat.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int BmpFileHeaderSize = 14;

int ChannelOf(ScanFrame format)
{
    // Rows are B,G,R.
    switch (format) {
    case ScanFrame::Red:
        return 2;
    case ScanFrame::Green:
        return 1;
    case ScanFrame::Blue:
        return 0;
    default:
        return -1;
    }
}

bool SingleChannel(ScanFrame format)
{
    return format != ScanFrame::Gray && format != ScanFrame::Rgb;
}

} // namespace

bool ScanImage::BeginFrame(const ScanParameters& parameters)
{
    const bool colour = parameters.format == ScanFrame::Rgb;
    const bool depthFits = parameters.depth == 8 || parameters.depth == 16 || (!colour && parameters.depth == 1);
    if (!depthFits || parameters.pixelsPerLine < 1 || parameters.pixelsPerLine > MaxSide)
        return false;
    if (parameters.lines != -1 && (parameters.lines < 1 || parameters.lines > MaxSide))
        return false;
    const std::int64_t samples = std::int64_t{parameters.pixelsPerLine} * (colour ? 3 : 1);
    const std::int64_t rowBytes = (samples * parameters.depth + 7) / 8;
    if (parameters.bytesPerLine < rowBytes || parameters.bytesPerLine > MaxBytes / 16)
        return false;
    const bool firstFrame = width_ == 0;
    if (!firstFrame && (!SingleChannel(parameters.format) || parameters.pixelsPerLine != width_))
        return false;
    if (firstFrame) {
        width_ = parameters.pixelsPerLine;
        height_ = 0;
        if (parameters.lines > 0) {
            if (std::int64_t{width_} * parameters.lines * 3 > MaxBytes)
                return false;
            pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(parameters.lines) * 3, 0);
        }
    } else if (parameters.lines > 0 && parameters.lines != height_) {
        return false;
    }
    frame_ = parameters;
    rowLimit_ = parameters.lines > 0 ? parameters.lines : (firstFrame ? MaxSide : height_);
    row_.assign(static_cast<size_t>(parameters.bytesPerLine), 0);
    rowFill_ = 0;
    rowsInFrame_ = 0;
    return true;
}

bool ScanImage::Append(const std::uint8_t* data, int length)
{
    while (length > 0) {
        const int take = std::min(length, frame_.bytesPerLine - rowFill_);
        std::memcpy(row_.data() + rowFill_, data, static_cast<size_t>(take));
        rowFill_ += take;
        data += take;
        length -= take;
        if (rowFill_ < frame_.bytesPerLine)
            break;
        rowFill_ = 0;
        if (rowsInFrame_ >= rowLimit_ || std::int64_t{width_} * (rowsInFrame_ + 1) * 3 > MaxBytes)
            return false;
        ConvertRow();
    }
    return true;
}

bool ScanImage::EndFrame()
{
    if (frame_.lines > 0 && rowsInFrame_ != frame_.lines)
        return false;
    if (SingleChannel(frame_.format) && rowsInFrame_ != height_ && height_ != 0)
        return false;
    height_ = rowsInFrame_;
    pixels_.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3);
    lastFrameDone_ = frame_.lastFrame;
    return true;
}

int ScanImage::SampleAt(int x, int channel) const
{
    switch (frame_.depth) {
    case 1:
        return (row_[static_cast<size_t>(x / 8)] >> (7 - x % 8)) & 1 ? 0 : 255;
    case 16: {
        std::uint16_t sample = 0;
        std::memcpy(&sample, row_.data() + (static_cast<size_t>(x) * (channel < 0 ? 1 : 3) + std::max(channel, 0)) * 2,
                    sizeof sample);
        return sample >> 8;
    }
    default:
        return row_[static_cast<size_t>(x) * (channel < 0 ? 1 : 3) + static_cast<size_t>(std::max(channel, 0))];
    }
}

void ScanImage::ConvertRow()
{
    const size_t rowSize = static_cast<size_t>(width_) * 3;
    const size_t offset = static_cast<size_t>(rowsInFrame_) * rowSize;
    if (pixels_.size() < offset + rowSize)
        pixels_.resize(std::clamp(pixels_.size() * 2, offset + rowSize, static_cast<size_t>(MaxBytes)));
    std::uint8_t* out = pixels_.data() + offset;
    const int channel = ChannelOf(frame_.format);
    for (int x = 0; x < width_; ++x, out += 3) {
        if (frame_.format == ScanFrame::Rgb) {
            // Samples come R,G,B.
            out[2] = static_cast<std::uint8_t>(SampleAt(x, 0));
            out[1] = static_cast<std::uint8_t>(SampleAt(x, 1));
            out[0] = static_cast<std::uint8_t>(SampleAt(x, 2));
        } else if (channel >= 0) {
            out[channel] = static_cast<std::uint8_t>(SampleAt(x, -1));
        } else {
            out[0] = out[1] = out[2] = static_cast<std::uint8_t>(SampleAt(x, -1));
        }
    }
    ++rowsInFrame_;
}

std::unique_ptr<TBitmap> ScanImage::Bitmap(int quarterTurns) const
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    const bool sideways = quarterTurns % 2 == 1;
    bitmap->SetSize(sideways ? height_ : width_, sideways ? width_ : height_);
    const size_t rowSize = static_cast<size_t>(width_) * 3;
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* source = pixels_.data() + static_cast<size_t>(y) * rowSize;
        if (quarterTurns == 0) {
            std::memcpy(bitmap->ScanLine(y), source, rowSize);
            continue;
        }
        for (int x = 0; x < width_; ++x) {
            const int toX = quarterTurns == 1 ? height_ - 1 - y : quarterTurns == 2 ? width_ - 1 - x : y;
            const int toY = quarterTurns == 1 ? x : quarterTurns == 2 ? height_ - 1 - y : width_ - 1 - x;
            std::memcpy(bitmap->ScanLine(toY) + static_cast<size_t>(toX) * 3, source + static_cast<size_t>(x) * 3, 3);
        }
    }
    return bitmap;
}

std::vector<std::uint8_t> PackedDib(const TBitmap& bitmap)
{
    TMemoryStream stream;
    WriteBitmapFile(stream, bitmap);
    const std::uint8_t* bytes = stream.Memory();
    return {bytes + BmpFileHeaderSize, bytes + stream.Size()};
}
