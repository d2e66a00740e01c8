// The fax, Thunderscan and TIFF-JPEG decoders on arbitrary bytes: each may raise EGraphicCompression
// or EJPEG, never crash, hang or write outside its target, which is allocated at its exact size.
//
// Leading bytes: [0] the decoder (0 Group 3, 1 modified Huffman, 2 the same word-aligned,
// 3 Thunderscan, 4 TIFF-JPEG); [1..2] the width, little-endian; [3] options: bit 0 reversed bits;
// for TIFF-JPEG bits 1-2 the colour scheme (RGB, YCbCr, grey, unknown), bits 3-4 the subsampling
// (1x1, 2x2, 2x1, 4x4), bit 5 separate planes, bit 6 a target half a row short; [4] rows. The
// TIFF-JPEG decoder then takes [5..6] the length of its JPEG tables, the tables, then the strip;
// the others take the rest as their packed data.
#include "imageformats/CCITTDecoder.h"
#include "imageformats/ImageGraphic.h"
#include "imageformats/TIFFJPEGDecoder.h"
#include "platform/graphics/JPEGImage.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t HeaderSize = 5;

void DecodeInto(TDecoder& decoder, const std::uint8_t* packed, std::size_t packedSize, std::size_t unpackedSize)
{
    std::vector<std::uint8_t> target(unpackedSize);
    const std::uint8_t* source = packed;
    std::uint8_t* out = target.data();
    decoder.DecodeInit();
    decoder.Decode(source, out, static_cast<std::int32_t>(packedSize), static_cast<std::int32_t>(unpackedSize));
    decoder.DecodeEnd();
}

void DecodeJPEG(const std::uint8_t* data, std::size_t size, std::uint32_t width, std::uint8_t options,
                std::uint32_t rows)
{
    if (size < 2)
        return;
    const std::size_t tablesSize = std::min<std::size_t>(data[0] | data[1] << 8, size - 2);
    data += 2;
    size -= 2;
    static const TColorScheme Schemes[] = {csRGB, csYCbCr, csGray, csUnknown};
    static const std::uint8_t Subsampling[][2] = {{1, 1}, {2, 2}, {2, 1}, {4, 4}};
    TImageProperties properties;
    properties.ColorScheme = Schemes[(options >> 1) & 3];
    const int samples = properties.ColorScheme == csGray ? 1 : 3;
    properties.Width = width;
    properties.Height = rows;
    properties.BitsPerSample = 8;
    properties.SamplesPerPixel = static_cast<std::uint8_t>(samples);
    properties.PlanarConfig = options & 0x20 ? 2 : 1;
    properties.RowsPerStrip = {rows};
    properties.BytesPerLine = width * static_cast<std::uint32_t>(samples);
    properties.StripCount = 1;
    properties.YCbCrSubSampling.assign(Subsampling[(options >> 3) & 3], Subsampling[(options >> 3) & 3] + 2);
    properties.JPEGTables.assign(data, data + tablesSize);
    std::size_t unpacked = std::size_t{rows} * properties.BytesPerLine;
    if (options & 0x40)
        unpacked -= properties.BytesPerLine / 2;
    TTIFFJPEGDecoder decoder(properties, [](const std::string&) {});
    try {
        DecodeInto(decoder, data + tablesSize, size - tablesSize, unpacked);
    } catch (const EGraphicCompression&) {
    } catch (const EJPEG&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < HeaderSize)
        return 0;
    const std::uint8_t kind = data[0] % 5;
    const std::uint32_t width = 1 + ((data[1] | data[2] << 8) % 6000);
    const std::uint8_t options = data[3];
    const std::uint32_t rows = 1 + data[4] % 64;
    data += HeaderSize;
    size -= HeaderSize;
    const bool reversed = options & 1;
    std::unique_ptr<TDecoder> decoder;
    switch (kind) {
    case 0:
        decoder = std::make_unique<TCCITTFax3Decoder>(0, reversed, false, static_cast<std::int32_t>(width));
        break;
    case 1:
    case 2:
        decoder = std::make_unique<TCCITTMHDecoder>(0, reversed, kind == 2, static_cast<std::int32_t>(width));
        break;
    case 3:
        decoder = std::make_unique<TThunderDecoder>(static_cast<std::int32_t>(width));
        break;
    default:
        // Rows of colour JPEG need their buffers; the library's own costs grow with the width.
        DecodeJPEG(data, size, 1 + width % 512, options, rows);
        return 0;
    }
    const std::size_t rowBytes = kind == 3 ? (width + 1) / 2 : (width + 7) / 8;
    DecodeInto(*decoder, data, size, rows * rowBytes);
    return 0;
}
