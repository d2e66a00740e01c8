// The Targa reader on arbitrary bytes: it may refuse a file, never crash, overrun or hang, and what
// it loads it writes back as a file it reads again to the same size.
#include "GraphicReaderFuzz.h"

#include "imageformats/TargaGraphic.h"
#include "platform/core/Streams.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.Write(data, static_cast<std::int64_t>(size));
    stream.SetPosition(0);
    TTargaGraphic targa;
    targa.CanLoad(stream);
    if (targa.ReadImageProperties(stream, 0) && SoundButSlow(targa.ImageProperties(), 0, size, RunLengthExpansion))
        return 0;
    stream.SetPosition(0);
    try {
        targa.LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    TMemoryStream written;
    targa.SaveToStream(written);
    written.SetPosition(0);
    TTargaGraphic again;
    again.LoadFromStream(written);
    if (again.Width() != targa.Width() || again.Height() != targa.Height())
        std::abort();
    return 0;
}
