#include "imageformats/ColorConversions.h"

#include "platform/core/LittleEndian.h"
#include "platform/graphics/PixelRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

bool Selected(std::uint8_t mask, unsigned pixel) { return (mask & (0x80u >> (pixel & 7u))) != 0; }

std::uint16_t Swap16(std::uint16_t value) { return static_cast<std::uint16_t>((value >> 8) | (value << 8)); }

std::uint16_t MaxOfBits(unsigned bits) { return static_cast<std::uint16_t>((1u << bits) - 1); }

bool IsPackedDepth(unsigned bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8; }
bool IsIndexDepth(unsigned bits) { return IsPackedDepth(bits) || bits == 16; }
bool IsColorDepth(unsigned bits) { return bits == 8 || bits == 16; }

bool IsRedFirst(TColorScheme scheme) { return scheme == csRGB || scheme == csRGBA; }
bool IsColorTarget(TColorScheme scheme)
{
    return scheme == csRGB || scheme == csRGBA || scheme == csBGR || scheme == csBGRA;
}

// Samples of 1, 2, 4 or 8 bits, most significant first, read one after another.
class TPackedReader {
public:
    TPackedReader(const std::uint8_t* data, unsigned bits) : data_(data), bits_(bits) {}

    std::uint16_t Next()
    {
        const unsigned shift = 8 - bits_ - offset_;
        const auto value = static_cast<std::uint16_t>((*data_ >> shift) & MaxOfBits(bits_));
        offset_ += bits_;
        if (offset_ == 8) {
            offset_ = 0;
            ++data_;
        }
        return value;
    }

private:
    const std::uint8_t* data_;
    unsigned bits_;
    unsigned offset_ = 0;
};

// Puts a value into the bits of target pixel `pixel` of a packed row; the byte's other bits stay,
// so pixels of earlier interlace passes survive.
void PutPacked(std::uint8_t* row, unsigned pixel, unsigned bits, unsigned value)
{
    const unsigned perByte = 8 / bits;
    std::uint8_t& byte = row[pixel / perByte];
    const unsigned shift = 8 - bits * (pixel % perByte + 1);
    const unsigned field = static_cast<unsigned>(MaxOfBits(bits)) << shift;
    byte = static_cast<std::uint8_t>((byte & ~field) | ((value << shift) & field));
}

// The source pixels of a row: interleaved in the first pointer, or one plane per sample.
class TSourcePixels {
public:
    TSourcePixels(TSourceRow source, unsigned samples, unsigned bitsPerSample, bool planar, bool swap)
        : samples_(samples), bytes_(bitsPerSample / 8), planar_(planar), swap_(swap)
    {
        for (unsigned k = 0; k < (planar ? samples : 1); ++k)
            planes_[k] = source[k];
    }

    const std::uint8_t* Sample(unsigned k) const { return planar_ ? planes_[k] : planes_[0] + k * bytes_; }
    std::uint16_t Value(unsigned k) const { return bytes_ == 1 ? *Sample(k) : Read16(Sample(k), swap_); }

    void Next()
    {
        if (!planar_) {
            planes_[0] += samples_ * bytes_;
            return;
        }
        for (unsigned k = 0; k < samples_; ++k)
            planes_[k] += bytes_;
    }

private:
    std::array<const std::uint8_t*, 4> planes_{};
    unsigned samples_;
    unsigned bytes_;
    bool planar_;
    bool swap_;
};

// The target pixels of a colour row: three samples, or four with alpha, of 1 or 2 bytes each.
class TTargetPixels {
public:
    TTargetPixels(std::uint8_t* target, unsigned bitsPerSample, bool alpha)
        : pixel_(target), bytes_(bitsPerSample / 8), step_((alpha ? 4 : 3) * bytes_)
    {
    }

    std::uint8_t* Sample(unsigned k) const { return pixel_ + k * bytes_; }

    // Writes the colour red first, or blue first when exchanged; an alpha sample is left alone.
    void PutColor(std::uint16_t red, std::uint16_t green, std::uint16_t blue, bool blueFirst) const
    {
        Put(0, blueFirst ? blue : red);
        Put(1, green);
        Put(2, blueFirst ? red : blue);
    }

