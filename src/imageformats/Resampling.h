#pragma once

#include "platform/core/Geometry.h"

#include <cstdint>

class TBitmap;

// The reconstruction filters of Stretch, in their stored order.
enum TResamplingFilter : std::uint8_t {
    sfBox,
    sfTriangle,
    sfHermite,
    sfBell,
    sfSpline,
    sfLanczos3,
    sfMitchell,
};

// The filter's value at x, and how far from its centre it reaches.
double FilterValue(TResamplingFilter filter, double x);
double DefaultRadius(TResamplingFilter filter);

// Rescales the source to newWidth x newHeight into the target, in two separable passes of the
// filter over 24-bit pixels; a radius of 0 takes the filter's default. The target becomes a 24-bit
// bitmap of the new size and the source a 24-bit one; nothing is drawn when a size is 0.
void Stretch(int newWidth, int newHeight, TResamplingFilter filter, float radius, TBitmap& source, TBitmap& target);
// The same, with the result replacing the source.
void Stretch(int newWidth, int newHeight, TResamplingFilter filter, float radius, TBitmap& source);

// The least size, no larger than `whole`, at which the whole picture in its proportions covers
// `least` in both directions; `whole` itself when `least` has no area.
TSize CoveringSize(TSize whole, TSize least);
// Reduces the picture in its proportions, box-filtered, to its CoveringSize of `least`; a picture no
// larger than that stays as it is. A transparent picture keeps its transparent colour: the reduction
// is transparent where at least half the pixels it stands for are, and elsewhere the average of the
// others, never the transparent colour.
void ReduceToCover(TBitmap& picture, TSize least);
// Whether a picture of `whole` size, kept at `kept` (whole or reduced), serves a drawing that needs it
// at `least`: it is whole, or it is at least that large both ways. Whatever ReduceToCover makes for
// `least`, of the whole picture or of a reader's smaller decoding of it, serves that drawing.
bool Covers(TSize kept, TSize whole, TSize least);

// Doubles a plane of width x height bytes, held at its top left with `stride` bytes a row, to
// 2 width x 2 height in place, interpolating between neighbours. The plane must have room for
// 2 height rows of 2 width bytes; a plane narrower or lower than 2 stays as it is.
void DoublePlane(int width, int height, int stride, std::uint8_t* plane);
