#include "platform/graphics/Icon.h"

#include "platform/core/Streams.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <cstring>

namespace {

QByteArray RestOf(TStream& stream)
{
    QByteArray bytes(static_cast<qsizetype>(std::max<std::int64_t>(stream.Size() - stream.Position(), 0)), '\0');
    bytes.resize(static_cast<qsizetype>(std::max<std::int64_t>(stream.Read(bytes.data(), bytes.size()), 0)));
    return bytes;
}

// Qt's icon reader gives each image of the file in turn; the largest shows the icon best.
QImage LargestImage(QByteArray& bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage largest;
    const int count = std::max(reader.imageCount(), 1);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (!image.isNull() && static_cast<qint64>(image.width()) * image.height() >
                                   static_cast<qint64>(largest.width()) * largest.height())
            largest = image;
    }
    return largest;
}

void CopyInto(const QImage& image, TBitmap& bitmap)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(argb.width(), argb.height());
    for (int y = 0; y < argb.height(); ++y)
        std::memcpy(bitmap.ScanLine(y), argb.constScanLine(y), 4 * static_cast<std::size_t>(argb.width()));
}

} // namespace

void TIcon::LoadFromStream(TStream& stream)
{
    QByteArray bytes = RestOf(stream);
    const QImage image = LargestImage(bytes);
    if (image.isNull() || !TBitmap::IsSoundImageSize(image.width(), image.height(), 32))
        throw EInvalidGraphic(std::string(SInvalidIcon));
    TBitmap loaded;
    CopyInto(image, loaded);
    image_.TakeOver(loaded);
}

void TIcon::SaveToStream(TStream& stream) const
{
    if (Empty())
        throw EInvalidGraphic(std::string(SInvalidIcon));
    TBitmap copy;
    copy.Assign(image_);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    if (!writer.write(copy.ImageView().convertToFormat(QImage::Format_ARGB32)))
        throw EInvalidGraphic(std::string(SInvalidIcon));
    stream.WriteBuffer(bytes.constData(), bytes.size());
}

void TIcon::Assign(const TGraphic& source)
{
    if (const auto* icon = dynamic_cast<const TIcon*>(&source)) {
        image_.Assign(icon->image_);
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::AssignTo(TBitmap& target) const { target.Assign(image_); }
