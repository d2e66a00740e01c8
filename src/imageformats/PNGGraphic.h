#pragma once

#include "imageformats/ImageGraphic.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TStream;
class TLZ77Decoder;

// The 13 bytes of the IHDR chunk, width and height in machine order.
struct TPNGDescription {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::uint8_t BitDepth = 0;
    std::uint8_t ColorType = 0;
    std::uint8_t Compression = 0;
    std::uint8_t Filter = 0;
    std::uint8_t Interlace = 0;
};

// Portable network graphics: grey, RGB, palette, grey with alpha and RGB with alpha images of every
// depth the format allows, plain or Adam7 interlaced, with their gamma, background and transparent
// colours. Chunks other than IHDR, PLTE, IDAT, IEND, gAMA, bKGD and tRNS are skipped when ancillary
// and refused when critical; chunk types match whatever the case of their letters.
class TPNGGraphic : public TImageGraphic {
public:
    TPNGGraphic();
    ~TPNGGraphic() override;
    std::string ClassName() const override { return "TPNGGraphic"; }

    using TImageGraphic::CanLoad;
    // At least 9 bytes remain and the first 8 are the PNG signature.
    bool CanLoad(TStream& stream) const override;
    // False when the signature, the first chunk or the size is wrong, or when a chunk runs past the
    // end of the file before IEND (or before the gAMA chunk that ends the walk).
    bool ReadImageProperties(TStream& stream, unsigned imageIndex) override;

    // A file the reader refuses raises EInvalidGraphic (EColorConversionError for a layout no
    // converter takes); a file cut short raises "Stream read error in PNG file.". Image data that
    // end before the last row leave the rows not reached in the background colour. A failed load
    // leaves the picture as it was.
    void LoadFromStream(TStream& stream) override;

protected:
    // Whether the current chunk is of the type, the case of its letters aside.
    bool IsChunk(const char (&chunkType)[5]) const;
    // Reads the next chunk header and starts the running CRC over its type; a chunk whose data and
    // CRC run past the end of the stream raises the stream read error.
    void LoadAndSwapHeader();
    void ReadDataAndCheckCRC();
    void LoadIDAT(const TPNGDescription& description, TBitmap& image);
    // Inflates one filtered row, filter byte included; false when the image data end before the
    // row is complete.
    bool ReadRow(std::uint8_t* rowBuffer, std::uint32_t bytesPerRow);
    static void ApplyFilter(std::uint8_t filter, std::uint8_t* line, const std::uint8_t* prevLine, std::uint8_t* target,
                            unsigned bpp, std::uint32_t bytesPerRow);
    unsigned SetupColorDepth(TBitmap& image, std::uint8_t colorType, std::uint8_t bitDepth);
    void LoadBackgroundColor(const TPNGDescription& description);
    void LoadTransparency(const TPNGDescription& description);

private:
    enum class THeaderCheck : std::uint8_t { Sound, NotPNG, CutShort };
    THeaderCheck CheckHeader(TStream& stream);
    void LoadChunks(TBitmap& image);
    void ReleaseLoadState();
    void ReadBytes(void* buffer, std::int64_t count);
    std::int64_t ImageDataBytes() const;
    void FillBackground(TBitmap& image) const;
    void SizeOnce(TBitmap& image, const TPNGDescription& description) const;
    void ReadDescription(TPNGDescription& description);
    void ReadPalette(const TPNGDescription& description, TBitmap& image);
    void ReadGamma();
    bool LoadPass(TBitmap& image, const TPNGDescription& description, unsigned pass, std::uint32_t rowSize);
    void SkipRemainingIDAT();
    // A colour that bKGD or tRNS gives as samples of the image's depth (a grey sample three times).
    // It becomes a colour only with the image data, as the rows show those samples, gamma included,
    // so that it marks the pixels the file means.
    struct TSampleColor {
        bool Present = false;
        std::array<std::uint16_t, 3> Samples{};
    };
    TSampleColor SamplesOf(const TPNGDescription& description, bool grey) const;
    TColor DisplayedColor(const TSampleColor& color, std::uint8_t bitDepth) const;
    std::uint16_t SampleAt(std::uint32_t offset, std::uint8_t bitDepth) const;
    std::uint32_t ChunkData32(std::uint32_t offset) const;

    TStream* stream_ = nullptr;
    std::uint32_t chunkLength_ = 0;
    std::uint8_t chunkType_[4] = {};
    std::uint32_t crc_ = 0;
    std::vector<std::uint8_t> raw_;
    const std::uint8_t* idatPosition_ = nullptr;
    std::uint32_t idatLeft_ = 0;
    std::unique_ptr<TLZ77Decoder> decoder_;
    unsigned sourceBPP_ = 1;
    bool depthSetUp_ = false;
    TPalette palette_;
    TColor backgroundColor_ = 0;
    TColor transparentColor_ = 0;
    TSampleColor backgroundSamples_;
    TSampleColor transparentSamples_;
    std::vector<std::uint8_t> rows_[2];
};
