#pragma once

#include "imageformats/ImageGraphic.h"

#include <cstdint>
#include <string>
#include <vector>

class TStream;
struct TChannelUse;
struct TPSDHeader;
struct TPSDLayout;
struct TStoredRows;

// The merged picture of Photoshop files; layers, masks and image resources are skipped. Bitmap,
// greyscale and duotone pictures of 1, 8 or 16 bits and indexed ones of 8 bits load from their
// first channel; RGB and multichannel pictures of 8 or 16 bits from three channels, or with alpha
// from four; CMYK from four and L*a*b* from three. Raw or PackBits data.
class TPSDGraphic : public TImageGraphic {
public:
    std::string ClassName() const override { return "TPSDGraphic"; }

    using TImageGraphic::CanLoad;
    // More than the 26 header bytes remain, the signature is "8BPS" in either case and the version 1.
    bool CanLoad(TStream& stream) const override;
    // Fills the properties from the header and leaves the stream after the compression word; false
    // for an image index other than 0, a signature other than "8BPS", a version other than 1, or a
    // file that ends before its image data.
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;

    // A header this reader refuses raises EInvalidGraphic; a colour mode, depth and channel count
    // it does not read raise the colour-format error, and data that end early a stream read error.
    // A failed load leaves the picture as it was.
    void LoadFromStream(TStream& stream) override;

private:
    TPalette ReadPalette(TStream& stream, const TPSDLayout& layout) const;
    TStoredRows LocateRows(TStream& stream, const TPSDLayout& layout, unsigned planeCount, std::size_t rowBytes) const;
    static std::vector<std::uint16_t> ReadByteCounts(TStream& stream, const TPSDHeader& header, std::size_t rows);
    static std::vector<std::uint8_t> ReadBytes(TStream& stream, std::size_t count);
    void TransferRows(TStream& stream, const TStoredRows& rows, const TChannelUse& use, std::size_t rowBytes,
                      TBitmap& image);
};
