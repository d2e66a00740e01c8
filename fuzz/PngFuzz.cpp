// The PNG reader on arbitrary bytes, as they come and with every chunk's CRC made right, so that
// mutations reach past the CRC check into the image data.
#include "GraphicReaderFuzz.h"

#include "imageformats/PNGGraphic.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace {

std::vector<std::uint8_t> WithSoundCRCs(const std::uint8_t* data, size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    for (size_t at = 8; at + 12 <= size;) {
        const std::uint64_t length = std::uint64_t{bytes[at]} << 24 | std::uint64_t{bytes[at + 1]} << 16 |
                                     std::uint64_t{bytes[at + 2]} << 8 | bytes[at + 3];
        if (length > size - at - 12)
            break;
        const auto crc = static_cast<std::uint32_t>(crc32(0, &bytes[at + 4], static_cast<uInt>(length + 4)));
        const size_t end = at + 8 + static_cast<size_t>(length);
        for (int i = 0; i < 4; ++i)
            bytes[end + static_cast<size_t>(i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at = end + 4;
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    FuzzGraphicReader<TPNGGraphic>(data, size, 0, DeflateExpansion);
    const std::vector<std::uint8_t> repaired = WithSoundCRCs(data, size);
    FuzzGraphicReader<TPNGGraphic>(repaired.data(), repaired.size(), 0, DeflateExpansion);
    return 0;
}
