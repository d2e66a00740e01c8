#include "imageformats/PCDGraphic.h"

#include "imageformats/Resampling.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::string_view PCDName = "PCD";
constexpr int SectorSize = 2048;
constexpr int HeaderSize = 3 * SectorSize;
constexpr std::string_view OverviewSignature = "PCD_OPA";
constexpr std::string_view ImageSignature = "PCD";
constexpr int ImageSignatureAt = SectorSize;
constexpr int ImageCountAt = 10;
constexpr int RotationAt = 3586;
constexpr int BaseImageSector = 96;
constexpr int OverviewBaseImageSector = 5;
constexpr unsigned BaseImageIndex = 2;
constexpr unsigned LargestIndex = 5;
constexpr int BaseWidth = 768;
constexpr int BaseHeight = 512;

using THeader = std::array<std::uint8_t, HeaderSize>;

bool HoldsAt(const std::uint8_t* bytes, std::size_t at, std::string_view text)
{
    return std::memcmp(bytes + at, text.data(), text.size()) == 0;
}

bool IsOverview(const THeader& header) { return HoldsAt(header.data(), 0, OverviewSignature); }

bool HasSignature(const THeader& header)
{
    return IsOverview(header) || HoldsAt(header.data(), ImageSignatureAt, ImageSignature);
}

} // namespace

// The base image as read: luminance at full size, the chroma planes first at half size in the top
// left of room for the full size.
struct TPCDGraphic::TPlanes {
    std::vector<std::uint8_t> Luminance = std::vector<std::uint8_t>(BaseWidth * BaseHeight);
    std::vector<std::uint8_t> Chroma1 = std::vector<std::uint8_t>(BaseWidth * BaseHeight);
    std::vector<std::uint8_t> Chroma2 = std::vector<std::uint8_t>(BaseWidth * BaseHeight);
};

bool TPCDGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    if (stream.Size() - start <= HeaderSize)
        return false;
    std::array<std::uint8_t, ImageSignatureAt + 3> bytes{};
    const bool read = stream.Read(bytes.data(), bytes.size()) == static_cast<std::int64_t>(bytes.size());
    stream.SetPosition(start);
    return read &&
           (HoldsAt(bytes.data(), 0, OverviewSignature) || HoldsAt(bytes.data(), ImageSignatureAt, ImageSignature));
}

bool TPCDGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    THeader header{};
    if (stream.Read(header.data(), HeaderSize) != HeaderSize || !HasSignature(header))
        return false;
    TImageProperties& properties = FImageProperties;
    properties.Overview = IsOverview(header);
    const unsigned index = properties.Overview ? 0 : std::min(imageIndex, LargestIndex);
    properties.Rotate = header[RotationAt] & 3;
    properties.ImageCount = BigEndian16(&header[ImageCountAt]);
    properties.Width = 192u << index;
    properties.Height = 128u << index;
    if (properties.Rotate == 1 || properties.Rotate == 3)
        std::swap(properties.Width, properties.Height);
    properties.ColorScheme = csPhotoYCC;
    properties.BitsPerSample = 8;
    properties.SamplesPerPixel = 3;
    properties.BitsPerPixel = 24;
    properties.Compression = index < 3 ? ctNone : ctPCDHuffmann;
    return true;
}

void TPCDGraphic::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    if (!ReadImageProperties(stream, BaseImageIndex))
        RaiseImageErrorFmt(SInvalidImage, {PCDName});
    FBasePosition = start;

    // The base image is the first image of an overview pack, so the properties describe the base
    // image whichever pack this is.
    const bool quarterTurn = FImageProperties.Rotate == 1 || FImageProperties.Rotate == 3;
    FImageProperties.Width = quarterTurn ? BaseHeight : BaseWidth;
    FImageProperties.Height = quarterTurn ? BaseWidth : BaseHeight;
    const int sector = FImageProperties.Overview ? OverviewBaseImageSector : BaseImageSector;
    stream.SetPosition(start + std::int64_t{sector} * SectorSize);
    BeginProgress(static_cast<int>(FImageProperties.Width));

    const float weights[] = {0.2125f, 0.7154f, 0.0721f};
    FColorManager.SetSourceColorScheme(csPhotoYCC);
    FColorManager.SetSourceBitsPerSample(8);
    FColorManager.SetSourceSamplesPerPixel(3);
    FColorManager.SetTargetColorScheme(csBGR);
    FColorManager.SetTargetBitsPerSample(8);
    FColorManager.SetTargetSamplesPerPixel(3);
    FColorManager.SetYCbCrParameters(weights, 2, 2);
    FColorManager.CheckConversion(PCDName, 3);

    TPlanes planes;
    NextProgressStage(SLoadingData);
    ReadPlanes(stream, planes);
    NextProgressStage(SUpsampling);
    DoublePlane(BaseWidth / 2, BaseHeight / 2, BaseWidth, planes.Chroma1.data());
    DoublePlane(BaseWidth / 2, BaseHeight / 2, BaseWidth, planes.Chroma2.data());
    NextProgressStage(STransfering);
    TBitmap image;
    image.SetPixelFormat(pf24bit);
    image.SetSize(static_cast<int>(FImageProperties.Width), static_cast<int>(FImageProperties.Height));
    Transfer(planes, image);
    EndProgress();
    TakeOver(image);
}

// Each pair of rows: two luminance rows, then one row of each chroma plane at half the width. The
// progress rectangle stays on the first row until the rows are transferred.
void TPCDGraphic::ReadPlanes(TStream& stream, TPlanes& planes)
{
    for (int pair = 0; pair < BaseHeight / 2; ++pair) {
        ReadExactly(stream, &planes.Luminance[static_cast<std::size_t>(2 * pair * BaseWidth)], 2 * BaseWidth, PCDName);
        ReadExactly(stream, &planes.Chroma1[static_cast<std::size_t>(pair * BaseWidth)], BaseWidth / 2, PCDName);
        ReadExactly(stream, &planes.Chroma2[static_cast<std::size_t>(pair * BaseWidth)], BaseWidth / 2, PCDName);
        Progress(psRunning, static_cast<std::uint8_t>(2 * pair * 100 / BaseHeight), false, FProgressRect, "");
    }
}

// Rows of the planes into the bitmap; a quarter turn writes each converted row as a column: to the
// left, row r column c goes to row 767 - c column r, to the right to row c column 511 - r.
void TPCDGraphic::Transfer(const TPlanes& planes, TBitmap& image)
{
    const std::uint8_t rotation = FImageProperties.Rotate;
    const bool left = rotation == 1;
    std::vector<std::uint8_t> turned(left || rotation == 3 ? 3 * BaseWidth : 0);
    for (int r = 0; r < BaseHeight; ++r) {
        const std::size_t at = static_cast<std::size_t>(r * BaseWidth);
        const std::array<const std::uint8_t*, 3> rows = {&planes.Luminance[at], &planes.Chroma1[at],
                                                         &planes.Chroma2[at]};
        std::uint8_t* target = turned.empty() ? image.ScanLine(r) : turned.data();
        FColorManager.ConvertRow(TSourceRow(rows), target, BaseWidth, 0xFF);
        for (int c = 0; c < static_cast<int>(turned.size() / 3); ++c) {
            std::uint8_t* pixel = image.ScanLine(left ? BaseWidth - 1 - c : c) + 3 * (left ? r : BaseHeight - 1 - r);
            std::memcpy(pixel, &turned[static_cast<std::size_t>(3 * c)], 3);
        }
        RowDone(r, BaseHeight);
    }
}