    void Next() { pixel_ += step_; }

private:
    void Put(unsigned k, std::uint16_t value) const
    {
        if (bytes_ == 1)
            *Sample(k) = static_cast<std::uint8_t>(value);
        else
            PutU16(Sample(k), value);
    }

    std::uint8_t* pixel_;
    unsigned bytes_;
    unsigned step_;
};

// Walks the target pixels of a row; the selected ones take the next source pixel.
template <typename ConvertPixel>
void ForEachPixel(TSourcePixels& from, TTargetPixels& to, unsigned count, std::uint8_t mask, ConvertPixel convert)
{
    for (unsigned i = 0; i < count; ++i) {
        if (Selected(mask, i)) {
            convert(from, to);
            from.Next();
        }
        to.Next();
    }
}

// Rows of 8-bit samples without gamma, the bulk of most pictures' loads (interlace passes too),
// copied without the general walk's call per sample.
void CopyRGB8(TSourceRow source, std::uint8_t* target, unsigned count, std::uint8_t mask, bool sourceAlpha,
              bool targetAlpha, bool exchangeRedBlue)
{
    const bool planar = source.size() > 1;
    if (!planar && !sourceAlpha && !targetAlpha && exchangeRedBlue && mask == 0xFF) {
        ExchangeRedBlue(source[0], target, count);
        return;
    }
    const std::size_t stride = planar ? 1 : (sourceAlpha ? 4 : 3);
    const auto sample = [&](std::size_t k) { return planar ? source[k] : source[0] + k; };
    const std::uint8_t* red = sample(exchangeRedBlue ? 2 : 0);
    const std::uint8_t* green = sample(1);
    const std::uint8_t* blue = sample(exchangeRedBlue ? 0 : 2);
    const std::uint8_t* alpha = sourceAlpha && targetAlpha ? sample(3) : nullptr;
    const std::size_t step = targetAlpha ? 4 : 3;
    for (std::size_t i = 0, at = 0; i < count; ++i, target += step) {
        if (!Selected(mask, static_cast<unsigned>(i)))
            continue;
        target[0] = red[at];
        target[1] = green[at];
        target[2] = blue[at];
        if (alpha)
            target[3] = alpha[at];
        at += stride;
    }
}

// Whole rows of 8-bit luminance and chrominance into 8-bit colour, the bulk of Photo-CD and YCbCr
// loads, converted without the general walk's call per pixel.
void ConvertYCbCr8(const TChromaTables& tables, TSourceRow source, std::uint8_t* target, unsigned count, bool blueFirst)
{
    const bool planar = source.size() > 1;
    const std::size_t stride = planar ? 1 : 3;
    const std::uint8_t* luma = source[0];
    const std::uint8_t* cb = planar ? source[1] : source[0] + 1;
    const std::uint8_t* cr = planar ? source[2] : source[0] + 2;
    const auto clamp = [](std::int32_t value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); };
    for (std::size_t i = 0, at = 0; i < count; ++i, at += stride, target += 3) {
        const std::int32_t y = luma[at];
        const std::uint8_t red = clamp(y + tables.CrToRed[cr[at]]);
        const std::uint8_t green = clamp(y + tables.CbToGreen[cb[at]] + tables.CrToGreen[cr[at]]);
        const std::uint8_t blue = clamp(y + tables.CbToBlue[cb[at]]);
        target[0] = blueFirst ? blue : red;
        target[1] = green;
        target[2] = blueFirst ? red : blue;
    }
}

std::uint16_t Widen8To16(std::uint16_t value) { return MulDiv16(value, 65535, 255); }
std::uint16_t Narrow16To8(std::uint16_t value) { return MulDiv16(value, 255, 65535); }

// What the per-sample transfer of an RGB row reads besides the sample: the gamma table when it
// applies, and whether 16-bit values are swapped.
struct TTransferContext {
    const std::uint8_t* gamma;
    const std::uint8_t* gamma16; // 16-bit samples take the gamma before they are reduced
    bool swap;
};

using TSampleTransfer = void (*)(const TTransferContext& context, const std::uint8_t* from, std::uint8_t* to);

