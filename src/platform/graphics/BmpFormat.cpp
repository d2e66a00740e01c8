#include "platform/graphics/BmpFormat.h"

#include "platform/core/LittleEndian.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::uint32_t BI_RLE4 = 2;
constexpr std::uint32_t BI_BITFIELDS = 3;

constexpr int FileHeaderSize = 14;
constexpr int CoreHeaderSize = 12;
constexpr int InfoHeaderSize = 40;
constexpr int V4HeaderSize = 108;
constexpr int LargestHeaderSize = 124;
constexpr std::uint32_t LCS_sRGB = 0x73524742;
constexpr int MaskBytes = 12; // red, green and blue masks after a 40-byte header

[[noreturn]] void Invalid() { throw EInvalidGraphic(std::string(SInvalidBitmap)); }

std::int32_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(GetU32(p)); }

void ReadExactly(TStream& stream, void* buffer, std::int64_t count)
{
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
        const std::int64_t done = stream.Read(bytes, count);
        if (done <= 0)
            Invalid();
        bytes += done;
        count -= done;
    }
}

struct BmpHeader {
    std::int64_t start = 0; // stream position of the file header
    std::uint32_t dataOffset = 0;
    int headerSize = 0;
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 4> masks{}; // red, green, blue, alpha
    int paletteEntrySize = 4;
};

void SetDefaultMasks(BmpHeader& header)
{
    if (header.bitCount == 16)
        header.masks = {0x7C00, 0x03E0, 0x001F, 0};
    else if (header.bitCount == 32)
        header.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
}

void ReadInfoHeader(const std::uint8_t* info, BmpHeader& header)
{
    const std::int32_t height = I32(info + 8);
    if (height == INT32_MIN)
        Invalid();
    header.width = I32(info + 4);
    header.height = height < 0 ? -height : height;
    header.topDown = height < 0;
    header.bitCount = static_cast<int>(GetU16(info + 14));
    header.compression = GetU32(info + 16);
    header.sizeImage = GetU32(info + 20);
    header.colorsUsed = GetU32(info + 32);
    SetDefaultMasks(header);
    if (header.headerSize >= 52 && header.compression == BI_BITFIELDS)
        header.masks = {GetU32(info + 40), GetU32(info + 44), GetU32(info + 48),
                        header.headerSize >= 56 ? GetU32(info + 52) : 0};
}

void CheckHeader(const BmpHeader& header)
{
    if (header.width <= 0 || header.height <= 0)
        Invalid();
    const int bits = header.bitCount;
    switch (header.compression) {
    case BI_RGB:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
            Invalid();
        break;
    case BI_RLE8:
    case BI_RLE4:
        if (bits != (header.compression == BI_RLE8 ? 8 : 4) || header.topDown)
            Invalid();
        break;
    case BI_BITFIELDS:
        if ((bits != 16 && bits != 32) || header.headerSize == 64)
            Invalid();
        break;
    default:
        Invalid();
    }
}

BmpHeader ReadHeaders(TStream& stream)
{
    BmpHeader header;
    header.start = stream.Position();
    std::uint8_t file[FileHeaderSize + 4];
    ReadExactly(stream, file, sizeof file);
    if (file[0] != 'B' || file[1] != 'M')
        Invalid();
    header.dataOffset = GetU32(file + 10);
    header.headerSize = static_cast<int>(GetU32(file + 14));
    const int size = header.headerSize;
    if (size != CoreHeaderSize && size != InfoHeaderSize && size != 52 && size != 56 && size != 64 && size != 108 &&
        size != LargestHeaderSize)
        Invalid();
    std::uint8_t info[LargestHeaderSize];
    ReadExactly(stream, info + 4, size - 4);
    if (size == CoreHeaderSize) {
        header.width = static_cast<int>(GetU16(info + 4));
        header.height = static_cast<int>(GetU16(info + 6));
        header.bitCount = static_cast<int>(GetU16(info + 10));
        header.paletteEntrySize = 3;
    } else {
        ReadInfoHeader(info, header);
    }
    CheckHeader(header);
    if (size == InfoHeaderSize && header.compression == BI_BITFIELDS) {
        std::uint8_t masks[MaskBytes];
        ReadExactly(stream, masks, MaskBytes);
        header.masks = {GetU32(masks), GetU32(masks + 4), GetU32(masks + 8), 0};
    }
    return header;
}

// Reads the colour table and moves to the pixels, trusting the data offset only where it fits.
TPalette ReadColorTable(TStream& stream, const BmpHeader& header)
{
    const std::int64_t tableStart = stream.Position();
    const std::int64_t streamSize = stream.Size();
    std::int64_t entries =
        header.colorsUsed != 0 ? header.colorsUsed : (header.bitCount <= 8 ? 1 << header.bitCount : 0);
    std::int64_t dataStart = tableStart + entries * header.paletteEntrySize;
    if (header.dataOffset != 0) {
        dataStart = header.start + header.dataOffset;
        if (dataStart < tableStart || dataStart > streamSize)
            Invalid();
        entries = std::min(entries, (dataStart - tableStart) / header.paletteEntrySize);
    }
    TPalette palette;
    if (header.bitCount <= 8) {
        const int count = static_cast<int>(std::min<std::int64_t>(entries, 1 << header.bitCount));
        std::vector<std::uint8_t> table(static_cast<std::size_t>(count * header.paletteEntrySize));
        ReadExactly(stream, table.data(), static_cast<std::int64_t>(table.size()));
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* p = table.data() + i * header.paletteEntrySize;
            palette.Entries.push_back({p[2], p[1], p[0], 0});
        }
    }
    if (dataStart > streamSize)
        Invalid();
    stream.SetPosition(dataStart);
    return palette;
}

