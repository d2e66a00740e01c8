#include "imageformats/TIFFGraphic.h"

#include "imageformats/CCITTDecoder.h"
#include "imageformats/GraphicCompression.h"
#include "imageformats/LZ77Decoder.h"
#include "imageformats/TIFFJPEGDecoder.h"
#include "platform/core/LittleEndian.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <span>
#include <utility>

namespace {

constexpr std::string_view TIFFName = "TIF/TIFF";
constexpr std::string_view EPSName = "EPS";
constexpr std::string_view STiledImages = "Tiled images are";
constexpr std::string_view SSeparatePlanes = "Separate color planes are";

constexpr int HeaderSize = 8;
constexpr int EntrySize = 12;
constexpr std::uint32_t TIFFVersion = 42;
constexpr std::uint32_t WholeImage = 0xFFFFFFFF;
constexpr std::uint32_t MaxColorMapEntries = 768;
constexpr std::uint32_t SeparatePlanes = 2;
constexpr std::uint32_t HorizontalDifferencing = 2;
constexpr std::uint32_t TwoDimensionalFax = 1; // bit of the T4 options
constexpr std::uint32_t PerCentimetre = 3;
constexpr std::uint32_t ReversedFillOrder = 2;

// A 12-bit fax make-up code stands for 2560 pixels of one bit: about 213 bytes from one.
constexpr std::uint64_t FaxExpansion = 256;
// No sound file reads its strips' bytes more than once; strips that share bytes may read them
// this many times the file's length in all, and then read nothing.
constexpr std::int64_t StripReadsPerFileLength = 2;
// A Deflate or JPEG strip larger than this is decoded a row at a time, so that the reader holds a
// row beside the picture rather than a second picture; smaller ones are decoded whole, which is
// faster.
constexpr std::size_t StripBandBytes = std::size_t{1} << 20;
constexpr int PartialFlush = 1;

constexpr int EPSHeaderSize = 30;
constexpr std::uint32_t EPSMagic = 0xC6D3D0C5;

enum TTag : std::uint16_t {
    tagImageWidth = 256,
    tagImageLength = 257,
    tagBitsPerSample = 258,
    tagCompression = 259,
    tagPhotometric = 262,
    tagFillOrder = 266,
    tagStripOffsets = 273,
    tagSamplesPerPixel = 277,
    tagRowsPerStrip = 278,
    tagStripByteCounts = 279,
    tagXResolution = 282,
    tagYResolution = 283,
    tagPlanarConfig = 284,
    tagT4Options = 292,
    tagResolutionUnit = 296,
    tagPredictor = 317,
    tagColorMap = 320,
    tagTileWidth = 322,
    tagTileLength = 323,
    tagExtraSamples = 338,
    tagJPEGTables = 347,
    tagYCbCrCoefficients = 529,
    tagYCbCrSubSampling = 530,
    tagYCbCrPositioning = 531,
};

enum TFieldType : std::uint16_t {
    ftByte = 1,
    ftASCII,
    ftShort,
    ftLong,
    ftRational,
    ftSByte,
    ftUndefined,
    ftSShort,
    ftSLong,
    ftSRational,
    ftFloat,
    ftDouble,
};

// Bytes of one value of each field type; 0 for types TIFF 6.0 does not define.
unsigned TypeSize(std::uint16_t type)
{
    static constexpr std::array<unsigned, 13> sizes = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < sizes.size() ? sizes[type] : 0;
}

bool IsIntegerType(std::uint16_t type)
{
    return type == ftByte || type == ftASCII || type == ftShort || type == ftLong || type == ftSByte ||
           type == ftUndefined || type == ftSShort || type == ftSLong;
}

bool ValuesFitInEntry(const TIFDEntry& entry) { return std::uint64_t{TypeSize(entry.Type)} * entry.Count <= 4; }

std::uint16_t Word(const std::uint8_t* bytes, bool bigEndian)
{
    return bigEndian ? static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]) : GetU16(bytes);
}

std::uint32_t Long(const std::uint8_t* bytes, bool bigEndian)
{
    return bigEndian ? SwapLong(GetU32(bytes)) : GetU32(bytes);
}

// One directory entry from its 12 bytes: values that fit are taken each on its own size, so that
// the first value lies in the lowest bits whatever the file's byte order.
TIFDEntry ParseEntry(const std::uint8_t* bytes, bool bigEndian)
{
    TIFDEntry entry;
    entry.Tag = Word(bytes, bigEndian);
    entry.Type = Word(bytes + 2, bigEndian);
    entry.Count = Long(bytes + 4, bigEndian);
    std::copy_n(bytes + 8, entry.Raw.size(), entry.Raw.begin());
    const unsigned size = TypeSize(entry.Type);
    if (ValuesFitInEntry(entry) && size == 2)
        entry.Value = Word(bytes + 8, bigEndian) | std::uint32_t{Word(bytes + 10, bigEndian)} << 16;
    else if (ValuesFitInEntry(entry) && size == 1)
        entry.Value = GetU32(bytes + 8);
    else
        entry.Value = Long(bytes + 8, bigEndian);
    return entry;
}

