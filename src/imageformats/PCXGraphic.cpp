#include "imageformats/PCXGraphic.h"

#include "imageformats/GraphicCompression.h"
#include "platform/core/LittleEndian.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <array>

// The fields of the 128-byte header that the reader uses, in file order.
struct TPCXHeader {
    std::uint8_t Manufacturer = 0;
    std::uint8_t Version = 0;
    std::uint8_t Encoding = 0;
    std::uint8_t BitsPerPixel = 0; // of each plane
    std::uint16_t XMin = 0;
    std::uint16_t YMin = 0;
    std::uint16_t XMax = 0;
    std::uint16_t YMax = 0;
    std::uint16_t HorizontalResolution = 0;
    std::uint16_t VerticalResolution = 0;
    std::array<std::uint8_t, 48> ColorMap{}; // 16 red, green and blue triples
    std::uint8_t Planes = 0;
    std::uint16_t BytesPerLine = 0; // of each plane
    std::uint16_t PaletteInfo = 0;
};

namespace {

constexpr std::string_view PCXName = "PCX";
constexpr int HeaderSize = 128;
// The byte 12 and 256 red, green and blue triples that close a 256-colour file.
constexpr int ClosingBlockSize = 769;
constexpr std::uint8_t ClosingBlockMark = 12;
constexpr std::uint16_t GreyPaletteInfo = 2;
// A version 3 file has no colours of its own and shows the system palette.
constexpr std::uint8_t NoPaletteVersion = 3;

// False when the stream ends inside the header.
bool ReadPCXHeader(TStream& stream, TPCXHeader& header)
{
    std::array<std::uint8_t, HeaderSize> bytes{};
    if (stream.Read(bytes.data(), HeaderSize) != HeaderSize)
        return false;
    header.Manufacturer = bytes[0];
    header.Version = bytes[1];
    header.Encoding = bytes[2];
    header.BitsPerPixel = bytes[3];
    header.XMin = GetU16(&bytes[4]);
    header.YMin = GetU16(&bytes[6]);
    header.XMax = GetU16(&bytes[8]);
    header.YMax = GetU16(&bytes[10]);
    header.HorizontalResolution = GetU16(&bytes[12]);
    header.VerticalResolution = GetU16(&bytes[14]);
    std::copy_n(&bytes[16], header.ColorMap.size(), header.ColorMap.begin());
    header.Planes = bytes[65];
    header.BytesPerLine = GetU16(&bytes[66]);
    header.PaletteInfo = GetU16(&bytes[68]);
    return true;
}

unsigned BitsPerPixelOf(const TPCXHeader& header) { return unsigned{header.Planes} * header.BitsPerPixel; }

// Four planes of one bit: 16 colours that the reader packs itself.
bool IsPlanar16(const TPCXHeader& header) { return header.Planes == 4 && header.BitsPerPixel == 1; }

// Other plane and bit combinations are stored by no known writer, and the rows cannot be laid out.
bool IsKnownLayout(const TPCXHeader& header)
{
    if (header.Planes == 1)
        return header.BitsPerPixel == 1 || header.BitsPerPixel == 2 || header.BitsPerPixel == 4 ||
               header.BitsPerPixel == 8;
    return IsPlanar16(header) || (header.Planes == 3 && header.BitsPerPixel == 8);
}

// A plane's row must hold the picture's width, or rows would be read from the next plane or past
// the data.
bool RowsHoldWidth(const TPCXHeader& header, std::uint32_t width)
{
    return header.BytesPerLine >= (std::uint64_t{width} * header.BitsPerPixel + 7) / 8;
}

// Packs a row of four one-bit planes into 4-bit indices, two pixels a byte with the first in the
// high nibble; plane 3 gives each index its highest bit.
void PackPlanes(const std::uint8_t* row, std::size_t bytesPerLine, std::uint8_t* target, int width)
{
    for (int x = 0; x < width; ++x) {
        const std::size_t byte = static_cast<std::size_t>(x) / 8;
        const int shift = 7 - x % 8;
        unsigned index = 0;
        for (std::size_t plane = 4; plane-- > 0;)
            index = (index << 1) | ((row[plane * bytesPerLine + byte] >> shift) & 1u);
        std::uint8_t& pair = target[x / 2];
        pair = x % 2 == 0 ? static_cast<std::uint8_t>(index << 4) : static_cast<std::uint8_t>(pair | index);
    }
}

} // namespace

