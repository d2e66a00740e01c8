#include "imageformats/PNGGraphic.h"

#include "imageformats/LZ77Decoder.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Colors.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr std::string_view PNGName = "PNG";
constexpr std::array<std::uint8_t, 8> Signature = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr std::uint32_t DescriptionSize = 13;
constexpr std::uint32_t CRCSize = 4;
constexpr std::uint32_t GammaScale = 100000;
constexpr float DisplayGamma = 2.2f;
// The letter bit that tells ancillary chunks from critical ones, and lower from upper case.
constexpr std::uint8_t CaseBit = 0x20;
constexpr int PartialFlush = 1;

enum TPNGColorType : std::uint8_t {
    ctGrey = 0,
    ctRGB = 2,
    ctPalette = 3,
    ctGreyAlpha = 4,
    ctRGBAlpha = 6,
};

struct TAdam7Pass {
    std::uint32_t FirstRow;
    std::uint32_t FirstColumn;
    std::uint32_t RowStep;
    std::uint32_t ColumnStep;
    std::uint8_t Mask; // the pixels of each group of eight that the pass fills
};

constexpr std::array<TAdam7Pass, 7> Adam7 = {{
    {0, 0, 8, 8, 0x80},
    {0, 4, 8, 8, 0x08},
    {4, 0, 8, 4, 0x88},
    {0, 2, 4, 4, 0x22},
    {2, 0, 4, 2, 0xAA},
    {0, 1, 2, 2, 0x55},
    {1, 0, 2, 1, 0xFF},
}};
constexpr unsigned NotInterlaced = Adam7.size();

std::uint32_t Crc(std::uint32_t crc, const std::uint8_t* data, std::uint32_t length)
{
    return static_cast<std::uint32_t>(crc32(crc, data, length));
}

// Chunk types are compared without regard to the case of their letters.
bool SameChunkType(const std::uint8_t* type, const char (&name)[5])
{
    for (int i = 0; i < 4; ++i)
        if ((type[i] & ~CaseBit) != (static_cast<std::uint8_t>(name[i]) & ~CaseBit))
            return false;
    return true;
}

// The bytes of a filtered row of `width` pixels, filter byte included.
std::uint32_t RowSize(std::uint32_t width, std::uint8_t bitDepth, unsigned samplesFactor)
{
    return static_cast<std::uint32_t>((std::uint64_t{width} * bitDepth + 7) / 8 * samplesFactor + 1);
}

// Up has no left neighbour and is reconstructed in one sweep.
void UndoUp(const std::uint8_t* line, const std::uint8_t* prevLine, std::uint8_t* target, std::uint32_t bytesPerRow)
{
    for (std::uint32_t i = 0; i < bytesPerRow; ++i)
        target[i] = static_cast<std::uint8_t>(line[i] + prevLine[i]);
}

// The filters that predict from the left neighbour a, the byte above b and the one above left c,
// pixel by pixel with a and c of each sample kept in registers rather than read back from the rows:
// this is where a large image's time goes. The first pixel has no left neighbours, taken as 0. Kept
// out of the filter switch, whose other values would push those registers onto the stack.
template <unsigned Bpp, typename Predict>
[[gnu::noinline]] void UndoFromLeft(const std::uint8_t* line, const std::uint8_t* prevLine, std::uint8_t* target,
                                    std::uint32_t bytesPerRow, Predict predict)
{
    std::array<int, Bpp> left{};
    std::array<int, Bpp> upperLeft{};
    const auto undo = [&](std::uint32_t i, unsigned k) {
        const int up = prevLine[i + k];
        left[k] = static_cast<std::uint8_t>(line[i + k] + predict(left[k], up, upperLeft[k]));
        target[i + k] = static_cast<std::uint8_t>(left[k]);
        upperLeft[k] = up;
    };
    // Unrolled over the pixel's bytes, so that their neighbours are registers of their own; a row
    // holds whole pixels.
    for (std::uint32_t i = 0; i + Bpp <= bytesPerRow; i += Bpp) {
        const auto pixel = [&]<std::size_t... K>(std::index_sequence<K...>) { (undo(i, K), ...); };
        pixel(std::make_index_sequence<Bpp>{});
    }
}

