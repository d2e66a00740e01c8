#include "imageformats/TargaGraphic.h"

#include "imageformats/GraphicCompression.h"
#include "platform/core/LittleEndian.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <array>
#include <vector>

// The 18-byte file header, fields in file order.
struct TTargaHeader {
    std::uint8_t IdentificationLength = 0;
    std::uint8_t ColorMapType = 0;
    std::uint8_t ImageType = 0;
    std::uint16_t ColorMapStart = 0;
    std::uint16_t ColorMapLength = 0;
    std::uint8_t ColorMapEntrySize = 0;
    std::uint16_t XOrigin = 0;
    std::uint16_t YOrigin = 0;
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    std::uint8_t PixelSize = 0;
    std::uint8_t ImageDescriptor = 0;
};

namespace {

constexpr std::string_view TargaName = "TGA";
constexpr std::string_view STargaTooLarge = "Bitmap is too large for a Targa file";
constexpr int HeaderSize = 18;
constexpr std::uint8_t TopDownFlag = 0x20;
constexpr std::uint8_t RightToLeftFlag = 0x10;

enum TTargaImageType : std::uint8_t {
    ttNoImage = 0,
    ttColorMapped = 1,
    ttTrueColor = 2,
    ttGray = 3,
    ttPackedColorMapped = 9,
    ttPackedTrueColor = 10,
    ttPackedGray = 11,
};

// False when the stream ends inside the header.
bool ReadTargaHeader(TStream& stream, TTargaHeader& header)
{
    std::array<std::uint8_t, HeaderSize> bytes{};
    if (stream.Read(bytes.data(), HeaderSize) != HeaderSize)
        return false;
    header.IdentificationLength = bytes[0];
    header.ColorMapType = bytes[1];
    header.ImageType = bytes[2];
    header.ColorMapStart = GetU16(&bytes[3]);
    header.ColorMapLength = GetU16(&bytes[5]);
    header.ColorMapEntrySize = bytes[7];
    header.XOrigin = GetU16(&bytes[8]);
    header.YOrigin = GetU16(&bytes[10]);
    header.Width = GetU16(&bytes[12]);
    header.Height = GetU16(&bytes[14]);
    header.PixelSize = bytes[16];
    header.ImageDescriptor = bytes[17];
    return true;
}

bool IsKnownImageType(std::uint8_t type)
{
    return type <= ttGray || (type >= ttPackedColorMapped && type <= ttPackedGray);
}
bool IsPacked(std::uint8_t type) { return type >= ttPackedColorMapped; }
bool IsGray(std::uint8_t type) { return type == ttGray || type == ttPackedGray; }
// A 16-bit grey pixel is a grey byte and an alpha byte, not a 5-5-5 colour.
bool IsGreyAlpha(const TTargaHeader& header) { return IsGray(header.ImageType) && header.PixelSize == 16; }
bool IsKnownPixelSize(std::uint8_t size) { return size == 8 || size == 15 || size == 16 || size == 24 || size == 32; }
bool IsKnownMapEntrySize(std::uint8_t size) { return size == 15 || size == 16 || size == 24 || size == 32; }

int BytesPerPixel(std::uint8_t pixelSize) { return (pixelSize + 7) / 8; }

// A 15- or 16-bit map entry: a little-endian word with red, green and blue in five bits each.
TPaletteEntry EntryOfWord(std::uint16_t word)
{
    return {static_cast<std::uint8_t>((word & 0x7C00) >> 7), static_cast<std::uint8_t>((word & 0x3E0) >> 2),
            static_cast<std::uint8_t>((word & 0x1F) << 3), 0};
}

// The map's entries as the manager spreads them, the first 256 at most.
std::vector<TPaletteEntry> MapEntries(const TColorManager& manager, const TTargaHeader& header,
                                      std::span<const std::uint8_t> map)
{
    const unsigned count = std::min<unsigned>(header.ColorMapLength, TPalette::MaxEntries);
    switch (header.ColorMapEntrySize) {
    case 15:
    case 16: {
        std::vector<TPaletteEntry> entries(count);
        for (unsigned i = 0; i < count; ++i)
            entries[i] = EntryOfWord(GetU16(&map[2 * i]));
        return entries;
    }
    case 24:
    case 32: {
        const std::span<const std::uint8_t> planes[] = {map};
        const auto format = header.ColorMapEntrySize == 24 ? pdInterleaved8Triple : pdInterleaved8Quad;
        return manager.CreateColorPalette(planes, format, count, true).Entries;
    }
    default:
        return {};
    }
}

// Pixel values index the map from its first entry's number on, so the map's entries take their
// places from there; what lies beyond 256 is dropped.
TPalette PlaceMap(const std::vector<TPaletteEntry>& entries, unsigned firstIndex)
{
    TPalette palette;
    if (entries.empty())
        return palette;
    const std::size_t count = std::min<std::size_t>(firstIndex + entries.size(), TPalette::MaxEntries);
    palette.Entries.resize(count);
    for (std::size_t i = firstIndex; i < count; ++i)
        palette.Entries[i] = entries[i - firstIndex];
    return palette;
}

int BytesPerPixelOfFormat(TPixelFormat format)
{
    switch (format) {
    case pf8bit:
        return 1;
    case pf15bit:
        return 2;
    case pf24bit:
        return 3;
    default:
        return 4;
    }
}

// A grey pixel of 16 bits is a grey byte and an alpha byte; the bitmap keeps both, as blue, green
// and red of that grey and its alpha.
void WidenGreyAlpha(const std::uint8_t* pairs, std::uint8_t* bgra, int width)
{
    for (int x = 0; x < width; ++x, pairs += 2, bgra += 4) {
        bgra[0] = bgra[1] = bgra[2] = pairs[0];
        bgra[3] = pairs[1];
    }
}

void TurnRowRound(std::uint8_t* row, int width, int bytesPerPixel)
{
    const auto size = static_cast<std::ptrdiff_t>(bytesPerPixel);
    for (std::ptrdiff_t left = 0, right = width - 1; left < right; ++left, --right)
        std::swap_ranges(row + left * size, row + (left + 1) * size, row + right * size);
}

// Puts the file's rows into the bitmap: the first row at the top or the bottom as the descriptor
// says, 16-bit grey pixels widened to the bitmap's 32 bits, and rows stored right to left (the
// first pixel stored is the rightmost) turned round. A row is read or decoded into Target, then
// Finish places it.
class TRowPlacer {
public:
    TRowPlacer(TBitmap& image, const TTargaHeader& header)
        : image_(image), topDown_((header.ImageDescriptor & TopDownFlag) != 0),
          rightToLeft_((header.ImageDescriptor & RightToLeftFlag) != 0),
          fileRow_(IsGreyAlpha(header) ? 2 * static_cast<std::size_t>(image.Width()) : 0)
    {
    }

