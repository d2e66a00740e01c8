#include "imageformats/ColorManager.h"

#include "imageformats/ColorConversions.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::string_view SIndexedMismatch =
    "Conversion between indexed and non-indexed pixel formats is not supported.";
constexpr std::string_view SNoConverter = "Color conversion failed. Could not find a proper method.";
constexpr std::string_view SInvalidDepth = "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
constexpr std::string_view SInvalidSampleCount =
    "Sample count per pixel does not correspond to the given color scheme.";
constexpr std::string_view SInvalidSubsampling = "Subsampling value is invalid. Allowed are 1, 2 and 4.";
constexpr std::string_view SVerticalSubsampling = "Vertical subsampling value must be <= horizontal subsampling value.";
constexpr std::string_view SMissingWeights = "Luminance weights are missing.";

[[noreturn]] void RaiseConversionError(std::string_view message) { throw EColorConversionError(std::string(message)); }

// Grey sources stand with indexed ones: both become palette bitmaps.
bool IsIndexedSource(TColorScheme scheme) { return scheme == csIndexed || scheme == csGray || scheme == csGrayAlpha; }
bool IsIndexedTarget(TColorScheme scheme) { return scheme == csIndexed || scheme == csGray; }

bool IsLuminanceChrominance(TColorScheme scheme) { return scheme == csYCbCr || scheme == csPhotoYCC; }

void CheckBitsPerSample(std::uint8_t bits)
{
    if (bits < 1 || bits > 16)
        RaiseConversionError(SInvalidDepth);
}

void CheckSamplesPerPixel(std::uint8_t samples)
{
    if (samples < 1 || samples > 4)
        RaiseConversionError(SInvalidSampleCount);
}

void CheckSubsampling(std::uint8_t factor)
{
    if (factor != 1 && factor != 2 && factor != 4)
        RaiseConversionError(SInvalidSubsampling);
}

template <typename T> void Change(T& field, T value, bool& changed)
{
    if (field == value)
        return;
    field = value;
    changed = true;
}

void SetAlphaOption(TConvertOptions& options, bool alpha)
{
    if (alpha)
        options.Include(coAlpha);
    else
        options.Exclude(coAlpha);
}

// The file gamma that changes nothing, and the display's unless a reader says otherwise.
constexpr float NeutralGamma = 1.0f;
constexpr float StandardDisplayGamma = 2.2f;

// The largest value of a depth as the gamma table sees it: 8 bits and more are taken as bytes.
unsigned GammaMaximum(unsigned bits) { return bits >= 8 ? 255 : (1u << bits) - 1; }

float GammaExponent(float mainGamma, float displayGamma)
{
    return static_cast<float>(1.0 / (static_cast<double>(mainGamma) * displayGamma));
}

std::uint8_t GammaLevel(unsigned input, unsigned inputMaximum, float exponent, long double outputMaximum)
{
    const long double level = std::pow(static_cast<long double>(input) / inputMaximum, exponent);
    return static_cast<std::uint8_t>(std::nearbyint(level * outputMaximum));
}

// A chroma product as a table entry; weights from a file may make it huge or not a number.
std::int32_t TableEntry(double product)
{
    if (!(std::fabs(product) <= 65536.0))
        return std::isnan(product) ? 0 : (product < 0 ? -65536 : 65536);
    return static_cast<std::int32_t>(std::nearbyint(product));
}

std::uint16_t MaxOfBits(unsigned bits) { return static_cast<std::uint16_t>((1u << bits) - 1); }

bool IsSixteenBitFormat(TPaletteDataFormat format) { return format >= pdInterleaved16Triple; }
bool IsPlanarFormat(TPaletteDataFormat format)
{
    return format == pdPlanar8Triple || format == pdPlanar8Quad || format == pdPlanar16Triple ||
           format == pdPlanar16Quad;
}
bool IsQuadFormat(TPaletteDataFormat format)
{
    return format == pdInterleaved8Quad || format == pdPlanar8Quad || format == pdInterleaved16Quad ||
           format == pdPlanar16Quad;
}

using TPaletteEntries = std::array<TPaletteEntry, TPalette::MaxEntries>;

// Reads the components of palette data as 8-bit values, through the gamma table when it applies.
class TPaletteComponentReader {
public:
    TPaletteComponentReader(bool sixteenBit, bool swap, const std::uint8_t* gamma)
        : sixteenBit_(sixteenBit), swap_(swap), gamma_(gamma)
    {
    }

    unsigned BytesPerValue() const { return sixteenBit_ ? 2 : 1; }

