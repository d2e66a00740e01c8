#include "imageformats/PSDGraphic.h"

#include "imageformats/GraphicCompression.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <numeric>

// The 26-byte file header, big-endian, fields in file order (the reserved bytes left out).
struct TPSDHeader {
    std::array<char, 4> Signature{};
    std::uint16_t Version = 0;
    std::uint16_t Channels = 0;
    std::uint32_t Height = 0;
    std::uint32_t Width = 0;
    std::uint16_t Depth = 0; // bits per channel
    std::uint16_t Mode = 0;
};

// Where the parts of a file lie, as its header and section lengths give them.
struct TPSDLayout {
    TPSDHeader Header;
    std::int64_t ColorModeData = 0; // the position of the colour mode data
    std::uint32_t ColorModeLength = 0;
    std::uint16_t Compression = 0;
    std::int64_t ImageData = 0; // the position after the compression word
};

// What the reader reads of a picture: the channels it takes, their scheme, and the scheme and
// samples of the bitmap they become.
struct TChannelUse {
    unsigned Planes = 0;
    TColorScheme Source = csUnknown;
    TColorScheme Target = csUnknown;
    std::uint8_t TargetSamples = 0;
};

// Where the stored rows of the channels read begin and how many bytes each takes, channel after
// channel.
struct TStoredRows {
    std::vector<std::int64_t> Starts;
    std::vector<std::uint32_t> Sizes;
};