// The value at `bytes` of an integer type, sign-extended for the signed ones.
std::int64_t IntegerAt(const std::uint8_t* bytes, std::uint16_t type, bool bigEndian)
{
    switch (TypeSize(type)) {
    case 1:
        return type == ftSByte ? std::int64_t{static_cast<std::int8_t>(bytes[0])} : bytes[0];
    case 2: {
        const std::uint16_t value = Word(bytes, bigEndian);
        return type == ftSShort ? std::int64_t{static_cast<std::int16_t>(value)} : value;
    }
    default: {
        const std::uint32_t value = Long(bytes, bigEndian);
        return type == ftSLong ? std::int64_t{static_cast<std::int32_t>(value)} : value;
    }
    }
}

// The value at `bytes` of any numeric type in single precision; a fraction over 0 gives 0.
float FloatAt(const std::uint8_t* bytes, std::uint16_t type, bool bigEndian)
{
    switch (type) {
    case ftRational:
    case ftSRational: {
        const std::uint32_t numerator = Long(bytes, bigEndian);
        const std::uint32_t denominator = Long(bytes + 4, bigEndian);
        if (denominator == 0)
            return 0;
        if (type == ftRational)
            return static_cast<float>(static_cast<double>(numerator) / denominator);
        return static_cast<float>(static_cast<double>(static_cast<std::int32_t>(numerator)) /
                                  static_cast<std::int32_t>(denominator));
    }
    case ftFloat:
        return std::bit_cast<float>(Long(bytes, bigEndian));
    case ftDouble: {
        const std::uint64_t first = Long(bytes, bigEndian);
        const std::uint64_t second = Long(bytes + 4, bigEndian);
        const double value = std::bit_cast<double>(bigEndian ? first << 32 | second : second << 32 | first);
        return std::isfinite(value) ? static_cast<float>(value) : 0.0f;
    }
    default:
        return static_cast<float>(IntegerAt(bytes, type, bigEndian));
    }
}

TCompressionType CompressionOf(std::uint32_t scheme)
{
    switch (scheme) {
    case 1:
        return ctNone;
    case 2:
        return ctFaxRLE;
    case 3:
        return ctFax3;
    case 4:
        return ctFax4;
    case 5:
        return ctLZW;
    case 6:
        return ctOJPEG;
    case 7:
        return ctJPEG;
    case 8:
    case 32946:
        return ctLZ77;
    case 32766:
        return ctNext;
    case 32771:
        return ctFaxRLEW;
    case 32773:
        return ctPackedBits;
    case 32809:
        return ctThunderscan;
    case 32895:
        return ctIT8CTPAD;
    case 32896:
        return ctIT8LW;
    case 32897:
        return ctIT8MP;
    case 32898:
        return ctIT8BL;
    case 32908:
        return ctPixarFilm;
    case 32909:
        return ctPixarLog;
    case 32947:
        return ctDCS;
    case 34661:
        return ctJBIG;
    default:
        return ctUnknown;
    }
}

bool IsReadableCompression(TCompressionType compression)
{
    switch (compression) {
    case ctNone:
    case ctFaxRLE:
    case ctFaxRLEW:
    case ctFax3:
    case ctJPEG:
    case ctLZ77:
    case ctPackedBits:
    case ctThunderscan:
        return true;
    default:
        return false;
    }
}

TColorScheme SchemeOfPhotometric(std::uint32_t photometric, unsigned samplesPerPixel)
{
    switch (photometric) {
    case 0:
    case 1:
        return csGray;
    case 2:
        return samplesPerPixel < 4 ? csRGB : csRGBA;
    case 3:
        return csIndexed;
    case 5:
        return csCMYK;
    case 6:
        return csYCbCr;
    case 8:
        return csCIELab;
    default:
        return csUnknown;
    }
}

// The layouts the reader converts: scheme, samples per pixel and bits per sample as the file
// stores them, JPEG strips aside.
bool IsConvertedLayout(const TImageProperties& properties)
{
    const unsigned bits = properties.BitsPerSample;
    const unsigned samples = properties.SamplesPerPixel;
    const bool eightOrSixteen = bits == 8 || bits == 16;
    switch (properties.ColorScheme) {
    case csGray:
        if (samples == 2)
            return properties.HasAlpha && eightOrSixteen;
        return samples == 1 && (bits == 1 || bits == 2 || bits == 4 || eightOrSixteen);
    case csIndexed:
        return samples == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8);
    case csRGB:
        return samples == 3 && eightOrSixteen;
    case csRGBA:
    case csCMYK:
        return samples == 4 && eightOrSixteen;
    case csYCbCr:
    case csCIELab:
        return samples == 3 && bits == 8;
    default:
        return false;
    }
}

bool IsFax(TCompressionType compression)
{
    return compression == ctFaxRLE || compression == ctFaxRLEW || compression == ctFax3;
}

std::uint64_t ExpansionOf(TCompressionType compression)
{
    switch (compression) {
    case ctNone:
        return StoredExpansion;
    case ctPackedBits:
    case ctThunderscan:
        return RunLengthExpansion;
    case ctFaxRLE:
    case ctFaxRLEW:
    case ctFax3:
        return FaxExpansion;
    default:
        return DeflateExpansion; // and JPEG, which packs no tighter
    }
}