std::uint8_t ApplyGamma(const TTransferContext& context, std::uint8_t value)
{
    return context.gamma ? context.gamma[value] : value;
}

void Transfer8To8(const TTransferContext& context, const std::uint8_t* from, std::uint8_t* to)
{
    *to = ApplyGamma(context, *from);
}

void Transfer8To16(const TTransferContext& context, const std::uint8_t* from, std::uint8_t* to)
{
    const std::uint16_t value = Widen8To16(ApplyGamma(context, *from));
    PutU16(to, context.swap ? Swap16(value) : value);
}

void Transfer16To8(const TTransferContext& context, const std::uint8_t* from, std::uint8_t* to)
{
    const std::uint16_t value = Read16(from, context.swap);
    *to = context.gamma16 ? context.gamma16[value] : static_cast<std::uint8_t>(Narrow16To8(value));
}

void Transfer16To16(const TTransferContext& context, const std::uint8_t* from, std::uint8_t* to)
{
    PutU16(to, Read16(from, context.swap));
}

TSampleTransfer TransferFor(unsigned sourceBits, unsigned targetBits)
{
    if (sourceBits == 8)
        return targetBits == 8 ? Transfer8To8 : Transfer8To16;
    return targetBits == 8 ? Transfer16To8 : Transfer16To16;
}

bool HandlesColorDepths(const TColorManager& manager)
{
    return IsColorDepth(manager.SourceBitsPerSample()) && IsColorDepth(manager.TargetBitsPerSample());
}

std::uint16_t GrayToTargetDepth(std::uint16_t value, unsigned sourceBits, unsigned targetBits)
{
    if (sourceBits == targetBits)
        return value;
    return targetBits == 8 ? Narrow16To8(value) : Widen8To16(value);
}

// An 8-bit colour value written to a target of the manager's depth.
std::uint16_t ToTargetDepth(std::uint8_t value, unsigned targetBits)
{
    return targetBits == 8 ? value : Widen8To16(value);
}

std::uint16_t CMYKComponent8(std::uint16_t color, std::uint16_t black, unsigned targetBits)
{
    const int covered = color - MulDiv16(color, black, 255) + black;
    return ToTargetDepth(ClampByte(255 - covered), targetBits);
}

std::uint16_t CMYKComponent16(std::uint16_t color, std::uint16_t black, unsigned targetBits)
{
    const auto covered = static_cast<std::uint16_t>(color - MulDiv16(color, black, 65535) + black);
    if (targetBits == 8)
        return ClampByte(255 - Narrow16To8(covered));
    return static_cast<std::uint16_t>(65535 - covered);
}

// The parts of the L*a*b* formulas that each hang on one sample. Of L*: fy = (L* + 16) / 116 and
// Y, on the linear segment below L* 7.9996. Of a* (or b*): its share of X (or Z) on either segment.
struct TLightnessTerms {
    double fy;
    double y;
    bool linear;
};

struct TChromaTerms {
    double cubic;
    double linear;
};

TLightnessTerms LightnessTerms(double lightness)
{
    const double fy = (lightness + 16.0) / 116.0;
    if (lightness >= 7.9996)
        return {fy, fy * fy * fy, false};
    return {fy, lightness / 903.3, true};
}

TChromaTerms ATerms(double a) { return {a / 500.0, a / 3893.5}; }
TChromaTerms BTerms(double b) { return {b / 200.0, b / 1557.4}; }

double Chroma8(std::uint16_t value, bool unsignedChroma)
{
    return unsignedChroma ? value - 128.0 : static_cast<std::int8_t>(value);
}

// 16-bit samples hold L* 0..100 over the whole range, and a* and b* with eight fraction bits.
double Chroma16(std::uint16_t value, bool unsignedChroma)
{
    return (unsignedChroma ? value - 32768.0 : static_cast<std::int16_t>(value)) / 256.0;
}

// The terms of every 8-bit sample, so that a pixel costs a few multiplications instead of powers
// and divisions. Double precision gives every 8-bit L*a*b* colour the same bytes as extended.
struct TLabTables {
    std::array<TLightnessTerms, 256> lightness;
    std::array<TChromaTerms, 256> a;
    std::array<TChromaTerms, 256> b;
};

