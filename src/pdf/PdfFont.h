#pragma once

#include "pdf/PdfStream.h"
#include "pdf/PdfTrueType.h"
#include "pdf/PdfTypes.h"
#include "platform/core/Geometry.h"

#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class TFontFace;
class TPdfDevice;
struct TPdfFontStreamEntry;

enum TPdfFontMode {
    peUseTrueTypeFonts,
    peEmbedTrueTypeFonts,
    peEmbedSymbolTrueTypeFonts,
    peUseBase14Type1Fonts,
    peEmbedSubsetTrueType_Charsets,
    peEmbedSubsetTrueType_UsedChar
};

// Bits of a font's style.
constexpr int PdfFontBold = 1;
constexpr int PdfFontItalic = 2;

constexpr int SymbolCharset = 2;

// A font file of the document, shared by every font of the same face and style, with its table
// reader. Written only when a font embeds it: whole, or as a subset of the used glyphs.
class TPdfFontStream : public TPdfStream {
public:
    TPdfFontStream(TPdfFileWriter* owner, bool wholeFont);
    const char* ClassName() const override { return "TPdfFontStream"; }

    // Takes the font file and reads its tables; a file whose character map cannot be read keeps no
    // reader. Only TrueType outlines can be embedded.
    void InitTable(std::string fontData);
    void UseChar(int code, bool byteCode);
    void WriteEnd() override;

    TPdf_TTF_CMAP* Reader() const { return reader_.get(); }
    bool Embed() const { return embed_; }
    void SetEmbed(bool embed) { embed_ = embed && embeddable_; }

private:
    std::string CopyData() const;

    bool wholeFont_;
    bool embed_ = false;
    bool embeddable_ = false;
    std::string fontData_;
    std::unique_ptr<TPdf_TTF_CMAP> reader_;
};

// The measures of a font at a 1000-unit em, as its font descriptor writes them, and the glyph of
// each byte code when the font file could be read.
class TPdfFontDescriptor : public TPdfCustomType {
public:
    TPdfFontDescriptor(TPdfFileWriter* owner, std::string fontName, bool subset);
    const char* ClassName() const override { return "TPdfFontDescriptor"; }
    // An embedding descriptor whose font shows no character stops embedding here.
    std::string AsString() override;

    // "TOVREN+" before the name of a subset font.
    std::string GetFontName() const;
    const std::string& FontName() const { return fontName_; }
    bool Embed() const { return embed_; }
    void SetEmbed(bool embed) { embed_ = embed; }
    TPdfFontStreamEntry* StreamEntry() const { return streamEntry_; }
    TPdfFontStream* Stream() const;
    void SetStreamEntry(TPdfFontStreamEntry* entry) { streamEntry_ = entry; }
    TPdf_TTF_CMAP* Reader() const;
    std::array<int, 257> GlyphTable{};

    int Ascent = 0;
    int CapHeight = 0;
    int Descent = 0;
    int Flags = 0;
    // Left, top (highest), right, bottom (lowest).
    TRect FontBBox;
    int ItalicAngle = 0;
    int StemV = 0;
    int AvgWidth = 0;
    int Leading = 0;
    int MaxWidth = 0;
    int XHeight = 0;
    // 1000 divided by the cell height.
    double Scale = 0;

private:
    std::string fontName_;
    bool subset_;
    bool embed_ = false;
    TPdfFontStreamEntry* streamEntry_ = nullptr;
};

// A TrueType font resource measured by the font engine, or one of the 14 standard fonts. Its name
// text is the body of its font dictionary.
class TPdfFont : public TPdfName {
public:
    TPdfFont(TPdfFileWriter* owner, TPdfDevice* device, std::string faceName, int style, int charset);
    ~TPdfFont() override;
    const char* ClassName() const override { return "TPdfFont"; }

    // Measures the face at a 1000-unit em and fills the widths and the descriptor, which is named
    // after `postScriptName`; with the font file read, glyphs and widths come from its tables. Raises
    // EInvalidGraphic "Cannot load font data!" when no face opens.
    void LoadTTFData(std::string_view postScriptName);
    void SetBody(std::string body) { name_ = std::move(body); }
    // For a standard font of another character set than the Western one: the widths of its codes
    // as the face it stands for gives them through the set's code page; none when the face's file
    // cannot be read.
    void LoadCodePageWidths();

    // Width of the text in the units of `size`.
    double TextWidth(std::string_view text, double size) const;
    double TextWidthW(std::u16string_view text, double size) const;
    // One width per character, width x scale rounded; characters outside the widths leave their
    // entry. False when the font has no widths.
    bool TextWidthArray(std::string_view text, double size, std::span<int> widths, double scale) const;
    bool TextWidthArrayW(std::u16string_view text, double size, std::span<int> widths, double scale) const;
    // Marks the characters that a subset must keep.
    void UsedChars(std::string_view text);
    void UsedCharsW(std::u16string_view text);

    // The widths array, then the descriptor, then the font; raises "Object has no owner" without one.
    void WriteIt() override;
    // "/F" + number + " " + the reference: the font's entry in the resource dictionary.
    std::string AsReferenceArrayString() override;

    const std::string& FaceName() const { return faceName_; }
    int Style() const { return style_; }
    int Charset() const { return charset_; }
    int ActualCharset() const { return actualCharset_; }
    int CodePage() const { return codePage_; }
    bool DefaultSet() const { return defaultSet_; }
    void SetDefaultSet(bool defaultSet) { defaultSet_ = defaultSet; }
    int FirstChar() const { return firstChar_; }
    int LastChar() const { return lastChar_; }
    int Number() const { return number_; }
    void SetNumber(int number) { number_ = number; }
    const TPdfNumArray* Widths() const { return widths_.get(); }
    TPdfFontDescriptor* Descriptor() const { return descriptor_.get(); }

private:
    double CodeWidths(std::string_view text, double size, std::span<int> widths, double scale) const;
    double GlyphWidths(std::u16string_view text, bool viaGlyphTable, double size, std::span<int> widths,
                       double scale) const;
    bool IsSymbolName() const;
    bool Excluded() const;
    bool Embeds(bool symbolic) const;
    void AttachFontStream(const TFontFace& face);
    void ReadGlyphsFromFile();
    // The glyph of each byte code 1..255, through the character the font's code page gives it.
    std::array<int, 257> CodePageGlyphs(const TPdf_TTF_CMAP& reader) const;
    // The widths from first to last char, of the codes' glyphs.
    void WidthsFromGlyphs(const TPdf_TTF_CMAP& reader, const std::array<int, 257>& glyphs);

    TPdfDevice* device_;
    std::string faceName_;
    int style_;
    int charset_;
    int actualCharset_ = 0;
    int codePage_;
    bool defaultSet_ = false;
    int firstChar_ = 0;
    int lastChar_ = 0;
    int number_ = 0;
    std::unique_ptr<TPdfNumArray> widths_;
    std::unique_ptr<TPdfFontDescriptor> descriptor_;
};
