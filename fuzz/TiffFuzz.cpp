// The TIFF reader, and the EPS reader for inputs with the EPS magic, on arbitrary bytes.
#include "GraphicReaderFuzz.h"

#include "imageformats/TIFFGraphic.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    constexpr std::uint8_t EPSMagic[] = {0xC5, 0xD0, 0xD3, 0xC6};
    if (size >= 4 && std::equal(EPSMagic, EPSMagic + 4, data))
        FuzzGraphicReader<TEPSGraphic>(data, size, 0, DeflateExpansion);
    else
        FuzzGraphicReader<TTIFFGraphic>(data, size, 0, DeflateExpansion);
    return 0;
}