namespace {

constexpr std::string_view PSDName = "PSD or PDD";
constexpr int HeaderSize = 26;
constexpr std::string_view Signature = "8BPS";
// 256 red values, then 256 green and 256 blue.
constexpr std::uint32_t IndexedColorDataSize = 768;

enum TPSDMode : std::uint16_t {
    pmBitmap = 0,
    pmGrayscale = 1,
    pmIndexed = 2,
    pmRGB = 3,
    pmCMYK = 4,
    pmMultichannel = 7,
    pmDuotone = 8,
    pmLab = 9,
};

enum TPSDCompression : std::uint16_t { pcRaw = 0, pcPackBits = 1 };

// False when the stream ends inside the header.
bool ReadPSDHeader(TStream& stream, TPSDHeader& header)
{
    std::array<std::uint8_t, HeaderSize> bytes{};
    if (stream.Read(bytes.data(), HeaderSize) != HeaderSize)
        return false;
    std::copy_n(bytes.begin(), header.Signature.size(), header.Signature.begin());
    header.Version = BigEndian16(&bytes[4]);
    header.Channels = BigEndian16(&bytes[12]);
    header.Height = BigEndian32(&bytes[14]);
    header.Width = BigEndian32(&bytes[18]);
    header.Depth = BigEndian16(&bytes[22]);
    header.Mode = BigEndian16(&bytes[24]);
    return true;
}

// Passes a section given by its 4-byte length; false when the section runs past the stream's end.
bool SkipSection(TStream& stream, std::uint32_t& length)
{
    std::array<std::uint8_t, 4> bytes{};
    if (stream.Read(bytes.data(), 4) != 4)
        return false;
    length = BigEndian32(bytes.data());
    if (length > stream.Size() - stream.Position())
        return false;
    stream.Seek(length, TSeekOrigin::soCurrent);
    return true;
}

// False when the stream ends before the image data.
bool ReadPSDLayout(TStream& stream, TPSDLayout& layout)
{
    if (!ReadPSDHeader(stream, layout.Header))
        return false;
    layout.ColorModeData = stream.Position() + 4;
    std::uint32_t skipped = 0;
    std::array<std::uint8_t, 2> compression{};
    if (!SkipSection(stream, layout.ColorModeLength) || !SkipSection(stream, skipped) ||
        !SkipSection(stream, skipped) || stream.Read(compression.data(), 2) != 2)
        return false;
    layout.Compression = BigEndian16(compression.data());
    layout.ImageData = stream.Position();
    return true;
}

bool HasSignature(const TPSDHeader& header, bool anyCase)
{
    for (std::size_t i = 0; i < Signature.size(); ++i) {
        const char c = header.Signature[i];
        if ((anyCase ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c) != Signature[i])
            return false;
    }
    return true;
}

TColorScheme SchemeOfMode(const TPSDHeader& header)
{
    switch (header.Mode) {
    case pmBitmap:
    case pmGrayscale:
    case pmDuotone:
        return csGray;
    case pmIndexed:
        return csIndexed;
    case pmRGB:
    case pmMultichannel:
        return header.Channels == 3 ? csRGB : csRGBA;
    case pmCMYK:
        return csCMYK;
    case pmLab:
        return csCIELab;
    default:
        return csUnknown;
    }
}

TCompressionType CompressionOf(std::uint16_t compression)
{
    switch (compression) {
    case pcRaw:
        return ctNone;
    case pcPackBits:
        return ctPackedBits;
    default:
        return ctLZ77; // 2 and 3: zip, without and with prediction
    }
}

// The channels of a mode, depth and channel count, or none (Planes 0) for those the reader does not
// read. Channels past the ones a mode takes (alpha channels, saved selections) are not read.
TChannelUse ChannelUseOf(const TPSDHeader& header)
{
    const bool colorDepth = header.Depth == 8 || header.Depth == 16;
    if (header.Channels == 0)
        return {};
    switch (header.Mode) {
    case pmBitmap:
    case pmGrayscale:
    case pmDuotone:
        if (header.Depth == 1 || colorDepth)
            return {1, csGray, csGray, 1};
        break;
    case pmIndexed:
        if (header.Depth == 8)
            return {1, csIndexed, csIndexed, 1};
        break;
    case pmRGB:
    case pmMultichannel:
        if (colorDepth && header.Channels == 3)
            return {3, csRGB, csBGR, 3};
        if (colorDepth && header.Channels > 3)
            return {4, csRGBA, csBGRA, 4};
        break;
    case pmCMYK:
        if (colorDepth && header.Channels >= 4)
            return {4, csCMYK, csBGR, 3};
        break;
    case pmLab:
        if (colorDepth && header.Channels >= 3)
            return {3, csCIELab, csBGR, 3};
        break;
    default:
        break;
    }
    return {};
}

void SetUpColorManager(TColorManager& manager, const TPSDHeader& header, const TChannelUse& use)
{
    manager.SourceOptions = {coSwapBytes};
    if (use.Source == csCIELab) {
        manager.SourceOptions.Include(coLabScaledLightness);
        manager.SourceOptions.Include(coLabUnsignedChroma);
    }
    const auto depth = static_cast<std::uint8_t>(header.Depth);
    manager.SetSourceColorScheme(use.Source);
    manager.SetSourceBitsPerSample(depth);
    manager.SetSourceSamplesPerPixel(static_cast<std::uint8_t>(use.Planes));
    manager.SetTargetColorScheme(use.Target);
    manager.SetTargetBitsPerSample(depth == 16 ? 8 : depth);
    manager.SetTargetSamplesPerPixel(use.TargetSamples);
}

// Photoshop stores the merged picture blended with white where it is partly transparent; the
// bitmap keeps the colour and the alpha apart, so the white is taken out again:
// colour = (stored - max x (1 - alpha)) / alpha. Samples of 16 bits are big-endian.
void RemoveWhiteMatte(std::vector<std::uint8_t>& planes, std::size_t planeSize, unsigned depth)
{
    const std::uint64_t maximum = depth == 16 ? 65535 : 255;
    const std::size_t bytes = depth / 8;
    const std::uint8_t* alphaPlane = planes.data() + 3 * planeSize;
    const auto read = [bytes](const std::uint8_t* at) -> std::uint64_t { return bytes == 2 ? BigEndian16(at) : *at; };
    for (std::size_t at = 0; at < planeSize; at += bytes) {
        const std::uint64_t alpha = read(alphaPlane + at);
        if (alpha == 0 || alpha == maximum)
            continue;
        for (std::size_t k = 0; k < 3; ++k) {
            std::uint8_t* sample = planes.data() + k * planeSize + at;
            const std::uint64_t white = maximum - alpha;
            const std::uint64_t stored = read(sample);
            const std::uint64_t color =
                stored <= white ? 0 : std::min(((stored - white) * maximum + alpha / 2) / alpha, maximum);
            if (bytes == 2) {
                sample[0] = static_cast<std::uint8_t>(color >> 8);
                sample[1] = static_cast<std::uint8_t>(color);
            } else {
                sample[0] = static_cast<std::uint8_t>(color);
            }
        }
    }
}

} // namespace

bool TPSDGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    if (stream.Size() - start <= HeaderSize)
        return false;
    TPSDHeader header;
    const bool read = ReadPSDHeader(stream, header);
    stream.SetPosition(start);
    return read && HasSignature(header, true) && header.Version == 1;
}

