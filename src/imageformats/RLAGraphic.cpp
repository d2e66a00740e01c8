#include "imageformats/RLAGraphic.h"

#include "imageformats/GraphicCompression.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"
#include "platform/core/TextUtils.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::string_view RLAName = "RLA or RPF";
constexpr int HeaderSize = 740;
constexpr std::uint16_t Revision = 0xFFFE;

// Where the header keeps the fields read, all big-endian.
constexpr int ActiveLeftOffset = 8;
constexpr int ActiveRightOffset = 10;
constexpr int ActiveBottomOffset = 12;
constexpr int ActiveTopOffset = 14;
constexpr int ColorChannelsOffset = 20;
constexpr int MatteChannelsOffset = 22;
constexpr int RevisionOffset = 26;
constexpr int GammaOffset = 28;
constexpr int GammaSize = 16;
constexpr int ChannelKindOffset = 580;
constexpr int ChannelKindSize = 32;
constexpr int BitsOffset = 658;

using THeader = std::array<std::uint8_t, HeaderSize>;

std::uint16_t Word(const THeader& header, int at)
{
    return static_cast<std::uint16_t>(header[static_cast<std::size_t>(at)] << 8 |
                                      header[static_cast<std::size_t>(at) + 1]);
}

std::int16_t SignedWord(const THeader& header, int at) { return static_cast<std::int16_t>(Word(header, at)); }

// A text field up to its first zero byte.
std::string TextField(const THeader& header, int at, int size)
{
    const auto* first = reinterpret_cast<const char*>(header.data() + at);
    return std::string(first, strnlen(first, static_cast<std::size_t>(size)));
}

std::string ChannelKind(const THeader& header)
{
    return LowerCase(TextField(header, ChannelKindOffset, ChannelKindSize));
}

// The gamma the file was written for; 1.0 (none) when the text is empty or no number.
float GammaOf(const THeader& header)
{
    const std::string text = Trim(TextField(header, GammaOffset, GammaSize));
    if (text.empty())
        return 1.0f;
    try {
        return static_cast<float>(StrToFloat(text));
    } catch (const EConvertError&) {
        return 1.0f;
    }
}

// False when the stream ends inside the header.
bool ReadHeader(TStream& stream, THeader& header) { return stream.Read(header.data(), HeaderSize) == HeaderSize; }

} // namespace

bool TRLAGraphic::CanLoad(TStream& stream) const
{
    const std::int64_t start = stream.Position();
    if (stream.Size() - start <= HeaderSize)
        return false;
    THeader header{};
    const bool read = ReadHeader(stream, header);
    stream.SetPosition(start);
    const std::string kind = ChannelKind(header);
    return read && Word(header, RevisionOffset) == Revision && (kind == "rgb" || kind == "xyz");
}

bool TRLAGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    THeader header{};
    if (imageIndex != 0 || !ReadHeader(stream, header))
        return false;
    const std::string kind = ChannelKind(header);
    if (kind == "xyz")
        return false;
    TImageProperties& properties = FImageProperties;
    properties.Options = {ioBigEndian};
    const int colorChannels = SignedWord(header, ColorChannelsOffset);
    const int matteChannels = SignedWord(header, MatteChannelsOffset);
    properties.Channels = static_cast<std::uint8_t>(std::clamp(colorChannels + matteChannels, 0, 255));
    properties.SamplesPerPixel = static_cast<std::uint8_t>(std::clamp(colorChannels + (matteChannels == 1), 0, 255));
    properties.BitsPerSample = static_cast<std::uint8_t>(std::min<unsigned>(Word(header, BitsOffset), 255));
    properties.BitsPerPixel =
        static_cast<std::uint8_t>(std::min<unsigned>(properties.SamplesPerPixel * properties.BitsPerSample, 255));
    if (kind == "rgb")
        properties.ColorScheme = matteChannels > 0 ? csRGBA : csRGB;
    properties.FileGamma = GammaOf(header);
    properties.Compression = ctRLE;
    const int left = SignedWord(header, ActiveLeftOffset);
    const int right = SignedWord(header, ActiveRightOffset);
    const int bottom = SignedWord(header, ActiveBottomOffset);
    const int top = SignedWord(header, ActiveTopOffset);
    // A right edge before the left one leaves no picture, which the size check refuses.
    properties.Width = static_cast<std::uint32_t>(std::max(right - left + 1, 0));
    properties.Height = static_cast<std::uint32_t>(std::abs(bottom - top) + 1);
    properties.RowOrderFlag = bottom < top;
    return true;
}

