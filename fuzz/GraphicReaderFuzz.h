#pragma once

#include "imageformats/ColorManager.h"
#include "imageformats/GraphicCompression.h"
#include "imageformats/ImageGraphic.h"
#include "platform/core/Streams.h"

#include <cstdint>
#include <cstdlib>

// Sizes within the readers' size rule are sound but take long to fill, and the fuzzer looks for
// faults: such inputs are passed over. Sizes beyond the rule go to the reader, which must refuse them
// before it sizes anything. So do large sizes that the input is too short to fill, at
// `fillExpansion` bytes of picture from each of its bytes at most, for a reader that refuses those
// (0 for one that does not).
inline bool SoundButSlow(const TImageProperties& properties, std::uint64_t workPerRow, std::size_t size,
                         std::uint64_t fillExpansion)
{
    const bool slow = TBitmap::IsSoundImageSize(properties.Width, properties.Height, 1) &&
                      (std::uint64_t{properties.Width} * properties.Height > (1u << 20) ||
                       workPerRow * properties.Height > (1u << 22));
    const std::uint64_t pictureBytes =
        (std::uint64_t{properties.Width} * properties.BitsPerPixel + 7) / 8 * properties.Height;
    return slow && (fillExpansion == 0 || size * fillExpansion >= pictureBytes);
}

// Runs a reader on arbitrary bytes: it may refuse them with the readers' own errors, never crash,
// overrun or hang, and what it loads has its header's size.
template <typename Graphic>
void FuzzGraphicReader(const std::uint8_t* data, size_t size, std::uint64_t workPerRow = 0,
                       std::uint64_t fillExpansion = 0)
{
    TMemoryStream stream;
    stream.Write(data, static_cast<std::int64_t>(size));
    stream.SetPosition(0);
    Graphic graphic;
    graphic.CanLoad(stream);
    if (graphic.ReadImageProperties(stream, 0) &&
        SoundButSlow(graphic.ImageProperties(), workPerRow, size, fillExpansion))
        return;
    stream.SetPosition(0);
    try {
        graphic.LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        return;
    } catch (const EGraphicCompression&) {
        return;
    } catch (const EColorConversionError&) {
        return;
    }
    if (static_cast<std::uint32_t>(graphic.Width()) != graphic.ImageProperties().Width ||
        static_cast<std::uint32_t>(graphic.Height()) != graphic.ImageProperties().Height)
        std::abort();
}