bool TPCXGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    if (stream.Size() - start <= HeaderSize)
        return false;
    TPCXHeader header;
    const bool read = ReadPCXHeader(stream, header);
    stream.SetPosition(start);
    const std::uint8_t version = header.Version;
    return read && (header.Manufacturer == 10 || header.Manufacturer == 12) &&
           (version == 0 || version == 2 || version == 3 || version == 5) && header.Encoding <= 1;
}

bool TPCXGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    TPCXHeader header;
    if (imageIndex != 0 || !ReadPCXHeader(stream, header) || (header.Manufacturer != 10 && header.Manufacturer != 205))
        return false;
    TImageProperties& properties = FImageProperties;
    // A maximum before its minimum leaves no picture, which the size check refuses.
    properties.Width = static_cast<std::uint32_t>(std::max(0, header.XMax - header.XMin + 1));
    properties.Height = static_cast<std::uint32_t>(std::max(0, header.YMax - header.YMin + 1));
    properties.SamplesPerPixel = header.Planes;
    properties.BitsPerSample = header.BitsPerPixel;
    properties.BitsPerPixel = static_cast<std::uint8_t>(std::min(BitsPerPixelOf(header), 255u));
    properties.ColorScheme = BitsPerPixelOf(header) > 8 ? csRGB : csIndexed;
    properties.Compression = header.Encoding == 1 ? ctRLE : ctNone;
    properties.XResolution = header.HorizontalResolution;
    properties.YResolution = header.VerticalResolution;
    return true;
}

void TPCXGraphic::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    if (!ReadImageProperties(stream, 0))
        RaiseImageErrorFmt(SInvalidImage, {PCXName});
    stream.SetPosition(start);
    FBasePosition = start;
    TPCXHeader header;
    ReadPCXHeader(stream, header);
    if (!IsKnownLayout(header) || !RowsHoldWidth(header, FImageProperties.Width))
        RaiseImageErrorFmt(SInvalidColorFormat, {PCXName});
    CheckImageSize(PCXName);
    const int width = static_cast<int>(FImageProperties.Width);
    const int height = static_cast<int>(FImageProperties.Height);
    const std::uint64_t unpackedSize = std::uint64_t{header.Planes} * header.BytesPerLine * FImageProperties.Height;
    if (unpackedSize > TBitmap::MaxDecodedBytes)
        RaiseImageErrorFmt(SInvalidImage, {PCXName});
    CheckDataFills(stream.Size() - start, unpackedSize,
                   FImageProperties.Compression == ctRLE ? RunLengthExpansion : StoredExpansion, PCXName);
    BeginProgress(width);

    const bool indexed = FImageProperties.ColorScheme == csIndexed;
    FColorManager.SourceOptions = {};
    FColorManager.SetSourceColorScheme(FImageProperties.ColorScheme);
    FColorManager.SetSourceBitsPerSample(header.BitsPerPixel);
    FColorManager.SetSourceSamplesPerPixel(header.Planes);
    FColorManager.SetTargetColorScheme(indexed ? csIndexed : csBGR);
    // Four 2-bit colours are kept as 4-bit indices, since bitmaps have no 2-bit rows.
    FColorManager.SetTargetBitsPerSample(BitsPerPixelOf(header) == 2 ? 4 : header.BitsPerPixel);
    FColorManager.SetTargetSamplesPerPixel(header.Planes);
    if (!IsPlanar16(header))
        FColorManager.CheckConversion(PCXName, header.Planes);

    TBitmap image;
    image.SetPixelFormat(IsPlanar16(header) ? pf4bit : FColorManager.GetPixelFormat(1));
    std::int64_t dataSize = stream.Size() - stream.Position();
    const TPalette palette = ReadPalette(stream, header, dataSize);
    if (palette.Count() > 0)
        image.SetPalette(palette);
    image.SetSize(width, height);
    const std::vector<std::uint8_t> pixels = ReadPixels(stream, dataSize, static_cast<std::size_t>(unpackedSize));
    NextProgressStage(STransfering);
    TransferRows(pixels, image, header);
    EndProgress();
    TakeOver(image);
}

