#include "pdf/PdfDevice.h"

#include "pdf/PdfGdiTypes.h"
#include "pdf/PdfPageTree.h"
#include "pdf/PdfStream.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int ThumbnailMode = 1;

} // namespace

TPoint TPdfDevice::RotateThumbNailPoint(TPoint point) const
{
    // The upright thumbnail is as wide as the turned one is high.
    const int uprightWidth = thumbnail_->Height();
    const int uprightHeight = thumbnail_->Width();
    if (page_ != nullptr && page_->Rotation() == 270)
        return {point.Y, uprightWidth - point.X};
    return {uprightHeight - point.Y, point.X};
}

void TPdfDevice::PSThumbnailFillRect(int x, int y, int width, int height, TColor color)
{
    if (!Thumbnails || thumbnail_ == nullptr || !pageStarted_ || page_ == nullptr || formStream_ != nullptr)
        return;
    const int thumbWidth = pageTurned_ ? thumbnail_->Height() : thumbnail_->Width();
    const int thumbHeight = pageTurned_ ? thumbnail_->Width() : thumbnail_->Height();
    const TPoint first = PSPointToPDF(x, y);
    const TPoint second = PSPointToPDF(PdfRound(double(x) + width), PdfRound(double(y) + height));
    // The device's points count down from the page's top, as the thumbnail's rows do; a pixel is
    // left at each side so that neighbouring pictures stay apart.
    TPoint topLeft{MulDiv(first.X, thumbWidth, pageWidth_) + 1, MulDiv(first.Y, thumbHeight, pageHeight_) + 1};
    TPoint bottomRight{MulDiv(second.X, thumbWidth, pageWidth_) - 1, MulDiv(second.Y, thumbHeight, pageHeight_) - 1};
    if (topLeft.Y == bottomRight.Y)
        return;
    if (pageTurned_) {
        topLeft = RotateThumbNailPoint(topLeft);
        bottomRight = RotateThumbNailPoint(bottomRight);
    }
    TCanvas& canvas = thumbnail_->Canvas();
    canvas.Brush.Color = color;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(TRect{std::min(topLeft.X, bottomRight.X), std::min(topLeft.Y, bottomRight.Y),
                          std::max(topLeft.X, bottomRight.X), std::max(topLeft.Y, bottomRight.Y)});
}

void TPdfDevice::AddThumb(const TBitmap& bitmap)
{
    if (page_ == nullptr)
        return;
    if (auto image = CreateXBitmapStream(bitmap, ThumbnailMode))
        page_->SetThumbnail(std::move(image));
}

void TPdfDevice::AddThumbHandle(const TBitmap* bitmap)
{
    if (bitmap != nullptr)
        AddThumb(*bitmap);
}

// Upright rows whatever the page's turn, never JPEG: the thumbnail is mode 1.
void TPdfDevice::WriteThumbnail()
{
    if (Thumbnails && thumbnail_ != nullptr)
        AddThumb(*thumbnail_);
}
