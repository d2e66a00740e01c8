// The Autodesk reader on arbitrary bytes.
#include "GraphicReaderFuzz.h"

#include "imageformats/AutodeskGraphic.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    FuzzGraphicReader<TAutodeskGraphic>(data, size, 0, StoredExpansion);
    return 0;
}
