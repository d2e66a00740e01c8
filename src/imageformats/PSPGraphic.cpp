#include "imageformats/PSPGraphic.h"

#include "imageformats/GraphicCompression.h"
#include "imageformats/LZ77Decoder.h"
#include "platform/core/LittleEndian.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <limits>
#include <memory>

// A block's header as read: the data begin at DataStart and run for Length bytes.
struct TPSPBlock {
    std::uint8_t Marker = 0;
    std::uint16_t Id = 0;
    std::uint32_t Length = 0;
    std::int64_t DataStart = 0;
};

namespace {

constexpr std::string_view PSPName = "PSP";
constexpr std::string_view Signature = "Paint Shop Pro Image File";
constexpr int FileHeaderSize = 36;
constexpr int MajorVersionOffset = 32;
constexpr std::uint16_t FirstReadVersion = 3;
// Version 3 block headers hold an initial data length besides the total one.
constexpr std::uint16_t ShortHeaderVersion = 4;
constexpr std::uint8_t BlockMarker = 0x7E;

enum TPSPBlockId : std::uint16_t {
    biImageAttributes = 0,
    biColorPalette = 2,
    biLayerBank = 3,
    biLayer = 4,
};

enum TPSPCompression : std::uint16_t { pcNone = 0, pcRLE = 1, pcLZ77 = 2, pcJPEG = 3 };

constexpr int AttributesSize = 38;
constexpr std::uint8_t PerCentimetre = 2;
constexpr double CentimetresPerInch = 2.54;
constexpr int LayerNameSize = 256; // version 3 only; later versions give the name's length
constexpr int LayerInfoSize = 115;
// Fields of the layer information: the layer's rectangle in the picture, the stored part of it
// (relative to the layer's), opacity, blending mode and visibility.
constexpr int ImageRectOffset = 1;
constexpr int SavedRectOffset = 17;
constexpr int OpacityOffset = 33;
constexpr int BlendModeOffset = 34;
constexpr int VisibleOffset = 35;
constexpr std::uint8_t FullOpacity = 255;
constexpr std::uint8_t NormalBlending = 0;
constexpr std::uint16_t ImageBitmap = 0; // the other bitmaps of a layer are its masks
constexpr std::string_view SBlendedLayers = "Layers blended with others or smaller than the picture are";
constexpr int ChannelInfoSize = 12;
constexpr unsigned ColorChannels = 3;
constexpr int PaletteEntrySize = 4;
// Deflate's flush mode for a stream inflated a row at a time.
constexpr int PartialFlush = 1;

bool HasSignature(const std::uint8_t* bytes)
{
    for (std::size_t i = 0; i < Signature.size(); ++i)
        if (std::tolower(bytes[i]) != std::tolower(static_cast<unsigned char>(Signature[i])))
            return false;
    return true;
}

// The major version of a file this reader takes, or 0.
std::uint16_t ReadFileHeader(TStream& stream)
{
    std::array<std::uint8_t, FileHeaderSize> header{};
    if (stream.Read(header.data(), FileHeaderSize) != FileHeaderSize || !HasSignature(header.data()))
        return 0;
    const std::uint16_t major = GetU16(&header[MajorVersionOffset]);
    return major >= FirstReadVersion ? major : 0;
}

// False at the end of the stream or when it ends inside the header.
bool ReadBlockHeader(TStream& stream, unsigned version, TPSPBlock& block)
{
    const int size = version < ShortHeaderVersion ? 14 : 10;
    std::array<std::uint8_t, 14> header{};
    if (stream.Position() >= stream.Size() || stream.Read(header.data(), size) != size)
        return false;
    block.Marker = header[0];
    block.Id = GetU16(&header[4]);
    block.Length = GetU32(&header[static_cast<std::size_t>(size) - 4]);
    block.DataStart = stream.Position();
    return true;
}

std::int64_t BlockEnd(const TPSPBlock& block) { return block.DataStart + block.Length; }

TCompressionType CompressionOf(std::uint16_t compression)
{
    switch (compression) {
    case pcNone:
        return ctNone;
    case pcRLE:
        return ctRLE;
    case pcLZ77:
        return ctLZ77;
    case pcJPEG:
        return ctJPEG;
    default:
        return ctUnknown;
    }
}

// The bytes of a channel row: rows of 4-bit indexes take a byte more than they need.
std::size_t RowSizeOf(std::uint32_t width, unsigned bitsPerSample)
{
    switch (bitsPerSample) {
    case 1:
        return (std::size_t{width} + 7) / 8;
    case 4:
        return std::size_t{width} / 2 + 1;
    default:
        return width;
    }
}

// A channel decoded one row at a time, its packed bytes one stream; a row its data do not reach,
// and every row of a channel the layer lacks, is zero.
class TChannelRows {
public:
    TChannelRows(const std::vector<std::uint8_t>& packed, TCompressionType compression, std::size_t rowSize)
        : source_(packed.data()), left_(static_cast<std::int32_t>(packed.size())), row_(rowSize)
    {
        if (compression == ctRLE)
            decoder_ = std::make_unique<TPSPRLEDecoder>();
        else if (compression == ctLZ77)
            decoder_ = std::make_unique<TLZ77Decoder>(PartialFlush, false);
        if (decoder_)
            decoder_->DecodeInit();
    }