// Undoes horizontal differencing of 8-bit samples, `Samples` to a pixel: the running sums stay in
// registers rather than being read back from the row just written.
template <std::size_t Samples> void AddPixelsBefore(std::uint8_t* row, std::size_t count)
{
    std::array<std::uint8_t, Samples> sum{};
    const auto add = [&](std::size_t i, std::size_t k) {
        row[i + k] = sum[k] = static_cast<std::uint8_t>(sum[k] + row[i + k]);
    };
    for (std::size_t i = 0; i + Samples <= count; i += Samples) {
        const auto pixel = [&]<std::size_t... K>(std::index_sequence<K...>) { (add(i, K), ...); };
        pixel(std::make_index_sequence<Samples>{});
    }
}

// Data stored least significant bit first, as the fax decoders read them themselves.
void ReverseBits(std::span<std::uint8_t> bytes)
{
    static const std::array<std::uint8_t, 256> reversed = [] {
        std::array<std::uint8_t, 256> table{};
        for (unsigned value = 0; value < table.size(); ++value)
            for (unsigned bit = 0; bit < 8; ++bit)
                if (value & (1u << bit))
                    table[value] = static_cast<std::uint8_t>(table[value] | (0x80u >> bit));
        return table;
    }();
    for (std::uint8_t& byte : bytes)
        byte = reversed[byte];
}

// Fax decoders write rows of one bit a pixel and the Thunderscan decoder of four bits; rows of any
// other layout would be read out of what they wrote.
bool FitsDecoderRows(const TImageProperties& properties)
{
    switch (properties.Compression) {
    case ctFaxRLE:
    case ctFaxRLEW:
    case ctFax3:
        return properties.SamplesPerPixel == 1 && properties.BitsPerSample == 1;
    case ctThunderscan:
        return properties.SamplesPerPixel == 1 && properties.BitsPerSample == 4;
    default:
        return true;
    }
}

} // namespace

// ---- the directory ------------------------------------------------------------------------------

bool TTIFFGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    const std::int64_t remaining = stream.Size() - start;
    if (remaining < HeaderSize + 1)
        return false;
    std::array<std::uint8_t, HeaderSize> header{};
    const bool read = stream.Read(header.data(), HeaderSize) == HeaderSize;
    stream.SetPosition(start);
    const bool little = header[0] == 'I' && header[1] == 'I';
    const bool big = header[0] == 'M' && header[1] == 'M';
    return read && (little || big) && Word(&header[2], big) == TIFFVersion && Long(&header[4], big) < remaining;
}

bool TTIFFGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    FIFD.clear();
    FBasePosition = stream.Position();
    TImageProperties& properties = FImageProperties;
    std::array<std::uint8_t, HeaderSize> header{};
    if (stream.Read(header.data(), HeaderSize) != HeaderSize)
        return false;
    const bool big = header[0] == 'M' && header[1] == 'M';
    if (!big && !(header[0] == 'I' && header[1] == 'I'))
        return false;
    if (big)
        properties.Options.Include(ioBigEndian);
    properties.Version = Word(&header[2], big);
    properties.FirstIFD = Long(&header[4], big);
    if (properties.Version != TIFFVersion || !ReadDirectory(stream, properties.FirstIFD, imageIndex))
        return false;

    properties.Width = GetValue(tagImageWidth, 0);
    properties.Height = GetValue(tagImageLength, 0);
    if (properties.Width == 0 || properties.Height == 0)
        return false;
    TCardinalArray bitsPerSample;
    if (!GetValueList(stream, tagRowsPerStrip, properties.RowsPerStrip) ||
        !GetValueList(stream, tagBitsPerSample, bitsPerSample))
        return false;
    // Rows per strip of 0 are as many as 0xFFFFFFFF: the whole image, which writers mean by both.
    if (properties.RowsPerStrip.empty())
        properties.RowsPerStrip.push_back(properties.Height);
    for (std::uint32_t& rows : properties.RowsPerStrip)
        if (rows == 0 || rows == WholeImage)
            rows = properties.Height;
    const std::uint32_t samples = GetValue(tagSamplesPerPixel, 1);
    const std::uint32_t bits = bitsPerSample.empty() ? 1 : bitsPerSample[0];
    properties.SamplesPerPixel = static_cast<std::uint8_t>(std::min<std::uint32_t>(samples, 255));
    properties.BitsPerSample = static_cast<std::uint8_t>(std::min<std::uint32_t>(bits, 255));
    properties.BitsPerPixel = static_cast<std::uint8_t>(std::min<std::uint64_t>(std::uint64_t{bits} * samples, 255));

    properties.TileWidth = GetValue(tagTileWidth, 0);
    properties.TileLength = GetValue(tagTileLength, 0);
    if (properties.TileWidth != 0 && properties.TileLength != 0)
        properties.Options.Include(ioTiled);
    TCardinalArray extraSamples;
    if (!GetValueList(stream, tagExtraSamples, extraSamples))
        return false;
    properties.HasAlpha =
        !extraSamples.empty() && std::all_of(extraSamples.begin(), extraSamples.end(), [](auto v) { return v <= 2; });
    properties.Compression = CompressionOf(GetValue(tagCompression, 0));
    const std::uint32_t photometric = GetValue(tagPhotometric, 0);
    properties.ColorScheme = SchemeOfPhotometric(photometric, properties.SamplesPerPixel);
    if (photometric == 0)
        properties.Options.Include(ioMinIsWhite);
    if (photometric == 6 && !ReadYCbCrFields(stream))
        return false;
    properties.JPEGColorMode = 0;
    properties.JPEGTablesMode = 3;
    properties.PlanarConfig = GetValue(tagPlanarConfig, 0);
    ReadResolution(stream);
    properties.Predictor = GetValue(tagPredictor, 0);
    if (GetValue(tagFillOrder, 1) == ReversedFillOrder)
        properties.Options.Include(ioReversed);
    return true;
}

