#pragma once

#include "imageformats/ImageGraphic.h"

#include <string>
#include <vector>

class TStream;

// Kodak Photo-CD image and overview packs. The reader always takes the uncompressed base image of
// 768 x 512 pixels: a luminance plane and two chroma planes of half the resolution, PhotoYCC, turned
// a quarter as the file asks. The Huffman-coded higher resolutions are never read.
class TPCDGraphic : public TImageGraphic {
public:
    std::string ClassName() const override { return "TPCDGraphic"; }

    using TImageGraphic::CanLoad;
    // More than the 6144 header bytes remain and "PCD_OPA" stands at 0 or "PCD" at 2048.
    bool CanLoad(TStream& stream) const override;
    // Reads the 6144 header bytes; false when the stream ends first or neither signature is there.
    // The index is held to 5, or to 0 in an overview pack; the size is swapped for quarter turns.
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;

    // A file without a signature, or shorter than its header, raises the invalid-image error, one
    // cut inside the base image the stream read error; a failed load leaves the picture as it was.
    void LoadFromStream(TStream& stream) override;

private:
    struct TPlanes;
    void ReadPlanes(TStream& stream, TPlanes& planes);
    void Transfer(const TPlanes& planes, TBitmap& image);
};