TLabTables MakeLabTables(bool scaledLightness, bool unsignedChroma)
{
    TLabTables tables{};
    for (unsigned value = 0; value < 256; ++value) {
        tables.lightness[value] = LightnessTerms(scaledLightness ? value / 2.55 : value);
        const double chroma = Chroma8(static_cast<std::uint16_t>(value), unsignedChroma);
        tables.a[value] = ATerms(chroma);
        tables.b[value] = BTerms(chroma);
    }
    return tables;
}

const TLabTables& LabTables(TConvertOptions options)
{
    static const std::array<TLabTables, 4> tables{MakeLabTables(false, false), MakeLabTables(true, false),
                                                  MakeLabTables(false, true), MakeLabTables(true, true)};
    const bool scaledLightness = options.Contains(coLabScaledLightness);
    const bool unsignedChroma = options.Contains(coLabUnsignedChroma);
    return tables[(scaledLightness ? 1 : 0) + (unsignedChroma ? 2 : 0)];
}

std::uint8_t RoundToByte(double component)
{
    const double value = std::nearbyint(255.0 * component);
    if (!(value >= 0))
        return 0;
    return value > 255 ? 255 : static_cast<std::uint8_t>(value);
}

std::uint16_t RoundTo16(long double value)
{
    const long double rounded = std::nearbyint(value);
    if (!(rounded >= 0)) // also not a number, from weights a file gave
        return 0;
    return rounded > 65535 ? 65535 : static_cast<std::uint16_t>(rounded);
}

double Cube(double value) { return value * value * value; }

void PutLab(const TLightnessTerms& lightness, const TChromaTerms& a, const TChromaTerms& b, TTargetPixels& to,
            unsigned targetBits, bool blueFirst)
{
    const double y = lightness.y;
    const double x = lightness.linear ? a.linear + y : Cube(lightness.fy + a.cubic);
    const double z = lightness.linear ? y - b.linear : Cube(lightness.fy - b.cubic);
    const std::uint8_t red = RoundToByte(2.998 * x - 1.458 * y - 0.541 * z);
    const std::uint8_t green = RoundToByte(-0.952 * x + 1.893 * y + 0.059 * z);
    const std::uint8_t blue = RoundToByte(0.099 * x - 0.198 * y + 1.099 * z);
    to.PutColor(ToTargetDepth(red, targetBits), ToTargetDepth(green, targetBits), ToTargetDepth(blue, targetBits),
                blueFirst);
}

// 16-bit luminance/chrominance to 16-bit colour, computed directly: Photo-CD data with the fixed
// Photo-CD coefficients, YCbCr data with the chroma factors of the luminance weights.
void PutYCbCr16(const TColorManager& manager, std::uint16_t y, std::uint16_t cb, std::uint16_t cr, TTargetPixels& to,
                bool blueFirst)
{
    if (manager.SourceColorScheme() == csPhotoYCC) {
        const long double lightness = 1.3584L * y;
        const long double c1 = cb - 40092.0L;
        const long double c2 = cr - 35209.0L;
        to.PutColor(RoundTo16(lightness + 1.8215L * c2), RoundTo16(lightness - 0.9271435L * c2 - 0.4302726L * c1),
                    RoundTo16(lightness + 2.2179L * c1), blueFirst);
        return;
    }
    const std::array<float, 4> f = ChromaFactors(manager.LuminanceWeights());
    const long double blueDifference = cb - 32768.0L;
    const long double redDifference = cr - 32768.0L;
    to.PutColor(RoundTo16(y + f[0] * redDifference), RoundTo16(y - f[1] * redDifference - f[3] * blueDifference),
                RoundTo16(y + f[2] * blueDifference), blueFirst);
}

} // namespace

std::uint16_t Read16(const std::uint8_t* bytes, bool swap)
{
    const std::uint16_t value = GetU16(bytes);
    return swap ? Swap16(value) : value;
}