    std::uint8_t Component(std::span<const std::uint8_t> data, std::size_t value) const
    {
        std::uint8_t component;
        if (sixteenBit_) {
            component = static_cast<std::uint8_t>(MulDiv16(Read16(data.data() + 2 * value, swap_), 255, 65535));
        } else {
            component = data[value];
        }
        return gamma_ ? gamma_[component] : component;
    }

private:
    bool sixteenBit_;
    bool swap_;
    const std::uint8_t* gamma_;
};

void FillInterleaved(TPaletteEntries& entries, unsigned count, std::span<const std::uint8_t> data,
                     const TPaletteComponentReader& reader, unsigned valuesPerEntry, bool blueFirst)
{
    const std::size_t available = data.size() / (valuesPerEntry * reader.BytesPerValue());
    for (std::size_t i = 0; i < std::min<std::size_t>(count, available); ++i) {
        const std::size_t first = i * valuesPerEntry;
        const std::uint8_t a = reader.Component(data, first);
        const std::uint8_t g = reader.Component(data, first + 1);
        const std::uint8_t c = reader.Component(data, first + 2);
        entries[i] = {blueFirst ? c : a, g, blueFirst ? a : c, 0};
    }
}

void FillPlanar(TPaletteEntries& entries, unsigned count, std::span<const std::span<const std::uint8_t>> data,
                const TPaletteComponentReader& reader)
{
    if (data.size() < 3)
        return;
    std::size_t available = count;
    for (std::size_t plane = 0; plane < 3; ++plane)
        available = std::min(available, data[plane].size() / reader.BytesPerValue());
    for (std::size_t i = 0; i < available; ++i)
        entries[i] = {reader.Component(data[0], i), reader.Component(data[1], i), reader.Component(data[2], i), 0};
}

// Spreads the entries of the source depth over the target depth in place; an entry beyond the
// 256 that were read stays black.
unsigned RemapToDepth(TPaletteEntries& entries, unsigned count, unsigned sourceBits, unsigned targetBits)
{
    const std::uint16_t in = MaxOfBits(sourceBits);
    const std::uint16_t out = MaxOfBits(targetBits);
    if (targetBits > 8 || in == out)
        return count;
    const auto sourceEntry = [&](unsigned i) {
        const unsigned index = MulDiv16(static_cast<std::uint16_t>(i), in, out);
        return index < entries.size() ? entries[index] : TPaletteEntry{};
    };
    // Widening reads at or below the entry it writes, narrowing at or above it: walk so that the
    // entries still to be read are intact.
    if (in < out) {
        for (unsigned i = out + 1; i-- > 0;)
            entries[i] = sourceEntry(i);
    } else {
        for (unsigned i = 0; i <= out; ++i)
            entries[i] = sourceEntry(i);
    }
    return out + 1u;
}

std::string WithFormatName(std::string_view message, std::string_view formatName)
{
    std::string text(message);
    const std::size_t at = text.find("%s");
    return text.replace(at, 2, formatName);
}

} // namespace

int SamplesOfScheme(TColorScheme scheme)
{
    switch (scheme) {
    case csIndexed:
    case csGray:
        return 1;
    case csGrayAlpha:
        return 2;
    case csRGBA:
    case csBGRA:
    case csCMYK:
        return 4;
    case csRGB:
    case csBGR:
    case csCMY:
    case csCIELab:
    case csYCbCr:
    case csPhotoYCC:
        return 3;
    default:
        return 0;
    }
}

bool SchemeHasAlpha(TColorScheme scheme) { return scheme == csGrayAlpha || scheme == csRGBA || scheme == csBGRA; }

std::uint8_t ClampByte(std::int32_t value)
{
    if (value < 0)
        return 0;
    return value > 255 ? 255 : static_cast<std::uint8_t>(value);
}

std::uint16_t MulDiv16(std::uint16_t a, std::uint16_t b, std::uint16_t c)
{
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(a) * b / c);
}

TColorManager::TColorManager() { SetGamma(NeutralGamma, StandardDisplayGamma); }

void TColorManager::SetSourceBitsPerSample(std::uint8_t bits)
{
    CheckBitsPerSample(bits);
    Change(sourceBitsPerSample_, bits, changed_);
}

void TColorManager::SetTargetBitsPerSample(std::uint8_t bits)
{
    CheckBitsPerSample(bits);
    Change(targetBitsPerSample_, bits, changed_);
}

void TColorManager::SetSourceSamplesPerPixel(std::uint8_t samples)
{
    CheckSamplesPerPixel(samples);
    Change(sourceSamplesPerPixel_, samples, changed_);
}

