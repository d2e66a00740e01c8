#pragma once

#include "imageformats/ImageGraphic.h"

#include <string>

class TStream;

// Autodesk Animator cel and picture files: 256 colours of 6-bit levels, then the rows top-down, a
// byte a pixel, uncompressed.
class TAutodeskGraphic : public TImageGraphic {
public:
    std::string ClassName() const override { return "TAutodeskGraphic"; }

    using TImageGraphic::CanLoad;
    // More than the 32 header bytes remain and the header names identifier 9119 hex, 8 bits per
    // pixel and no compression.
    bool CanLoad(TStream& stream) const override;
    // Fills the properties from the header; false for a short header, an image index other than 0
    // or another identifier.
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;

    // Depths other than 8 bits raise the colour-format error and compressed files the unsupported
    // compression error, since the rows could not be read as bytes. A palette cut short raises the
    // stream read error; rows that end early leave the rest of the picture at index 0. A failed
    // load leaves the picture as it was.
    void LoadFromStream(TStream& stream) override;

private:
    TPalette ReadPalette(TStream& stream) const;
    void ReadRows(TStream& stream, TBitmap& image);
};