std::array<float, 4> ChromaFactors(const std::array<float, 3>& weights)
{
    // Each factor is rounded to single precision once, from a product and quotient of wider range.
    const double kr = weights[0];
    const double kg = weights[1];
    const double kb = weights[2];
    const auto f1 = static_cast<float>(2.0 - 2.0 * kr);
    const auto f3 = static_cast<float>(2.0 - 2.0 * kb);
    return {f1, static_cast<float>(kr * f1 / kg), f3, static_cast<float>(kb * f3 / kg)};
}

TConverterChoice ChooseRowConverter(TColorScheme source, TColorScheme target, unsigned sourceBits, unsigned targetBits)
{
    switch (source) {
    case csIndexed:
        if (!IsIndexDepth(sourceBits) || !IsIndexDepth(targetBits))
            return {};
        if (sourceBits == 16)
            return {targetBits == 16 ? ConvertIndexed16 : ConvertIndexed16ToPacked, false, 0};
        return {targetBits == 16 ? ConvertIndexedPackedTo16 : ConvertIndexedPacked, false, 0};
    case csGray:
        if (IsPackedDepth(sourceBits) && IsPackedDepth(targetBits))
            return {ConvertIndexedPacked, false, 0};
        if (IsColorDepth(sourceBits) && IsColorDepth(targetBits))
            return {ConvertGray, false, 0};
        return {};
    case csGrayAlpha:
        if (IsColorDepth(sourceBits) && IsColorDepth(targetBits))
            return {ConvertGray, false, 0};
        return {};
    default:
        break;
    }
    if (!IsColorTarget(target) || !IsColorDepth(sourceBits) || !IsColorDepth(targetBits))
        return {};
    const bool blueFirstTarget = !IsRedFirst(target);
    switch (source) {
    case csRGB:
    case csRGBA:
    case csBGR:
    case csBGRA:
        return {ConvertRGB, IsRedFirst(source) == blueFirstTarget, SchemeHasAlpha(source) ? 4u : 3u};
    case csCMYK:
        return {ConvertCMYK, blueFirstTarget, 4};
    case csCIELab:
        return {ConvertCIELab, blueFirstTarget, 3};
    case csYCbCr:
    case csPhotoYCC:
        return {ConvertYCbCr, blueFirstTarget, 3};
    default:
        return {};
    }
}

void ConvertIndexedPacked(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                          std::uint8_t mask, bool)
{
    const unsigned sourceBits = manager.SourceBitsPerSample();
    const unsigned targetBits = manager.TargetBitsPerSample();
    if (count == 0 || !IsPackedDepth(sourceBits) || !IsPackedDepth(targetBits))
        return;
    if (sourceBits == targetBits && mask == 0xFF) {
        std::memcpy(target, source[0], (std::size_t{sourceBits} * count + 7) / 8);
        return;
    }
    TPackedReader reader(source[0], sourceBits);
    for (unsigned i = 0; i < count; ++i) {
        if (Selected(mask, i))
            PutPacked(target, i, targetBits, MulDiv16(reader.Next(), MaxOfBits(targetBits), MaxOfBits(sourceBits)));
    }
}

void ConvertIndexed16(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                      std::uint8_t mask, bool)
{
    const bool swap = manager.SourceOptions.Contains(coSwapBytes);
    if (count == 0)
        return;
    if (!swap && mask == 0xFF) {
        std::memcpy(target, source[0], 2 * std::size_t{count});
        return;
    }
    const std::uint8_t* from = source[0];
    for (unsigned i = 0; i < count; ++i) {
        if (Selected(mask, i)) {
            PutU16(target + 2 * i, Read16(from, swap));
            from += 2;
        }
    }
}

void ConvertIndexed16ToPacked(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                              std::uint8_t mask, bool)
{
    const unsigned targetBits = manager.TargetBitsPerSample();
    if (!IsPackedDepth(targetBits))
        return;
    const bool swap = manager.SourceOptions.Contains(coSwapBytes);
    const std::uint8_t* from = source[0];
    for (unsigned i = 0; i < count; ++i) {
        if (Selected(mask, i)) {
            PutPacked(target, i, targetBits, MulDiv16(Read16(from, swap), MaxOfBits(targetBits), 65535));
            from += 2;
        }
    }
}

