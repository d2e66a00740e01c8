#include "imageformats/TIFFWriter.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/PixelRows.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace {

constexpr std::uint32_t DirectoryOffset = 8;
constexpr int EntryCount = 12;
constexpr std::uint32_t BitsPerSampleOffset = DirectoryOffset + 2 + EntryCount * 12 + 4;
constexpr std::uint32_t StripOffset = BitsPerSampleOffset + 6;
constexpr std::uint32_t ResolutionBytes = 16;
// RowsPerStrip is a SHORT while the height fits one, so that ordinary files stay as they always were.
constexpr int LargestShortRows = 65535;
constexpr std::uint32_t PixelsPerInch = 75;

enum FieldType : std::uint16_t { Short = 3, Long = 4, Rational = 5 };

std::uint64_t StripBytes(std::uint64_t width, std::uint64_t height) { return width * 3 * height; }

// Numbers in the file's byte order, appended to a byte string.
class FieldWriter {
public:
    FieldWriter(std::string& bytes, TIFFWriter::ByteOrder order)
        : bytes_(bytes), big_(order == TIFFWriter::ByteOrder::Motorola)
    {
    }

    void U16(std::uint32_t value) { Put(value, 2); }
    void U32(std::uint32_t value) { Put(value, 4); }
    // A single SHORT sits in the first two bytes of the four-byte value field; values that do not
    // fit there are an offset.
    void Entry(std::uint16_t tag, FieldType type, std::uint32_t count, std::uint32_t value)
    {
        U16(tag);
        U16(type);
        U32(count);
        if (type == Short && count == 1) {
            U16(value);
            U16(0);
        } else {
            U32(value);
        }
    }

private:
    void Put(std::uint32_t value, int size)
    {
        for (int i = 0; i < size; ++i) {
            const int shift = big_ ? 8 * (size - 1 - i) : 8 * i;
            bytes_.push_back(static_cast<char>((value >> shift) & 0xFF));
        }
    }

    std::string& bytes_;
    bool big_;
};

std::uint32_t ResolutionOffset(std::uint64_t width, std::uint64_t height)
{
    const std::uint64_t strip = StripBytes(width, height);
    return static_cast<std::uint32_t>(StripOffset + strip + strip % 2);
}

// One row of the picture as red, green, blue bytes, whatever the bitmap's pixel format.
void RgbRow(const TBitmap& bitmap, int y, std::uint8_t* out)
{
    const int width = bitmap.Width();
    const std::uint8_t* in = bitmap.ScanLine(y);
    switch (bitmap.PixelFormat()) {
    case pf24bit:
        ExchangeRedBlue(in, out, static_cast<std::size_t>(width));
        break;
    case pfDevice:
    case pf32bit:
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        break;
    default:
        for (int x = 0; x < width; ++x, out += 3) {
            const TColor color = bitmap.ColorOfValue(bitmap.PixelValue(x, y));
            out[0] = static_cast<std::uint8_t>(color & 0xFF);
            out[1] = static_cast<std::uint8_t>((color >> 8) & 0xFF);
            out[2] = static_cast<std::uint8_t>((color >> 16) & 0xFF);
        }
        break;
    }
}

void WritePixels(AtomicFileWriter& file, const TBitmap& bitmap)
{
    std::vector<std::uint8_t> row(static_cast<std::size_t>(bitmap.Width()) * 3);
    for (int y = 0; y < bitmap.Height(); ++y) {
        RgbRow(bitmap, y, row.data());
        file.Write(row.data(), row.size());
    }
}

} // namespace

std::uint64_t TIFFWriter::FileSize(std::uint64_t width, std::uint64_t height)
{
    const std::uint64_t strip = StripBytes(width, height);
    return StripOffset + strip + strip % 2 + ResolutionBytes;
}

std::string TIFFWriter::Head(int width, int height) const
{
    std::string bytes;
    FieldWriter out(bytes, byteOrder);
    bytes += byteOrder == ByteOrder::Motorola ? "MM" : "II";
    out.U16(42);
    out.U32(DirectoryOffset);
    out.U16(EntryCount);
    const auto strip = static_cast<std::uint32_t>(StripBytes(width, height));
    const std::uint32_t resolutions = ResolutionOffset(width, height);
    out.Entry(256, Long, 1, width);                                      // ImageWidth
    out.Entry(257, Long, 1, height);                                     // ImageLength
    out.Entry(258, Short, 3, BitsPerSampleOffset);                       // BitsPerSample
    out.Entry(259, Short, 1, 1);                                         // Compression: none
    out.Entry(262, Short, 1, 2);                                         // PhotometricInterpretation: RGB
    out.Entry(273, Long, 1, StripOffset);                                // StripOffsets
    out.Entry(277, Short, 1, 3);                                         // SamplesPerPixel
    out.Entry(278, height > LargestShortRows ? Long : Short, 1, height); // RowsPerStrip
    out.Entry(279, Long, 1, strip);                                      // StripByteCounts
    out.Entry(282, Rational, 1, resolutions);                            // XResolution
    out.Entry(283, Rational, 1, resolutions + 8);                        // YResolution
    out.Entry(284, Short, 1, 1);                                         // PlanarConfiguration: chunky
    out.U32(0);
    for (int sample = 0; sample < 3; ++sample)
        out.U16(8);
    return bytes;
}

std::string TIFFWriter::Tail(int width, int height) const
{
    std::string bytes(StripBytes(width, height) % 2, '\0');
    FieldWriter out(bytes, byteOrder);
    for (int axis = 0; axis < 2; ++axis) {
        out.U32(PixelsPerInch);
        out.U32(1);
    }
    return bytes;
}

bool TIFFWriter::WriteBitmap(const std::string& fileName, const TBitmap& bitmap)
{
    std::optional<AtomicFileWriter> file;
    try {
        file.emplace(fileName);
    } catch (const EFCreateError&) {
        Ui().MessageBox("Can not open file", "Error", MsgButtons::OK, MsgIcon::Exclamation);
        return false;
    }
    if (FileSize(bitmap.Width(), bitmap.Height()) > UINT32_MAX) {
        Ui().MessageBox("Could not create swap file. Hard disk may be full", "error", MsgButtons::OKCancel,
                        MsgIcon::None);
        return false;
    }
    if (bitmap.Empty()) {
        Ui().MessageBox("operation failed", "rGDIB error", MsgButtons::OK, MsgIcon::None);
        return false;
    }
    try {
        file->Write(Head(bitmap.Width(), bitmap.Height()));
        WritePixels(*file, bitmap);
        file->Write(Tail(bitmap.Width(), bitmap.Height()));
        file->Commit();
    } catch (const EWriteError&) {
        Ui().MessageBox("Can not write file", "Error", MsgButtons::OK, MsgIcon::Exclamation);
        return false;
    }
    return true;
}
