// The Dr. Halo reader on arbitrary bytes: as a picture read from a stream, and as the palette file
// beside a fixed picture.
#include "FuzzSupport.h"
#include "GraphicReaderFuzz.h"

#include "imageformats/CUTGraphic.h"

#include <cstdint>

namespace {

// 2 x 2 pixels of the indexes 0, 255, 7 and 200.
constexpr std::uint8_t Picture[] = {2, 0, 2, 0, 0, 0, 5, 0, 2, 0, 255, 0, 5, 0, 2, 7, 200, 0};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    FuzzGraphicReader<TCUTGraphic>(data, size, 0, RunLengthExpansion);

    const FuzzFile picture("kestrame-fuzz-cut", ".cut", Picture, sizeof Picture);
    const FuzzFile palette("kestrame-fuzz-cut", ".pal", data, size);
    TCUTGraphic cut;
    cut.LoadFromFile(picture.Path());
    if (cut.Width() != 2 || cut.Palette().Count() > 256)
        std::abort();
    return 0;
}
