#pragma once

#include "imageformats/ImageGraphic.h"

#include <cstdint>
#include <string>

class TStream;

// Alias/Wavefront run-length pictures: three 8-bit colour channels, with or without one matte
// channel that becomes alpha, each row's channels packed one after the other. Rows are found
// through the table of row offsets and may be stored bottom row first. A gamma in the header
// other than 1.0 is applied for a display gamma of 2.2.
class TRLAGraphic : public TImageGraphic {
public:
    std::string ClassName() const override { return "TRLAGraphic"; }

    using TImageGraphic::CanLoad;
    // More than the 740 header bytes remain, the revision is hex FFFE and the channel kind, in any
    // letter case, "rgb" or "xyz".
    bool CanLoad(TStream& stream) const override;
    // Fills the properties from the header; false for a short header, an image index other than 0
    // or the channel kind "xyz".
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;

    // Channel kinds other than "rgb" raise EInvalidGraphic, channel layouts other than the above
    // the colour-format error, and data that end early a stream read error. A failed load leaves
    // the picture as it was.
    void LoadFromStream(TStream& stream) override;

private:
    std::vector<std::uint32_t> ReadRowOffsets(TStream& stream) const;
    void TransferRows(TStream& stream, const std::vector<std::uint32_t>& offsets, TBitmap& image);
};
