#pragma once

#include "imageformats/ImageGraphic.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TStream;
struct TPSPBlock;

// Paint Shop Pro files of major version 3 and later: the picture of the last visible raster layer,
// of 1, 4 or 8 bits in one channel (palette or grey) or 24 bits in red, green and blue channels,
// with alpha from the layer's composite channel when it has more than three. Channels are stored,
// run-length packed or Deflate packed; vector layers, hidden layers, the masks of palette and grey
// layers and other blocks are skipped. Layers are not merged: a file whose shown layer does not
// cover the whole picture, or lets a layer below show through, is refused.
class TPSPGraphic : public TImageGraphic {
public:
    std::string ClassName() const override { return "TPSPGraphic"; }

    using TImageGraphic::CanLoad;
    // At least 37 bytes remain, the signature is "Paint Shop Pro Image File" in any letter case and
    // the major version at least 3.
    bool CanLoad(TStream& stream) const override;
    // Fills the properties from the file header and the image attributes block and leaves the
    // stream at the next block; false for anything CanLoad refuses, an image index other than 0, a
    // first block that holds no attributes, or a file that ends inside them.
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;

    // A file this reader refuses raises EInvalidGraphic, JPEG-packed channels the unsupported
    // compression error, a depth other than 1, 4, 8 or 24 bits the colour-format error, and
    // headers that end early a stream read error. Channels a layer lacks read as zero, data
    // shorter than a channel leave its rest zero. A failed load leaves the picture as it was.
    void LoadFromStream(TStream& stream) override;

private:
    // The channels of a raster layer by type (0 composite, 1 red, 2 green, 3 blue), still packed.
    struct TLayerChannels {
        unsigned Count = 0; // as the layer declares them, of any type
        std::array<std::vector<std::uint8_t>, 4> Packed;
        std::array<bool, 4> Present{};
        bool Visible = false;
        bool WholePicture = false; // its stored rectangle is the picture's
        bool Opaque = false;       // full opacity, normal blending and no mask
    };

    void ReadLayerBank(TStream& stream, std::int64_t bankEnd, TLayerChannels& shown, unsigned& visibleLayers);
    void CheckShownLayer(const TLayerChannels& shown, unsigned visibleLayers) const;
    bool ReadLayerInfo(TStream& stream, TLayerChannels& channels);
    bool ReadRasterLayer(TStream& stream, TLayerChannels& channels);
    void ReadChannel(TStream& stream, const TPSPBlock& block, TLayerChannels& channels);
    TPalette ReadPalette(TStream& stream) const;
    void TransferRows(const TLayerChannels& channels, std::size_t rowSize, TBitmap& image);
};