    const std::uint8_t* NextRow()
    {
        std::fill(row_.begin(), row_.end(), std::uint8_t{0});
        const std::uint8_t* before = source_;
        if (decoder_) {
            std::uint8_t* target = row_.data();
            decoder_->Decode(source_, target, left_, static_cast<std::int32_t>(row_.size()));
        } else {
            const std::size_t count = std::min(row_.size(), static_cast<std::size_t>(left_));
            std::copy_n(source_, count, row_.begin());
            source_ += count;
        }
        left_ -= static_cast<std::int32_t>(source_ - before);
        return row_.data();
    }

private:
    std::unique_ptr<TDecoder> decoder_;
    const std::uint8_t* source_;
    std::int32_t left_;
    std::vector<std::uint8_t> row_;
};

} // namespace

bool TPSPGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    if (stream.Size() - start < FileHeaderSize + 1)
        return false;
    const bool taken = ReadFileHeader(stream) != 0;
    stream.SetPosition(start);
    return taken;
}

bool TPSPGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    const std::uint16_t version = imageIndex == 0 ? ReadFileHeader(stream) : 0;
    TPSPBlock block;
    if (version == 0 || !ReadBlockHeader(stream, version, block) || block.Marker != BlockMarker ||
        block.Id != biImageAttributes)
        return false;
    // From version 4 on the attributes begin with their chunk's length.
    const int skipped = version < ShortHeaderVersion ? 0 : 4;
    std::array<std::uint8_t, 4 + AttributesSize> bytes{};
    if (stream.Read(bytes.data(), skipped + AttributesSize) != skipped + AttributesSize)
        return false;
    const std::uint8_t* attributes = bytes.data() + skipped;
    TImageProperties& properties = FImageProperties;
    properties.Version = version;
    properties.Width = GetU32(&attributes[0]);
    properties.Height = GetU32(&attributes[4]);
    const double resolution = std::bit_cast<double>(GetU64(&attributes[8]));
    const double scale = attributes[16] == PerCentimetre ? CentimetresPerInch : 1.0;
    properties.XResolution = static_cast<float>(resolution * scale);
    properties.YResolution = properties.XResolution;
    properties.Compression = CompressionOf(GetU16(&attributes[17]));
    const std::uint16_t depth = GetU16(&attributes[19]);
    const bool grey = attributes[27] != 0;
    if (depth == 24) {
        properties.ColorScheme = csRGB;
        properties.BitsPerSample = 8;
        properties.SamplesPerPixel = 3;
    } else {
        properties.ColorScheme = grey ? csGray : csIndexed;
        properties.BitsPerSample = static_cast<std::uint8_t>(std::min<unsigned>(depth, 255));
        properties.SamplesPerPixel = 1;
    }
    properties.BitsPerPixel =
        static_cast<std::uint8_t>(std::min<unsigned>(properties.BitsPerSample * properties.SamplesPerPixel, 255));
    stream.SetPosition(BlockEnd(block));
    return true;
}

