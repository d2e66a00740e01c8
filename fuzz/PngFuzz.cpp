// The PNG reader on arbitrary bytes.
#include "GraphicReaderFuzz.h"

#include "imageformats/PNGGraphic.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    FuzzGraphicReader<TPNGGraphic>(data, size);
    return 0;
}
