#pragma once

#include "platform/core/Exceptions.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Palette.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

KESTRAME_EXCEPTION(EColorConversionError, Exception)

// The reader's message for a file whose colour layout no converter takes; "%s" is the format's
// short name ("TIF/TIFF", "PNG").
inline constexpr std::string_view SInvalidColorFormat = "Invalid color format in %s file.";

// How the samples of one pixel are laid out.
enum TColorScheme : std::uint8_t {
    csUnknown,
    csIndexed,
    csGray,
    csGrayAlpha,
    csRGB,
    csRGBA,
    csBGR,
    csBGRA,
    csCMY, // accepted as a setting; nothing converts it
    csCMYK,
    csCIELab,
    csYCbCr,
    csPhotoYCC,
};

// The samples one pixel of the scheme has (0 for csUnknown).
int SamplesOfScheme(TColorScheme scheme);
// csGrayAlpha, csRGBA and csBGRA.
bool SchemeHasAlpha(TColorScheme scheme);

enum TConvertOption : std::uint8_t {
    coAlpha,              // the layout has an alpha sample; set by the manager from the schemes
    coApplyGamma,         // target: colour samples and palette entries pass through the gamma table
    coSwapBytes,          // source: 16-bit samples are stored most significant byte first
    coLabScaledLightness, // source, L*a*b*: 8-bit L* holds 0..255 for 0..100
    coLabUnsignedChroma,  // source, L*a*b*: a* and b* are stored with 128 (32768) added
};

// A set of TConvertOption, one bit each (coAlpha is bit 0).
class TConvertOptions {
public:
    constexpr TConvertOptions() = default;
    constexpr TConvertOptions(std::initializer_list<TConvertOption> options)
    {
        for (TConvertOption option : options)
            Include(option);
    }
    constexpr bool Contains(TConvertOption option) const { return (bits_ & BitOf(option)) != 0; }
    constexpr void Include(TConvertOption option) { bits_ = static_cast<std::uint8_t>(bits_ | BitOf(option)); }
    constexpr void Exclude(TConvertOption option) { bits_ = static_cast<std::uint8_t>(bits_ & ~BitOf(option)); }
    constexpr std::uint8_t Bits() const { return bits_; }
    friend constexpr bool operator==(TConvertOptions, TConvertOptions) = default;

private:
    static constexpr unsigned BitOf(TConvertOption option) { return 1u << option; }
    std::uint8_t bits_ = 0;
};

// How palette data handed to CreateColorPalette are laid out. Quad formats skip a fourth byte or
// value per entry; planar formats give red, green and blue in three arrays.
enum TPaletteDataFormat : std::uint8_t {
    pdInterleaved8Triple,
    pdInterleaved8Quad,
    pdPlanar8Triple,
    pdPlanar8Quad,
    pdInterleaved16Triple,
    pdInterleaved16Quad,
    pdPlanar16Triple,
    pdPlanar16Quad,
};

// The source of one row: one pointer to interleaved samples, or one pointer per plane.
using TSourceRow = std::span<const std::uint8_t* const>;

class TColorManager;

// A row converter: source row, first target pixel, count of target pixels, and the mask of which
// of every eight target pixels are written (bit 7 for the first).
using TRowConverter = void (*)(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                               std::uint8_t mask, bool exchangeRedBlue);

// The converter chosen for a pair of layouts. Planes is how many source planes a planar row must
// give (0 when the converter reads interleaved rows only).
struct TConverterChoice {
    TRowConverter Convert = nullptr;
    bool ExchangeRedBlue = false;
    unsigned Planes = 0;
};

// The four chroma lookup tables of luminance/chrominance sources, 256 entries each once built.
struct TChromaTables {
    std::vector<std::int32_t> CrToRed;
    std::vector<std::int32_t> CbToBlue;
    std::vector<std::int32_t> CrToGreen;
    std::vector<std::int32_t> CbToGreen;
};

// Turns rows decoded by an image reader into rows of the reader's bitmap. The converter for a pair
// of layouts is chosen at the first ConvertRow after a depth, sample count or scheme changed.
class TColorManager {
public:
    TColorManager();

    // Read by the converters at every row; writing them does not choose the converter again.
    TConvertOptions SourceOptions;
    TConvertOptions TargetOptions;

    std::uint8_t SourceBitsPerSample() const { return sourceBitsPerSample_; }
    std::uint8_t TargetBitsPerSample() const { return targetBitsPerSample_; }
    std::uint8_t SourceSamplesPerPixel() const { return sourceSamplesPerPixel_; }
    std::uint8_t TargetSamplesPerPixel() const { return targetSamplesPerPixel_; }
    TColorScheme SourceColorScheme() const { return sourceColorScheme_; }
    TColorScheme TargetColorScheme() const { return targetColorScheme_; }