void TPSPGraphic::LoadFromStream(TStream& stream)
{
    FBasePosition = stream.Position();
    if (!ReadImageProperties(stream, 0))
        RaiseImageErrorFmt(SInvalidImage, {PSPName});
    const TImageProperties& properties = FImageProperties;
    // No JPEG decoder is at hand, and the channel buffers would be converted unfilled.
    if (properties.Compression == ctJPEG || properties.Compression == ctUnknown)
        RaiseImageErrorFmt(SUnsupportedFeature, {SCompressionScheme, PSPName});
    const unsigned bits = properties.BitsPerSample;
    if (bits != 1 && bits != 4 && bits != 8)
        RaiseImageErrorFmt(SInvalidColorFormat, {PSPName});
    CheckImageSize(PSPName);
    const TCompressionType compression = properties.Compression;
    CheckDataFills(stream.Size() - FBasePosition,
                   compression == ctRLE ? RunLengthExpansion
                                        : (compression == ctLZ77 ? DeflateExpansion : StoredExpansion),
                   PSPName);
    const int width = static_cast<int>(properties.Width);
    const int height = static_cast<int>(properties.Height);
    BeginProgress(width);

    const bool color = properties.ColorScheme == csRGB;
    FColorManager.SourceOptions = {};
    FColorManager.TargetOptions = {};
    FColorManager.SetSourceBitsPerSample(properties.BitsPerSample);
    FColorManager.SetTargetBitsPerSample(properties.BitsPerSample);
    FColorManager.SetSourceSamplesPerPixel(properties.SamplesPerPixel);
    FColorManager.SetTargetSamplesPerPixel(properties.SamplesPerPixel);
    FColorManager.SetSourceColorScheme(properties.ColorScheme);
    FColorManager.SetTargetColorScheme(color ? csBGR : properties.ColorScheme);
    FColorManager.CheckConversion(PSPName, properties.SamplesPerPixel);

    NextProgressStage(SLoadingData);
    TPalette palette;
    if (properties.ColorScheme == csGray)
        palette = FColorManager.CreateGrayscalePalette(false);
    TLayerChannels shown;
    unsigned visibleLayers = 0;
    TPSPBlock block;
    while (ReadBlockHeader(stream, properties.Version, block) && block.Marker == BlockMarker) {
        if (block.Id == biColorPalette)
            palette = ReadPalette(stream);
        else if (block.Id == biLayerBank)
            ReadLayerBank(stream, BlockEnd(block), shown, visibleLayers);
        stream.SetPosition(BlockEnd(block));
    }
    const bool found = visibleLayers > 0;
    if (found)
        CheckShownLayer(shown, visibleLayers);
    // The last visible raster layer covers the whole picture and hides the ones below.
    if (color && shown.Count > ColorChannels) {
        FColorManager.SetSourceSamplesPerPixel(4);
        FColorManager.SetTargetSamplesPerPixel(4);
        FColorManager.SetSourceColorScheme(csRGBA);
        FColorManager.SetTargetColorScheme(csBGRA);
        FColorManager.CheckConversion(PSPName, 4);
        // The size rule was applied to the file's 24 bits, and the bitmap now takes 32.
        if (!IsSoundImageSize(properties.Width, properties.Height, 32))
            RaiseImageErrorFmt(SInvalidImage, {PSPName});
    }

    NextProgressStage(STransfering);
    TBitmap image;
    image.SetPixelFormat(FColorManager.GetPixelFormat(1));
    if (!color && palette.Count() > 0)
        image.SetPalette(palette);
    image.SetSize(width, height);
    if (found)
        TransferRows(shown, RowSizeOf(properties.Width, bits), image);
    EndProgress();
    TakeOver(image);
}

