// The SGI reader on arbitrary bytes: it may refuse a file with the readers' own errors, never crash,
// overrun or hang, and what it loads has the header's size.
#include "imageformats/ColorManager.h"
#include "imageformats/GraphicCompression.h"
#include "imageformats/SGIGraphic.h"
#include "platform/core/Streams.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.Write(data, static_cast<std::int64_t>(size));
    stream.SetPosition(0);
    TSGIGraphic sgi;
    sgi.CanLoad(stream);
    // Sizes within the readers' size rule are sound but take long to fill; the fuzzer looks for
    // faults. Sizes beyond it go to the reader, which must refuse them before it sizes anything.
    if (sgi.ReadImageProperties(stream, 0)) {
        const TImageProperties& properties = sgi.ImageProperties();
        if (TBitmap::IsSoundImageSize(properties.Width, properties.Height, 1) &&
            std::uint64_t{properties.Width} * properties.Height > (1u << 20))
            return 0;
    }
    stream.SetPosition(0);
    try {
        sgi.LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        return 0;
    } catch (const EGraphicCompression&) {
        return 0;
    } catch (const EColorConversionError&) {
        return 0;
    }
    if (static_cast<std::uint32_t>(sgi.Width()) != sgi.ImageProperties().Width ||
        static_cast<std::uint32_t>(sgi.Height()) != sgi.ImageProperties().Height)
        std::abort();
    return 0;
}
