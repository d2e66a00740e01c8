#include "imageformats/AutodeskGraphic.h"

#include "platform/core/LittleEndian.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::string_view AutodeskName = "Autodesk";
constexpr int HeaderSize = 32;
constexpr std::uint16_t Identifier = 0x9119;
constexpr int PaletteSize = 3 * TPalette::MaxEntries;

// The fields of the 32-byte header that the reader uses, in file order.
struct TAutodeskHeader {
    std::uint16_t Identifier = 0;
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    std::uint8_t BitsPerPixel = 0;
    std::uint8_t Compression = 0;
};

// False when the stream ends inside the header.
bool ReadAutodeskHeader(TStream& stream, TAutodeskHeader& header)
{
    std::array<std::uint8_t, HeaderSize> bytes{};
    if (stream.Read(bytes.data(), HeaderSize) != HeaderSize)
        return false;
    header.Identifier = GetU16(&bytes[0]);
    header.Width = GetU16(&bytes[2]);
    header.Height = GetU16(&bytes[4]);
    header.BitsPerPixel = bytes[10];
    header.Compression = bytes[11];
    return true;
}

// The file holds 6-bit levels; a byte beyond 63 is brightest rather than wrapped round to dark.
std::uint8_t LevelOf(std::uint8_t stored) { return ClampByte(4 * stored); }

} // namespace

bool TAutodeskGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    if (stream.Size() - start <= HeaderSize)
        return false;
    TAutodeskHeader header;
    const bool read = ReadAutodeskHeader(stream, header);
    stream.SetPosition(start);
    return read && header.Identifier == Identifier && header.BitsPerPixel == 8 && header.Compression == 0;
}

bool TAutodeskGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    TAutodeskHeader header;
    if (imageIndex != 0 || !ReadAutodeskHeader(stream, header) || header.Identifier != Identifier)
        return false;
    TImageProperties& properties = FImageProperties;
    properties.ColorScheme = csIndexed;
    properties.Width = header.Width;
    properties.Height = header.Height;
    properties.BitsPerSample = header.BitsPerPixel;
    properties.SamplesPerPixel = 1;
    properties.BitsPerPixel = header.BitsPerPixel;
    properties.Compression = header.Compression == 0 ? ctNone : ctUnknown;
    return true;
}

void TAutodeskGraphic::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    if (!ReadImageProperties(stream, 0))
        RaiseImageErrorFmt(SInvalidImage, {AutodeskName});
    if (FImageProperties.BitsPerPixel != 8)
        RaiseImageErrorFmt(SInvalidColorFormat, {AutodeskName});
    if (FImageProperties.Compression != ctNone)
        RaiseImageErrorFmt(SUnsupportedFeature, {SCompressionScheme, AutodeskName});
    CheckImageSize(AutodeskName);
    FBasePosition = start;
    stream.SetPosition(start + HeaderSize);
    BeginProgress(static_cast<int>(FImageProperties.Width), STransfering);

    TBitmap image;
    image.SetPixelFormat(pf8bit);
    image.SetPalette(ReadPalette(stream));
    CheckDataFills(stream.Size() - start, StoredExpansion, AutodeskName);
    image.SetSize(static_cast<int>(FImageProperties.Width), static_cast<int>(FImageProperties.Height));
    ReadRows(stream, image);
    EndProgress();
    TakeOver(image);
}

TPalette TAutodeskGraphic::ReadPalette(TStream& stream) const
{
    std::array<std::uint8_t, PaletteSize> levels{};
    if (stream.Read(levels.data(), PaletteSize) != PaletteSize)
        RaiseImageErrorFmt(SStreamReadError, {AutodeskName});
    TPalette palette;
    palette.Entries.resize(TPalette::MaxEntries);
    for (std::size_t i = 0; i < palette.Entries.size(); ++i)
        palette.Entries[i] = {LevelOf(levels[3 * i]), LevelOf(levels[3 * i + 1]), LevelOf(levels[3 * i + 2]), 0};
    return palette;
}

void TAutodeskGraphic::ReadRows(TStream& stream, TBitmap& image)
{
    const int width = image.Width();
    const int height = image.Height();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = image.ScanLine(y);
        const std::int64_t got = std::max<std::int64_t>(stream.Read(row, width), 0);
        std::fill(row + got, row + width, 0);
        RowDone(y, height);
    }
}
