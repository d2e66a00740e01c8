// The PCX reader on arbitrary bytes.
#include "GraphicReaderFuzz.h"

#include "imageformats/PCXGraphic.h"
#include "platform/core/LittleEndian.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    // A row's bytes are planes times bytes per plane line, which the header gives apart from the width.
    const std::uint64_t rowBytes = size >= 68 ? std::uint64_t{data[65]} * GetU16(&data[66]) : 0;
    FuzzGraphicReader<TPCXGraphic>(data, size, rowBytes, RunLengthExpansion);
    return 0;
}
