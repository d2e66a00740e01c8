#include "pdf/PdfFont.h"

#include "pdf/PdfDevice.h"
#include "pdf/PdfDeviceWorkBuffer.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"
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

// Fonts with TrueType outlines; a CFF-based file ("OTTO") is no FontFile2.
bool HasTrueTypeOutlines(std::string_view font)
{
    return font.starts_with(std::string_view("\0\1\0\0", 4)) || font.starts_with("true");
}

// Bytes as the codes of the glyph table.
std::u16string BytesAsUnits(std::string_view text)
{
    std::u16string units(text.size(), u'\0');
    std::transform(text.begin(), text.end(), units.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return units;
}

// The byte codes 1..255 in order.
std::string AllCodes()
{
    std::string codes;
    for (int code = 1; code <= 255; ++code)
        codes += static_cast<char>(code);
    return codes;
}

bool ListHolds(const TStringList& list, std::string_view name)
{
    for (int i = 0; i < list.Count(); ++i)
        if (SameText(list[i], name))
            return true;
    return false;
}

} // namespace

TPdfFontStream::TPdfFontStream(TPdfFileWriter* owner, bool wholeFont) : TPdfStream(owner), wholeFont_(wholeFont)
{
    SetBinary(true);
}

void TPdfFontStream::InitTable(std::string fontData)
{
    fontData_ = std::move(fontData);
    embeddable_ = HasTrueTypeOutlines(fontData_);
    embed_ = embed_ && embeddable_;
    reader_ = std::make_unique<TPdf_TTF_CMAP>(fontData_);
    if (reader_->Failed())
        reader_.reset();
}

void TPdfFontStream::UseChar(int code, bool byteCode)
{
    if (reader_ != nullptr)
        reader_->UseChar(code, byteCode);
}

std::string TPdfFontStream::CopyData() const
{
    if (!wholeFont_ && reader_ != nullptr)
        if (auto subset = SubsetTrueType(fontData_, reader_->UsedGlyphs()))
            return std::move(*subset);
    return fontData_;
}

void TPdfFontStream::WriteEnd()
{
    if (!fontData_.empty()) {
        const std::string data = CopyData();
        RawWrite(data);
        SetLength1(static_cast<int>(data.size()));
    }
    TPdfStream::WriteEnd();
}

TPdfFontDescriptor::TPdfFontDescriptor(TPdfFileWriter* owner, std::string fontName, bool subset)
    : TPdfCustomType(owner), fontName_(std::move(fontName)), subset_(subset)
{
}

std::string TPdfFontDescriptor::GetFontName() const { return embed_ && subset_ ? "TOVREN+" + fontName_ : fontName_; }

TPdfFontStream* TPdfFontDescriptor::Stream() const
{
    return streamEntry_ != nullptr ? static_cast<TPdfFontStream*>(streamEntry_->stream.get()) : nullptr;
}

TPdf_TTF_CMAP* TPdfFontDescriptor::Reader() const { return Stream() != nullptr ? Stream()->Reader() : nullptr; }

std::string TPdfFontDescriptor::AsString()
{
    // Named before embedding may stop, so that the name matches the font's /BaseFont.
    const std::string name = GetFontName();
    if (embed_ && (Reader() == nullptr || !Reader()->CharsUsed()))
        embed_ = false;
    std::string fontFile;
    if (embed_ && Stream()->Embed()) {
        streamEntry_->needed = true;
        fontFile = "\n/FontFile2 " + Stream()->AsReferenceString();
    }
    return "/Type/FontDescriptor\n/FontName/" + name + "\n/Ascent " + PdfIntToStr(Ascent) + "\n/CapHeight " +
           PdfIntToStr(CapHeight) + "\n/Descent " + PdfIntToStr(Descent) + "\n/Flags " + PdfIntToStr(Flags) +
           "\n/FontBBox [" + PdfIntToStr(FontBBox.Left) + " " + PdfIntToStr(FontBBox.Bottom) + " " +
           PdfIntToStr(FontBBox.Right) + " " + PdfIntToStr(FontBBox.Top) + "]\n/ItalicAngle " +
           PdfIntToStr(ItalicAngle) + "\n/StemV " + PdfIntToStr(StemV) + "\n/AvgWidth " + PdfIntToStr(AvgWidth) +
           "\n/Leading " + PdfIntToStr(Leading) + "\n/MaxWidth " + PdfIntToStr(MaxWidth) + "\n/XHeight " +
           PdfIntToStr(XHeight) + fontFile;
}

