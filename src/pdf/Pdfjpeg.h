#pragma once

#include "platform/core/Streams.h"
#include "platform/graphics/Graphic.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

class TBitmap;

// The PDF writer's own JPEG picture: it only makes JPEG data, for DCTDecode image streams. Its
// errors are the graphics layer's EJPEG.
namespace pdfjpeg {

inline constexpr std::string_view sChangeJPGSize = "Cannot change the size of a JPEG image";

// The compressed data and what they show; shared between pictures made from one another.
class TJPEGData {
public:
    TMemoryStream Data;
    int Width = 0;
    int Height = 0;
    bool Grayscale = false;
};

// The settings a new picture starts with.
struct TJPEGDefaults {
    int CompressionQuality = 90;
    bool Grayscale = false;
    bool ProgressiveEncoding = false;
};
inline TJPEGDefaults JPEGDefaults;

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;
    std::string ClassName() const override { return "TJPEGImage"; }

    // Compresses `height` rows of `width` blue, green, red pixels (with a fourth, unused byte where
    // `pixelBytes` is 4), the first at `bits` and each next `rowStep` bytes after the one before
    // (negative for bottom-up rows), into `output` at its position, or without one into this
    // picture's data. False, with nothing written and the picture's data dropped, for no rows, no
    // pixels, a row step of 0 or a library error.
    bool CompressDIB(const std::uint8_t* bits, std::ptrdiff_t rowStep, int width, int height, TStream* output,
                     int pixelBytes = 3);

    // A bitmap's pixels, compressed when first needed; other sources are refused.
    void Assign(const TGraphic& source) override;
    // Compresses the assigned bitmap unless its data are made already.
    void JPEGNeeded() const;
    void SaveToStream(TStream& stream) const override;
    // The data's size in 4 bytes, then the data.
    void WriteData(TStream& stream) const;
    // Raises EInvalidGraphicOperation "Not supported": this picture only compresses.
    void LoadFromStream(TStream& stream) override;

    int Width() const override;
    int Height() const override;
    bool Empty() const override;
    // Raises EInvalidGraphicOperation "Cannot change the size of a JPEG image".
    void SetHeight(int height);

    int CompressionQuality() const { return compressionQuality_; }
    // 1 to 100; values outside are brought into range.
    void SetCompressionQuality(int quality);
    bool Grayscale() const;
    void SetGrayscale(bool value);
    bool ProgressiveEncoding() const { return progressiveEncoding_; }
    void SetProgressiveEncoding(bool value);

    const TJPEGData& Image() const { return *image_; }

private:
    // Starts over with empty data, leaving data shared with another picture as they are.
    void NewImage() const;
    void Compress() const;
    bool CompressRows(const std::uint8_t* bits, std::ptrdiff_t rowStep, int width, int height, TStream& output,
                      int pixelBytes = 3) const;

    mutable std::shared_ptr<TJPEGData> image_;
    std::unique_ptr<TBitmap> bitmap_;
    int compressionQuality_;
    bool grayscale_;
    bool progressiveEncoding_;
};

} // namespace pdfjpeg