void TRLAGraphic::LoadFromStream(TStream& stream)
{
    const std::int64_t start = stream.Position();
    FBasePosition = start;
    if (!ReadImageProperties(stream, 0) || FImageProperties.ColorScheme == csUnknown)
        RaiseImageErrorFmt(SInvalidImage, {RLAName});
    const TImageProperties& properties = FImageProperties;
    // Each channel row is unpacked into width bytes: three 8-bit colour channels and at most one
    // matte are what the rows can be laid out from.
    const unsigned samples = properties.ColorScheme == csRGBA ? 4 : 3;
    if (properties.SamplesPerPixel != samples || properties.Channels != samples || properties.BitsPerSample != 8)
        RaiseImageErrorFmt(SInvalidColorFormat, {RLAName});
    CheckImageSize(RLAName);
    const int width = static_cast<int>(properties.Width);
    const int height = static_cast<int>(properties.Height);
    BeginProgress(width, STransfering);

    const bool alpha = properties.ColorScheme == csRGBA;
    FColorManager.SourceOptions = {};
    FColorManager.TargetOptions = {};
    FColorManager.SetSourceSamplesPerPixel(properties.SamplesPerPixel);
    FColorManager.SetTargetSamplesPerPixel(properties.SamplesPerPixel);
    FColorManager.SetSourceBitsPerSample(8);
    FColorManager.SetTargetBitsPerSample(8);
    FColorManager.SetSourceColorScheme(properties.ColorScheme);
    FColorManager.SetTargetColorScheme(alpha ? csBGRA : csBGR);
    FColorManager.CheckConversion(RLAName, properties.SamplesPerPixel);
    if (properties.FileGamma != 1.0f) {
        FColorManager.SetGamma(properties.FileGamma, 2.2f);
        FColorManager.TargetOptions.Include(coApplyGamma);
        FImageProperties.Options.Include(ioUseGamma);
    }

    stream.SetPosition(start + HeaderSize);
    const std::vector<std::uint32_t> offsets = ReadRowOffsets(stream);
    // Every row is read whole, so data too short to fill the picture at the longest runs would end
    // in a read error; they are refused with it before the picture is sized. Rows may point at the
    // same stored data, whose bytes count once: the data are the bytes from the first stored row on.
    const std::uint32_t firstRow = *std::min_element(offsets.begin(), offsets.end());
    const std::uint64_t pictureBytes = std::uint64_t{properties.Width} * properties.Height * samples;
    if (!DataCanFill(stream.Size() - start - firstRow, pictureBytes, RunLengthExpansion))
        RaiseImageErrorFmt(SStreamReadError, {RLAName});
    TBitmap image;
    image.SetPixelFormat(FColorManager.GetPixelFormat(1));
    image.SetSize(width, height);
    TransferRows(stream, offsets, image);
    EndProgress();
    TakeOver(image);
}

// The file positions of the stored rows, read before the bitmap is sized so that a file far
// shorter than its picture is refused before anything that large is made.
std::vector<std::uint32_t> TRLAGraphic::ReadRowOffsets(TStream& stream) const
{
    std::vector<std::uint32_t> offsets(FImageProperties.Height);
    ReadExactly(stream, offsets.data(), 4 * static_cast<std::int64_t>(offsets.size()), RLAName);
    SwapLongs(offsets.data(), offsets.size());
    return offsets;
}

void TRLAGraphic::TransferRows(TStream& stream, const std::vector<std::uint32_t>& offsets, TBitmap& image)
{
    const int width = image.Width();
    const int height = image.Height();
    const unsigned channels = FImageProperties.SamplesPerPixel;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * channels);
    std::array<std::uint8_t*, 4> planes{};
    for (unsigned k = 0; k < channels; ++k)
        planes[k] = rows.data() + static_cast<std::size_t>(k) * static_cast<std::size_t>(width);
    const std::array<const std::uint8_t*, 4> sourcePlanes{planes[0], planes[1], planes[2], planes[3]};
    std::vector<std::uint8_t> packed;
    TRLADecoder decoder;
    decoder.DecodeInit();
    for (int y = 0; y < height; ++y) {
        stream.SetPosition(FBasePosition + offsets[static_cast<std::size_t>(y)]);
        for (unsigned k = 0; k < channels; ++k) {
            std::array<std::uint8_t, 2> length{};
            ReadExactly(stream, length.data(), 2, RLAName);
            packed.resize(static_cast<std::size_t>(length[0] << 8 | length[1]));
            ReadExactly(stream, packed.data(), static_cast<std::int64_t>(packed.size()), RLAName);
            const std::uint8_t* source = packed.data();
            std::uint8_t* target = planes[k];
            decoder.Decode(source, target, static_cast<std::int32_t>(packed.size()), width);
        }
        const int line = FImageProperties.RowOrderFlag ? height - 1 - y : y;
        FColorManager.ConvertRow(TSourceRow(sourcePlanes.data(), channels), image.ScanLine(line),
                                 static_cast<unsigned>(width), 0xFF);
        RowDone(y, height);
    }
    decoder.DecodeEnd();
}