TPdfFont::TPdfFont(TPdfFileWriter* owner, TPdfDevice* device, std::string faceName, int style, int charset)
    : TPdfName(owner, std::string()), device_(device), faceName_(std::move(faceName)), style_(style), charset_(charset),
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

    descriptor_ = std::make_unique<TPdfFontDescriptor>(Owner(), std::string(postScriptName) + StyleSuffix(style_),
                                                       !device_->WholeFonts());
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

    d.SetEmbed(Embeds(symbolic));
    AttachFontStream(*face);
    if (d.Reader() != nullptr)
        ReadGlyphsFromFile();
}

bool TPdfFont::Excluded() const
{
    const TStringList& only = device_->EmbedOnlyFonts;
    if (only.Count() > 0 && !Trim(only[0]).empty())
        return !ListHolds(only, faceName_);
    return ListHolds(device_->ExcludedFonts, faceName_);
}

bool TPdfFont::Embeds(bool symbolic) const
{
    switch (device_->FontMode) {
    case peEmbedTrueTypeFonts:
    case peEmbedSubsetTrueType_Charsets:
    case peEmbedSubsetTrueType_UsedChar:
        return !Excluded();
    case peEmbedSymbolTrueTypeFonts:
        return symbolic;
    default:
        return false;
    }
}

// Fonts of one face and style share the stream of its file, which embeds when any of them does.
void TPdfFont::AttachFontStream(const TFontFace& face)
{
    TPdfFontDescriptor& d = *descriptor_;
    if (TPdfFontStreamEntry* entry = device_->FindFontStream(d.FontName()); entry != nullptr) {
        d.SetStreamEntry(entry);
        if (d.Embed())
            d.Stream()->SetEmbed(true);
        return;
    }
    auto stream = std::make_unique<TPdfFontStream>(Owner(), device_->WholeFonts());
    stream->SetEmbed(d.Embed());
    TPdfFontStream* added = stream.get();
    d.SetStreamEntry(&device_->AddFontStream(std::move(stream), UpperCase(Trim(d.FontName()))));
    try {
        std::string data = face.FontData();
        if (data.empty())
            return;
        if (device_->OnMessageCallback)
            device_->OnMessageCallback(3, d.FontName(), 0);
        else if (device_->ExtraMessages)
            device_->Error(10, d.FontName());
        added->InitTable(std::move(data));
        added->SetEmbed(d.Embed());
    } catch (const Exception&) {
        device_->Error(5, d.FontName());
    }
}

// The glyph of each byte code, and the widths as the font file gives them.
void TPdfFont::ReadGlyphsFromFile()
{
    TPdfFontDescriptor& d = *descriptor_;
    TPdf_TTF_CMAP& reader = *d.Reader();
    if (charset_ == SymbolCharset && reader.HasByteTable()) {
        for (int code = 1; code <= 256; ++code)
            d.GlyphTable[static_cast<std::size_t>(code)] = reader.ByteGlyph(code);
    } else {
        d.GlyphTable = CodePageGlyphs(reader);
        if (device_->FontMode == peEmbedSubsetTrueType_Charsets && charset_ != SymbolCharset)
            for (const char16_t character : CodePageToUtf16(codePage_, AllCodes()))
                reader.UseChar(character, false);
    }
    WidthsFromGlyphs(reader, d.GlyphTable);
}