    std::uint8_t* Target(int row) { return fileRow_.empty() ? ScanLineOf(row) : fileRow_.data(); }

    void Finish(int row)
    {
        std::uint8_t* line = ScanLineOf(row);
        if (!fileRow_.empty())
            WidenGreyAlpha(fileRow_.data(), line, image_.Width());
        if (rightToLeft_)
            TurnRowRound(line, image_.Width(), BytesPerPixelOfFormat(image_.PixelFormat()));
    }

private:
    std::uint8_t* ScanLineOf(int row) { return image_.ScanLine(topDown_ ? row : image_.Height() - 1 - row); }

    TBitmap& image_;
    bool topDown_;
    bool rightToLeft_;
    std::vector<std::uint8_t> fileRow_; // the grey and alpha bytes of a row, before they are widened
};

std::array<std::uint8_t, HeaderSize> WrittenHeader(int bytesPerPixel, bool compressed, int width, int height)
{
    const bool colorMapped = bytesPerPixel == 1;
    std::array<std::uint8_t, HeaderSize> bytes{};
    bytes[1] = colorMapped ? 1 : 0;
    bytes[2] = colorMapped ? (compressed ? ttPackedColorMapped : ttColorMapped)
                           : (compressed ? ttPackedTrueColor : ttTrueColor);
    PutU16(&bytes[5], TPalette::MaxEntries);
    bytes[7] = 24;
    PutU16(&bytes[12], static_cast<unsigned>(width));
    PutU16(&bytes[14], static_cast<unsigned>(height));
    bytes[16] = static_cast<std::uint8_t>(bytesPerPixel * 8);
    bytes[17] = TopDownFlag;
    return bytes;
}

// 256 entries of blue, green and red; those the palette lacks are black.
std::array<std::uint8_t, 3 * TPalette::MaxEntries> WrittenColorMap(const TPalette& palette)
{
    std::array<std::uint8_t, 3 * TPalette::MaxEntries> bytes{};
    for (int i = 0; i < std::min(palette.Count(), TPalette::MaxEntries); ++i) {
        const TPaletteEntry& entry = palette.Entries[static_cast<std::size_t>(i)];
        bytes[3 * static_cast<std::size_t>(i)] = entry.peBlue;
        bytes[3 * static_cast<std::size_t>(i) + 1] = entry.peGreen;
        bytes[3 * static_cast<std::size_t>(i) + 2] = entry.peRed;
    }
    return bytes;
}

} // namespace