void TColorManager::SetTargetSamplesPerPixel(std::uint8_t samples)
{
    CheckSamplesPerPixel(samples);
    Change(targetSamplesPerPixel_, samples, changed_);
}

void TColorManager::SetSourceColorScheme(TColorScheme scheme) { Change(sourceColorScheme_, scheme, changed_); }

void TColorManager::SetTargetColorScheme(TColorScheme scheme) { Change(targetColorScheme_, scheme, changed_); }

TPixelFormat TColorManager::GetPixelFormat(int index) const
{
    const unsigned samples = index == 0 ? sourceSamplesPerPixel_ : targetSamplesPerPixel_;
    const unsigned bits = index == 0 ? sourceBitsPerSample_ : targetBitsPerSample_;
    switch (samples) {
    case 1:
        if (bits == 1)
            return pf1bit;
        if (bits <= 4)
            return pf4bit;
        return bits >= 8 ? pf8bit : pfCustom;
    case 3:
        return bits <= 5 ? pf15bit : pf24bit;
    case 4:
        return bits >= 8 ? pf32bit : pfCustom;
    default:
        return pfCustom;
    }
}

void TColorManager::SetGamma(float mainGamma, float displayGamma)
{
    mainGamma_ = mainGamma > 0 ? mainGamma : NeutralGamma;
    displayGamma_ = displayGamma > 0 ? displayGamma : StandardDisplayGamma;
    const unsigned inputMaximum = GammaMaximum(sourceBitsPerSample_);
    const long double outputMaximum = GammaMaximum(targetBitsPerSample_);
    const float exponent = GammaExponent(mainGamma_, displayGamma_);
    // Every manager starts with this one; it is made once rather than for each picture.
    static const std::array<std::uint8_t, 256> byteTableOfNewManager = [] {
        std::array<std::uint8_t, 256> table{};
        for (unsigned i = 0; i < table.size(); ++i)
            table[i] = GammaLevel(i, 255, GammaExponent(NeutralGamma, StandardDisplayGamma), 255);
        return table;
    }();
    if (inputMaximum == 255 && outputMaximum == 255 && exponent == GammaExponent(NeutralGamma, StandardDisplayGamma))
        gammaTable_ = byteTableOfNewManager;
    else
        for (unsigned i = 0; i <= inputMaximum; ++i)
            gammaTable_[i] = GammaLevel(i, inputMaximum, exponent, outputMaximum);
    gammaTable16_.clear();
}

const std::vector<std::uint8_t>& TColorManager::GammaTable16() const
{
    if (gammaTable16_.empty()) {
        constexpr unsigned maximum = 65535;
        gammaTable16_.resize(maximum + 1);
        const float exponent = GammaExponent(mainGamma_, displayGamma_);
        for (unsigned i = 0; i <= maximum; ++i)
            gammaTable16_[i] = GammaLevel(i, maximum, exponent, 255);
    }
    return gammaTable16_;
}

std::uint8_t TColorManager::DisplayedLevel(std::uint16_t sample, unsigned bits) const
{
    const bool applyGamma = TargetOptions.Contains(coApplyGamma);
    if (bits >= 16)
        return applyGamma ? GammaTable16()[sample] : static_cast<std::uint8_t>(MulDiv16(sample, 255, 65535));
    const unsigned maximum = (1u << bits) - 1;
    const auto level = static_cast<std::uint8_t>(std::min<unsigned>(sample, maximum) * 255 / maximum);
    return applyGamma ? gammaTable_[level] : level;
}

void TColorManager::SetYCbCrParameters(std::span<const float> weights, std::uint8_t horizontalSubsampling,
                                       std::uint8_t verticalSubsampling)
{
    if (weights.empty())
        RaiseConversionError(SMissingWeights);
    std::copy_n(weights.begin(), std::min<std::size_t>(weights.size(), luminanceWeights_.size()),
                luminanceWeights_.begin());
    CheckSubsampling(horizontalSubsampling);
    CheckSubsampling(verticalSubsampling);
    if (verticalSubsampling > horizontalSubsampling)
        RaiseConversionError(SVerticalSubsampling);
    horizontalSubsampling_ = horizontalSubsampling;
    verticalSubsampling_ = verticalSubsampling;
}

