#pragma once

#include "imageformats/ImageGraphic.h"

#include <cstdint>
#include <string>
#include <vector>

class TStream;
struct TPCXHeader;

// ZSoft Paintbrush pictures: one plane of 1, 2, 4 or 8 bits, four planes of 1 bit (16 colours) and
// three planes of 8 bits (true colour), run-length packed or not. 1-bit pictures are black and
// white; 2- and 4-bit ones take the header's colours, greys when the palette information says so,
// or the 16 system colours in version 3 files; 8-bit ones take the palette block at the end of the
// file when there is one.
class TPCXGraphic : public TImageGraphic {
public:
    std::string ClassName() const override { return "TPCXGraphic"; }

    using TImageGraphic::CanLoad;
    // More than the 128 header bytes remain and the header names manufacturer 10 or 12, version 0,
    // 2, 3 or 5 and encoding 0 or 1.
    bool CanLoad(TStream& stream) const override;
    // Fills the properties from the header; false for a short header, an image index other than 0
    // or a manufacturer other than 10 or 205.
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;

    // A header this reader refuses raises EInvalidGraphic; a plane and bit layout it does not lay
    // out, or rows shorter than the width, raise the colour-format error. Pixel data that end early
    // leave the rest of the picture at index 0 (black in true colour). A failed load leaves the
    // picture as it was.
    void LoadFromStream(TStream& stream) override;

private:
    TPalette ReadPalette(TStream& stream, const TPCXHeader& header, std::int64_t& dataSize) const;
    TPalette ReadClosingBlock(TStream& stream, std::int64_t dataSize) const;
    std::vector<std::uint8_t> ReadPixels(TStream& stream, std::int64_t dataSize, std::size_t unpackedSize) const;
    void TransferRows(const std::vector<std::uint8_t>& pixels, TBitmap& image, const TPCXHeader& header);
};