// A colour field of a bit-field mask, scaled to eight bits (truncated) or cut to its high eight bits.
class MaskField {
public:
    explicit MaskField(std::uint32_t mask)
    {
        if (mask == 0)
            return;
        shift_ = std::countr_zero(mask);
        bits_ = std::popcount(mask);
        if (shift_ + bits_ != 32 - std::countl_zero(mask))
            Invalid();
    }
    std::uint8_t Extract(std::uint32_t pixel) const
    {
        if (bits_ == 0)
            return 0;
        const std::uint32_t value = static_cast<std::uint32_t>((pixel >> shift_) & ((std::uint64_t{1} << bits_) - 1));
        if (bits_ >= 8)
            return static_cast<std::uint8_t>(value >> (bits_ - 8));
        return static_cast<std::uint8_t>(value * 255 / ((1u << bits_) - 1));
    }

private:
    int shift_ = 0;
    int bits_ = 0;
};

TPixelFormat FormatFor(const BmpHeader& header)
{
    const auto& m = header.masks;
    switch (header.bitCount) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 16:
        if (m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F)
            return pf15bit;
        if (m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F)
            return pf16bit;
        return pf32bit;
    case 24:
        return pf24bit;
    default:
        return pf32bit;
    }
}

bool KeepsFileLayout(const BmpHeader& header, TPixelFormat format)
{
    if (header.bitCount == 32)
        return header.masks[0] == 0x00FF0000 && header.masks[1] == 0x0000FF00 && header.masks[2] == 0x000000FF &&
               (header.masks[3] == 0 || header.masks[3] == 0xFF000000);
    return BitsPerPixel(format) == header.bitCount;
}

void ReadUncompressedRows(TStream& stream, const BmpHeader& header, TBitmap& bitmap)
{
    const std::int64_t fileStride = BytesPerScanLine(header.width, header.bitCount);
    if (fileStride * header.height > stream.Size() - stream.Position())
        Invalid();
    bitmap.SetSize(header.width, header.height);
    const bool direct = KeepsFileLayout(header, bitmap.PixelFormat());
    const std::array<MaskField, 4> fields = {MaskField(header.masks[0]), MaskField(header.masks[1]),
                                             MaskField(header.masks[2]), MaskField(header.masks[3])};
    const int bytesPerPixel = header.bitCount / 8;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(fileStride));
    for (int i = 0; i < header.height; ++i) {
        std::uint8_t* line = bitmap.ScanLine(header.topDown ? i : header.height - 1 - i);
        if (direct) {
            ReadExactly(stream, line, fileStride);
            continue;
        }
        ReadExactly(stream, row.data(), fileStride);
        for (int x = 0; x < header.width; ++x) {
            const std::uint8_t* p = row.data() + static_cast<std::ptrdiff_t>(x) * bytesPerPixel;
            const std::uint32_t pixel = bytesPerPixel == 2 ? GetU16(p) : GetU32(p);
            std::uint8_t* out = line + 4 * x;
            out[0] = fields[2].Extract(pixel);
            out[1] = fields[1].Extract(pixel);
            out[2] = fields[0].Extract(pixel);
            out[3] = fields[3].Extract(pixel);
        }
    }
}

void PutIndex(TBitmap& bitmap, int bitCount, int x, int rowFromBottom, int index)
{
    if (x >= bitmap.Width())
        return;
    std::uint8_t* line = bitmap.ScanLine(bitmap.Height() - 1 - rowFromBottom);
    if (bitCount == 8) {
        line[x] = static_cast<std::uint8_t>(index);
        return;
    }
    std::uint8_t& byte = line[x >> 1];
    byte = static_cast<std::uint8_t>((x & 1) ? (byte & 0xF0) | (index & 0x0F) : (byte & 0x0F) | ((index & 0x0F) << 4));
}