// 8-bit pictures take their colours from the closing block, which is then no pixel data. A file
// without one (too short, or without the byte 12 before its last 768) keeps all its data.
TPalette TPCXGraphic::ReadPalette(TStream& stream, const TPCXHeader& header, std::int64_t& dataSize) const
{
    const unsigned bitsPerPixel = BitsPerPixelOf(header);
    if (bitsPerPixel > 8)
        return {};
    const bool grey = header.PaletteInfo == GreyPaletteInfo;
    if (bitsPerPixel == 8) {
        TPalette closing = ReadClosingBlock(stream, dataSize);
        if (closing.Count() > 0)
            dataSize -= ClosingBlockSize;
        if (header.Version == NoPaletteVersion)
            return TPalette::StandardVGA();
        if (closing.Count() == 0 && grey)
            return FColorManager.CreateGrayscalePalette(false);
        return closing;
    }
    if (header.Version == NoPaletteVersion && bitsPerPixel != 1)
        return TPalette::StandardVGA();
    if (bitsPerPixel == 1 || grey)
        return FColorManager.CreateGrayscalePalette(false);
    // The header's 4 or 16 colours; four are spread over the 4-bit indices they are kept as.
    const std::span<const std::uint8_t> colors[] = {header.ColorMap};
    return FColorManager.CreateColorPalette(colors, pdInterleaved8Triple, 1u << bitsPerPixel, false);
}

// The 256 colours of the block that closes the data, or none; the stream stays where it was.
TPalette TPCXGraphic::ReadClosingBlock(TStream& stream, std::int64_t dataSize) const
{
    if (dataSize < ClosingBlockSize)
        return {};
    const std::int64_t position = stream.Position();
    std::array<std::uint8_t, ClosingBlockSize> block{};
    stream.SetPosition(stream.Size() - ClosingBlockSize);
    const bool read = stream.Read(block.data(), ClosingBlockSize) == ClosingBlockSize;
    stream.SetPosition(position);
    if (!read || block[0] != ClosingBlockMark)
        return {};
    const std::span<const std::uint8_t> colors[] = {std::span(block).subspan(1)};
    return FColorManager.CreateColorPalette(colors, pdInterleaved8Triple, TPalette::MaxEntries, false);
}

// The whole picture, planes of each row one after the other; what the data do not reach stays 0.
std::vector<std::uint8_t> TPCXGraphic::ReadPixels(TStream& stream, std::int64_t dataSize,
                                                  std::size_t unpackedSize) const
{
    std::vector<std::uint8_t> pixels(unpackedSize);
    if (FImageProperties.Compression != ctRLE) {
        const auto size = std::min<std::int64_t>(dataSize, static_cast<std::int64_t>(unpackedSize));
        stream.Read(pixels.data(), size);
        return pixels;
    }
    // Every byte unpacks to one byte and every pair to up to 63, so a sound file needs no more than
    // twice the picture's size; reading no more also keeps the count within the decoder's range.
    const auto packedSize = std::min<std::int64_t>(dataSize, 2 * static_cast<std::int64_t>(unpackedSize));
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(std::max<std::int64_t>(packedSize, 0)));
    const std::int64_t got = stream.Read(packed.data(), static_cast<std::int64_t>(packed.size()));
    const std::uint8_t* source = packed.data();
    std::uint8_t* target = pixels.data();
    TPCXRLEDecoder decoder;
    decoder.DecodeInit();
    decoder.Decode(source, target, static_cast<std::int32_t>(got), static_cast<std::int32_t>(unpackedSize));
    decoder.DecodeEnd();
    return pixels;
}

void TPCXGraphic::TransferRows(const std::vector<std::uint8_t>& pixels, TBitmap& image, const TPCXHeader& header)
{
    const std::size_t bytesPerLine = header.BytesPerLine;
    const std::size_t rowSize = header.Planes * bytesPerLine;
    const int width = image.Width();
    const int height = image.Height();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels.data() + static_cast<std::size_t>(y) * rowSize;
        if (IsPlanar16(header)) {
            PackPlanes(row, bytesPerLine, image.ScanLine(y), width);
        } else if (header.Planes == 3) {
            const std::uint8_t* planes[] = {row, row + bytesPerLine, row + 2 * bytesPerLine};
            FColorManager.ConvertRow(TSourceRow(planes), image.ScanLine(y), static_cast<unsigned>(width), 0xFF);
        } else {
            FColorManager.ConvertRow(row, image.ScanLine(y), static_cast<unsigned>(width), 0xFF);
        }
        RowDone(y, height);
    }
}