// Viewers know the widths of a standard font's Western glyphs only.
void TPdfFont::LoadCodePageWidths()
{
    const auto face =
        TFontEngine::Instance().Face(faceName_, (style_ & PdfFontBold) != 0, (style_ & PdfFontItalic) != 0);
    const TPdf_TTF_CMAP reader(face->FontData());
    if (reader.Failed())
        return;
    const TFontMetrics metrics = face->Metrics(1000);
    firstChar_ = metrics.FirstChar;
    lastChar_ = std::min(metrics.LastChar, 255);
    widths_ = std::make_unique<TPdfNumArray>(Owner());
    widths_->SetPlainHeader(true);
    WidthsFromGlyphs(reader, CodePageGlyphs(reader));
}

std::array<int, 257> TPdfFont::CodePageGlyphs(const TPdf_TTF_CMAP& reader) const
{
    const std::u16string characters = CodePageToUtf16(codePage_, AllCodes());
    std::array<int, 257> glyphs{};
    for (int code = 1; code <= 255; ++code)
        glyphs[static_cast<std::size_t>(code)] = reader.GlyphOf(characters[static_cast<std::size_t>(code - 1)]);
    return glyphs;
}

void TPdfFont::WidthsFromGlyphs(const TPdf_TTF_CMAP& reader, const std::array<int, 257>& glyphs)
{
    widths_->Clear();
    for (int code = firstChar_; code <= lastChar_; ++code)
        widths_->Append(MulDiv(reader.AdvanceWidth(glyphs[static_cast<std::size_t>(code)]), 1000, reader.UnitsPerEm()));
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

// With the font file read: each code's glyph through the glyph table, or each character's through
// the character map.
double TPdfFont::GlyphWidths(std::u16string_view text, bool viaGlyphTable, double size, std::span<int> widths,
                             double scale) const
{
    const TPdf_TTF_CMAP& reader = *descriptor_->Reader();
    double total = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int glyph =
            viaGlyphTable ? descriptor_->GlyphTable[static_cast<std::size_t>(text[i] & 0xFF)] : reader.GlyphOf(text[i]);
        const double width = static_cast<double>(reader.AdvanceWidth(glyph)) * size / reader.UnitsPerEm();
        total += width;
        if (i < widths.size())
            widths[i] = static_cast<int>(std::lround(width * scale));
    }
    return total;
}

double TPdfFont::TextWidth(std::string_view text, double size) const
{
    if (descriptor_ != nullptr && descriptor_->Reader() != nullptr)
        return GlyphWidths(BytesAsUnits(text), true, size, {}, 1);
    return CodeWidths(text, size, {}, 1);
}

double TPdfFont::TextWidthW(std::u16string_view text, double size) const
{
    if (descriptor_ != nullptr && descriptor_->Reader() != nullptr)
        return GlyphWidths(text, false, size, {}, 1);
    return TextWidth(Utf16ToCodePage(codePage_, text), size);
}

bool TPdfFont::TextWidthArray(std::string_view text, double size, std::span<int> widths, double scale) const
{
    if (descriptor_ != nullptr && descriptor_->Reader() != nullptr) {
        GlyphWidths(BytesAsUnits(text), true, size, widths, scale);
        return true;
    }
    if (widths_ == nullptr)
        return false;
    CodeWidths(text, size, widths, scale);
    return true;
}

bool TPdfFont::TextWidthArrayW(std::u16string_view text, double size, std::span<int> widths, double scale) const
{
    if (descriptor_ != nullptr && descriptor_->Reader() != nullptr) {
        GlyphWidths(text, false, size, widths, scale);
        return true;
    }
    return TextWidthArray(Utf16ToCodePage(codePage_, text), size, widths, scale);
}

void TPdfFont::UsedChars(std::string_view text)
{
    if (descriptor_ == nullptr || !descriptor_->Embed() || descriptor_->Reader() == nullptr)
        return;
    if (charset_ == SymbolCharset) {
        for (char c : text)
            descriptor_->Stream()->UseChar(static_cast<unsigned char>(c), true);
    } else {
        UsedCharsW(CodePageToUtf16(codePage_, text));
    }
}

void TPdfFont::UsedCharsW(std::u16string_view text)
{
    if (descriptor_ == nullptr || !descriptor_->Embed() || descriptor_->Reader() == nullptr)
        return;
    for (char16_t c : text)
        descriptor_->Stream()->UseChar(c, false);
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