bool TTIFFGraphic::ReadYCbCrFields(TStream& stream)
{
    TImageProperties& properties = FImageProperties;
    if (!GetValueList(stream, tagYCbCrSubSampling, properties.YCbCrSubSampling) ||
        !GetValueList(stream, tagYCbCrCoefficients, FYCbCrCoefficients))
        return false;
    if (properties.YCbCrSubSampling.size() < 2)
        properties.YCbCrSubSampling = {2, 2};
    if (FYCbCrCoefficients.size() < 3)
        FYCbCrCoefficients = {0.299f, 0.587f, 0.114f};
    FYCbCrPositioning = GetValue(tagYCbCrPositioning, 1);
    return true;
}

void TTIFFGraphic::ReadResolution(TStream& stream)
{
    TImageProperties& properties = FImageProperties;
    properties.XResolution = GetFloatValue(stream, tagXResolution, 0);
    properties.YResolution = GetFloatValue(stream, tagYResolution, 0);
    if (GetValue(tagResolutionUnit, 2) == PerCentimetre) {
        properties.XResolution *= 2.54f;
        properties.YResolution *= 2.54f;
    }
}

// Walks the chain of directories to image `imageIndex` and reads its entries into FIFD, sorted by
// tag. Every count and offset is checked against the stream before anything is read or sized.
bool TTIFFGraphic::ReadDirectory(TStream& stream, std::uint32_t offset, unsigned imageIndex)
{
    const bool big = IsBigEndian();
    const std::int64_t size = stream.Size();
    for (;;) {
        const std::int64_t start = FBasePosition + offset;
        std::array<std::uint8_t, 4> field{};
        if (start + 2 > size)
            return false;
        stream.SetPosition(start);
        if (stream.Read(field.data(), 2) != 2)
            return false;
        const std::uint16_t count = Word(field.data(), big);
        const std::int64_t entriesSize = std::int64_t{count} * EntrySize;
        if (start + 2 + entriesSize > size)
            return false;
        if (imageIndex == 0) {
            std::vector<std::uint8_t> entries(static_cast<std::size_t>(entriesSize));
            stream.Read(entries.data(), entriesSize);
            for (std::size_t at = 0; at < entries.size(); at += EntrySize)
                FIFD.push_back(ParseEntry(&entries[at], big));
            SortIFD();
            return true;
        }
        --imageIndex;
        stream.SetPosition(start + 2 + entriesSize);
        if (stream.Read(field.data(), 4) != 4)
            return false;
        offset = Long(field.data(), big);
        if (offset == 0)
            return false;
    }
}

// Stable, so that of entries with the same tag the first in the file is found.
void TTIFFGraphic::SortIFD()
{
    std::stable_sort(FIFD.begin(), FIFD.end(), [](const TIFDEntry& a, const TIFDEntry& b) { return a.Tag < b.Tag; });
}

bool TTIFFGraphic::FindTag(std::uint32_t tag, std::size_t& index) const
{
    const auto found = std::lower_bound(
        FIFD.begin(), FIFD.end(), tag, [](const TIFDEntry& entry, std::uint32_t wanted) { return entry.Tag < wanted; });
    index = static_cast<std::size_t>(found - FIFD.begin());
    return found != FIFD.end() && found->Tag == tag;
}

const TIFDEntry* TTIFFGraphic::EntryOf(std::uint32_t tag) const
{
    std::size_t index = 0;
    return FindTag(tag, index) ? &FIFD[index] : nullptr;
}

std::uint32_t TTIFFGraphic::GetValue(std::uint32_t tag, std::uint32_t defaultValue) const
{
    const TIFDEntry* entry = EntryOf(tag);
    if (entry == nullptr || entry->Count != 1)
        return defaultValue;
    switch (entry->Type) {
    case ftByte:
        return entry->Value & 0xFF;
    case ftShort:
    case ftSShort:
        return entry->Value & 0xFFFF;
    case ftLong:
    case ftSLong:
        return entry->Value;
    default:
        return defaultValue;
    }
}

float TTIFFGraphic::GetFloatValue(TStream& stream, std::uint32_t tag, float defaultValue) const
{
    const TIFDEntry* entry = EntryOf(tag);
    TFloatArray values;
    if (entry == nullptr || entry->Count != 1 || !GetValueList(stream, tag, values) || values.size() != 1)
        return defaultValue;
    return values[0];
}

// The bytes of the entry's values as the file stores them; false when they reach past the stream.
bool TTIFFGraphic::ReadValueBytes(TStream& stream, const TIFDEntry& entry, std::vector<std::uint8_t>& bytes) const
{
    const std::uint64_t size = std::uint64_t{TypeSize(entry.Type)} * entry.Count;
    if (ValuesFitInEntry(entry)) {
        bytes.assign(entry.Raw.begin(), entry.Raw.begin() + static_cast<std::ptrdiff_t>(size));
        return true;
    }
    const std::int64_t start = FBasePosition + entry.Value;
    if (static_cast<std::int64_t>(size) > stream.Size() - start)
        return false;
    bytes.resize(static_cast<std::size_t>(size));
    stream.SetPosition(start);
    return stream.Read(bytes.data(), static_cast<std::int64_t>(size)) == static_cast<std::int64_t>(size);
}

