#pragma once

#include "imageformats/ColorManager.h"

#include <cstdint>

// Gives the manager both pixel layouts, each with the samples its scheme has.
inline void SetLayouts(TColorManager& manager, TColorScheme source, std::uint8_t sourceBits, TColorScheme target,
                       std::uint8_t targetBits)
{
    manager.SetSourceColorScheme(source);
    manager.SetSourceBitsPerSample(sourceBits);
    manager.SetSourceSamplesPerPixel(static_cast<std::uint8_t>(SamplesOfScheme(source)));
    manager.SetTargetColorScheme(target);
    manager.SetTargetBitsPerSample(targetBits);
    manager.SetTargetSamplesPerPixel(static_cast<std::uint8_t>(SamplesOfScheme(target)));
}
