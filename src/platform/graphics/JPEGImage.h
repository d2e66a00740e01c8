#pragma once

#include "platform/core/Geometry.h"
#include "platform/graphics/Graphic.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Every failure of the JPEG library: "JPEG error #<the library's message number>", or for a picture
// that needs more memory than a decompression may take, SJPEGTooLarge (JPEGErrors.h).
KESTRAME_EXCEPTION(EJPEG, EInvalidGraphic)

// A JPEG picture: the file's bytes as read or as made, and the decoded pixels, 24-bit (blue, green,
// red) for colour pictures and CMYK or YCCK ones, 8-bit with a grey palette for grey ones.
class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;
    std::string ClassName() const override { return "TJPEGImage"; }

    // Reads the rest of the stream and decodes it; a corrupt or truncated picture raises EJPEG, and
    // so does one whose size breaks the readers' size rule (TBitmap::IsSoundImageSize); either
    // leaves this picture as it was.
    void LoadFromStream(TStream& stream) override;
    // Writes the bytes read, or for pixels assigned from a bitmap a new file made with
    // CompressionQuality and ProgressiveEncoding.
    void SaveToStream(TStream& stream) const override;

    // From another JPEG picture, or from a bitmap (its pixels, compressed when saved).
    void Assign(const TGraphic& source) override;
    // A loaded picture hands its decoded pixels over to the target instead of copying them, and
    // decodes its bytes again only if its own pixels are asked for later.
    void AssignTo(TBitmap& target) const override;

    int Width() const override;
    int Height() const override;
    bool Empty() const override;

    // 1 to 100; values outside are brought into range.
    int CompressionQuality() const { return compressionQuality_; }
    void SetCompressionQuality(int quality);
    bool ProgressiveEncoding() const { return progressiveEncoding_; }
    void SetProgressiveEncoding(bool value) { progressiveEncoding_ = value; }

    // The decoded pixels; the reference holds until the next load, assign or AssignTo.
    const TBitmap& Bitmap() const;

    // Pixels are decoded at the smallest of the library's scales (n/8 of the picture, n from 1 to 8)
    // that gives at least this size in both directions, so that a picture drawn small is never
    // decoded whole; a size without area, as at first, decodes the whole picture. Width and Height
    // are the decoded size. Set before loading.
    void SetLeastSize(TSize least) { least_ = least; }
    // The picture's own size, whatever scale it was decoded at.
    TSize WholeSize() const { return whole_; }

private:
    using TRowsDecoded = std::function<void(const TBitmap& bitmap, int rows)>;
    // Decodes JPEG bytes straight into the rows of a new bitmap; rowsDecoded, when given, is called
    // once the bitmap is sized (with 0) and after each band of rows. A picture the library rejects
    // raises EJPEG.
    // The picture is decoded at the scale `least` asks for; `whole`, when given, takes its own size.
    static std::unique_ptr<TBitmap> Decode(const std::vector<std::uint8_t>& data, TSize least, TSize* whole,
                                           const TRowsDecoded& rowsDecoded);
    void SetPixels(std::unique_ptr<TBitmap> bitmap);

    std::vector<std::uint8_t> data_;
    // Null once AssignTo has handed the pixels of data_ over, until Bitmap() decodes them again.
    mutable std::unique_ptr<TBitmap> bitmap_;
    int width_ = 0;
    int height_ = 0;
    TSize least_;
    TSize whole_;
    int compressionQuality_ = 90;
    bool progressiveEncoding_ = false;
};