void ConvertIndexedPackedTo16(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                              std::uint8_t mask, bool)
{
    const unsigned sourceBits = manager.SourceBitsPerSample();
    if (!IsPackedDepth(sourceBits))
        return;
    const bool swap = manager.SourceOptions.Contains(coSwapBytes);
    TPackedReader reader(source[0], sourceBits);
    for (unsigned i = 0; i < count; ++i) {
        if (Selected(mask, i)) {
            const std::uint16_t value = MulDiv16(reader.Next(), 65535, MaxOfBits(sourceBits));
            PutU16(target + 2 * i, swap ? Swap16(value) : value);
        }
    }
}

void ConvertGray(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                 std::uint8_t mask, bool)
{
    const unsigned sourceBits = manager.SourceBitsPerSample();
    const unsigned targetBits = manager.TargetBitsPerSample();
    if (!HandlesColorDepths(manager))
        return;
    const bool alpha = manager.SourceOptions.Contains(coAlpha);
    const bool swap = manager.SourceOptions.Contains(coSwapBytes);
    TSourcePixels from(source, alpha ? 2 : 1, sourceBits, false, swap);
    const unsigned targetBytes = targetBits / 8;
    // Grey palettes of 16-bit sources are plain: the rows take the gamma at full precision.
    const std::uint8_t* gamma16 = sourceBits == 16 && targetBits == 8 && manager.TargetOptions.Contains(coApplyGamma)
                                      ? manager.GammaTable16().data()
                                      : nullptr;
    for (unsigned i = 0; i < count; ++i) {
        if (!Selected(mask, i))
            continue;
        const std::uint16_t value =
            gamma16 ? gamma16[from.Value(0)] : GrayToTargetDepth(from.Value(0), sourceBits, targetBits);
        std::uint8_t* to = target + i * targetBytes;
        if (targetBits == 8)
            *to = static_cast<std::uint8_t>(value);
        else
            PutU16(to, value);
        from.Next();
    }
}

void ConvertRGB(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                std::uint8_t mask, bool exchangeRedBlue)
{
    if (!HandlesColorDepths(manager))
        return;
    const bool sourceAlpha = manager.SourceOptions.Contains(coAlpha);
    const bool targetAlpha = manager.TargetOptions.Contains(coAlpha);
    const bool swap = manager.SourceOptions.Contains(coSwapBytes);
    if (manager.SourceBitsPerSample() == 8 && manager.TargetBitsPerSample() == 8 &&
        !manager.TargetOptions.Contains(coApplyGamma)) {
        CopyRGB8(source, target, count, mask, sourceAlpha, targetAlpha, exchangeRedBlue);
        return;
    }
    const TSampleTransfer transfer = TransferFor(manager.SourceBitsPerSample(), manager.TargetBitsPerSample());
    const bool gamma = manager.TargetOptions.Contains(coApplyGamma);
    const bool wideSource = manager.SourceBitsPerSample() == 16;
    const TTransferContext color{gamma ? manager.GammaTable().data() : nullptr,
                                 gamma && wideSource ? manager.GammaTable16().data() : nullptr, swap};
    const TTransferContext alpha{nullptr, nullptr, swap};
    TSourcePixels from(source, sourceAlpha ? 4 : 3, manager.SourceBitsPerSample(), source.size() > 1, swap);
    TTargetPixels to(target, manager.TargetBitsPerSample(), targetAlpha);
    const unsigned first = exchangeRedBlue ? 2 : 0;
    const unsigned third = exchangeRedBlue ? 0 : 2;
    ForEachPixel(from, to, count, mask, [&](const TSourcePixels& pixel, const TTargetPixels& out) {
        transfer(color, pixel.Sample(0), out.Sample(first));
        transfer(color, pixel.Sample(1), out.Sample(1));
        transfer(color, pixel.Sample(2), out.Sample(third));
        if (sourceAlpha && targetAlpha)
            transfer(alpha, pixel.Sample(3), out.Sample(3));
    });
}

