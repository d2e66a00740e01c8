#include "pdf/PdfDevice.h"

#include "pdf/PdfResource.h"
#include "platform/core/CodePage.h"

#include <cmath>

namespace {

constexpr int BoldWeight = 700;

int Rounded(double value) { return static_cast<int>(std::lround(value)); }

// The document's width factor times the run's own scaling; either alone when the other is 0.
double HorizontalScaling(double factor, double runScale)
{
    if (factor == 0)
        return runScale;
    return runScale == 0 ? factor : factor * runScale;
}

std::string LowBytes(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (const char16_t c : text)
        bytes += static_cast<char>(c & 0xFF);
    return bytes;
}

// Symbol fonts place their glyphs at 0xF000 + code; plain low codes count as symbol codes too.
bool InSymbolRange(std::u16string_view text)
{
    for (const char16_t c : text) {
        const int high = c >> 8;
        if (high != 0 && high != 0xF0)
            return false;
    }
    return true;
}

} // namespace

TPdfFont* TPdfDevice::TextFont() const { return resources_ != nullptr ? resources_->CurrentFont() : nullptr; }

// The measuring hooks ask the current font, so the font of the device context is made current
// before any text is measured.
int TPdfDevice::SelectTextFont()
{
    const TPdfDCStackVar& dc = DC();
    int style = 0;
    if (dc.fontData.weight >= BoldWeight)
        style |= PdfFontBold;
    if (dc.fontData.italic != 0)
        style |= PdfFontItalic;
    return resources_->AddFontName(dc.faceName, dc.fontData.charSet, style);
}

void TPdfDevice::PSWriteTextAttributes(TPdfDeviceWorkBuffer* buffer, double size)
{
    if (resources_ == nullptr)
        return;
    const int fontNumber = SelectTextFont();
    if (buffer == nullptr)
        return;
    TPdfWriterStackVar& written = WrittenData();
    WriteTextFont(*buffer, written, fontNumber, size);
    const TColor color = DC().textColor;
    if (written.mustWriteText || color != written.textColor) {
        buffer->AppendColor(color, "rg ");
        written.textColor = color;
        // Text and fills share the non-stroking colour.
        written.fillColor = color;
    }
    WriteTextSpacing(*buffer, written);
    written.mustWriteText = false;
}

void TPdfDevice::WriteTextFont(TPdfDeviceWorkBuffer& buffer, TPdfWriterStackVar& written, int fontNumber, double size)
{
    const TPdfDCStackVar& dc = DC();
    if (!written.mustWriteText && dc.fontData.weight == written.fontWeight &&
        dc.fontData.italic == written.fontItalic && dc.fontData.charSet == written.fontCharset &&
        dc.faceName == written.fontName && size == written.fontSize)
        return;
    buffer.Append("/F" + PdfIntToStr(fontNumber) + " ");
    buffer.AppendFloat(size);
    buffer.Append("Tf ");
    written.fontWeight = dc.fontData.weight;
    written.fontItalic = dc.fontData.italic;
    written.fontCharset = dc.fontData.charSet;
    written.fontName = dc.faceName;
    written.fontSize = size;
}

void TPdfDevice::WriteTextSpacing(TPdfDeviceWorkBuffer& buffer, TPdfWriterStackVar& written)
{
    const TPdfDCStackVar& dc = DC();
    if (written.mustWriteText || dc.charSpacing != written.charSpacing) {
        buffer.AppendFloat(dc.charSpacing);
        buffer.Append("Tc ");
        written.charSpacing = dc.charSpacing;
    }
    if (written.mustWriteText || dc.wordSpacing != written.wordSpacing) {
        buffer.AppendFloat(dc.wordSpacing);
        buffer.Append("Tw ");
        written.wordSpacing = dc.wordSpacing;
    }
    const double scale = HorizontalScaling(FontWidthFactor, dc.horzTextScale);
    if (written.mustWriteText || scale != written.horzScale) {
        // No scaling at all is the full width.
        buffer.AppendFloat(scale != 0 ? scale * 100 : 100);
        buffer.Append("Tz ");
        written.horzScale = scale;
    }
}

int TPdfDevice::PSGetFontWidth()
{
    const TPdfFont* font = TextFont();
    return font != nullptr && font->Descriptor() != nullptr ? font->Descriptor()->AvgWidth : 0;
}

void TPdfDevice::PSFontHeight(int& ascent, int& cellHeight, double size)
{
    const TPdfFont* font = TextFont();
    const TPdfFontDescriptor* metrics = font != nullptr ? font->Descriptor() : nullptr;
    if (metrics == nullptr || metrics->Scale == 0) {
        ascent = Rounded(size * 4 / 5);
        cellHeight = Rounded(size);
        return;
    }
    ascent = Rounded(metrics->Ascent * size / 1000);
    cellHeight = Rounded(1000 / metrics->Scale * size / 1000);
}

int TPdfDevice::PSTextWidth(std::string_view text, double size)
{
    const TPdfFont* font = TextFont();
    return font != nullptr ? Rounded(font->TextWidth(text, size)) : 0;
}

int TPdfDevice::PSTextWidthW(std::u16string_view text, double size)
{
    const TPdfFont* font = TextFont();
    return font != nullptr ? Rounded(font->TextWidthW(text, size)) : 0;
}

bool TPdfDevice::PSTextWidthArray(std::string_view text, double size, int scale, std::span<int> widths)
{
    const TPdfFont* font = TextFont();
    return font != nullptr && font->TextWidthArray(text, size, widths, scale);
}

bool TPdfDevice::PSTextWidthArrayW(std::u16string_view text, double size, int scale, std::span<int> widths)
{
    const TPdfFont* font = TextFont();
    return font != nullptr && font->TextWidthArrayW(text, size, widths, scale);
}

std::string TPdfDevice::PSWideCharToMultiByte(std::u16string_view text)
{
    const TPdfFont* font = TextFont();
    if (font == nullptr)
        return TPdfGenericPSDevice::PSWideCharToMultiByte(text);
    if (font->Charset() == SymbolCharset)
        return LowBytes(text);
    std::string bytes;
    bool unmapped = false;
    for (const char16_t c : text) {
        std::string converted = Utf16ToCodePage(font->CodePage(), std::u16string_view(&c, 1));
        if (converted == "?" && c != u'?') {
            unmapped = true;
            converted = " ";
        }
        bytes += converted;
    }
    return unmapped && InSymbolRange(text) ? LowBytes(text) : bytes;
}

// In the character-set subset mode a text font keeps its whole set anyway; only symbol fonts
// subset by use.
bool TPdfDevice::RecordsUsedChars() const
{
    const TPdfFont* font = TextFont();
    return font != nullptr && (FontMode != peEmbedSubsetTrueType_Charsets || font->Charset() == SymbolCharset);
}

void TPdfDevice::PSUsedChars(std::string_view text)
{
    if (RecordsUsedChars())
        TextFont()->UsedChars(text);
}

void TPdfDevice::PSUsedCharsW(std::u16string_view text)
{
    if (RecordsUsedChars())
        TextFont()->UsedCharsW(text);
}
