#pragma once

#include "imageformats/ImageGraphic.h"

#include <string>
#include <string_view>

class TStream;

// Dr. Halo pictures: 8-bit palette indexes, each row run-length packed. The colours come from the
// companion palette file (the picture's name with ".pal"), so a picture read from a stream, or
// without that file beside it, is shown in greys. The format has no signature: CanLoad answers
// false and the loader finds these pictures by extension only.
class TCUTGraphic : public TImageGraphic {
public:
    std::string ClassName() const override { return "TCUTGraphic"; }

    // Remembers the palette file beside the picture for the load that follows.
    void LoadFromFile(std::string_view fileName) override;
    // Fills the properties from the 6-byte header; false when the header is short or the image
    // index is not 0.
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    // A short header raises EInvalidGraphic; rows that the data do not reach stay at index 0. A
    // failed load leaves the picture as it was.
    void LoadFromStream(TStream& stream) override;

private:
    TPalette LoadPalette(const std::string& paletteFile) const;

    std::string FPaletteFile; // for the next LoadFromStream only
};