// One instance for each pixel size a PNG file has: 1, 2, 3, 4, 6 and 8 bytes.
template <typename Predict>
void UndoFromLeft(const std::uint8_t* line, const std::uint8_t* prevLine, std::uint8_t* target, unsigned bpp,
                  std::uint32_t bytesPerRow, Predict predict)
{
    switch (bpp) {
    case 1:
        return UndoFromLeft<1>(line, prevLine, target, bytesPerRow, predict);
    case 2:
        return UndoFromLeft<2>(line, prevLine, target, bytesPerRow, predict);
    case 3:
        return UndoFromLeft<3>(line, prevLine, target, bytesPerRow, predict);
    case 4:
        return UndoFromLeft<4>(line, prevLine, target, bytesPerRow, predict);
    case 6:
        return UndoFromLeft<6>(line, prevLine, target, bytesPerRow, predict);
    default:
        return UndoFromLeft<8>(line, prevLine, target, bytesPerRow, predict);
    }
}

// The predictors, each of a type of its own so that the loops are made for each.
constexpr auto Sub = [](int a, int, int) { return a; };
constexpr auto Average = [](int a, int b, int) { return (a + b) / 2; };
// From the distances of a + b - c to a, b and c.
constexpr auto Paeth = [](int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int bOrC = pb <= pc ? b : c;
    return pa <= pb && pa <= pc ? a : bOrC;
};

} // namespace

TPNGGraphic::TPNGGraphic() = default;
TPNGGraphic::~TPNGGraphic() = default;

bool TPNGGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    if (stream.Size() - start < static_cast<std::int64_t>(Signature.size()) + 1)
        return false;
    std::array<std::uint8_t, Signature.size()> bytes{};
    const bool read = stream.Read(bytes.data(), bytes.size()) == static_cast<std::int64_t>(bytes.size());
    stream.SetPosition(start);
    return read && bytes == Signature;
}

bool TPNGGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    TStream* const previous = stream_;
    stream_ = &stream;
    bool sound = false;
    try {
        sound = CheckHeader(stream) == THeaderCheck::Sound;
    } catch (const EInvalidGraphic&) {
        // A CRC error in the header chunks makes the file no PNG file this reader reads.
    }
    stream_ = previous;
    return sound;
}

// The properties from IHDR and the first gAMA; what is wrong with the file when they cannot be had.
TPNGGraphic::THeaderCheck TPNGGraphic::CheckHeader(TStream& stream)
{
    std::array<std::uint8_t, Signature.size()> bytes{};
    if (stream.Read(bytes.data(), bytes.size()) != static_cast<std::int64_t>(bytes.size()) || bytes != Signature)
        return THeaderCheck::NotPNG;
    try {
        LoadAndSwapHeader();
    } catch (const EInvalidGraphic&) {
        return THeaderCheck::CutShort;
    }
    if (!IsChunk("IHDR") || chunkLength_ != DescriptionSize)
        return THeaderCheck::NotPNG;
    TImageProperties& properties = FImageProperties;
    properties.Options.Include(ioBigEndian);
    TPNGDescription description;
    ReadDescription(description);
    if (description.Width == 0 || description.Height == 0)
        return THeaderCheck::NotPNG;
    properties.Width = description.Width;
    properties.Height = description.Height;
    properties.Compression = description.Compression == 0 ? ctLZ77 : ctUnknown;
    properties.BitsPerSample = description.BitDepth;
    properties.SamplesPerPixel = description.ColorType == ctRGB ? 3 : description.ColorType == ctRGBAlpha ? 4 : 1;
    switch (description.ColorType) {
    case ctGrey:
        properties.ColorScheme = csGray;
        break;
    case ctRGB:
        properties.ColorScheme = csRGB;
        break;
    case ctPalette:
        properties.ColorScheme = csIndexed;
        break;
    case ctGreyAlpha:
        properties.ColorScheme = csGrayAlpha;
        break;
    case ctRGBAlpha:
        properties.ColorScheme = csRGBA;
        break;
    default:
        properties.ColorScheme = csUnknown;
        break;
    }
    // A depth no layout has is refused before anything is sized; until then it must not wrap.
    properties.BitsPerPixel =
        static_cast<std::uint8_t>(std::min(properties.SamplesPerPixel * properties.BitsPerSample, 255));
    properties.FilterMode = description.Filter;
    properties.Interlaced = description.Interlace != 0;
    properties.HasAlpha = SchemeHasAlpha(properties.ColorScheme);
    for (;;) {
        try {
            LoadAndSwapHeader();
        } catch (const EInvalidGraphic&) {
            return THeaderCheck::CutShort;
        }
        if (IsChunk("gAMA")) {
            ReadDataAndCheckCRC();
            if (chunkLength_ >= 4)
                properties.FileGamma = static_cast<float>(ChunkData32(0)) / GammaScale;
            return THeaderCheck::Sound;
        }
        stream.Seek(std::int64_t{chunkLength_} + CRCSize, TSeekOrigin::soCurrent);
        if (IsChunk("IEND"))
            return THeaderCheck::Sound;
    }
}