bool TPSDGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    TPSDLayout layout;
    // Version 2 files give their section lengths in 8 bytes.
    if (imageIndex != 0 || !ReadPSDLayout(stream, layout) || !HasSignature(layout.Header, false) ||
        layout.Header.Version != 1)
        return false;
    const TPSDHeader& header = layout.Header;
    TImageProperties& properties = FImageProperties;
    properties.Options = {ioBigEndian};
    if (header.Mode == pmBitmap)
        properties.Options.Include(ioMinIsWhite);
    properties.BitsPerSample = static_cast<std::uint8_t>(std::min<unsigned>(header.Depth, 255));
    properties.Channels = static_cast<std::uint8_t>(std::min<unsigned>(header.Channels, 255));
    properties.SamplesPerPixel = static_cast<std::uint8_t>(std::min<unsigned>(header.Channels, 4));
    properties.BitsPerPixel =
        static_cast<std::uint8_t>(std::min<unsigned>(properties.SamplesPerPixel * properties.BitsPerSample, 255));
    properties.ColorScheme = SchemeOfMode(header);
    properties.Width = header.Width;
    properties.Height = header.Height;
    properties.Compression = CompressionOf(layout.Compression);
    return true;
}

void TPSDGraphic::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    if (!ReadImageProperties(stream, 0))
        RaiseImageErrorFmt(SInvalidImage, {PSDName});
    stream.SetPosition(start);
    FBasePosition = start;
    TPSDLayout layout;
    ReadPSDLayout(stream, layout);
    if (FImageProperties.Compression != ctNone && FImageProperties.Compression != ctPackedBits)
        RaiseImageErrorFmt(SUnsupportedFeature, {SCompressionScheme, PSDName});
    const TChannelUse use = ChannelUseOf(layout.Header);
    if (use.Planes == 0)
        RaiseImageErrorFmt(SInvalidColorFormat, {PSDName});
    CheckImageSize(PSDName);
    const int width = static_cast<int>(FImageProperties.Width);
    const int height = static_cast<int>(FImageProperties.Height);
    BeginProgress(width);
    SetUpColorManager(FColorManager, layout.Header, use);
    FColorManager.CheckConversion(PSDName, use.Planes);

    TBitmap image;
    image.SetPixelFormat(FColorManager.GetPixelFormat(1));
    const TPalette palette = ReadPalette(stream, layout);
    if (palette.Count() > 0)
        image.SetPalette(palette);
    // The stored rows are found, and checked to be there and able to fill the picture, before the
    // bitmap is sized, so that a file far shorter than its picture is refused before anything that
    // large is made.
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * layout.Header.Depth + 7) / 8;
    const bool color = use.Planes > 1;
    NextProgressStage(color ? SLoadingData : STransfering);
    const TStoredRows rows = LocateRows(stream, layout, use.Planes, rowBytes);
    if (color)
        NextProgressStage(STransfering);
    image.SetSize(width, height);
    TransferRows(stream, rows, use, rowBytes, image);
    EndProgress();
    TakeOver(image);
}

// Indexed pictures take up to 256 colours from the colour mode data, grey ones the greys of their
// depth, white first in bitmap mode.
TPalette TPSDGraphic::ReadPalette(TStream& stream, const TPSDLayout& layout) const
{
    if (FColorManager.SourceColorScheme() == csGray)
        return FColorManager.CreateGrayscalePalette(FImageProperties.Options.Contains(ioMinIsWhite));
    if (FColorManager.SourceColorScheme() != csIndexed)
        return {};
    stream.SetPosition(layout.ColorModeData);
    const std::vector<std::uint8_t> data = ReadBytes(stream, std::min(layout.ColorModeLength, IndexedColorDataSize));
    const std::size_t count = data.size() / 3;
    const std::span<const std::uint8_t> all(data);
    const std::span<const std::uint8_t> planes[] = {all.first(count), all.subspan(count, count),
                                                    all.subspan(2 * count, count)};
    return FColorManager.CreateColorPalette(planes, pdPlanar8Triple, static_cast<unsigned>(count), false);
}