    // 1 to 16 bits; 1 to 4 samples. Other values raise EColorConversionError and keep the old one.
    void SetSourceBitsPerSample(std::uint8_t bits);
    void SetTargetBitsPerSample(std::uint8_t bits);
    void SetSourceSamplesPerPixel(std::uint8_t samples);
    void SetTargetSamplesPerPixel(std::uint8_t samples);
    void SetSourceColorScheme(TColorScheme scheme);
    void SetTargetColorScheme(TColorScheme scheme);

    // Index 0 for the source layout, any other for the target layout.
    TPixelFormat GetPixelFormat(int index) const;

    // The file's gamma and the display's; a value not above 0 becomes 1.0 or 2.2. Rebuilds the
    // gamma table for the current depths at once.
    void SetGamma(float mainGamma, float displayGamma = 2.2f);
    float MainGamma() const { return mainGamma_; }
    float DisplayGamma() const { return displayGamma_; }
    const std::array<std::uint8_t, 256>& GammaTable() const { return gammaTable_; }
    // The gamma of every 16-bit sample as an 8-bit level, taken at the sample's full precision
    // rather than after its reduction to 8 bits; made on first use after SetGamma.
    const std::vector<std::uint8_t>& GammaTable16() const;
    // The 8-bit level a sample of `bits` bits (1 to 16) shows as in a bitmap of 8-bit samples or in
    // a grey palette, through the gamma when the target options apply it: what a reader compares a
    // key colour of its file with.
    std::uint8_t DisplayedLevel(std::uint16_t sample, unsigned bits) const;

    // The luminance weights of red, green and blue (one to three; those not given stay), then the
    // chroma subsampling factors, each 1, 2 or 4 with the vertical not above the horizontal. The
    // weights are stored before the factors are checked.
    void SetYCbCrParameters(std::span<const float> weights, std::uint8_t horizontalSubsampling,
                            std::uint8_t verticalSubsampling);
    const std::array<float, 3>& LuminanceWeights() const { return luminanceWeights_; }
    std::uint8_t HorizontalSubsampling() const { return horizontalSubsampling_; }
    std::uint8_t VerticalSubsampling() const { return verticalSubsampling_; }
    // Built when a luminance/chrominance converter is chosen.
    const TChromaTables& ChromaTables() const { return chromaTables_; }

    // A palette of at most 256 entries from palette data of a file, spread over the target depth.
    // `data` holds one array (interleaved formats) or three (planar: red, green, blue); entries
    // the arrays do not hold stay black.
    TPalette CreateColorPalette(std::span<const std::span<const std::uint8_t>> data, TPaletteDataFormat format,
                                unsigned colorCount, bool blueFirst) const;
    // The greys of the target depth, black first, or white first with minIsWhite. The rows of a
    // 16-bit source carry the gamma themselves, so its greys are plain.
    TPalette CreateGrayscalePalette(bool minIsWhite) const;

    // What a reader calls once its layouts are set and before its first row: raises
    // EColorConversionError "Invalid color format in <format> file." unless the sample counts fit the
    // schemes, a converter handles the schemes and depths, and `planes` (1 for interleaved rows) is
    // what that converter reads.
    void CheckConversion(std::string_view formatName, unsigned planes = 1) const;

    // Converts one row; chooses the converter first when a setting that decides it has changed.
    void ConvertRow(TSourceRow source, std::uint8_t* target, unsigned count, std::uint8_t mask);
    void ConvertRow(const std::uint8_t* source, std::uint8_t* target, unsigned count, std::uint8_t mask)
    {
        ConvertRow(TSourceRow(&source, 1), target, count, mask);
    }

private:
    void SelectConverter();
    void PrepareYCbCrTables();
    TConverterChoice ChooseConverter() const;

    bool changed_ = true;
    std::uint8_t sourceBitsPerSample_ = 8;
    std::uint8_t targetBitsPerSample_ = 8;
    std::uint8_t sourceSamplesPerPixel_ = 3;
    std::uint8_t targetSamplesPerPixel_ = 3;
    float mainGamma_ = 1.0f;
    float displayGamma_ = 2.2f;
    std::array<std::uint8_t, 256> gammaTable_{};
    mutable std::vector<std::uint8_t> gammaTable16_; // empty until asked for
    std::array<float, 3> luminanceWeights_{0.299f, 0.587f, 0.114f};
    std::uint8_t horizontalSubsampling_ = 1;
    std::uint8_t verticalSubsampling_ = 1;
    TChromaTables chromaTables_;
    TColorScheme sourceColorScheme_ = csRGB;
    TColorScheme targetColorScheme_ = csBGR;
    TConverterChoice converter_;
};

// 0 below 0, 255 above 255, else the value.
std::uint8_t ClampByte(std::int32_t value);
// a * b / c in 32 bits, truncated to 16 bits; c must be above 0.
std::uint16_t MulDiv16(std::uint16_t a, std::uint16_t b, std::uint16_t c);
