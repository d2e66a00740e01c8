// The JPEG reader on arbitrary bytes: it may refuse a picture with EJPEG (also one beyond the readers'
// size rule), never crash, overrun, hang or allocate what the picture cannot back; a picture it loads
// has pixels of its size, and written again and read back it keeps that size.
#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    TMemoryStream stream;
    stream.Write(data, static_cast<std::int64_t>(size));
    stream.SetPosition(0);
    TJPEGImage jpeg;
    try {
        jpeg.LoadFromStream(stream);
    } catch (const EJPEG&) {
        return 0;
    }
    TBitmap pixels;
    pixels.Assign(jpeg);
    if (pixels.Width() != jpeg.Width() || pixels.Height() != jpeg.Height())
        std::abort();
    if (pixels.Empty())
        return 0;
    TJPEGImage written;
    written.Assign(pixels);
    TMemoryStream saved;
    written.SaveToStream(saved);
    saved.SetPosition(0);
    TJPEGImage again;
    again.LoadFromStream(saved);
    if (again.Width() != pixels.Width() || again.Height() != pixels.Height())
        std::abort();
    return 0;
}