void TPNGGraphic::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    stream_ = &stream;
    FBasePosition = start;
    FColorManager = TColorManager();
    TImageGraphic::ReadImageProperties(stream, 0);
    switch (CheckHeader(stream)) {
    case THeaderCheck::NotPNG:
        RaiseImageErrorFmt(SInvalidImage, {PNGName});
    case THeaderCheck::CutShort:
        RaiseImageErrorFmt(SStreamReadError, {PNGName});
    case THeaderCheck::Sound:
        break;
    }
    CheckImageSize(PNGName);
    stream.SetPosition(start + static_cast<std::int64_t>(Signature.size()));
    BeginProgress(static_cast<int>(FImageProperties.Width));
    palette_ = TPalette();
    backgroundColor_ = clWhite;
    transparentColor_ = clNone;
    backgroundSamples_ = {};
    transparentSamples_ = {};
    depthSetUp_ = false;
    sourceBPP_ = 1;
    FColorManager.SourceOptions = {coSwapBytes};
    TBitmap image;
    try {
        LoadChunks(image);
        decoder_->DecodeEnd();
    } catch (...) {
        ReleaseLoadState();
        throw;
    }
    ReleaseLoadState();
    TakeOver(image);
}

void TPNGGraphic::ReleaseLoadState()
{
    decoder_.reset();
    raw_ = {};
    rows_[0] = rows_[1] = {};
    stream_ = nullptr;
    EndProgress();
}

void TPNGGraphic::LoadChunks(TBitmap& image)
{
    LoadAndSwapHeader();
    TPNGDescription description;
    ReadDescription(description);
    if (FImageProperties.Compression != ctLZ77)
        RaiseImageErrorFmt(SUnsupportedFeature, {SCompressionScheme, PNGName});
    decoder_ = std::make_unique<TLZ77Decoder>(PartialFlush, false);
    decoder_->DecodeInit();
    bool imageRead = false;
    LoadAndSwapHeader();
    for (;;) {
        if (IsChunk("IDAT")) {
            NextProgressStage(STransfering);
            LoadIDAT(description, image);
            imageRead = true;
        } else if (IsChunk("PLTE")) {
            ReadPalette(description, image);
            LoadAndSwapHeader();
            continue;
        } else if (IsChunk("gAMA")) {
            ReadGamma();
            LoadAndSwapHeader();
            continue;
        } else if (IsChunk("bKGD")) {
            LoadBackgroundColor(description);
            LoadAndSwapHeader();
            continue;
        } else if (IsChunk("tRNS")) {
            LoadTransparency(description);
            LoadAndSwapHeader();
            continue;
        }
        // The chunk after the image data, or one this reader does not use.
        stream_->Seek(std::int64_t{chunkLength_} + CRCSize, TSeekOrigin::soCurrent);
        if (IsChunk("IEND"))
            break;
        if ((chunkType_[0] & CaseBit) == 0)
            RaiseImageError(SUnknownCriticalChunk);
        LoadAndSwapHeader();
    }
    // A file without image data has no picture to show.
    if (!imageRead)
        RaiseImageErrorFmt(SInvalidImage, {PNGName});
}

