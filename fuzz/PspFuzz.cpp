// The Paint Shop Pro reader on arbitrary bytes.
#include "GraphicReaderFuzz.h"

#include "imageformats/PSPGraphic.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    FuzzGraphicReader<TPSPGraphic>(data, size, 0, DeflateExpansion);
    return 0;
}
