// The bitmap reader on arbitrary bytes: it may refuse a file, never crash, overrun or hang, and what
// it loads it writes back as a file it reads again to the same size and format.
#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Sizes within the readers' size rule that the input could fill are sound but take long to fill; the
// fuzzer looks for faults. Sizes beyond the rule, and those the input is too short for at the longest
// runs, go to the reader, which must refuse them before it sizes anything. The header's size fields,
// read as stored.
bool IsLargeSoundPicture(const std::uint8_t* data, size_t size)
{
    auto field = [&](size_t at, size_t bytes) {
        std::uint64_t value = 0;
        for (size_t i = 0; i < bytes && at + i < size; ++i)
            value |= std::uint64_t{data[at + i]} << (8 * i);
        return value;
    };
    const bool core = field(14, 4) == 12;
    const std::uint64_t width = core ? field(18, 2) : field(18, 4);
    std::uint64_t height = core ? field(20, 2) : field(22, 4);
    if (!core && height >= 0x80000000u)
        height = 0x100000000u - height;
    const std::uint64_t bitCount = core ? field(24, 2) : field(28, 2);
    return TBitmap::IsSoundImageSize(width, height, 1) && width * height > (1u << 20) &&
           size * RunLengthExpansion >= (width * bitCount + 7) / 8 * height;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (IsLargeSoundPicture(data, size))
        return 0;
    TMemoryStream stream;
    stream.Write(data, static_cast<std::int64_t>(size));
    stream.SetPosition(0);
    TBitmap bitmap;
    try {
        bitmap.LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
        return 0;
    } catch (const EOutOfResources&) {
        return 0;
    }
    TMemoryStream written;
    bitmap.SaveToStream(written);
    written.SetPosition(0);
    TBitmap again;
    again.LoadFromStream(written);
    if (again.Width() != bitmap.Width() || again.Height() != bitmap.Height() ||
        again.PixelFormat() != bitmap.PixelFormat())
        std::abort();
    return 0;
}
