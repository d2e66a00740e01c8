#include "imageformats/SGIGraphic.h"

#include "imageformats/GraphicCompression.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

// The fields of the 512-byte header that the reader uses, in file order, with the image's height
// and channel count as its dimension gives them.
struct TSGIHeader {
    std::uint16_t Magic = 0;
    std::uint8_t Storage = 0;
    std::uint8_t BytesPerChannel = 0;
    std::uint16_t Dimension = 0;
    std::uint16_t Width = 0;
    std::uint16_t Height = 0;
    std::uint16_t Channels = 0;
};

namespace {

constexpr std::string_view SGIName = "sgi, bw or rgb(a)";
constexpr int HeaderSize = 512;
constexpr std::uint16_t Magic = 0x01DA;
constexpr std::uint8_t RunLengthStorage = 1;

bool IsKnownDimension(std::uint16_t dimension) { return dimension >= 1 && dimension <= 3; }

// False when the stream ends inside the header. A dimension 1 image is a single row and a dimension
// 2 image a single channel, whatever the height and channel fields hold.
bool ReadSGIHeader(TStream& stream, TSGIHeader& header)
{
    std::array<std::uint8_t, HeaderSize> bytes{};
    if (stream.Read(bytes.data(), HeaderSize) != HeaderSize)
        return false;
    header.Magic = BigEndian16(&bytes[0]);
    header.Storage = bytes[2];
    header.BytesPerChannel = bytes[3];
    header.Dimension = BigEndian16(&bytes[4]);
    header.Width = BigEndian16(&bytes[6]);
    header.Height = header.Dimension == 1 ? 1 : BigEndian16(&bytes[8]);
    header.Channels = header.Dimension <= 2 ? 1 : BigEndian16(&bytes[10]);
    return true;
}

// Grey images read their first channel only: a second one is alpha, which a grey bitmap cannot show.
unsigned PlanesRead(const TSGIHeader& header) { return header.Channels >= 3 ? header.Channels : 1; }

TColorScheme SchemeOfChannels(unsigned channels)
{
    switch (channels) {
    case 3:
        return csRGB;
    case 4:
        return csRGBA;
    default:
        return csIndexed;
    }
}

} // namespace

// The stored rows of one load: where each row of each channel lies, read and unpacked on request.
// Run-length files give every row's start and packed length in two tables, channel after channel;
// verbatim files store whole channel planes one after the other.
class TSGIRows {
public:
    TSGIRows(TStream& stream, std::int64_t base, const TSGIHeader& header)
        : stream_(stream), base_(base), height_(header.Height), channels_(header.Channels),
          rowSize_(std::size_t{header.Width} * header.BytesPerChannel), packed_(header.Storage == RunLengthStorage),
          decoder_(8 * header.BytesPerChannel)
    {
    }

    std::size_t RowSize() const { return rowSize_; }

    // Reads the tables of a run-length file; false when they, or a row of the first `planes`
    // channels, lie beyond the end of the stream. Verbatim files have nothing to prepare.
    bool ReadTables(unsigned planes)
    {
        if (!packed_)
            return true;
        const std::int64_t available = stream_.Size() - base_;
        const std::size_t entries = height_ * channels_;
        const auto tableBytes = static_cast<std::int64_t>(8 * entries);
        if (HeaderSize + tableBytes > available)
            return false;
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(tableBytes));
        stream_.SetPosition(base_ + HeaderSize);
        if (stream_.Read(bytes.data(), tableBytes) != tableBytes)
            return false;
        const std::size_t used = height_ * planes;
        starts_.resize(used);
        lengths_.resize(used);
        for (std::size_t i = 0; i < used; ++i) {
            starts_[i] = BigEndian32(&bytes[4 * i]);
            lengths_[i] = BigEndian32(&bytes[4 * (entries + i)]);
            if (std::int64_t{starts_[i]} + lengths_[i] > available)
                return false;
        }
        buffer_.resize(MaxPackedRow());
        return true;
    }

    // Fills targets[c], RowSize() bytes each, with stored row `row` (0 the bottom) of channel c.
    void ReadAndDecode(std::span<std::uint8_t* const> targets, std::size_t row)
    {
        for (std::size_t channel = 0; channel < targets.size(); ++channel) {
            const std::size_t index = channel * height_ + row;
            if (packed_)
                ReadPacked(index, targets[channel]);
            else
                ReadVerbatim(index, targets[channel]);
        }
    }

private:
    // The decoder stops when the row is full, and every packet gives at least one sample for at most
    // two samples' bytes, so a row never uses more than this of its packed data, whatever its table
    // entry says; a hostile entry cannot make each row read the whole file.
    std::size_t MaxPackedRow() const { return 2 * rowSize_ + 4; }

    void ReadPacked(std::size_t index, std::uint8_t* target)
    {
        const std::size_t size = std::min<std::size_t>(lengths_[index], buffer_.size());
        stream_.SetPosition(base_ + starts_[index]);
        const std::int64_t got = stream_.Read(buffer_.data(), static_cast<std::int64_t>(size));
        const std::uint8_t* source = buffer_.data();
        decoder_.Decode(source, target, static_cast<std::int32_t>(got), static_cast<std::int32_t>(rowSize_));
    }

    void ReadVerbatim(std::size_t index, std::uint8_t* target)
    {
        const auto rowSize = static_cast<std::int64_t>(rowSize_);
        stream_.SetPosition(base_ + HeaderSize + static_cast<std::int64_t>(index) * rowSize);
        const std::int64_t got = std::max<std::int64_t>(stream_.Read(target, rowSize), 0);
        std::fill(target + got, target + rowSize, 0);
    }

    TStream& stream_;
    std::int64_t base_;
    std::size_t height_;
    std::size_t channels_;
    std::size_t rowSize_;
    bool packed_;
    std::vector<std::uint32_t> starts_;
    std::vector<std::uint32_t> lengths_;
    std::vector<std::uint8_t> buffer_;
    TSGIRLEDecoder decoder_;
};