bool TTargaGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    if (stream.Size() - start <= HeaderSize)
        return false;
    TTargaHeader header;
    const bool read = ReadTargaHeader(stream, header);
    stream.SetPosition(start);
    return read && IsKnownImageType(header.ImageType) && header.ColorMapType <= 1 &&
           IsKnownMapEntrySize(header.ColorMapEntrySize) && IsKnownPixelSize(header.PixelSize);
}

bool TTargaGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    TTargaHeader header;
    if (imageIndex != 0 || !ReadTargaHeader(stream, header) || header.ImageType == ttNoImage ||
        !IsKnownImageType(header.ImageType) || !IsKnownPixelSize(header.PixelSize))
        return false;
    TImageProperties& properties = FImageProperties;
    properties.Width = header.Width;
    properties.Height = header.Height;
    properties.BitsPerSample = 8;
    switch (header.PixelSize) {
    case 8:
        properties.ColorScheme = IsGray(header.ImageType) ? csGray : csIndexed;
        properties.SamplesPerPixel = 1;
        break;
    case 16:
        if (IsGreyAlpha(header)) {
            properties.ColorScheme = csGrayAlpha;
            properties.SamplesPerPixel = 2;
            properties.HasAlpha = true;
            break;
        }
        [[fallthrough]];
    case 15:
        properties.ColorScheme = csRGB;
        properties.BitsPerSample = 5;
        properties.SamplesPerPixel = 3;
        break;
    case 24:
        properties.ColorScheme = csRGB;
        properties.SamplesPerPixel = 3;
        break;
    default:
        properties.ColorScheme = csRGBA;
        properties.SamplesPerPixel = 4;
    }
    properties.BitsPerPixel = static_cast<std::uint8_t>(properties.SamplesPerPixel * properties.BitsPerSample);
    properties.Compression = IsPacked(header.ImageType) ? ctRLE : ctNone;
    return true;
}

void TTargaGraphic::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    if (!ReadImageProperties(stream, 0))
        RaiseImageErrorFmt(SInvalidImage, {TargaName});
    CheckImageSize(TargaName);
    stream.SetPosition(start);
    FBasePosition = start;
    const int width = static_cast<int>(FImageProperties.Width);
    const int height = static_cast<int>(FImageProperties.Height);
    BeginProgress(width);

    TTargaHeader header;
    ReadTargaHeader(stream, header);
    stream.Seek(header.IdentificationLength, TSeekOrigin::soCurrent);

    // Grey with alpha is kept as 32-bit blue, green, red and alpha; every other layout as stored.
    const bool greyAlpha = FImageProperties.ColorScheme == csGrayAlpha;
    FColorManager.SetSourceSamplesPerPixel(FImageProperties.SamplesPerPixel);
    FColorManager.SetTargetSamplesPerPixel(greyAlpha ? 4 : FImageProperties.SamplesPerPixel);
    FColorManager.SetSourceBitsPerSample(FImageProperties.BitsPerSample);
    FColorManager.SetTargetBitsPerSample(FImageProperties.BitsPerSample);
    FColorManager.SetSourceColorScheme(FImageProperties.ColorScheme);
    FColorManager.SourceOptions = {};
    FColorManager.SetTargetColorScheme(greyAlpha ? csBGRA : csBGR);

    TBitmap image;
    image.SetPixelFormat(FColorManager.GetPixelFormat(1));
    const TPalette palette = ReadPalette(stream, header);
    if (image.PixelFormat() == pf8bit && palette.Count() > 0)
        image.SetPalette(palette);
    CheckPixelDataFills(stream, header);
    image.SetSize(width, height);
    NextProgressStage(STransfering);

    if (IsPacked(header.ImageType))
        ReadPackedRows(stream, image, header);
    else
        ReadRows(stream, image, header);
    EndProgress();
    TakeOver(image);
}

TPalette TTargaGraphic::ReadPalette(TStream& stream, const TTargaHeader& header)
{
    std::vector<std::uint8_t> map;
    if (header.ColorMapType == 1) {
        map.resize(static_cast<std::size_t>(header.ColorMapLength) * BytesPerPixel(header.ColorMapEntrySize));
        if (stream.Read(map.data(), static_cast<std::int64_t>(map.size())) != static_cast<std::int64_t>(map.size()))
            RaiseImageErrorFmt(SStreamReadError, {TargaName});
    }
    if (IsGray(header.ImageType))
        return FColorManager.CreateGrayscalePalette(false);
    if (map.empty())
        return {};
    return PlaceMap(MapEntries(FColorManager, header, map), header.ColorMapStart);
}