// Keeps the channels of the bank's last visible raster layer and counts the visible raster layers;
// a block that is no layer ends the bank.
void TPSPGraphic::ReadLayerBank(TStream& stream, std::int64_t bankEnd, TLayerChannels& shown, unsigned& visibleLayers)
{
    TPSPBlock block;
    while (stream.Position() < bankEnd && ReadBlockHeader(stream, FImageProperties.Version, block) &&
           block.Marker == BlockMarker && block.Id == biLayer) {
        TLayerChannels channels;
        if (ReadRasterLayer(stream, channels) && channels.Visible) {
            shown = std::move(channels);
            ++visibleLayers;
        }
        stream.SetPosition(BlockEnd(block));
    }
}

// Each layer is shown over the whole picture without merging, which is the picture only when the
// shown layer covers it all and, over other visible layers, hides them.
void TPSPGraphic::CheckShownLayer(const TLayerChannels& shown, unsigned visibleLayers) const
{
    if (!shown.WholePicture || (visibleLayers > 1 && !shown.Opaque))
        RaiseImageErrorFmt(SUnsupportedFeature, {SBlendedLayers, PSPName});
}

// The packed channels of a raster layer; false for other layers.
bool TPSPGraphic::ReadRasterLayer(TStream& stream, TLayerChannels& channels)
{
    if (!ReadLayerInfo(stream, channels))
        return false;
    TPSPBlock block;
    for (unsigned i = 0; i < channels.Count; ++i) {
        if (!ReadBlockHeader(stream, FImageProperties.Version, block) || block.Marker != BlockMarker)
            break;
        ReadChannel(stream, block, channels);
        // Every channel is passed by its length, also those of types this reader does not use.
        stream.SetPosition(BlockEnd(block));
    }
    return true;
}

// The layer's information and counts, leaving the stream at its first channel; false for a layer
// that is not raster.
bool TPSPGraphic::ReadLayerInfo(TStream& stream, TLayerChannels& channels)
{
    const bool chunked = FImageProperties.Version >= ShortHeaderVersion;
    std::array<std::uint8_t, 6> bytes{};
    std::int64_t chunkStart = stream.Position();
    std::uint32_t chunkLength = 0;
    if (chunked) {
        ReadExactly(stream, bytes.data(), 6, PSPName);
        chunkLength = GetU32(&bytes[0]);
        stream.Seek(GetU16(&bytes[4]), TSeekOrigin::soCurrent);
    } else {
        stream.Seek(LayerNameSize, TSeekOrigin::soCurrent);
    }
    std::array<std::uint8_t, LayerInfoSize> info{};
    ReadExactly(stream, info.data(), LayerInfoSize, PSPName);
    const std::uint8_t type = info[0];
    if (chunked ? type > 1 : type != 0)
        return false;
    // Later versions add fields to the layer's information: its chunk's length passes them.
    if (chunked) {
        stream.SetPosition(std::max(stream.Position(), chunkStart + chunkLength));
        chunkStart = stream.Position();
        ReadExactly(stream, bytes.data(), 4, PSPName);
        chunkLength = GetU32(&bytes[0]);
    }
    ReadExactly(stream, bytes.data(), 4, PSPName);
    const std::uint16_t bitmaps = GetU16(&bytes[0]);
    channels.Count = GetU16(&bytes[2]);
    if (chunked)
        stream.SetPosition(std::max(stream.Position(), chunkStart + chunkLength));
    const auto field = [&info](int offset) { return static_cast<std::int32_t>(GetU32(&info[offset])); };
    const std::int64_t left = std::int64_t{field(ImageRectOffset)} + field(SavedRectOffset);
    const std::int64_t top = std::int64_t{field(ImageRectOffset + 4)} + field(SavedRectOffset + 4);
    const std::int64_t width = std::int64_t{field(SavedRectOffset + 8)} - field(SavedRectOffset);
    const std::int64_t height = std::int64_t{field(SavedRectOffset + 12)} - field(SavedRectOffset + 4);
    channels.Visible = info[VisibleOffset] != 0;
    channels.WholePicture =
        left == 0 && top == 0 && width == FImageProperties.Width && height == FImageProperties.Height;
    channels.Opaque = info[OpacityOffset] == FullOpacity && info[BlendModeOffset] == NormalBlending && bitmaps <= 1;
    return true;
}

