#pragma once

#include "imageformats/ImageGraphic.h"

#include <cstdint>
#include <string>
#include <vector>

class TStream;

// Portable bitmaps, graymaps and pixmaps, plain (kinds 1 to 3, samples as decimal numbers) and raw
// (kinds 4 to 6, samples as bytes, or as big-endian byte pairs when the maximum value exceeds 255).
// Bitmaps become 1-bit pictures with white at index 0, graymaps 8-bit grey pictures and pixmaps
// 24-bit pictures; each sample v of maximum m shows as v x 255 / m.
class TPPMGraphic : public TImageGraphic {
public:
    std::string ClassName() const override { return "TPPMGraphic"; }

    using TImageGraphic::CanLoad;
    // At least 11 bytes remain and they begin with "P" and a kind digit from 1 to 6.
    bool CanLoad(TStream& stream) const override;
    // Fills the properties from the header: the kind on the first line, then width, height and, but
    // for bitmaps, the maximum value. Their numbers may stand on the first line after the kind when
    // nothing but blanks and a comment stand there with them. False for an image index other than
    // 0, a first line that does not begin with "P" and a kind digit from 1 to 6, or a maximum value
    // of 0 or above 65535; a stream that ends inside the header raises the stream read error.
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;

    // Raises what ReadImageProperties would refuse as EInvalidGraphic, and data that end before the
    // last sample as the stream read error. Plain samples above the maximum count as the maximum.
    // A failed load leaves the picture as it was.
    void LoadFromStream(TStream& stream) override;

private:
    class TTokenizer;
    struct THeader;

    bool ReadHeader(TTokenizer& tokenizer, THeader& header, std::int64_t start);
    void TakeProperties(const THeader& header);
    void PrepareBitmap(const THeader& header, TBitmap& image);
    void ReadRows(TTokenizer& tokenizer, const THeader& header, TBitmap& image);
    void ReadRawRows(TTokenizer& tokenizer, const THeader& header, TBitmap& image);
    static std::vector<std::uint8_t> ScaleTable(const THeader& header);
};
