// The PCX reader on arbitrary bytes: it may refuse a file with the readers' own errors, never crash,
// overrun or hang, and what it loads has the header's size.
#include "imageformats/ColorManager.h"
#include "imageformats/GraphicCompression.h"
#include "imageformats/PCXGraphic.h"
#include "platform/core/LittleEndian.h"
#include "platform/core/Streams.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.Write(data, static_cast<std::int64_t>(size));
    stream.SetPosition(0);
    TPCXGraphic pcx;
    pcx.CanLoad(stream);
    // Sizes within the readers' size rule are sound but take long to fill; the fuzzer looks for
    // faults. Sizes beyond it go to the reader, which must refuse them before it sizes anything.
    if (pcx.ReadImageProperties(stream, 0)) {
        const TImageProperties& properties = pcx.ImageProperties();
        const std::uint64_t rowBytes = std::uint64_t{data[65]} * GetU16(&data[66]);
        if (TBitmap::IsSoundImageSize(properties.Width, properties.Height, 1) &&
            (std::uint64_t{properties.Width} * properties.Height > (1u << 20) ||
             rowBytes * properties.Height > (1u << 22)))
            return 0;
    }
    stream.SetPosition(0);
    try {
        pcx.LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        return 0;
    } catch (const EGraphicCompression&) {
        return 0;
    } catch (const EColorConversionError&) {
        return 0;
    }
    if (static_cast<std::uint32_t>(pcx.Width()) != pcx.ImageProperties().Width ||
        static_cast<std::uint32_t>(pcx.Height()) != pcx.ImageProperties().Height)
        std::abort();
    return 0;
}