void TPSPGraphic::ReadChannel(TStream& stream, const TPSPBlock& block, TLayerChannels& channels)
{
    const bool chunked = FImageProperties.Version >= ShortHeaderVersion;
    std::array<std::uint8_t, 4 + ChannelInfoSize> bytes{};
    const int size = (chunked ? 4 : 0) + ChannelInfoSize;
    ReadExactly(stream, bytes.data(), size, PSPName);
    const std::uint8_t* info = bytes.data() + (chunked ? 4 : 0);
    if (chunked)
        stream.SetPosition(std::max(stream.Position(), block.DataStart + GetU32(&bytes[0])));
    const std::uint16_t type = GetU16(&info[10]);
    // A palette or grey layer's mask is a composite channel too; only its image is shown.
    const bool mask = GetU16(&info[8]) != ImageBitmap;
    if (type >= channels.Packed.size() || (mask && FImageProperties.ColorScheme != csRGB))
        return;
    // A length past the block's or the stream's end takes what is there.
    const std::int64_t available = std::min(BlockEnd(block), stream.Size()) - stream.Position();
    const std::int64_t length = std::clamp<std::int64_t>(std::min<std::int64_t>(GetU32(&info[0]), available), 0,
                                                         std::numeric_limits<std::int32_t>::max());
    std::vector<std::uint8_t>& packed = channels.Packed[type];
    packed.resize(static_cast<std::size_t>(length));
    ReadExactly(stream, packed.data(), length, PSPName);
    channels.Present[type] = true;
}

// At most 256 entries; the rest of a longer palette is passed over.
TPalette TPSPGraphic::ReadPalette(TStream& stream) const
{
    const int skipped = FImageProperties.Version < ShortHeaderVersion ? 0 : 4;
    std::array<std::uint8_t, 8> header{};
    ReadExactly(stream, header.data(), skipped + 4, PSPName);
    const auto count =
        std::min<std::uint32_t>(GetU32(&header[static_cast<std::size_t>(skipped)]), TPalette::MaxEntries);
    std::vector<std::uint8_t> entries(std::size_t{count} * PaletteEntrySize);
    ReadExactly(stream, entries.data(), static_cast<std::int64_t>(entries.size()), PSPName);
    const std::span<const std::uint8_t> data[] = {entries};
    return FColorManager.CreateColorPalette(data, pdInterleaved8Quad, count, true);
}

void TPSPGraphic::TransferRows(const TLayerChannels& channels, std::size_t rowSize, TBitmap& image)
{
    const int width = image.Width();
    const int height = image.Height();
    // Red, green, blue, then the composite channel, which colour pictures take as alpha.
    const bool color = FImageProperties.ColorScheme == csRGB;
    const std::array<std::size_t, 4> order =
        color ? std::array<std::size_t, 4>{1, 2, 3, 0} : std::array<std::size_t, 4>{0, 0, 0, 0};
    const unsigned planeCount = color ? FColorManager.SourceSamplesPerPixel() : 1;
    const std::vector<std::uint8_t> none;
    std::vector<TChannelRows> planes;
    planes.reserve(planeCount);
    for (unsigned k = 0; k < planeCount; ++k) {
        const std::size_t type = order[k];
        planes.emplace_back(channels.Present[type] ? channels.Packed[type] : none, FImageProperties.Compression,
                            rowSize);
    }
    std::array<const std::uint8_t*, 4> rows{};
    for (int y = 0; y < height; ++y) {
        for (unsigned k = 0; k < planeCount; ++k)
            rows[k] = planes[k].NextRow();
        FColorManager.ConvertRow(TSourceRow(rows.data(), planeCount), image.ScanLine(y), static_cast<unsigned>(width),
                                 0xFF);
        RowDone(y, height);
    }
}