TPalette TColorManager::CreateColorPalette(std::span<const std::span<const std::uint8_t>> data,
                                           TPaletteDataFormat format, unsigned colorCount, bool blueFirst) const
{
    TPaletteEntries entries{};
    unsigned count = std::min<unsigned>(colorCount, TPalette::MaxEntries);
    const TPaletteComponentReader reader(IsSixteenBitFormat(format), SourceOptions.Contains(coSwapBytes),
                                         TargetOptions.Contains(coApplyGamma) ? gammaTable_.data() : nullptr);
    // A format beyond the known ones fills nothing and leaves the entries black.
    if (IsPlanarFormat(format))
        FillPlanar(entries, count, data, reader);
    else if (format <= pdInterleaved16Quad && !data.empty())
        FillInterleaved(entries, count, data[0], reader, IsQuadFormat(format) ? 4 : 3, blueFirst);
    count = RemapToDepth(entries, count, sourceBitsPerSample_, targetBitsPerSample_);
    TPalette palette;
    palette.Entries.assign(entries.begin(), entries.begin() + count);
    return palette;
}

TPalette TColorManager::CreateGrayscalePalette(bool minIsWhite) const
{
    const unsigned bits = std::min(targetBitsPerSample_ * targetSamplesPerPixel_, 8);
    const unsigned upper = (1u << bits) - 1;
    const unsigned step = 255 / upper;
    const bool applyGamma = TargetOptions.Contains(coApplyGamma) && sourceBitsPerSample_ != 16;
    TPalette palette;
    palette.Entries.resize(upper + 1);
    for (unsigned i = 0; i <= upper; ++i) {
        const std::uint8_t level = applyGamma ? gammaTable_[i * step] : static_cast<std::uint8_t>(i * step);
        palette.Entries[minIsWhite ? upper - i : i] = {level, level, level, 0};
    }
    return palette;
}

void TColorManager::CheckConversion(std::string_view formatName, unsigned planes) const
{
    const TConverterChoice choice = ChooseConverter();
    const bool fits = SamplesOfScheme(sourceColorScheme_) == sourceSamplesPerPixel_ &&
                      SamplesOfScheme(targetColorScheme_) == targetSamplesPerPixel_ &&
                      IsIndexedSource(sourceColorScheme_) == IsIndexedTarget(targetColorScheme_) &&
                      choice.Convert != nullptr && (planes == 1 || planes == choice.Planes);
    if (!fits)
        throw EColorConversionError(WithFormatName(SInvalidColorFormat, formatName));
}

void TColorManager::ConvertRow(TSourceRow source, std::uint8_t* target, unsigned count, std::uint8_t mask)
{
    if (changed_)
        SelectConverter();
    // A planar row short of planes would make the converter read pointers it was never given.
    if (!converter_.Convert || source.empty() || (source.size() > 1 && source.size() < converter_.Planes))
        RaiseConversionError(SNoConverter);
    converter_.Convert(*this, source, target, count, mask, converter_.ExchangeRedBlue);
}

TConverterChoice TColorManager::ChooseConverter() const
{
    return ChooseRowConverter(sourceColorScheme_, targetColorScheme_, sourceBitsPerSample_, targetBitsPerSample_);
}

void TColorManager::SelectConverter()
{
    converter_ = {};
    if (IsIndexedSource(sourceColorScheme_) != IsIndexedTarget(targetColorScheme_))
        RaiseConversionError(SIndexedMismatch);
    SetAlphaOption(SourceOptions, SchemeHasAlpha(sourceColorScheme_));
    SetAlphaOption(TargetOptions, SchemeHasAlpha(targetColorScheme_));
    if (IsLuminanceChrominance(sourceColorScheme_))
        PrepareYCbCrTables();
    converter_ = ChooseConverter();
    changed_ = false;
}

void TColorManager::PrepareYCbCrTables()
{
    const std::array<float, 4> factor = ChromaFactors(luminanceWeights_);
    for (std::vector<std::int32_t>* table :
         {&chromaTables_.CrToRed, &chromaTables_.CbToBlue, &chromaTables_.CrToGreen, &chromaTables_.CbToGreen})
        table->resize(256);
    // Photo-CD chroma is centred on 137 (C2, red) and 156 (C1, blue) rather than 128.
    const bool photoYCC = sourceColorScheme_ == csPhotoYCC;
    for (int i = 0; i < 256; ++i) {
        const double cr = photoYCC ? i - 137 : i - 128;
        const double cb = photoYCC ? i - 156 : i - 128;
        chromaTables_.CrToRed[i] = TableEntry(cr * factor[0]);
        chromaTables_.CrToGreen[i] = -TableEntry(cr * factor[1]);
        chromaTables_.CbToBlue[i] = TableEntry(cb * factor[2]);
        chromaTables_.CbToGreen[i] = -TableEntry(cb * factor[3]);
    }
}
