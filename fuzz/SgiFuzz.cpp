// The SGI reader on arbitrary bytes.
#include "GraphicReaderFuzz.h"

#include "imageformats/SGIGraphic.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    FuzzGraphicReader<TSGIGraphic>(data, size, 0, RunLengthExpansion);
    return 0;
}