bool TPNGGraphic::IsChunk(const char (&chunkType)[5]) const { return SameChunkType(chunkType_, chunkType); }

void TPNGGraphic::ReadBytes(void* buffer, std::int64_t count)
{
    if (stream_->Read(buffer, count) != count)
        RaiseImageErrorFmt(SStreamReadError, {PNGName});
}

void TPNGGraphic::LoadAndSwapHeader()
{
    std::array<std::uint8_t, 8> header{};
    ReadBytes(header.data(), header.size());
    chunkLength_ = BigEndian32(header.data());
    std::copy_n(header.begin() + 4, 4, chunkType_);
    // Checked before any buffer is sized from the length.
    if (std::int64_t{chunkLength_} + CRCSize > stream_->Size() - stream_->Position())
        RaiseImageErrorFmt(SStreamReadError, {PNGName});
    crc_ = Crc(Crc(0, nullptr, 0), chunkType_, 4);
}

void TPNGGraphic::ReadDataAndCheckCRC()
{
    if (raw_.size() < chunkLength_)
        raw_.resize(chunkLength_);
    ReadBytes(raw_.data(), chunkLength_);
    std::array<std::uint8_t, CRCSize> stored{};
    ReadBytes(stored.data(), stored.size());
    crc_ = Crc(crc_, raw_.data(), chunkLength_);
    if (crc_ != BigEndian32(stored.data()))
        RaiseImageErrorFmt(SCRCError, {PNGName});
}

std::uint32_t TPNGGraphic::ChunkData32(std::uint32_t offset) const { return BigEndian32(raw_.data() + offset); }

void TPNGGraphic::ReadDescription(TPNGDescription& description)
{
    if (!IsChunk("IHDR") || chunkLength_ != DescriptionSize)
        RaiseImageErrorFmt(SInvalidImage, {PNGName});
    ReadDataAndCheckCRC();
    description.Width = ChunkData32(0);
    description.Height = ChunkData32(4);
    description.BitDepth = raw_[8];
    description.ColorType = raw_[9];
    description.Compression = raw_[10];
    description.Filter = raw_[11];
    description.Interlace = raw_[12];
}

void TPNGGraphic::ReadPalette(const TPNGDescription& description, TBitmap& image)
{
    if (chunkLength_ % 3 != 0)
        RaiseImageErrorFmt(SInvalidPalette, {PNGName});
    ReadDataAndCheckCRC();
    if (description.ColorType != ctPalette)
        return;
    sourceBPP_ = SetupColorDepth(image, description.ColorType, description.BitDepth);
    const std::span<const std::uint8_t> colors[] = {std::span(raw_.data(), chunkLength_)};
    palette_ = FColorManager.CreateColorPalette(colors, pdInterleaved8Triple, chunkLength_ / 3, false);
}

void TPNGGraphic::ReadGamma()
{
    ReadDataAndCheckCRC();
    if (chunkLength_ < 4)
        return;
    FColorManager.SetGamma(static_cast<float>(ChunkData32(0)) / GammaScale, DisplayGamma);
    FColorManager.TargetOptions.Include(coApplyGamma);
    FImageProperties.Options.Include(ioUseGamma);
}

