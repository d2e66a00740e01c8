#pragma once

#include "imageformats/ColorManager.h"

// The row converters of TColorManager. Each reads the manager's depths, options and tables at the
// call, converts the target pixels the mask selects (bit 7 of the mask for the first of every
// eight, skipped pixels keep their bytes and use no source pixel) and keeps nothing between calls.

// A 16-bit sample: little-endian, or big-endian with `swap`.
std::uint16_t Read16(const std::uint8_t* bytes, bool swap);

// The converter for a pair of layouts, or none (Convert null) when no converter handles the
// schemes and depths. Indexed and grey sources take 1, 2, 4, 8 or 16 bits, every other source 8
// or 16; a luminance/chrominance choice needs the manager's chroma tables.
TConverterChoice ChooseRowConverter(TColorScheme source, TColorScheme target, unsigned sourceBits, unsigned targetBits);

// The factors of the chroma differences from the luminance weights of red, green and blue, in
// single precision: red from Cr, green from Cr, blue from Cb, green from Cb.
std::array<float, 4> ChromaFactors(const std::array<float, 3>& weights);

// Palette indices and greys of 1, 2, 4 or 8 bits, rescaled to the target depth and packed most
// significant bits first.
void ConvertIndexedPacked(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                          std::uint8_t mask, bool exchangeRedBlue);
void ConvertIndexed16(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                      std::uint8_t mask, bool exchangeRedBlue);
void ConvertIndexed16ToPacked(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                              std::uint8_t mask, bool exchangeRedBlue);
void ConvertIndexedPackedTo16(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                              std::uint8_t mask, bool exchangeRedBlue);
// Grey, or grey with alpha (dropped), at 8 or 16 bits to a grey target; no gamma.
void ConvertGray(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                 std::uint8_t mask, bool exchangeRedBlue);
// Red-green-blue in either order, with or without alpha, interleaved or planar.
void ConvertRGB(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                std::uint8_t mask, bool exchangeRedBlue);
void ConvertCMYK(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                 std::uint8_t mask, bool exchangeRedBlue);
void ConvertCIELab(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                   std::uint8_t mask, bool exchangeRedBlue);
// YCbCr and PhotoYCC through the manager's chroma tables.
void ConvertYCbCr(const TColorManager& manager, TSourceRow source, std::uint8_t* target, unsigned count,
                  std::uint8_t mask, bool exchangeRedBlue);
