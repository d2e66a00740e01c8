#include "pdf/PdfResource.h"

#include "pdf/PdfDevice.h"
#include "pdf/PdfFont.h"
#include "pdf/PdfStream.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"

namespace {

#include "pdf/PdfEncodingNames.inc"

struct TDifferences {
    int Charset;
    int FirstCode;
    std::string_view GlyphNames;
};

// The character sets whose glyphs WinAnsi does not name.
constexpr TDifferences Differences[] = {
    {204, 128, GlyphNames1251}, {186, 160, GlyphNames1257}, {161, 160, GlyphNames1253},
    {162, 160, GlyphNames1254}, {238, 128, GlyphNames1250},
};

constexpr std::string_view WinAnsi = "/WinAnsiEncoding";

std::string ReplacedFontName(std::string_view name)
{
    if (SameText(name, "MS Sans Serif"))
        return "Arial";
    if (SameText(name, "Courier") || SameText(name, "System"))
        return "Courier New";
    return std::string(name);
}

// The name without parentheses and controls, each word capitalised and run together.
std::string PostScriptName(std::string_view name)
{
    std::string result;
    bool afterBlank = false;
    for (char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (c == ' ') {
            afterBlank = true;
            continue;
        }
        if (code <= 32 || c == '(' || c == ')')
            continue;
        result += afterBlank ? UpperCase(std::string_view(&c, 1)) : std::string(1, c);
        afterBlank = false;
    }
    return result;
}

std::string Base14FontName(std::string_view postScriptName, int style)
{
    const std::string name = LowerCase(postScriptName);
    const bool bold = (style & PdfFontBold) != 0;
    const bool italic = (style & PdfFontItalic) != 0;
    if (name.find("times") != std::string::npos) {
        if (bold && italic)
            return "Times-BoldItalic";
        if (italic)
            return "Times-Italic";
        return bold ? "Times-Bold" : "Times-Roman";
    }
    if (name == "symbol")
        return "Symbol";
    if (name == "zapfdingbats" || name == "wingdings")
        return "ZapfDingbats";
    const std::string base = name.find("courier") != std::string::npos ? "Courier" : "Helvetica";
    if (bold && italic)
        return base + "-BoldOblique";
    if (italic)
        return base + "-Oblique";
    return bold ? base + "-Bold" : base;
}

} // namespace

TPdfResource::TPdfResource(TPdfFileWriter* owner, TPdfDevice* device) : TPdfCustomType(owner), device_(device) {}

TPdfResource::~TPdfResource() = default;

TPdfDevice& TPdfResource::FontDevice() const
{
    if (device_ == nullptr)
        throw Exception("Object has no owner");
    return *device_;
}

int TPdfResource::FindFont(std::string_view name, int charset, int style) const
{
    for (const auto& font : fonts_)
        if (SameText(font->FaceName(), name) && font->Style() == style &&
            (font->Charset() == charset || (charset == 1 && font->DefaultSet())))
            return font->Number();
    return 0;
}

int TPdfResource::AddFontName(std::string_view requested, int charset, int style)
{
    TPdfDevice& device = FontDevice();
    const std::string name = ReplacedFontName(requested);
    if (const int number = FindFont(name, charset, style); number != 0) {
        currentFont_ = Font(number);
        return number;
    }
    const std::string postScriptName = PostScriptName(name);
    auto font = device.FontMode == peUseBase14Type1Fonts ? NewBase14Font(name, postScriptName, charset, style)
                                                         : NewTrueTypeFont(name, postScriptName, charset, style);
    TPdfFont* added = font.get();
    const int number = AddFont(std::move(font));
    currentFont_ = added;
    return number;
}

// The standard fonts show other character sets through the differences their TrueType
// namesakes use, with their namesakes' widths.
std::unique_ptr<TPdfFont> TPdfResource::NewBase14Font(std::string_view name, std::string_view postScriptName,
                                                      int charset, int style)
{
    auto font = std::make_unique<TPdfFont>(Owner(), device_, std::string(name), style, charset);
    const std::string encoding = EncodingString(charset);
    font->SetBody("Type/Font/Subtype/Type1/Name/F" + IntToStr(FontCount() + 1) + "/BaseFont/" +
                  Base14FontName(postScriptName, style) + "\n/Encoding " + encoding);
    // Without widths a viewer would set the set's glyphs, which the standard fonts do not know, on
    // top of one another.
    if (encoding != WinAnsi)
        font->LoadCodePageWidths();
    return font;
}

std::unique_ptr<TPdfFont> TPdfResource::NewTrueTypeFont(std::string_view name, std::string_view postScriptName,
                                                        int charset, int style)
{
    auto font = std::make_unique<TPdfFont>(Owner(), device_, std::string(name), style, charset);
    font->LoadTTFData(postScriptName);
    font->SetDefaultSet(charset == 1 && font->ActualCharset() != 1);
    font->SetBody("Type/Font\n/Subtype/TrueType\n/BaseFont/" + font->Descriptor()->GetFontName() + "\n/Encoding " +
                  EncodingString(font->Charset()) + "\n");
    return font;
}

int TPdfResource::AddFont(std::unique_ptr<TPdfFont> font)
{
    font->SetNumber(FontCount() + 1);
    if (fonts_.empty())
        FontDevice().DefaultFontName = font->FaceName();
    fonts_.push_back(std::move(font));
    return FontCount();
}

std::string TPdfResource::EncodingString(int charset)
{
    for (const auto& encoding : encodings_)
        if (encoding->Charset() == charset)
            return encoding->AsReferenceString();
    for (const TDifferences& differences : Differences) {
        if (differences.Charset != charset)
            continue;
        encodings_.push_back(std::make_unique<TPdfEncodingVector>(
            Owner(), charset,
            "/Type/Encoding/Differences\n[" + IntToStr(differences.FirstCode) + " " +
                std::string(differences.GlyphNames) + "]\n/BaseEncoding/WinAnsiEncoding"));
        return encodings_.back()->AsReferenceString();
    }
    return std::string(WinAnsi);
}

int TPdfResource::AddXObject(std::unique_ptr<TPdfStream> stream, std::string name)
{
    xObjects_.push_back({std::move(name), stream.get()});
    owned_.push_back(std::move(stream));
    return XObjectCount();
}

int TPdfResource::FindXObject(std::string_view name) const
{
    for (std::size_t i = 0; i < xObjects_.size(); ++i)
        if (!xObjects_[i].name.empty() && SameText(xObjects_[i].name, name))
            return static_cast<int>(i);
    return -1;
}

void TPdfResource::WriteFontEntry() const
{
    std::vector<TPdfNamedObject> fonts;
    for (const auto& font : fonts_)
        fonts.push_back({std::string(), font.get()});
    WriteListResReferences("Font", "", fonts, 1);
}

void TPdfResource::WriteIt()
{
    Device();
    for (const auto& font : fonts_)
        if (!font->Written())
            font->WriteIt();
    for (const auto& encoding : encodings_)
        if (!encoding->Written())
            encoding->WriteIt();
    UpdateXRef();
    RawWriteLN(ObjStart());
    RawWriteLN("/ProcSet [/PDF/Text/ImageC]");
    WriteFontEntry();
    WriteListResReferences("XObject", "/xob", xObjects_, 1);
    WriteObjectEnd();
}
