#include "pdf/PdfFont.h"

#include "pdf/PdfDeviceWorkBuffer.h"
#include "platform/core/CodePage.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/graphics/FontEngine.h"

#include <algorithm>
#include <cmath>

namespace {

std::string StyleSuffix(int style)
{
    const bool bold = (style & PdfFontBold) != 0;
    const bool italic = (style & PdfFontItalic) != 0;
    if (bold && italic)
        return ",BoldItalic";
    if (italic)
        return ",Italic";
    return bold ? ",Bold" : "";
}

} // namespace

TPdfFontDescriptor::TPdfFontDescriptor(TPdfFileWriter* owner, std::string fontName)
    : TPdfCustomType(owner), fontName_(std::move(fontName))
{
}

std::string TPdfFontDescriptor::AsString()
{
    return "/Type/FontDescriptor\n/FontName/" + GetFontName() + "\n/Ascent " + PdfIntToStr(Ascent) + "\n/CapHeight " +
           PdfIntToStr(CapHeight) + "\n/Descent " + PdfIntToStr(Descent) + "\n/Flags " + PdfIntToStr(Flags) +
           "\n/FontBBox [" + PdfIntToStr(FontBBox.Left) + " " + PdfIntToStr(FontBBox.Bottom) + " " +
           PdfIntToStr(FontBBox.Right) + " " + PdfIntToStr(FontBBox.Top) + "]\n/ItalicAngle " +
           PdfIntToStr(ItalicAngle) + "\n/StemV " + PdfIntToStr(StemV) + "\n/AvgWidth " + PdfIntToStr(AvgWidth) +
           "\n/Leading " + PdfIntToStr(Leading) + "\n/MaxWidth " + PdfIntToStr(MaxWidth) + "\n/XHeight " +
           PdfIntToStr(XHeight);
}

TPdfFont::TPdfFont(TPdfFileWriter* owner, std::string faceName, int style, int charset)
    : TPdfName(owner, std::string()), faceName_(std::move(faceName)), style_(style), charset_(charset),
      codePage_(GetCodePage(charset))
{
}

TPdfFont::~TPdfFont() = default;

bool TPdfFont::IsSymbolName() const
{
    return SameText(faceName_, "Symbol") || SameText(faceName_, "WingDings") || SameText(faceName_, "WebDings");
}

void TPdfFont::LoadTTFData(std::string_view postScriptName)
{
    const auto face =
        TFontEngine::Instance().Face(faceName_, (style_ & PdfFontBold) != 0, (style_ & PdfFontItalic) != 0);
    const TFontMetrics metrics = face->Metrics(1000);
    actualCharset_ = face->CharSet();
    firstChar_ = metrics.FirstChar;
    lastChar_ = std::min(metrics.LastChar, 255);
    // The engine measures every code; the ones outside the font's range keep the average width.
    std::array<int, 256> widths{};
    widths.fill(metrics.AveCharWidth);
    const std::array<int, 256> measured = face->CharWidths(1000);
    std::copy(measured.begin() + firstChar_, measured.begin() + lastChar_ + 1, widths.begin() + firstChar_);

    descriptor_ = std::make_unique<TPdfFontDescriptor>(Owner(), std::string(postScriptName) + StyleSuffix(style_));
    TPdfFontDescriptor& d = *descriptor_;
    d.Ascent = metrics.TypoAscent;
    d.CapHeight = metrics.CapHeight != 0 ? metrics.CapHeight : 500;
    d.Descent = metrics.TypoDescent;
    // The engine gives degrees, as the descriptor wants them.
    d.ItalicAngle = metrics.ItalicAngle;
    d.XHeight = metrics.XHeight;
    d.Leading = metrics.InternalLeading + metrics.ExternalLeading;
    d.FontBBox = metrics.FontBox;
    d.Scale = metrics.Height != 0 ? 1000.0 / metrics.Height : 0;
    const bool symbolic = actualCharset_ == SymbolCharset || IsSymbolName();
    d.Flags = symbolic ? 6 : 32;
    if (symbolic)
        charset_ = SymbolCharset;

    widths_ = std::make_unique<TPdfNumArray>(Owner());
    widths_->SetPlainHeader(true);
    long long sum = 0;
    for (int code = firstChar_; code <= lastChar_; ++code) {
        widths_->Append(widths[static_cast<std::size_t>(code)]);
        sum += widths[static_cast<std::size_t>(code)];
        d.MaxWidth = std::max(d.MaxWidth, widths[static_cast<std::size_t>(code)]);
    }
    // Divided by the number of codes, which is never 0.
    d.AvgWidth = static_cast<int>(sum / (lastChar_ - firstChar_ + 1));
}

double TPdfFont::CodeWidths(std::string_view text, double size, std::span<int> widths, double scale) const
{
    double total = 0;
    if (widths_ == nullptr)
        return total;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int index = static_cast<unsigned char>(text[i]) - firstChar_;
        if (index < 0 || index >= widths_->Count())
            continue;
        const double width = widths_->Value(index) / 1000.0 * size;
        total += width;
        if (i < widths.size())
            widths[i] = static_cast<int>(std::lround(width * scale));
    }
    return total;
}

double TPdfFont::TextWidth(std::string_view text, double size) const { return CodeWidths(text, size, {}, 1); }

double TPdfFont::TextWidthW(std::u16string_view text, double size) const
{
    return TextWidth(Utf16ToCodePage(codePage_, text), size);
}

bool TPdfFont::TextWidthArray(std::string_view text, double size, std::span<int> widths, double scale) const
{
    if (widths_ == nullptr)
        return false;
    CodeWidths(text, size, widths, scale);
    return true;
}

bool TPdfFont::TextWidthArrayW(std::u16string_view text, double size, std::span<int> widths, double scale) const
{
    return TextWidthArray(Utf16ToCodePage(codePage_, text), size, widths, scale);
}

void TPdfFont::WriteIt()
{
    Device();
    if (widths_ != nullptr && !widths_->Written())
        widths_->WriteIt();
    if (descriptor_ != nullptr && !descriptor_->Written())
        descriptor_->WriteIt();
    UpdateXRef();
    RawWriteLN(ObjStart());
    RawWriteLN(AsString());
    if (widths_ != nullptr) {
        RawWriteLN("/FirstChar " + PdfIntToStr(firstChar_));
        RawWriteLN("/LastChar " + PdfIntToStr(lastChar_));
        RawWriteLN("/Widths " + widths_->AsReferenceString());
    }
    if (descriptor_ != nullptr)
        RawWriteLN("/FontDescriptor " + descriptor_->AsReferenceString());
    WriteObjectEnd();
    widths_.reset();
}

std::string TPdfFont::AsReferenceArrayString() { return "/F" + PdfIntToStr(number_) + " " + AsReferenceString(); }
