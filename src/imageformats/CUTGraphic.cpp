#include "imageformats/CUTGraphic.h"

#include "imageformats/GraphicCompression.h"
#include "platform/core/FilePaths.h"
#include "platform/core/LittleEndian.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <array>
#include <limits>
#include <span>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view CUTName = "CUT";
constexpr int HeaderSize = 6;

// The palette file is read in blocks; an entry never straddles two of them.
constexpr int PaletteBlockSize = 512;
constexpr int HighestIndexOffset = 12;
constexpr int FirstEntryOffset = 40;
// Red, green and blue, each a 16-bit word of which the low byte is the value.
constexpr int PaletteEntrySize = 6;

// The next `PaletteBlockSize` bytes of the palette file, fewer at its end.
std::vector<std::uint8_t> ReadPaletteBlock(TStream& stream)
{
    std::vector<std::uint8_t> block(PaletteBlockSize);
    block.resize(static_cast<std::size_t>(std::max<std::int64_t>(stream.Read(block.data(), PaletteBlockSize), 0)));
    return block;
}

} // namespace

void TCUTGraphic::LoadFromFile(std::string_view fileName)
{
    const std::string paletteName = ExtractFileName(ChangeFileExt(fileName, ".pal"));
    FPaletteFile = ExistingFileAnyCase(ExtractFilePath(fileName), paletteName);
    try {
        TImageGraphic::LoadFromFile(fileName);
    } catch (...) {
        FPaletteFile.clear(); // the picture could not be opened
        throw;
    }
}

bool TCUTGraphic::ReadImageProperties(TStream& stream, unsigned imageIndex)
{
    TImageGraphic::ReadImageProperties(stream, imageIndex);
    std::array<std::uint8_t, HeaderSize> header{};
    if (imageIndex != 0 || stream.Read(header.data(), HeaderSize) != HeaderSize)
        return false;
    TImageProperties& properties = FImageProperties;
    properties.Width = GetU16(&header[0]);
    properties.Height = GetU16(&header[2]);
    properties.ColorScheme = csIndexed;
    properties.BitsPerSample = 8;
    properties.SamplesPerPixel = 1;
    properties.BitsPerPixel = 8;
    properties.Compression = ctRLE;
    return true;
}

void TCUTGraphic::LoadFromStream(TStream& stream)
{
    // The remembered palette belongs to the file being loaded, never to a later stream.
    const std::string paletteFile = std::exchange(FPaletteFile, {});
    const std::int64_t start = stream.Position();
    FBasePosition = start;
    if (!ReadImageProperties(stream, 0))
        RaiseImageErrorFmt(SInvalidImage, {CUTName});
    CheckImageSize(CUTName);
    CheckDataFills(stream.Size() - start, RunLengthExpansion, CUTName);
    const int width = static_cast<int>(FImageProperties.Width);
    const int height = static_cast<int>(FImageProperties.Height);
    stream.SetPosition(start + HeaderSize);
    BeginProgress(width, STransfering);

    TBitmap image;
    image.SetPixelFormat(pf8bit);
    image.SetPalette(LoadPalette(paletteFile));
    image.SetSize(width, height);
    // The decoder's sizes are 32-bit; no sound picture has that much packed data.
    const std::int64_t packedSize =
        std::min<std::int64_t>(stream.Size() - stream.Position(), std::numeric_limits<std::int32_t>::max());
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(std::max<std::int64_t>(packedSize, 0)));
    packed.resize(static_cast<std::size_t>(std::max<std::int64_t>(stream.Read(packed.data(), packedSize), 0)));
    const std::uint8_t* source = packed.data();
    const std::uint8_t* const end = source + packed.size();
    TCUTRLEDecoder decoder;
    decoder.DecodeInit();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* target = image.ScanLine(y);
        decoder.Decode(source, target, static_cast<std::int32_t>(end - source), width);
        RowDone(y, height);
    }
    decoder.DecodeEnd();
    EndProgress();
    TakeOver(image);
}

// The entries of the palette file, at most 256; those a short file lacks stay black. Without a
// palette file the indexes are shown as greys.
TPalette TCUTGraphic::LoadPalette(const std::string& paletteFile) const
{
    if (paletteFile.empty() || !FileExists(paletteFile))
        return TPalette::Grayscale();
    TFileStream stream(paletteFile, fmOpenRead);
    std::vector<std::uint8_t> block = ReadPaletteBlock(stream);
    const std::size_t count =
        block.size() < HighestIndexOffset + 2
            ? 0
            : std::min<std::size_t>(GetU16(&block[HighestIndexOffset]) + std::size_t{1}, TPalette::MaxEntries);
    // All 256 entries, so that indexes the file gives no colour show black.
    TPalette palette;
    palette.Entries.resize(TPalette::MaxEntries);
    std::size_t at = FirstEntryOffset;
    for (TPaletteEntry& entry : std::span(palette.Entries).first(count)) {
        if (at + PaletteEntrySize > PaletteBlockSize) {
            block = ReadPaletteBlock(stream);
            at = 0;
        }
        if (at + PaletteEntrySize > block.size())
            break;
        entry.peRed = block[at];
        entry.peGreen = block[at + 2];
        entry.peBlue = block[at + 4];
        at += PaletteEntrySize;
    }
    return palette;
}
