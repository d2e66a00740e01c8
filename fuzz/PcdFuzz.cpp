// The Photo-CD reader on arbitrary bytes, as they come and grown with zeros to a whole overview
// pack, so that any header also reaches the decoding and turning of a full base image.
#include "GraphicReaderFuzz.h"

#include "imageformats/PCDGraphic.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t OverviewPackSize = 5 * 2048 + 768 * 512 * 3 / 2;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    FuzzGraphicReader<TPCDGraphic>(data, size);
    std::vector<std::uint8_t> grown(std::max(size, OverviewPackSize));
    std::copy_n(data, size, grown.begin());
    FuzzGraphicReader<TPCDGraphic>(grown.data(), grown.size());
    return 0;
}