template <typename Element, typename Convert>
bool TTIFFGraphic::ReadList(TStream& stream, std::uint32_t tag, std::vector<Element>& values, Convert convert) const
{
    values.clear();
    const TIFDEntry* entry = EntryOf(tag);
    if (entry == nullptr || entry->Count == 0)
        return true;
    std::vector<std::uint8_t> bytes;
    const unsigned size = TypeSize(entry->Type);
    if (size == 0 || !ReadValueBytes(stream, *entry, bytes))
        return false;
    values.reserve(entry->Count);
    for (std::size_t at = 0; at < bytes.size(); at += size)
        values.push_back(convert(&bytes[at], entry->Type));
    return true;
}

bool TTIFFGraphic::GetValueList(TStream& stream, std::uint32_t tag, TByteArray& values) const
{
    const TIFDEntry* entry = EntryOf(tag);
    if (entry != nullptr && !IsIntegerType(entry->Type))
        return false;
    const bool big = IsBigEndian();
    return ReadList(stream, tag, values, [big](const std::uint8_t* bytes, std::uint16_t type) {
        return static_cast<std::uint8_t>(IntegerAt(bytes, type, big));
    });
}

bool TTIFFGraphic::GetValueList(TStream& stream, std::uint32_t tag, TCardinalArray& values) const
{
    const TIFDEntry* entry = EntryOf(tag);
    if (entry != nullptr && !IsIntegerType(entry->Type))
        return false;
    const bool big = IsBigEndian();
    return ReadList(stream, tag, values, [big](const std::uint8_t* bytes, std::uint16_t type) {
        return static_cast<std::uint32_t>(IntegerAt(bytes, type, big));
    });
}

bool TTIFFGraphic::GetValueList(TStream& stream, std::uint32_t tag, TFloatArray& values) const
{
    const bool big = IsBigEndian();
    return ReadList(stream, tag, values,
                    [big](const std::uint8_t* bytes, std::uint16_t type) { return FloatAt(bytes, type, big); });
}

// ---- loading ------------------------------------------------------------------------------------

void TTIFFGraphic::LoadFromStream(TStream& stream)
{
    if (!ReadImageProperties(stream, 0))
        RaiseImageErrorFmt(SInvalidImage, {TIFFName});
    CheckReadable();
    CheckImageSize(TIFFName);
    TCardinalArray offsets;
    TCardinalArray byteCounts;
    if (!GetValueList(stream, tagStripOffsets, offsets) || !GetValueList(stream, tagStripByteCounts, byteCounts) ||
        offsets.empty() || (FImageProperties.Compression != ctNone && byteCounts.size() < offsets.size()))
        RaiseImageErrorFmt(SInvalidImage, {TIFFName});
    CheckDataFills(stream.Size() - FBasePosition, ExpansionOf(FImageProperties.Compression), TIFFName);
    BeginProgress(static_cast<int>(FImageProperties.Width));
    try {
        LoadStrips(stream, offsets, byteCounts);
    } catch (...) {
        EndProgress();
        throw;
    }
}

void TTIFFGraphic::SaveToStream(TStream&) const {}

void TTIFFGraphic::LoadStrips(TStream& stream, const TCardinalArray& offsets, const TCardinalArray& byteCounts)
{
    SetUpColorManager();

    TBitmap image;
    image.SetPixelFormat(FColorManager.GetPixelFormat(1));
    const TPalette palette = MakePalette(stream);
    if (palette.Count() > 0)
        image.SetPalette(palette);
    FImageProperties.BytesPerLine = static_cast<std::uint32_t>(
        (std::uint64_t{FImageProperties.BitsPerSample} * FImageProperties.SamplesPerPixel * FImageProperties.Width +
         7) /
        8);

    const std::unique_ptr<TDecoder> decoder = NewDecoder(stream);
    if (decoder)
        decoder->DecodeInit();
    NextProgressStage(STransfering);
    ReadStrips(stream, image, decoder.get(), offsets, byteCounts);
    if (decoder)
        decoder->DecodeEnd();
    SizeOnce(image);
    EndProgress();
    TakeOver(image);
}

// What the reader cannot lay out is refused before anything is sized, rather than loaded as an
// empty or scrambled picture.
void TTIFFGraphic::CheckReadable() const
{
    const TImageProperties& properties = FImageProperties;
    if (properties.Options.Contains(ioTiled))
        RaiseImageErrorFmt(SUnsupportedFeature, {STiledImages, TIFFName});
    if (properties.PlanarConfig == SeparatePlanes && properties.SamplesPerPixel > 1)
        RaiseImageErrorFmt(SUnsupportedFeature, {SSeparatePlanes, TIFFName});
    // Two-dimensional Group 3 rows would decode as one-dimensional garbage.
    const bool twoDimensional =
        properties.Compression == ctFax3 && (GetValue(tagT4Options, 0) & TwoDimensionalFax) != 0;
    if (!IsReadableCompression(properties.Compression) || twoDimensional)
        RaiseImageErrorFmt(SUnsupportedFeature, {SCompressionScheme, TIFFName});
    if (!IsConvertedLayout(properties) || !FitsDecoderRows(properties))
        RaiseImageErrorFmt(SInvalidColorFormat, {TIFFName});
    // YCbCr without JPEG is converted pixel by pixel, which subsampled chroma is not.
    if (properties.ColorScheme == csYCbCr && properties.Compression != ctJPEG &&
        (properties.YCbCrSubSampling[0] != 1 || properties.YCbCrSubSampling[1] != 1))
        RaiseImageErrorFmt(SInvalidColorFormat, {TIFFName});
    // Differencing is undone on whole samples of 8 or 16 bits; packed samples would need it per bit field.
    if (properties.Compression != ctNone && properties.Predictor == HorizontalDifferencing &&
        properties.BitsPerSample < 8)
        RaiseImageErrorFmt(SInvalidColorFormat, {TIFFName});
}

