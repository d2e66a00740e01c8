// The Photoshop reader on arbitrary bytes.
#include "GraphicReaderFuzz.h"

#include "imageformats/PSDGraphic.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    FuzzGraphicReader<TPSDGraphic>(data, size, 0, RunLengthExpansion);
    return 0;
}