// Big-endian 16-bit files (TIFF "MM", Photoshop) store CMYK most significant byte first, so the
// swap option is honoured here as for every other colour source.
void ConvertCMYK(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                 std::uint8_t mask, bool exchangeRedBlue)
{
    if (!HandlesColorDepths(manager))
        return;
    const unsigned sourceBits = manager.SourceBitsPerSample();
    const unsigned targetBits = manager.TargetBitsPerSample();
    const auto component = sourceBits == 8 ? CMYKComponent8 : CMYKComponent16;
    TSourcePixels from(source, 4, sourceBits, source.size() == 4, manager.SourceOptions.Contains(coSwapBytes));
    TTargetPixels to(target, targetBits, manager.TargetOptions.Contains(coAlpha));
    ForEachPixel(from, to, count, mask, [&](const TSourcePixels& pixel, const TTargetPixels& out) {
        const std::uint16_t black = pixel.Value(3);
        out.PutColor(component(pixel.Value(0), black, targetBits), component(pixel.Value(1), black, targetBits),
                     component(pixel.Value(2), black, targetBits), exchangeRedBlue);
    });
}

void ConvertCIELab(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                   std::uint8_t mask, bool exchangeRedBlue)
{
    if (!HandlesColorDepths(manager))
        return;
    const unsigned sourceBits = manager.SourceBitsPerSample();
    const unsigned targetBits = manager.TargetBitsPerSample();
    const TConvertOptions options = manager.SourceOptions;
    TSourcePixels from(source, 3, sourceBits, source.size() > 1, options.Contains(coSwapBytes));
    TTargetPixels to(target, targetBits, manager.TargetOptions.Contains(coAlpha));
    if (sourceBits == 8) {
        const TLabTables& tables = LabTables(options);
        ForEachPixel(from, to, count, mask, [&](const TSourcePixels& pixel, TTargetPixels& out) {
            PutLab(tables.lightness[pixel.Value(0)], tables.a[pixel.Value(1)], tables.b[pixel.Value(2)], out,
                   targetBits, exchangeRedBlue);
        });
        return;
    }
    const bool unsignedChroma = options.Contains(coLabUnsignedChroma);
    ForEachPixel(from, to, count, mask, [&](const TSourcePixels& pixel, TTargetPixels& out) {
        PutLab(LightnessTerms(pixel.Value(0) * 100.0 / 65535.0), ATerms(Chroma16(pixel.Value(1), unsignedChroma)),
               BTerms(Chroma16(pixel.Value(2), unsignedChroma)), out, targetBits, exchangeRedBlue);
    });
}

void ConvertYCbCr(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                  std::uint8_t mask, bool exchangeRedBlue)
{
    if (!HandlesColorDepths(manager))
        return;
    const unsigned sourceBits = manager.SourceBitsPerSample();
    const unsigned targetBits = manager.TargetBitsPerSample();
    const TChromaTables& tables = manager.ChromaTables();
    if (sourceBits == 8 && targetBits == 8 && mask == 0xFF && !manager.TargetOptions.Contains(coAlpha)) {
        ConvertYCbCr8(tables, source, target, count, exchangeRedBlue);
        return;
    }
    TSourcePixels from(source, 3, sourceBits, source.size() > 1, manager.SourceOptions.Contains(coSwapBytes));
    TTargetPixels to(target, targetBits, manager.TargetOptions.Contains(coAlpha));
    const bool wide = sourceBits == 16 && targetBits == 16;
    ForEachPixel(from, to, count, mask, [&](const TSourcePixels& pixel, TTargetPixels& out) {
        if (wide) {
            PutYCbCr16(manager, pixel.Value(0), pixel.Value(1), pixel.Value(2), out, exchangeRedBlue);
            return;
        }
        const auto sample = [&](unsigned k) { return sourceBits == 8 ? pixel.Value(k) : Narrow16To8(pixel.Value(k)); };
        const int y = sample(0);
        const std::uint16_t cb = sample(1);
        const std::uint16_t cr = sample(2);
        const std::uint8_t red = ClampByte(y + tables.CrToRed[cr]);
        const std::uint8_t green = ClampByte(y + tables.CbToGreen[cb] + tables.CrToGreen[cr]);
        const std::uint8_t blue = ClampByte(y + tables.CbToBlue[cb]);
        out.PutColor(ToTargetDepth(red, targetBits), ToTargetDepth(green, targetBits), ToTargetDepth(blue, targetBits),
                     exchangeRedBlue);
    });
}
