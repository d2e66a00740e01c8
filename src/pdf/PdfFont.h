#pragma once

#include "pdf/PdfTypes.h"
#include "platform/core/Geometry.h"

#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class TPdfDevice;

// TrueType fonts referenced by name with their widths, or the standard Type 1 fonts.
enum TPdfFontMode { peUseTrueTypeFonts = 0, peUseBase14Type1Fonts = 3 };

// Bits of a font's style.
constexpr int PdfFontBold = 1;
constexpr int PdfFontItalic = 2;

constexpr int SymbolCharset = 2;

// The measures of a font at a 1000-unit em, as its font descriptor writes them.
class TPdfFontDescriptor : public TPdfCustomType {
public:
    TPdfFontDescriptor(TPdfFileWriter* owner, std::string fontName);
    const char* ClassName() const override { return "TPdfFontDescriptor"; }
    std::string AsString() override;

    const std::string& GetFontName() const { return fontName_; }

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
};

// A TrueType font resource measured by the font engine, or one of the 14 standard fonts. Its name
// text is the body of its font dictionary.
class TPdfFont : public TPdfName {
public:
    TPdfFont(TPdfFileWriter* owner, std::string faceName, int style, int charset);
    ~TPdfFont() override;
    const char* ClassName() const override { return "TPdfFont"; }

    // Measures the face at a 1000-unit em and fills the widths and the descriptor, which is named
    // after `postScriptName`. Raises EInvalidGraphic "Cannot load font data!" when no face opens.
    void LoadTTFData(std::string_view postScriptName);
    void SetBody(std::string body) { name_ = std::move(body); }

    // Width of the text in the units of `size`.
    double TextWidth(std::string_view text, double size) const;
    double TextWidthW(std::u16string_view text, double size) const;
    // One width per character, width x scale rounded; characters outside the widths leave their
    // entry. False when the font has no widths.
    bool TextWidthArray(std::string_view text, double size, std::span<int> widths, double scale) const;
    bool TextWidthArrayW(std::u16string_view text, double size, std::span<int> widths, double scale) const;

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
    bool IsSymbolName() const;

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
