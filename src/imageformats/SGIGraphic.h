#pragma once

#include "imageformats/ImageGraphic.h"

#include <string>

class TStream;
class TSGIRows;

// SGI images: one channel (grey), two (grey and alpha), three (red, green and blue) or four (with
// alpha) of one or two bytes a sample, verbatim or run-length packed, the bottom row stored first.
// Two-byte samples are reduced to one; grey images become 8-bit grey pictures, without their alpha.
class TSGIGraphic : public TImageGraphic {
public:
    std::string ClassName() const override { return "TSGIGraphic"; }

    using TImageGraphic::CanLoad;
    // More than the 512 header bytes remain and the header names magic 01DA hex, 1 or 2 bytes per
    // channel and dimension 1 to 3.
    bool CanLoad(TStream& stream) const override;
    // Fills the properties from the header; false for a short header, an image index other than 0
    // or another magic. Dimension 1 images are one row high and dimension 2 images have one channel,
    // whatever the other fields say.
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;

    // A dimension outside 1 to 3 raises EInvalidGraphic, a storage other than verbatim or run-length
    // the unsupported compression error, and sample sizes or channel counts it does not read the
    // colour-format error. Run-length tables or rows that lie beyond the end of the file raise
    // EInvalidGraphic; verbatim rows that end early leave the rest of the picture black. A failed
    // load leaves the picture as it was.
    void LoadFromStream(TStream& stream) override;

private:
    void SetUpColorManager(unsigned planes);
    void TransferRows(TSGIRows& rows, unsigned planes, TBitmap& image);
};