// Run-length data: a count and a value (an index, or for 4 bits two alternating indices), or a zero
// and an escape: 0 end of line, 1 end of bitmap, 2 a move right and up, 3 and more that many literal
// pixels padded to a word. Pixels the data never reach keep index 0; data that run out end the picture.
// Pixels past the row end are dropped, so the column stops at the width: a long file of runs
// without line ends would otherwise count it past the range of an int.
void DecodeRunLength(const std::vector<std::uint8_t>& data, int bitCount, TBitmap& bitmap)
{
    const int width = bitmap.Width();
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memset(bitmap.ScanLine(y), 0, static_cast<std::size_t>(bitmap.BytesPerScanLine()));
    const auto indexAt = [bitCount](std::uint8_t byte, int i) {
        return bitCount == 8 ? byte : (i & 1 ? byte & 0x0F : byte >> 4);
    };
    std::size_t pos = 0;
    int x = 0;
    int y = 0;
    while (pos + 2 <= data.size() && y < bitmap.Height()) {
        const int count = data[pos];
        const std::uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i, ++x)
                PutIndex(bitmap, bitCount, x, y, indexAt(value, i));
            x = std::min(x, width);
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (pos + 2 > data.size())
                return;
            x = std::min(x + data[pos], width);
            y += data[pos + 1];
            pos += 2;
        } else {
            const std::size_t bytes = bitCount == 8 ? value : (value + 1u) / 2;
            if (pos + bytes > data.size())
                return;
            for (int i = 0; i < value; ++i, ++x)
                PutIndex(bitmap, bitCount, x, y, indexAt(data[pos + (bitCount == 8 ? i : i / 2)], i));
            x = std::min(x, width);
            pos += bytes + (bytes & 1);
        }
    }
}

void ReadRunLengthData(TStream& stream, const BmpHeader& header, TBitmap& bitmap)
{
    const std::int64_t remaining = stream.Size() - stream.Position();
    const std::int64_t size = header.sizeImage != 0 ? std::min<std::int64_t>(header.sizeImage, remaining) : remaining;
    // The data are judged by their longest runs: moves and the end-of-bitmap escape, which pass over
    // pixels, count as filling nothing.
    const std::uint64_t packedRows =
        (std::uint64_t{static_cast<std::uint32_t>(header.width)} * static_cast<unsigned>(header.bitCount) + 7) / 8 *
        static_cast<std::uint32_t>(header.height);
    if (!TBitmap::DataCanFill(size, packedRows, RunLengthExpansion))
        Invalid();
    std::vector<std::uint8_t> data(static_cast<std::size_t>(size));
    ReadExactly(stream, data.data(), static_cast<std::int64_t>(data.size()));
    bitmap.SetSize(header.width, header.height);
    DecodeRunLength(data, header.bitCount, bitmap);
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

} // namespace

void ReadBitmapFile(TStream& stream, TBitmap& bitmap)
{
    const BmpHeader header = ReadHeaders(stream);
    const TPixelFormat format = FormatFor(header);
    // Judged at the depth the pixels are kept in, which for odd bit fields is more than the file's.
    if (!TBitmap::IsSoundImageSize(static_cast<std::uint64_t>(header.width), static_cast<std::uint64_t>(header.height),
                                   static_cast<unsigned>(BitsPerPixel(format))))
        Invalid();
    const TPalette palette = ReadColorTable(stream, header);
    bitmap.SetPixelFormat(format);
    bitmap.SetPalette(palette);
    if (header.compression == BI_RLE8 || header.compression == BI_RLE4)
        ReadRunLengthData(stream, header, bitmap);
    else
        ReadUncompressedRows(stream, header, bitmap);
}

// pf16bit needs its bit fields; they go into a version 4 header, which every reader takes, rather
// than after a 40-byte one, which some readers take for 5-5-5.
void WriteBitmapFile(TStream& stream, const TBitmap& bitmap)
{
    const TPixelFormat format = bitmap.PixelFormat();
    const int bitCount = BitsPerPixel(format);
    const bool bitFields = format == pf16bit;
    const int headerSize = bitFields ? V4HeaderSize : InfoHeaderSize;
    const int paletteCount = IsPaletteFormat(format) ? bitmap.Palette().Count() : 0;
    const int stride = bitmap.BytesPerScanLine();
    const auto imageSize = static_cast<std::uint32_t>(static_cast<std::int64_t>(stride) * bitmap.Height());
    const auto dataOffset = static_cast<std::uint32_t>(FileHeaderSize + headerSize + 4 * paletteCount);

    std::vector<std::uint8_t> out;
    out.reserve(dataOffset + imageSize);
    out.push_back('B');
    out.push_back('M');
    Put32(out, dataOffset + imageSize);
    Put32(out, 0);
    Put32(out, dataOffset);
    Put32(out, static_cast<std::uint32_t>(headerSize));
    Put32(out, static_cast<std::uint32_t>(bitmap.Width()));
    Put32(out, static_cast<std::uint32_t>(bitmap.Height()));
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(bitCount));
    Put32(out, bitFields ? BI_BITFIELDS : BI_RGB);
    Put32(out, imageSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(paletteCount));
    Put32(out, 0);
    if (bitFields) {
        for (std::uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu, 0u})
            Put32(out, mask);
        Put32(out, LCS_sRGB);
        out.insert(out.end(), V4HeaderSize - 60, 0); // colour end points and gammas, unused for sRGB
    }
    for (int i = 0; i < paletteCount; ++i) {
        const TPaletteEntry& e = bitmap.Palette().Entries[static_cast<std::size_t>(i)];
        out.insert(out.end(), {e.peBlue, e.peGreen, e.peRed, 0});
    }
    for (int y = bitmap.Height() - 1; y >= 0; --y)
        out.insert(out.end(), bitmap.ScanLine(y), bitmap.ScanLine(y) + stride);
    stream.WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}