void TTIFFGraphic::SetUpColorManager()
{
    const TImageProperties& properties = FImageProperties;
    const unsigned bits = properties.BitsPerSample;
    const unsigned samples = properties.SamplesPerPixel;
    TColorScheme source = properties.ColorScheme;
    TColorScheme target = source;
    unsigned targetSamples = samples;
    if (properties.Compression == ctJPEG) {
        // The JPEG decoder delivers grey, or blue, green and red.
        source = source == csGray ? csGray : csBGR;
        target = source;
    } else if (source == csIndexed) {
        if (properties.HasAlpha)
            source = csGrayAlpha;
    } else if (source == csGray && samples == 2) {
        // The alpha sample is dropped: the bitmap keeps the grey.
        source = csGrayAlpha;
        targetSamples = 1;
    } else if (source == csRGBA) {
        target = csBGRA;
    } else if (source == csCMYK) {
        target = csBGR;
        targetSamples = 3;
    } else if (source == csRGB || source == csCIELab || source == csYCbCr) {
        target = csBGR;
    }
    FColorManager.SourceOptions = {};
    if (IsBigEndian())
        FColorManager.SourceOptions.Include(coSwapBytes);
    if (source == csCIELab)
        FColorManager.SourceOptions.Include(coLabScaledLightness);
    FColorManager.SetSourceColorScheme(source);
    FColorManager.SetTargetColorScheme(target);
    FColorManager.SetSourceSamplesPerPixel(static_cast<std::uint8_t>(samples));
    FColorManager.SetTargetSamplesPerPixel(static_cast<std::uint8_t>(targetSamples));
    FColorManager.SetSourceBitsPerSample(static_cast<std::uint8_t>(bits));
    // Bitmaps have no 2-bit rows, and keep 8 bits of a 16-bit sample.
    FColorManager.SetTargetBitsPerSample(static_cast<std::uint8_t>(bits == 16 ? 8 : bits == 2 ? 4 : bits));
    if (source == csYCbCr)
        FColorManager.SetYCbCrParameters(FYCbCrCoefficients, 1, 1);
    FColorManager.CheckConversion(TIFFName);
}

TPalette TTIFFGraphic::MakePalette(TStream& stream)
{
    const TColorScheme target = FColorManager.TargetColorScheme();
    if (target == csGray)
        return FColorManager.CreateGrayscalePalette(FImageProperties.Options.Contains(ioMinIsWhite));
    const TIFDEntry* colorMap = EntryOf(tagColorMap);
    if (target != csIndexed || colorMap == nullptr || colorMap->Count == 0)
        return {};
    std::vector<std::uint8_t> bytes;
    if (colorMap->Type != ftShort || colorMap->Count % 3 != 0 || colorMap->Count > MaxColorMapEntries ||
        !ReadValueBytes(stream, *colorMap, bytes))
        RaiseImageErrorFmt(SInvalidImage, {TIFFName});
    const std::size_t colors = colorMap->Count / 3;
    const std::span<const std::uint8_t> all(bytes);
    const std::span<const std::uint8_t> planes[] = {all.subspan(0, 2 * colors), all.subspan(2 * colors, 2 * colors),
                                                    all.subspan(4 * colors, 2 * colors)};
    return FColorManager.CreateColorPalette(planes, pdPlanar16Triple, static_cast<unsigned>(colors), false);
}

std::unique_ptr<TDecoder> TTIFFGraphic::NewDecoder(TStream& stream)
{
    const TImageProperties& properties = FImageProperties;
    const auto width = static_cast<std::int32_t>(properties.Width);
    const bool reversed = properties.Options.Contains(ioReversed);
    switch (properties.Compression) {
    case ctPackedBits:
        return std::make_unique<TPackbitsRLEDecoder>();
    case ctFaxRLE:
    case ctFaxRLEW:
        return std::make_unique<TCCITTMHDecoder>(GetValue(tagT4Options, 0), reversed,
                                                 properties.Compression == ctFaxRLEW, width);
    case ctFax3:
        return std::make_unique<TCCITTFax3Decoder>(GetValue(tagT4Options, 0), reversed, false, width);
    case ctJPEG:
        if (!GetValueList(stream, tagJPEGTables, FImageProperties.JPEGTables))
            RaiseImageErrorFmt(SInvalidImage, {TIFFName});
        return std::make_unique<TTIFFJPEGDecoder>(FImageProperties,
                                                  [this](const std::string& message) { Warning(message); });
    case ctThunderscan:
        return std::make_unique<TThunderDecoder>(width);
    case ctLZ77:
        return std::make_unique<TLZ77Decoder>(1, true);
    default:
        return nullptr;
    }
}

