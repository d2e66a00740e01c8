#include "pdf/PdfGdiObjects.h"

#include "platform/core/CodePage.h"
#include "platform/core/Numbers.h"

namespace {

std::uint32_t ReadLE(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (offset + i < bytes.size())
            value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

std::int32_t ReadInt32(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return static_cast<std::int32_t>(ReadLE(bytes, offset, 4));
}

std::uint8_t ReadByte(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return static_cast<std::uint8_t>(ReadLE(bytes, offset, 1));
}

} // namespace

TPdfFontData ReadPdfFontData(std::span<const std::uint8_t> bytes)
{
    TPdfFontData data;
    data.height = ReadInt32(bytes, 0);
    data.width = ReadInt32(bytes, 4);
    data.escapement = ReadInt32(bytes, 8);
    data.orientation = ReadInt32(bytes, 12);
    data.weight = ReadInt32(bytes, 16);
    data.italic = ReadByte(bytes, 20);
    data.underline = ReadByte(bytes, 21);
    data.strikeOut = ReadByte(bytes, 22);
    data.charSet = ReadByte(bytes, 23);
    data.outPrecision = ReadByte(bytes, 24);
    data.clipPrecision = ReadByte(bytes, 25);
    data.quality = ReadByte(bytes, 26);
    data.pitchAndFamily = ReadByte(bytes, 27);
    return data;
}

std::string ReadPdfFaceName(std::span<const std::uint8_t> bytes)
{
    std::u16string units;
    for (std::size_t i = 0; i < PdfFaceNameUnits; ++i) {
        const std::size_t offset = PdfFontDataSize + 2 * i;
        if (offset + 2 > bytes.size())
            break;
        const std::uint32_t unit = ReadLE(bytes, offset, 2);
        if (unit == 0)
            break;
        units.push_back(static_cast<char16_t>(unit));
    }
    return Utf16ToWin1252(units);
}

std::string TPdfDvFont::Description() const
{
    return "TPdfDvFont " + faceName + " height:" + IntToStr(fontData.height);
}

std::string TPdfDvBrush::Description() const
{
    return "TPdfDvBrush style:" + IntToStr(style) + " color:" + ColorToString(color);
}

std::string TPdfDvPen::Description() const
{
    return "TPdfDvPen style:" + IntToStr(style) + " color:" + ColorToString(color) + " width:" + IntToStr(width);
}

std::string TPdfDvPalette::Description() const { return "TPdfDvPalette"; }