void TPNGGraphic::LoadIDAT(const TPNGDescription& description, TBitmap& image)
{
    if (!depthSetUp_) {
        // Palette images take their colours from PLTE, which must come before the image data.
        if (description.ColorType == ctPalette)
            RaiseImageErrorFmt(SInvalidPalette, {PNGName});
        sourceBPP_ = SetupColorDepth(image, description.ColorType, description.BitDepth);
    }
    FColorManager.CheckConversion(PNGName);
    const unsigned samplesFactor = description.BitDepth == 16 ? sourceBPP_ / 2 : sourceBPP_;
    if (palette_.Count() > 0)
        image.SetPalette(palette_);
    if (backgroundSamples_.Present)
        backgroundColor_ = DisplayedColor(backgroundSamples_, description.BitDepth);
    if (transparentSamples_.Present)
        transparentColor_ = DisplayedColor(transparentSamples_, description.BitDepth);
    // A new picture is sized once its first row has been decoded, so that data that cannot be
    // inflated are refused without it.
    if (image.Empty())
        CheckDataFills(ImageDataBytes(), DeflateExpansion, PNGName);
    else
        FillBackground(image);
    if (transparentColor_ != clNone) {
        image.SetTransparentColor(transparentColor_);
        image.SetTransparent(true);
    }
    const std::uint32_t rowSize = RowSize(description.Width, description.BitDepth, samplesFactor);
    rows_[0].assign(rowSize, 0);
    rows_[1].assign(rowSize, 0);
    idatLeft_ = 0;
    if (description.Interlace == 0) {
        LoadPass(image, description, NotInterlaced, rowSize);
    } else {
        for (unsigned pass = 0; pass < Adam7.size(); ++pass) {
            const TAdam7Pass& adam7 = Adam7[pass];
            if (description.Width <= adam7.FirstColumn)
                continue;
            const std::uint32_t passWidth =
                (description.Width + adam7.ColumnStep - 1 - adam7.FirstColumn) / adam7.ColumnStep;
            if (!LoadPass(image, description, pass, RowSize(passWidth, description.BitDepth, samplesFactor)))
                break;
        }
    }
    SizeOnce(image, description);
    SkipRemainingIDAT();
    rows_[0] = rows_[1] = {};
}

// Sizes a picture not sized yet, every pixel in the background.
void TPNGGraphic::SizeOnce(TBitmap& image, const TPNGDescription& description) const
{
    if (image.Empty())
        image.SetSizeFilled(static_cast<int>(description.Width), static_cast<int>(description.Height),
                            backgroundColor_);
}

// The bytes of the run of IDAT chunks that starts with the current one, whose data the stream is at;
// the stream is left there.
std::int64_t TPNGGraphic::ImageDataBytes() const
{
    const std::int64_t here = stream_->Position();
    std::int64_t bytes = chunkLength_;
    std::int64_t next = here + chunkLength_ + CRCSize;
    std::array<std::uint8_t, 8> header{};
    for (;;) {
        stream_->SetPosition(next);
        if (stream_->Read(header.data(), header.size()) != static_cast<std::int64_t>(header.size()) ||
            !SameChunkType(header.data() + 4, "IDAT"))
            break;
        const std::uint32_t length = BigEndian32(header.data());
        next += header.size() + std::int64_t{length} + CRCSize;
        // A chunk running past the end is refused when it is reached.
        if (next > stream_->Size())
            break;
        bytes += length;
    }
    stream_->SetPosition(here);
    return bytes;
}

// Rows the image data do not reach keep this colour. Image data that come again after other chunks
// start over on the picture the first ones left, which keeps what they drew where the background is
// white.
void TPNGGraphic::FillBackground(TBitmap& image) const
{
    if (backgroundColor_ == clWhite)
        return;
    const std::uint32_t background = image.ValueOfColor(backgroundColor_);
    for (int x = 0; x < image.Width(); ++x)
        image.SetPixelValue(x, 0, background);
    for (int y = 1; y < image.Height(); ++y)
        std::memcpy(image.ScanLine(y), image.ScanLine(0), static_cast<std::size_t>(image.BytesPerScanLine()));
}

// The rows of one Adam7 pass, or of the whole image when not interlaced; false when the image data
// end before the pass does, which leaves the rows not reached as they are.
bool TPNGGraphic::LoadPass(TBitmap& image, const TPNGDescription& description, unsigned pass, std::uint32_t rowSize)
{
    const bool interlaced = pass != NotInterlaced;
    const std::uint32_t firstRow = interlaced ? Adam7[pass].FirstRow : 0;
    const std::uint32_t rowStep = interlaced ? Adam7[pass].RowStep : 1;
    const std::uint8_t mask = interlaced ? Adam7[pass].Mask : 0xFF;
    const bool reportsProgress = !interlaced || pass == Adam7.size() - 1;
    const int height = static_cast<int>(description.Height);
    unsigned current = 1;
    std::fill(rows_[1 - current].begin(), rows_[1 - current].end(), 0);
    for (std::uint32_t y = firstRow; y < description.Height; y += rowStep) {
        std::uint8_t* row = rows_[current].data();
        if (!ReadRow(row, rowSize))
            return false;
        ApplyFilter(row[0], row + 1, rows_[1 - current].data() + 1, row + 1, sourceBPP_, rowSize - 1);
        SizeOnce(image, description);
        FColorManager.ConvertRow(row + 1, image.ScanLine(static_cast<int>(y)), description.Width, mask);
        current = 1 - current;
        if (reportsProgress)
            RowDone(static_cast<int>(y), height);
    }
    return true;
}

