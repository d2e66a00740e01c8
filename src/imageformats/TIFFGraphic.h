#pragma once

#include "imageformats/ImageGraphic.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TBitmap;
class TDecoder;
class TStream;
class TTIFFJPEGDecoder;

// One entry of an image file directory, in the machine's byte order: the values themselves when
// they fit in 4 bytes (the first in the lowest-addressed bytes), else their offset.
struct TIFDEntry {
    std::uint16_t Tag = 0;
    std::uint16_t Type = 0;
    std::uint32_t Count = 0;
    std::uint32_t Value = 0;
    std::array<std::uint8_t, 4> Raw{}; // the value field as the file stores it
};

// The first image of a Tagged Image File Format file, in strips of interleaved samples: uncompressed,
// PackBits, Deflate, one-dimensional fax, JPEG or Thunderscan data; grey, palette, RGB(A), CMYK,
// YCbCr and L*a*b* pictures. Tiled files, separate colour planes and the other compression schemes
// are refused, and so is a file too short to hold its picture. Rows that the strips do not hold stay
// zero. A failed load leaves the picture as it was.
class TTIFFGraphic : public TImageGraphic {
public:
    std::string ClassName() const override { return "TTIFFGraphic"; }

    using TImageGraphic::CanLoad;
    // At least 9 bytes remain, the header has a byte-order mark, version 42, and a first directory
    // offset inside the stream.
    bool CanLoad(TStream& stream) const override;
    // Fills the properties from the header and directory of image `imageIndex`, counting from the
    // stream's position; false when the image is not there, has no size or its directory or value
    // lists do not lie inside the stream.
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;
    // Loads the first image at the stream's position.
    void LoadFromStream(TStream& stream) override;
    // The reader writes no TIFF: saving puts nothing into the stream.
    void SaveToStream(TStream& stream) const override;

private:
    bool ReadDirectory(TStream& stream, std::uint32_t offset, unsigned imageIndex);
    void SortIFD();
    bool ReadYCbCrFields(TStream& stream);
    void ReadResolution(TStream& stream);
    // Whether an entry has the tag, and the index of the first that has it or where it would stand.
    bool FindTag(std::uint32_t tag, std::size_t& index) const;
    const TIFDEntry* EntryOf(std::uint32_t tag) const;
    // The value of a one-value entry of an integer type; the default for any other entry.
    std::uint32_t GetValue(std::uint32_t tag, std::uint32_t defaultValue) const;
    float GetFloatValue(TStream& stream, std::uint32_t tag, float defaultValue) const;
    // Each list is cleared and, for a present tag, gets one element per value. False when the
    // values do not lie inside the stream or (integer lists) are not of an integer type.
    bool GetValueList(TStream& stream, std::uint32_t tag, TByteArray& values) const;
    bool GetValueList(TStream& stream, std::uint32_t tag, TCardinalArray& values) const;
    bool GetValueList(TStream& stream, std::uint32_t tag, TFloatArray& values) const;
    template <typename Element, typename Convert>
    bool ReadList(TStream& stream, std::uint32_t tag, std::vector<Element>& values, Convert convert) const;
    bool ReadValueBytes(TStream& stream, const TIFDEntry& entry, std::vector<std::uint8_t>& bytes) const;
    bool IsBigEndian() const { return FImageProperties.Options.Contains(ioBigEndian); }

    void CheckReadable() const;
    void LoadStrips(TStream& stream, const TCardinalArray& offsets, const TCardinalArray& byteCounts);
    void SetUpColorManager();
    TPalette MakePalette(TStream& stream);
    std::unique_ptr<TDecoder> NewDecoder(TStream& stream);
    void ReadStrips(TStream& stream, TBitmap& image, TDecoder* decoder, const TCardinalArray& offsets,
                    const TCardinalArray& byteCounts);
    // The packed bytes of a strip, at most `budget` of them, which it lessens by what it read.
    void ReadPackedStrip(TStream& stream, std::int64_t start, std::uint32_t byteCount, std::int64_t& budget,
                         std::vector<std::uint8_t>& packed) const;
    void DecodeStrip(TDecoder& decoder, const std::vector<std::uint8_t>& packed, std::uint32_t stripRows,
                     std::vector<std::uint8_t>& rows, TBitmap& image);
    void InflateStripByRows(const std::vector<std::uint8_t>& packed, std::uint32_t stripRows,
                            std::vector<std::uint8_t>& rows, TBitmap& image);
    void DecodeJPEGStripByRows(TTIFFJPEGDecoder& decoder, const std::vector<std::uint8_t>& packed,
                               std::uint32_t stripRows, std::vector<std::uint8_t>& rows, TBitmap& image);
    void TransferRowsOneByOne(std::uint32_t stripRows, std::vector<std::uint8_t>& rows, TBitmap& image,
                              const std::function<void(std::uint8_t* row, std::int32_t size)>& decodeRow);
    void TransferDecodedRow(std::uint8_t* row, TBitmap& image);
    void TransferRow(const std::uint8_t* row, TBitmap& image);
    void SizeOnce(TBitmap& image) const;
    void UndoPredictor(std::uint8_t* row) const;

    std::vector<TIFDEntry> FIFD;
    std::uint32_t FYCbCrPositioning = 0;
    TFloatArray FYCbCrCoefficients;
};

// The TIFF preview of an encapsulated PostScript file; the PostScript itself is not read.
class TEPSGraphic : public TTIFFGraphic {
public:
    std::string ClassName() const override { return "TEPSGraphic"; }

    using TImageGraphic::CanLoad;
    // At least 31 bytes remain, the binary header's magic is there and it names a TIFF preview of
    // some length that starts after the header and inside the stream.
    bool CanLoad(TStream& stream) const override;
    // Loads the preview; a header without the magic or a preview outside the stream raises the
    // invalid-format message for "EPS".
    void LoadFromStream(TStream& stream) override;
};
