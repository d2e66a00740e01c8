#pragma once

#include "imageformats/ImageGraphic.h"

#include <string>

class TStream;
struct TTargaHeader;

// Truevision Targa pictures: colour-mapped, true-colour and grey images of 8, 15, 16, 24 and 32
// bits, uncompressed or run-length packed, rows stored from the top or the bottom and from the left
// or the right. 16-bit grey pixels (grey and alpha) load as 32-bit pixels that keep the alpha, as
// 32-bit true colour does. The one reader that also writes its format.
class TTargaGraphic : public TImageGraphic {
public:
    std::string ClassName() const override { return "TTargaGraphic"; }

    using TImageGraphic::CanLoad;
    // More than the 18 header bytes remain and the header names a known image type, colour-map type,
    // colour-map entry size (also without a map) and pixel size.
    bool CanLoad(TStream& stream) const override;
    // Fills the properties from the header; false for a short header, an image index other than 0,
    // no image (type 0) or an image type or pixel size this reader does not know.
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;

    // A file that is not a readable Targa image, or ends inside its colour map or an uncompressed
    // row, raises EInvalidGraphic and leaves the picture as it was. Packed data that ends early
    // leaves the pixels it did not reach black, unless it is too short to fill the picture at all
    // (CheckDataFills), which is refused before the picture is sized.
    void LoadFromStream(TStream& stream) override;

    // Writes a run-length packed file.
    void SaveToStream(TStream& stream) const override;
    // Rows top row first; 1- and 4-bit bitmaps are written as 8-bit colour-mapped images, 5-6-5
    // bitmaps as 5-5-5. The header always announces a map of 256 entries of 24 bits; only 8-bit
    // images carry one. An empty bitmap writes nothing.
    void SaveToStream(TStream& stream, bool compressed) const;

private:
    TPalette ReadPalette(TStream& stream, const TTargaHeader& header);
    void CheckPixelDataFills(TStream& stream, const TTargaHeader& header) const;
    void ReadRows(TStream& stream, TBitmap& image, const TTargaHeader& header);
    void ReadPackedRows(TStream& stream, TBitmap& image, const TTargaHeader& header);
};