bool TSGIGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    if (stream.Size() - start <= HeaderSize)
        return false;
    TSGIHeader header;
    const bool read = ReadSGIHeader(stream, header);
    stream.SetPosition(start);
    return read && header.Magic == Magic && (header.BytesPerChannel == 1 || header.BytesPerChannel == 2) &&
           IsKnownDimension(header.Dimension);
}

bool TSGIGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    TSGIHeader header;
    if (imageIndex != 0 || !ReadSGIHeader(stream, header) || header.Magic != Magic)
        return false;
    TImageProperties& properties = FImageProperties;
    properties.Options = {ioBigEndian};
    properties.BitsPerSample = static_cast<std::uint8_t>(std::min(8 * header.BytesPerChannel, 255));
    properties.Width = header.Width;
    properties.Height = header.Height;
    properties.SamplesPerPixel = static_cast<std::uint8_t>(std::min<unsigned>(header.Channels, 255));
    properties.ColorScheme = SchemeOfChannels(header.Channels);
    properties.BitsPerPixel =
        static_cast<std::uint8_t>(std::min<unsigned>(properties.BitsPerSample * properties.SamplesPerPixel, 255));
    properties.Compression = header.Storage == RunLengthStorage ? ctRLE : (header.Storage == 0 ? ctNone : ctUnknown);
    return true;
}

void TSGIGraphic::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    if (!ReadImageProperties(stream, 0))
        RaiseImageErrorFmt(SInvalidImage, {SGIName});
    stream.SetPosition(start);
    FBasePosition = start;
    TSGIHeader header;
    ReadSGIHeader(stream, header);
    if (!IsKnownDimension(header.Dimension))
        RaiseImageErrorFmt(SInvalidImage, {SGIName});
    if (FImageProperties.Compression == ctUnknown)
        RaiseImageErrorFmt(SUnsupportedFeature, {SCompressionScheme, SGIName});
    if ((header.BytesPerChannel != 1 && header.BytesPerChannel != 2) || header.Channels < 1 || header.Channels > 4)
        RaiseImageErrorFmt(SInvalidColorFormat, {SGIName});
    CheckImageSize(SGIName);
    const int width = header.Width;
    const int height = header.Height;
    BeginProgress(width);
    const unsigned planes = PlanesRead(header);
    SetUpColorManager(planes);
    FColorManager.CheckConversion(SGIName, planes);
    TSGIRows rows(stream, start, header);
    if (!rows.ReadTables(planes))
        RaiseImageErrorFmt(SInvalidImage, {SGIName});
    const bool packed = FImageProperties.Compression == ctRLE;
    CheckDataFills(stream.Size() - start, std::uint64_t{planes} * rows.RowSize() * header.Height,
                   packed ? RunLengthExpansion : StoredExpansion, SGIName);

    TBitmap image;
    image.SetPixelFormat(FColorManager.GetPixelFormat(1));
    if (planes == 1)
        image.SetPalette(FColorManager.CreateGrayscalePalette(false));
    image.SetSize(width, height);
    NextProgressStage(STransfering, 100, true);
    TransferRows(rows, planes, image);
    EndProgress(100, true);
    TakeOver(image);
}

// Samples are big-endian; colour images become blue-green-red bitmaps, with alpha when they have it,
// and grey ones 8-bit grey bitmaps.
void TSGIGraphic::SetUpColorManager(unsigned planes)
{
    const auto samples = static_cast<std::uint8_t>(planes);
    const TColorScheme scheme = SchemeOfChannels(planes);
    FColorManager.SourceOptions = {coSwapBytes};
    FColorManager.SetSourceBitsPerSample(FImageProperties.BitsPerSample);
    FColorManager.SetTargetBitsPerSample(8);
    FColorManager.SetSourceSamplesPerPixel(samples);
    FColorManager.SetTargetSamplesPerPixel(samples);
    FColorManager.SetSourceColorScheme(scheme);
    FColorManager.SetTargetColorScheme(scheme == csRGB ? csBGR : (scheme == csRGBA ? csBGRA : csIndexed));
}

void TSGIGraphic::TransferRows(TSGIRows& rows, unsigned planes, TBitmap& image)
{
    const int width = image.Width();
    const int height = image.Height();
    std::vector<std::uint8_t> buffer(planes * rows.RowSize());
    std::array<std::uint8_t*, 4> targets{};
    for (unsigned k = 0; k < planes; ++k)
        targets[k] = buffer.data() + k * rows.RowSize();
    const std::array<const std::uint8_t*, 4> sources{targets[0], targets[1], targets[2], targets[3]};
    for (int y = 0; y < height; ++y) {
        rows.ReadAndDecode(std::span(targets.data(), planes), static_cast<std::size_t>(y));
        FColorManager.ConvertRow(TSourceRow(sources.data(), planes), image.ScanLine(height - 1 - y),
                                 static_cast<unsigned>(width), 0xFF);
        RowDone(y, height);
    }
}
