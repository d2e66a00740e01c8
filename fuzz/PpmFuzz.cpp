// The portable map reader on arbitrary bytes: it may refuse a file with the readers' own errors,
// never crash, overrun or hang, and what it loads has the header's size.
#include "imageformats/ColorManager.h"
#include "imageformats/PPMGraphic.h"
#include "platform/core/Streams.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.Write(data, static_cast<std::int64_t>(size));
    stream.SetPosition(0);
    TPPMGraphic ppm;
    ppm.CanLoad(stream);
    try {
        // A header cut short raises already here.
        ppm.ReadImageProperties(stream, 0);
        stream.SetPosition(0);
        ppm.LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        return 0;
    } catch (const EColorConversionError&) {
        return 0;
    }
    if (static_cast<std::uint32_t>(ppm.Width()) != ppm.ImageProperties().Width ||
        static_cast<std::uint32_t>(ppm.Height()) != ppm.ImageProperties().Height)
        std::abort();
    return 0;
}