void TTIFFGraphic::ReadStrips(TStream& stream, TBitmap& image, TDecoder* decoder, const TCardinalArray& offsets,
                              const TCardinalArray& byteCounts)
{
    TImageProperties& properties = FImageProperties;
    const std::size_t bytesPerLine = properties.BytesPerLine;
    const std::int64_t size = stream.Size();
    const bool reversed = properties.Options.Contains(ioReversed) && !IsFax(properties.Compression);
    std::int64_t budget = StripReadsPerFileLength * (size - FBasePosition);
    properties.CurrentRow = 0;
    properties.StripCount = static_cast<std::uint32_t>(offsets.size());
    std::vector<std::uint8_t> rows;
    std::vector<std::uint8_t> packed;
    for (std::size_t strip = 0; strip < offsets.size() && properties.CurrentRow < properties.Height; ++strip) {
        properties.CurrentStrip = static_cast<std::uint32_t>(strip);
        const std::uint32_t stripRows =
            std::min(properties.RowsPerStrip[std::min(strip, properties.RowsPerStrip.size() - 1)],
                     properties.Height - properties.CurrentRow);
        const std::int64_t start = FBasePosition + offsets[strip];
        if (decoder == nullptr) {
            // Stored rows are read one at a time, so that no second picture-sized buffer is held;
            // the size check keeps them within a few times the file's length.
            stream.SetPosition(std::min(start, size));
            rows.resize(bytesPerLine);
            for (std::uint32_t row = 0; row < stripRows; ++row) {
                // Rows the strip's data do not reach stay zero.
                std::fill(rows.begin(), rows.end(), std::uint8_t{0});
                stream.Read(rows.data(), static_cast<std::int64_t>(bytesPerLine));
                if (reversed)
                    ReverseBits(rows);
                TransferRow(rows.data(), image);
            }
            continue;
        }
        ReadPackedStrip(stream, start, byteCounts[strip], budget, packed);
        if (reversed)
            ReverseBits(packed);
        const bool large = std::size_t{stripRows} * bytesPerLine > StripBandBytes;
        if (large && properties.Compression == ctLZ77)
            InflateStripByRows(packed, stripRows, rows, image);
        else if (large && properties.Compression == ctJPEG)
            DecodeJPEGStripByRows(static_cast<TTIFFJPEGDecoder&>(*decoder), packed, stripRows, rows, image);
        else
            DecodeStrip(*decoder, packed, stripRows, rows, image);
    }
}

// A strip decoded whole, as far as its packed bytes can reach at the scheme's largest expansion;
// the rows past that are zero, as a decoder leaves the rows its data do not reach.
void TTIFFGraphic::DecodeStrip(TDecoder& decoder, const std::vector<std::uint8_t>& packed, std::uint32_t stripRows,
                               std::vector<std::uint8_t>& rows, TBitmap& image)
{
    const std::size_t bytesPerLine = FImageProperties.BytesPerLine;
    const std::uint64_t reach = packed.size() * ExpansionOf(FImageProperties.Compression);
    const auto decodedRows =
        static_cast<std::size_t>(std::min<std::uint64_t>(stripRows, (reach + bytesPerLine - 1) / bytesPerLine));
    rows.assign(decodedRows * bytesPerLine, 0);
    const std::uint8_t* source = packed.data();
    std::uint8_t* target = rows.data();
    decoder.Decode(source, target, static_cast<std::int32_t>(packed.size()), static_cast<std::int32_t>(rows.size()));
    for (std::size_t at = 0; at < rows.size(); at += bytesPerLine)
        TransferDecodedRow(&rows[at], image);
    rows.assign(bytesPerLine, 0);
    for (std::size_t row = decodedRows; row < stripRows; ++row)
        TransferRow(rows.data(), image);
}

// A Deflate strip inflated one row at a time, as one stream.
void TTIFFGraphic::InflateStripByRows(const std::vector<std::uint8_t>& packed, std::uint32_t stripRows,
                                      std::vector<std::uint8_t>& rows, TBitmap& image)
{
    TLZ77Decoder decoder(PartialFlush, false);
    decoder.DecodeInit();
    const std::uint8_t* source = packed.data();
    auto left = static_cast<std::int32_t>(packed.size());
    TransferRowsOneByOne(stripRows, rows, image, [&](std::uint8_t* row, std::int32_t size) {
        decoder.Decode(source, row, left, size);
        left = static_cast<std::int32_t>(decoder.AvailableInput());
    });
    decoder.DecodeEnd();
}

void TTIFFGraphic::DecodeJPEGStripByRows(TTIFFJPEGDecoder& decoder, const std::vector<std::uint8_t>& packed,
                                         std::uint32_t stripRows, std::vector<std::uint8_t>& rows, TBitmap& image)
{
    decoder.BeginStrip(packed.data(), static_cast<std::int32_t>(packed.size()));
    TransferRowsOneByOne(stripRows, rows, image,
                         [&](std::uint8_t* row, std::int32_t size) { decoder.DecodeRows(row, size); });
}