// Stored rows are read whole or the file is refused, so they must all be there; packed ones need
// the bytes their longest runs would fill the picture from.
void TTargaGraphic::CheckPixelDataFills(TStream& stream, const TTargaHeader& header) const
{
    const std::int64_t dataBytes = stream.Size() - stream.Position();
    const std::uint64_t pixelBytes =
        std::uint64_t{header.Width} * header.Height * static_cast<unsigned>(BytesPerPixel(header.PixelSize));
    if (IsPacked(header.ImageType))
        CheckDataFills(dataBytes, pixelBytes, RunLengthExpansion, TargaName);
    else if (dataBytes < 0 || static_cast<std::uint64_t>(dataBytes) < pixelBytes)
        RaiseImageErrorFmt(SStreamReadError, {TargaName});
}

void TTargaGraphic::ReadRows(TStream& stream, TBitmap& image, const TTargaHeader& header)
{
    const int height = image.Height();
    const std::int64_t rowSize = static_cast<std::int64_t>(image.Width()) * BytesPerPixel(header.PixelSize);
    TRowPlacer rows(image, header);
    for (int row = 0; row < height; ++row) {
        if (stream.Read(rows.Target(row), rowSize) != rowSize)
            RaiseImageErrorFmt(SStreamReadError, {TargaName});
        rows.Finish(row);
        RowDone(row, height);
    }
}

void TTargaGraphic::ReadPackedRows(TStream& stream, TBitmap& image, const TTargaHeader& header)
{
    const int width = image.Width();
    const int height = image.Height();
    // No row takes more than twice its unpacked size: a header byte per pixel at most.
    const std::int64_t bufferSize = 2 * static_cast<std::int64_t>(width) * BytesPerPixel(header.PixelSize);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(bufferSize));
    TTargaRLEDecoder decoder(header.PixelSize);
    TRowPlacer rows(image, header);
    decoder.DecodeInit();
    for (int row = 0; row < height; ++row) {
        const std::int64_t position = stream.Position();
        const std::int64_t got = stream.Read(buffer.data(), bufferSize);
        const std::uint8_t* source = buffer.data();
        std::uint8_t* target = rows.Target(row);
        decoder.Decode(source, target, static_cast<std::int32_t>(got), width);
        stream.SetPosition(position + (source - buffer.data()));
        rows.Finish(row);
        RowDone(row, height);
    }
    decoder.DecodeEnd();
}

void TTargaGraphic::SaveToStream(TStream& stream) const { SaveToStream(stream, true); }

void TTargaGraphic::SaveToStream(TStream& stream, bool compressed) const
{
    TRect rect = Rect(0, 0, Width(), 1);
    ReportProgress(psStarting, 0, false, rect, SPreparing);
    // Readers take 16-bit Targa pixels as 5-5-5, and Targa has no 1- or 4-bit images.
    TBitmap converted;
    const TBitmap* source = this;
    if (PixelFormat() == pf1bit || PixelFormat() == pf4bit || PixelFormat() == pf16bit) {
        converted.Assign(*this);
        converted.SetPixelFormat(PixelFormat() == pf16bit ? pf15bit : pf8bit);
        source = &converted;
    }
    if (source->Empty()) {
        ReportProgress(psEnding, 0, false, rect, "");
        return;
    }
    if (source->Width() > 0xFFFF || source->Height() > 0xFFFF)
        throw EInvalidGraphic(std::string(STargaTooLarge));

    const int bytesPerPixel = BytesPerPixelOfFormat(source->PixelFormat());
    const auto header = WrittenHeader(bytesPerPixel, compressed, source->Width(), source->Height());
    stream.WriteBuffer(header.data(), HeaderSize);
    if (bytesPerPixel == 1) {
        const auto map = WrittenColorMap(source->Palette());
        stream.WriteBuffer(map.data(), static_cast<std::int64_t>(map.size()));
    }
    ReportProgress(psEnding, 0, false, rect, "");
    ReportProgress(psStarting, 0, false, rect, STransfering);

    const int width = source->Width();
    const std::int64_t rowSize = static_cast<std::int64_t>(width) * bytesPerPixel;
    TTargaRLEDecoder encoder(bytesPerPixel * 8);
    std::vector<std::uint8_t> packed(compressed ? static_cast<std::size_t>(2 * rowSize) : 0);
    for (int y = 0; y < source->Height(); ++y) {
        if (compressed) {
            std::int32_t stored = 0;
            encoder.Encode(source->ScanLine(y), packed.data(), width, stored);
            stream.WriteBuffer(packed.data(), stored);
        } else {
            stream.WriteBuffer(source->ScanLine(y), rowSize);
        }
        ReportProgress(psRunning, 0, false, rect, "");
        ++rect.Top;
        ++rect.Bottom;
    }
    ReportProgress(psEnding, 0, false, rect, "");
}