bool TPNGGraphic::ReadRow(std::uint8_t* rowBuffer, std::uint32_t bytesPerRow)
{
    std::uint8_t* target = rowBuffer;
    std::uint32_t remaining = bytesPerRow;
    while (remaining > 0) {
        if (idatLeft_ == 0) {
            if (!IsChunk("IDAT"))
                return false;
            ReadDataAndCheckCRC();
            idatPosition_ = raw_.data();
            idatLeft_ = chunkLength_;
            LoadAndSwapHeader();
            // An empty IDAT chunk is allowed and holds nothing to inflate.
            if (idatLeft_ == 0)
                continue;
        }
        decoder_->Decode(idatPosition_, target, static_cast<std::int32_t>(idatLeft_),
                         static_cast<std::int32_t>(remaining));
        idatLeft_ = decoder_->AvailableInput();
        remaining = decoder_->AvailableOutput();
        if (decoder_->Status() == Z_STREAM_END) {
            if (idatLeft_ > 0 || remaining > 0)
                RaiseImageErrorFmt(SExtraCompressedData, {PNGName});
        } else if (decoder_->Status() != Z_OK) {
            RaiseImageErrorFmt(SDecompression, {PNGName});
        }
    }
    return true;
}

void TPNGGraphic::SkipRemainingIDAT()
{
    while (IsChunk("IDAT")) {
        ReadDataAndCheckCRC();
        LoadAndSwapHeader();
    }
}

void TPNGGraphic::ApplyFilter(std::uint8_t filter, std::uint8_t* line, const std::uint8_t* prevLine,
                              std::uint8_t* target, unsigned bpp, std::uint32_t bytesPerRow)
{
    switch (filter) {
    case 0:
        std::memmove(target, line, bytesPerRow);
        break;
    case 1:
        UndoFromLeft(line, prevLine, target, bpp, bytesPerRow, Sub);
        break;
    case 2:
        UndoUp(line, prevLine, target, bytesPerRow);
        break;
    case 3:
        UndoFromLeft(line, prevLine, target, bpp, bytesPerRow, Average);
        break;
    case 4:
        UndoFromLeft(line, prevLine, target, bpp, bytesPerRow, Paeth);
        break;
    default:
        // An unknown filter leaves the row as read.
        break;
    }
}

