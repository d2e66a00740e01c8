#pragma once

#include "imageformats/ColorManager.h"
#include "platform/core/Geometry.h"
#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

class TStream;

// The readers' shared messages; "%s" is the reader's short format name ("TGA", "TIF/TIFF") or, for
// SUnsupportedFeature, first a phrase such as SCompressionScheme and then the format name.
inline constexpr std::string_view SInvalidImage = "Cannot load image. Invalid or unexpected %s image format.";
inline constexpr std::string_view SStreamReadError = "Stream read error in %s file.";
inline constexpr std::string_view SUnsupportedFeature = "Cannot load image. %s not supported for %s files.";
inline constexpr std::string_view SCompressionScheme = "The compression scheme is";
inline constexpr std::string_view SCRCError = "Cannot load image. CRC error found in %s file.";
inline constexpr std::string_view SDecompression = "Cannot load image. Compression error found in %s file.";
inline constexpr std::string_view SExtraCompressedData = "Cannot load image. Extra compressed data found in %s file.";
inline constexpr std::string_view SInvalidPalette = "Cannot load image. Palette in %s file is invalid.";
inline constexpr std::string_view SUnknownCriticalChunk =
    "Cannot load PNG image. Unexpected but critical chunk detected.";
inline constexpr std::string_view SLZ77Error = "LZ77 decompression error.";

// The progress stages' texts.
inline constexpr std::string_view SPreparing = "Preparing...";
inline constexpr std::string_view SLoadingData = "Loading data...";
inline constexpr std::string_view SUpsampling = "Upsampling...";
inline constexpr std::string_view STransfering = "Transfering...";

enum TCompressionType : std::uint8_t {
    ctUnknown,
    ctNone,
    ctRLE,
    ctPackedBits,
    ctLZW,
    ctFax3,
    ctFaxRLE,
    ctFax4,
    ctFaxRLEW,
    ctLZ77,
    ctJPEG,
    ctOJPEG,
    ctThunderscan,
    ctNext,
    ctIT8CTPAD,
    ctIT8LW,
    ctIT8MP,
    ctIT8BL,
    ctPixarFilm,
    ctPixarLog,
    ctDCS,
    ctJBIG,
    ctPCDHuffmann,
};

enum TImageOption : std::uint8_t {
    ioTiled,
    ioBigEndian,
    ioMinIsWhite,
    ioReversed, // the bits of each byte are stored least significant first
    ioUseGamma,
};

// A set of TImageOption, one bit each (ioTiled is bit 0).
class TImageOptions {
public:
    constexpr TImageOptions() = default;
    constexpr TImageOptions(std::initializer_list<TImageOption> options)
    {
        for (TImageOption option : options)
            Include(option);
    }
    constexpr bool Contains(TImageOption option) const { return (bits_ & BitOf(option)) != 0; }
    constexpr void Include(TImageOption option) { bits_ = static_cast<std::uint8_t>(bits_ | BitOf(option)); }
    constexpr void Exclude(TImageOption option) { bits_ = static_cast<std::uint8_t>(bits_ & ~BitOf(option)); }
    constexpr std::uint8_t Bits() const { return bits_; }
    friend constexpr bool operator==(TImageOptions, TImageOptions) = default;

private:
    static constexpr unsigned BitOf(TImageOption option) { return 1u << option; }
    std::uint8_t bits_ = 0;
};

using TCardinalArray = std::vector<std::uint32_t>;
using TByteArray = std::vector<std::uint8_t>;
using TFloatArray = std::vector<float>;

// What a reader learns from a file's header about the image it is reading.
struct TImageProperties {
    std::uint32_t Version = 0;
    TImageOptions Options;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    TColorScheme ColorScheme = csUnknown;
    std::uint8_t BitsPerSample = 0;
    std::uint8_t SamplesPerPixel = 0;
    std::uint8_t BitsPerPixel = 0;
    TCompressionType Compression = ctUnknown;
    float FileGamma = 1.0f;
    float XResolution = 0; // pixels per inch
    float YResolution = 0;
    bool Interlaced = false;
    bool HasAlpha = false;
    std::uint32_t FirstIFD = 0;
    std::uint32_t PlanarConfig = 0;
    std::uint32_t CurrentRow = 0;
    std::uint32_t TileWidth = 0; // 0 when not tiled
    std::uint32_t TileLength = 0;
    std::uint32_t BytesPerLine = 0;
    TCardinalArray RowsPerStrip;
    TByteArray YCbCrSubSampling;
    TByteArray JPEGTables;
    std::uint32_t JPEGColorMode = 0;
    std::uint32_t JPEGTablesMode = 0;
    std::uint32_t CurrentStrip = 0;
    std::uint32_t StripCount = 0;
    std::uint32_t Predictor = 0;
    bool Overview = false;
    std::uint8_t Rotate = 0;
    std::uint16_t ImageCount = 0;
    bool RowOrderFlag = false;
    std::uint8_t Channels = 0;
    std::uint8_t FilterMode = 0;
};

