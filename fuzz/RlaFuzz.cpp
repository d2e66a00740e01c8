// The Alias/Wavefront reader on arbitrary bytes.
#include "GraphicReaderFuzz.h"

#include "imageformats/RLAGraphic.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    FuzzGraphicReader<TRLAGraphic>(data, size, 0, RunLengthExpansion);
    return 0;
}
