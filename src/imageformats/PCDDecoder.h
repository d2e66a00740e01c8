#pragma once

#include "imageformats/GraphicCompression.h"

#include <cstdint>

class TStream;

// The Huffman-coded residuals of the higher Photo-CD resolutions, read from the stream's position
// and added to the planes of the picture upsampled from the resolution below. The stream holds one
// code table, or three (luminance, then each chroma plane) for rows wider than 1536 bytes, then
// rows, each after a sync marker that names its plane and row.
class TPCDDecoder : public TDecoder {
public:
    explicit TPCDDecoder(TStream& stream);

    // The planes do not fit Decode's arguments, so they come through DecodePlanes; Decode does
    // nothing.
    void Decode(const std::uint8_t*& source, std::uint8_t*& target, std::int32_t packedSize,
                std::int32_t unpackedSize) override;

    // Adds the residuals of rows 0 to stopRow - 1 to the luminance plane (stopRow rows of `stride`
    // bytes) and of their chroma to the two chroma planes ((stopRow + 1) / 2 rows each, a row for
    // every two). Each sum is clamped to a byte, and a row's residuals past its stride are dropped.
    // Decoding ends quietly at the end of the stream, at a row at or past stopRow, at an unknown
    // plane or at a table with a code longer than 16 bits.
    void DecodePlanes(std::uint8_t* luminance, std::uint8_t* chroma1, std::uint8_t* chroma2, std::int32_t stride,
                      std::int32_t stopRow);

private:
    TStream& stream_;
};