// The strip's rows, each decoded into a row buffer of zeros and transferred before the next.
void TTIFFGraphic::TransferRowsOneByOne(std::uint32_t stripRows, std::vector<std::uint8_t>& rows, TBitmap& image,
                                        const std::function<void(std::uint8_t* row, std::int32_t size)>& decodeRow)
{
    rows.resize(FImageProperties.BytesPerLine);
    for (std::uint32_t row = 0; row < stripRows; ++row) {
        std::fill(rows.begin(), rows.end(), std::uint8_t{0});
        decodeRow(rows.data(), static_cast<std::int32_t>(rows.size()));
        TransferDecodedRow(rows.data(), image);
    }
}

void TTIFFGraphic::TransferDecodedRow(std::uint8_t* row, TBitmap& image)
{
    if (FImageProperties.Compression != ctNone && FImageProperties.Predictor == HorizontalDifferencing)
        UndoPredictor(row);
    TransferRow(row, image);
}

// The picture is sized when its first row is there, so that nothing of its size is taken before
// the file's data have been read; rows the strips do not reach stay white.
void TTIFFGraphic::SizeOnce(TBitmap& image) const
{
    if (image.Empty())
        image.SetSizeFilled(static_cast<int>(FImageProperties.Width), static_cast<int>(FImageProperties.Height),
                            clWhite);
}

void TTIFFGraphic::TransferRow(const std::uint8_t* row, TBitmap& image)
{
    TImageProperties& properties = FImageProperties;
    SizeOnce(image);
    FColorManager.ConvertRow(row, image.ScanLine(static_cast<int>(properties.CurrentRow)), properties.Width, 0xFF);
    RowDone(static_cast<int>(properties.CurrentRow), static_cast<int>(properties.Height));
    ++properties.CurrentRow;
}

void TTIFFGraphic::ReadPackedStrip(TStream& stream, std::int64_t start, std::uint32_t byteCount, std::int64_t& budget,
                                   std::vector<std::uint8_t>& packed) const
{
    const std::int64_t size = stream.Size();
    const std::int64_t wanted =
        std::min<std::int64_t>({std::int64_t{byteCount}, std::max<std::int64_t>(size - start, 0),
                                std::max<std::int64_t>(budget, 0), std::numeric_limits<std::int32_t>::max()});
    packed.resize(static_cast<std::size_t>(wanted));
    stream.SetPosition(std::min(start, size));
    packed.resize(static_cast<std::size_t>(std::max<std::int64_t>(stream.Read(packed.data(), wanted), 0)));
    budget -= static_cast<std::int64_t>(packed.size());
}

// Each sample was stored as its difference to the same sample of the pixel before; 16-bit samples
// are values in the file's byte order.
void TTIFFGraphic::UndoPredictor(std::uint8_t* row) const
{
    const std::size_t samples = std::size_t{FImageProperties.SamplesPerPixel} * FImageProperties.Width;
    const std::size_t step = FImageProperties.SamplesPerPixel;
    if (FImageProperties.BitsPerSample == 8) {
        // The layouts read have one to four samples.
        switch (step) {
        case 1:
            AddPixelsBefore<1>(row, samples);
            return;
        case 2:
            AddPixelsBefore<2>(row, samples);
            return;
        case 3:
            AddPixelsBefore<3>(row, samples);
            return;
        default:
            AddPixelsBefore<4>(row, samples);
            return;
        }
    }
    const bool big = IsBigEndian();
    for (std::size_t i = step; i < samples; ++i) {
        const auto value = static_cast<std::uint16_t>(Word(&row[2 * i], big) + Word(&row[2 * (i - step)], big));
        if (big) {
            row[2 * i] = static_cast<std::uint8_t>(value >> 8);
            row[2 * i + 1] = static_cast<std::uint8_t>(value);
        } else {
            PutU16(&row[2 * i], value);
        }
    }
}

// ---- EPS ----------------------------------------------------------------------------------------

namespace {

struct TEPSHeader {
    std::uint32_t Magic = 0;
    std::uint32_t TIFFOffset = 0;
    std::uint32_t TIFFLength = 0;
};

// False when the stream ends inside the header or the header names no TIFF preview that starts
// after it and inside the stream.
bool ReadEPSHeader(TStream& stream, TEPSHeader& header)
{
    const std::int64_t remaining = stream.Size() - stream.Position();
    std::array<std::uint8_t, EPSHeaderSize> bytes{};
    if (remaining <= EPSHeaderSize || stream.Read(bytes.data(), EPSHeaderSize) != EPSHeaderSize)
        return false;
    header.Magic = GetU32(&bytes[0]);
    header.TIFFOffset = GetU32(&bytes[20]);
    header.TIFFLength = GetU32(&bytes[24]);
    return header.Magic == EPSMagic && header.TIFFOffset >= EPSHeaderSize && header.TIFFOffset < remaining &&
           header.TIFFLength > 0;
}

} // namespace

bool TEPSGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    TEPSHeader header;
    const bool sound = ReadEPSHeader(stream, header);
    stream.SetPosition(start);
    return sound;
}

void TEPSGraphic::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    TEPSHeader header;
    if (!ReadEPSHeader(stream, header))
        RaiseImageErrorFmt(SInvalidImage, {EPSName});
    stream.SetPosition(start + header.TIFFOffset);
    TTIFFGraphic::LoadFromStream(stream);
}