// Where the rows of the first `planeCount` channels are stored and how long each is, channel after
// channel.
TStoredRows TPSDGraphic::LocateRows(TStream& stream, const TPSDLayout& layout, unsigned planeCount,
                                    std::size_t rowBytes) const
{
    const std::size_t count = static_cast<std::size_t>(planeCount) * FImageProperties.Height;
    stream.SetPosition(layout.ImageData);
    TStoredRows rows;
    if (FImageProperties.Compression == ctNone) {
        rows.Sizes.assign(count, static_cast<std::uint32_t>(rowBytes));
    } else {
        const std::vector<std::uint16_t> counts = ReadByteCounts(stream, layout.Header, count);
        rows.Sizes.assign(counts.begin(), counts.end());
    }
    const std::size_t stored = std::accumulate(rows.Sizes.begin(), rows.Sizes.end(), std::size_t{0});
    if (static_cast<std::int64_t>(stored) > stream.Size() - stream.Position())
        RaiseImageErrorFmt(SStreamReadError, {PSDName});
    if (FImageProperties.Compression != ctNone)
        CheckDataFills(static_cast<std::int64_t>(stored), count * rowBytes, RunLengthExpansion, PSDName);
    rows.Starts.resize(count);
    std::int64_t at = stream.Position();
    for (std::size_t i = 0; i < count; ++i) {
        rows.Starts[i] = at;
        at += rows.Sizes[i];
    }
    return rows;
}

// The packed sizes of the first `rows` rows, channel after channel; the table's entries for the
// channels not read are passed over.
std::vector<std::uint16_t> TPSDGraphic::ReadByteCounts(TStream& stream, const TPSDHeader& header, std::size_t rows)
{
    const std::int64_t tableStart = stream.Position();
    const std::int64_t tableSize = 2 * std::int64_t{header.Channels} * header.Height;
    if (tableSize > stream.Size() - tableStart)
        RaiseImageErrorFmt(SStreamReadError, {PSDName});
    const std::vector<std::uint8_t> bytes = ReadBytes(stream, 2 * rows);
    stream.SetPosition(tableStart + tableSize);
    std::vector<std::uint16_t> counts(rows);
    for (std::size_t i = 0; i < rows; ++i)
        counts[i] = BigEndian16(&bytes[2 * i]);
    return counts;
}

// Checks that the stream holds the bytes before making room for them.
std::vector<std::uint8_t> TPSDGraphic::ReadBytes(TStream& stream, std::size_t count)
{
    const auto size = static_cast<std::int64_t>(count);
    if (size > stream.Size() - stream.Position())
        RaiseImageErrorFmt(SStreamReadError, {PSDName});
    std::vector<std::uint8_t> bytes(count);
    if (stream.Read(bytes.data(), size) != size)
        RaiseImageErrorFmt(SStreamReadError, {PSDName});
    return bytes;
}

// Each row of the picture is read from its channels' stored rows and converted, so that no second
// copy of the picture is held.
void TPSDGraphic::TransferRows(TStream& stream, const TStoredRows& rows, const TChannelUse& use, std::size_t rowBytes,
                               TBitmap& image)
{
    const int width = image.Width();
    const int height = image.Height();
    const bool packed = FImageProperties.Compression != ctNone;
    std::vector<std::uint8_t> samples(use.Planes * rowBytes);
    std::vector<std::uint8_t> packedRow;
    std::array<const std::uint8_t*, 4> planes{};
    for (unsigned k = 0; k < use.Planes; ++k)
        planes[k] = samples.data() + k * rowBytes;
    TPackbitsRLEDecoder decoder;
    decoder.DecodeInit();
    for (int y = 0; y < height; ++y) {
        for (unsigned k = 0; k < use.Planes; ++k) {
            const std::size_t index = k * static_cast<std::size_t>(height) + static_cast<std::size_t>(y);
            std::uint8_t* target = samples.data() + k * rowBytes;
            stream.SetPosition(rows.Starts[index]);
            if (!packed) {
                ReadExactly(stream, target, static_cast<std::int64_t>(rowBytes), PSDName);
                continue;
            }
            packedRow.resize(rows.Sizes[index]);
            ReadExactly(stream, packedRow.data(), static_cast<std::int64_t>(packedRow.size()), PSDName);
            const std::uint8_t* source = packedRow.data();
            decoder.Decode(source, target, static_cast<std::int32_t>(packedRow.size()),
                           static_cast<std::int32_t>(rowBytes));
        }
        // CMYK channels hold the ink left out: 0 is full ink.
        if (use.Source == csCMYK)
            std::transform(samples.begin(), samples.end(), samples.begin(),
                           [](std::uint8_t value) { return static_cast<std::uint8_t>(255 - value); });
        if (use.Source == csRGBA)
            RemoveWhiteMatte(samples, rowBytes, FImageProperties.BitsPerSample);
        FColorManager.ConvertRow(TSourceRow(planes.data(), use.Planes), image.ScanLine(y), static_cast<unsigned>(width),
                                 0xFF);
        RowDone(y, height);
    }
    decoder.DecodeEnd();
}