unsigned TPNGGraphic::SetupColorDepth(TBitmap& image, std::uint8_t colorType, std::uint8_t bitDepth)
{
    const auto accepts = [bitDepth](std::initializer_list<int> depths) {
        return std::find(depths.begin(), depths.end(), bitDepth) != depths.end();
    };
    TColorScheme source = csUnknown;
    TColorScheme target = csUnknown;
    std::uint8_t targetBits = 8;
    TPixelFormat format = pfDevice;
    bool greyPalette = false;
    unsigned bytesPerPixel = 1;
    switch (colorType) {
    case ctGrey:
        if (!accepts({1, 2, 4, 8, 16}))
            RaiseImageErrorFmt(SInvalidColorFormat, {PNGName});
        source = target = csGray;
        targetBits = bitDepth == 2 ? 4 : bitDepth == 16 ? 8 : bitDepth;
        greyPalette = true;
        bytesPerPixel = (bitDepth + 7u) / 8;
        break;
    case ctRGB:
        if (!accepts({8, 16}))
            RaiseImageErrorFmt(SInvalidColorFormat, {PNGName});
        source = csRGB;
        target = csBGR;
        format = pf24bit;
        bytesPerPixel = bitDepth * 3u / 8;
        break;
    case ctPalette:
        if (!accepts({1, 2, 4, 8}))
            RaiseImageErrorFmt(SInvalidColorFormat, {PNGName});
        source = target = csIndexed;
        targetBits = bitDepth == 2 ? 4 : bitDepth;
        break;
    case ctGreyAlpha:
        if (!accepts({8, 16}))
            RaiseImageErrorFmt(SInvalidColorFormat, {PNGName});
        // The alpha sample is dropped: the greys go through a palette.
        source = csGrayAlpha;
        target = csIndexed;
        format = pf8bit;
        greyPalette = true;
        bytesPerPixel = bitDepth * 2u / 8;
        break;
    case ctRGBAlpha:
        if (!accepts({8, 16}))
            RaiseImageErrorFmt(SInvalidColorFormat, {PNGName});
        source = csRGBA;
        target = csBGRA;
        format = pf32bit;
        bytesPerPixel = bitDepth * 4u / 8;
        break;
    default:
        RaiseImageErrorFmt(SInvalidColorFormat, {PNGName});
    }
    FColorManager.SetSourceColorScheme(source);
    FColorManager.SetTargetColorScheme(target);
    FColorManager.SetSourceSamplesPerPixel(static_cast<std::uint8_t>(SamplesOfScheme(source)));
    FColorManager.SetTargetSamplesPerPixel(static_cast<std::uint8_t>(SamplesOfScheme(target)));
    FColorManager.SetSourceBitsPerSample(bitDepth);
    FColorManager.SetTargetBitsPerSample(targetBits);
    image.SetPixelFormat(format == pfDevice ? FColorManager.GetPixelFormat(1) : format);
    if (greyPalette)
        palette_ = FColorManager.CreateGrayscalePalette(false);
    depthSetUp_ = true;
    return bytesPerPixel;
}

// A sample of the chunk's data at the image's depth: 16-bit values big-endian, others in the low byte
// of a 16-bit value.
std::uint16_t TPNGGraphic::SampleAt(std::uint32_t offset, std::uint8_t bitDepth) const
{
    if (offset + 2 > chunkLength_)
        return 0;
    const auto value = static_cast<std::uint16_t>(raw_[offset] << 8 | raw_[offset + 1]);
    return bitDepth == 16 ? value : static_cast<std::uint16_t>(value & 0xFF);
}

TPNGGraphic::TSampleColor TPNGGraphic::SamplesOf(const TPNGDescription& description, bool grey) const
{
    TSampleColor color{true, {}};
    for (std::uint32_t i = 0; i < 3; ++i)
        color.Samples[i] = SampleAt(grey ? 0 : 2 * i, description.BitDepth);
    return color;
}

TColor TPNGGraphic::DisplayedColor(const TSampleColor& color, std::uint8_t bitDepth) const
{
    // The depth is checked only when the image data come; until then any value must be safe here.
    const unsigned depth = std::clamp<unsigned>(bitDepth, 1, 16);
    const auto level = [&](std::size_t i) { return FColorManager.DisplayedLevel(color.Samples[i], depth); };
    return static_cast<TColor>(RGB(level(0), level(1), level(2)));
}

void TPNGGraphic::LoadBackgroundColor(const TPNGDescription& description)
{
    ReadDataAndCheckCRC();
    switch (description.ColorType) {
    case ctRGB:
    case ctRGBAlpha:
        if (chunkLength_ >= 6)
            backgroundSamples_ = SamplesOf(description, false);
        break;
    case ctGrey:
    case ctGreyAlpha:
        if (chunkLength_ >= 2)
            backgroundSamples_ = SamplesOf(description, true);
        break;
    case ctPalette:
        if (chunkLength_ >= 1 && raw_[0] < palette_.Count()) {
            const TPaletteEntry& entry = palette_.Entries[raw_[0]];
            backgroundColor_ = static_cast<TColor>(RGB(entry.peRed, entry.peGreen, entry.peBlue));
        }
        break;
    default:
        break;
    }
}

void TPNGGraphic::LoadTransparency(const TPNGDescription& description)
{
    ReadDataAndCheckCRC();
    if (description.ColorType == ctRGB && chunkLength_ >= 6)
        transparentSamples_ = SamplesOf(description, false);
    else if (description.ColorType == ctGrey && chunkLength_ >= 2)
        transparentSamples_ = SamplesOf(description, true);
}