// Where a reader's warnings go instead of a message box, so that a load never waits for the user.
using TImageWarningEvent = std::function<void(TGraphic& sender, const std::string& message)>;

// The base of every picture reader: a bitmap that a reader fills from its file, with the header's
// properties and the colour manager that turns decoded rows into the bitmap's rows.
class TImageGraphic : public TBitmap {
public:
    TImageGraphic() = default;
    std::string ClassName() const override { return "TImageGraphic"; }

    // Whether the class reads the file or the stream. The answer is the class's: the object's own
    // image plays no part. The stream form checks that the header is there before reading it and
    // leaves the stream where it was; the base answers false. Opening the file may raise.
    bool CanLoad(std::string_view fileName) const;
    virtual bool CanLoad(TStream& stream) const;

    // Clears the properties (FileGamma 1.0, all else zero or empty) and answers false; readers fill
    // them from the header of image `imageIndex` and answer whether that image exists and is sound.
    virtual bool ReadImageProperties(TStream& stream, unsigned imageIndex);
    const TImageProperties& ImageProperties() const { return FImageProperties; }

    // From another reader also its image properties; then what a bitmap copies.
    void Assign(const TGraphic& source) override;

    TImageWarningEvent OnWarning;

protected:
    // Raise EInvalidGraphic with the text, or with each "%s" of the format replaced by the next
    // argument.
    [[noreturn]] static void RaiseImageError(std::string_view message);
    [[noreturn]] static void RaiseImageErrorFmt(std::string_view format, std::initializer_list<std::string_view> args);

    // Raises SInvalidImage for the format unless the properties' size, at the depth the rows are
    // kept in, passes the bitmap's IsSoundImageSize.
    void CheckImageSize(std::string_view formatName) const;
    // Raises SInvalidImage for the format unless `fileBytes` can fill (DataCanFill) `decodedBytes`,
    // or the properties' rows at their BitsPerPixel.
    void CheckDataFills(std::int64_t fileBytes, std::uint64_t expansion, std::string_view formatName) const;
    static void CheckDataFills(std::int64_t fileBytes, std::uint64_t decodedBytes, std::uint64_t expansion,
                               std::string_view formatName);
    // Reads `count` bytes, or raises SStreamReadError for the format when the stream ends first.
    static void ReadExactly(TStream& stream, void* buffer, std::int64_t count, std::string_view formatName);
    void Warning(const std::string& message);

    // The load's progress, always with FProgressRect: BeginProgress starts the first stage, with
    // "Preparing..." unless the reader goes straight to its rows, on a rectangle one row high and as
    // wide as the image; NextProgressStage ends a stage and starts the next; RowDone reports row `row`
    // of `height` and moves the rectangle down.
    // A stage ends at 0 % without redrawing unless the reader says otherwise.
    void BeginProgress(int width, std::string_view message = SPreparing);
    void NextProgressStage(std::string_view message, std::uint8_t endPercent = 0, bool redraw = false);
    void RowDone(int row, int height);
    void EndProgress(std::uint8_t percent = 0, bool redraw = false);
    // The same event for operations that change nothing, such as saving.
    void ReportProgress(TProgressStage stage, std::uint8_t percent, bool redraw, const TRect& rect,
                        std::string_view message) const;

    TColorManager FColorManager;
    TImageProperties FImageProperties;
    std::int64_t FBasePosition = 0;
    TRect FProgressRect;
};

// Byte order of big-endian data: swap each of `count` 16-bit values, reverse each of `count` 32-bit
// values, in place; SwapLong returns the value reversed.
void SwapWords(std::uint16_t* values, std::size_t count);
void SwapLongs(std::uint32_t* values, std::size_t count);
std::uint32_t SwapLong(std::uint32_t value);

// Fields of big-endian files, read byte by byte whatever the machine's own order.
inline std::uint16_t BigEndian16(const std::uint8_t* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

inline std::uint32_t BigEndian32(const std::uint8_t* bytes)
{
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}
