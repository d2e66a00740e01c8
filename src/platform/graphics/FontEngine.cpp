#include "platform/graphics/FontEngine.h"

#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"
#include "platform/core/TextUtils.h"
#include "platform/graphics/Graphic.h"
#include "platform/graphics/TrueTypeFile.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_map>

namespace {

constexpr std::string_view SCannotLoadFont = "Cannot load font data!";
// No font file the program meets comes near this; a bigger file is not read.
constexpr std::int64_t MaxFontFileBytes = std::int64_t{64} << 20;

// The Unicode character of each Windows-1252 byte.
const std::array<char32_t, 256>& UnicodeOfCodes()
{
    static const std::array<char32_t, 256> table = [] {
        std::array<char32_t, 256> codes{};
        for (int code = 0; code < 256; ++code) {
            const std::string utf8 = Win1252ToUtf8(std::string(1, static_cast<char>(code)));
            const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
            if (utf8.size() == 1)
                codes[code] = p[0];
            else if (utf8.size() == 2)
                codes[code] = ((p[0] & 0x1Fu) << 6) | (p[1] & 0x3Fu);
            else
                codes[code] = ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
        }
        return codes;
    }();
    return table;
}

// One face of a TrueType collection as a font file of its own: offset table, directory, and each
// table copied and padded to four bytes; the head table's checksum adjustment is made anew.
std::string FontOutOfCollection(const std::string& file, int faceIndex)
{
    const auto fail = [] { return EInvalidGraphic(std::string(SCannotLoadFont)); };
    if (file.size() < 12)
        throw fail();
    const std::uint32_t fontCount = BigEndian32(file, 8);
    if (faceIndex < 0 || static_cast<std::uint32_t>(faceIndex) >= fontCount ||
        12 + 4 * static_cast<std::size_t>(fontCount) > file.size())
        throw fail();
    const std::size_t start = BigEndian32(file, 12 + 4 * static_cast<std::size_t>(faceIndex));
    const auto tables = ReadTableDirectory(file, start);
    if (!tables)
        throw fail();

    const auto tableCount = static_cast<unsigned>(tables->size());
    std::string font = OffsetTable(BigEndian32(file, start), tableCount);
    font.resize(12 + 16 * std::size_t{tableCount}, '\0');
    std::size_t headAt = 0;
    for (unsigned t = 0; t < tableCount; ++t) {
        const TTrueTypeTable& table = (*tables)[t];
        const std::size_t at = font.size();
        font.append(file, table.Offset, table.Length);
        font.append((4 - table.Length % 4) % 4, '\0');
        const std::size_t target = 12 + 16 * std::size_t{t};
        PutBigEndian32(font, target, table.Tag);
        PutBigEndian32(font, target + 4, table.Checksum);
        PutBigEndian32(font, target + 8, static_cast<std::uint32_t>(at));
        PutBigEndian32(font, target + 12, static_cast<std::uint32_t>(table.Length));
        if (table.Tag == TableTag("head") && table.Length >= 12)
            headAt = at;
    }
    if (headAt != 0) {
        PutBigEndian32(font, headAt + 8, 0);
        PutBigEndian32(font, headAt + 8, 0xB1B0AFBAu - TableChecksum(font, 0, font.size()));
    }
    return font;
}

std::string ReadFontFile(const std::string& fileName)
{
    TFileStream stream(fileName, fmOpenRead);
    const std::int64_t size = stream.Size();
    if (size <= 0 || size > MaxFontFileBytes)
        throw EInvalidGraphic(std::string(SCannotLoadFont));
    std::string bytes(static_cast<std::size_t>(size), '\0');
    stream.ReadBuffer(bytes.data(), size);
    return bytes;
}

std::uint64_t GlyphKey(unsigned char code, int emHeight, int escapement)
{
    return (static_cast<std::uint64_t>(code) << 48) | (static_cast<std::uint64_t>(emHeight & 0xFFFFFF) << 24) |
           static_cast<std::uint64_t>(escapement & 0xFFFFFF);
}

} // namespace

struct TFontEngine::Library {
    FT_Library handle = nullptr;
    Library()
    {
        if (FT_Init_FreeType(&handle) != 0)
            throw EInvalidGraphic(std::string(SCannotLoadFont));
    }
    ~Library() { FT_Done_FreeType(handle); }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
};

struct TFontFace::Impl {
    std::shared_ptr<TFontEngine::Library> library;
    std::string bytes;
    FT_Face face = nullptr;
    std::string familyName;
    std::string fileName;
    int faceIndex = 0;
    bool symbol = false;
    std::array<int, 256> glyphs{};
    std::array<int, 256> advances{};
    mutable std::unordered_map<std::uint64_t, TGlyphImage> glyphCache;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl()
    {
        if (face != nullptr)
            FT_Done_Face(face);
    }

    int Scale(int value, int emHeight) const { return MulDiv(value, emHeight, face->units_per_EM); }
    const TT_OS2* Os2() const
    {
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        return os2 != nullptr && os2->version != 0xFFFF ? os2 : nullptr;
    }
    int WinAscent() const { return Os2() ? Os2()->usWinAscent : face->ascender; }
    int WinDescent() const { return Os2() ? Os2()->usWinDescent : -face->descender; }

    void MapCodes()
    {
        symbol =
            FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 && FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0;
        for (int code = 0; code < 256; ++code) {
            const FT_ULong character = symbol ? 0xF000u + static_cast<FT_ULong>(code) : UnicodeOfCodes()[code];
            glyphs[code] = static_cast<int>(FT_Get_Char_Index(face, character));
            FT_Fixed advance = 0;
            FT_Get_Advance(face, static_cast<FT_UInt>(glyphs[code]), FT_LOAD_NO_SCALE, &advance);
            advances[code] = static_cast<int>(advance);
        }
    }

    TGlyphImage Render(unsigned char code, int emHeight, int escapement) const
    {
        TGlyphImage image;
        if (emHeight <= 0 || FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(emHeight)) != 0)
            return image;
        const double angle = escapement / 10.0 * std::numbers::pi / 180.0;
        FT_Matrix matrix{static_cast<FT_Fixed>(std::lround(std::cos(angle) * 65536.0)),
                         static_cast<FT_Fixed>(std::lround(-std::sin(angle) * 65536.0)),
                         static_cast<FT_Fixed>(std::lround(std::sin(angle) * 65536.0)),
                         static_cast<FT_Fixed>(std::lround(std::cos(angle) * 65536.0))};
        FT_Set_Transform(face, &matrix, nullptr);
        const FT_Error error = FT_Load_Glyph(face, static_cast<FT_UInt>(glyphs[code]),
                                             FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME);
        FT_Set_Transform(face, nullptr, nullptr);
        const FT_Bitmap& bitmap = face->glyph->bitmap;
        if (error != 0 || bitmap.pixel_mode != FT_PIXEL_MODE_MONO || bitmap.buffer == nullptr)
            return image;
        image.Left = face->glyph->bitmap_left;
        image.Top = -face->glyph->bitmap_top;
        image.Width = static_cast<int>(bitmap.width);
        image.Rows = static_cast<int>(bitmap.rows);
        image.Pitch = (image.Width + 7) / 8;
        image.Bits.resize(static_cast<std::size_t>(image.Pitch * image.Rows));
        for (int y = 0; y < image.Rows; ++y)
            std::copy_n(bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch, image.Pitch,
                        image.Bits.begin() + static_cast<std::ptrdiff_t>(y) * image.Pitch);
        return image;
    }
};

TFontFace::TFontFace(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TFontFace::~TFontFace() = default;

const std::string& TFontFace::FamilyName() const { return impl_->familyName; }
const std::string& TFontFace::FileName() const { return impl_->fileName; }
int TFontFace::FaceIndex() const { return impl_->faceIndex; }
bool TFontFace::Bold() const { return (impl_->face->style_flags & FT_STYLE_FLAG_BOLD) != 0; }
bool TFontFace::Italic() const { return (impl_->face->style_flags & FT_STYLE_FLAG_ITALIC) != 0; }
int TFontFace::UnitsPerEm() const { return impl_->face->units_per_EM; }
int TFontFace::CharSet() const { return impl_->symbol ? 2 : 0; }

TFontMetrics TFontFace::Metrics(int emHeight) const
{
    const Impl& f = *impl_;
    const auto scale = [&](int value) { return f.Scale(value, emHeight); };
    const TT_OS2* os2 = f.Os2();
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(f.face, FT_SFNT_HHEA));
    const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(f.face, FT_SFNT_POST));

    TFontMetrics m;
    m.EmHeight = emHeight;
    m.Ascent = scale(f.WinAscent());
    m.Descent = scale(f.WinDescent());
    m.Height = m.Ascent + m.Descent;
    m.InternalLeading = m.Height - emHeight;
    if (hhea != nullptr) {
        // Windows keeps the part of the line gap that the Windows cell does not already cover.
        const int covered = (f.WinAscent() + f.WinDescent()) - (hhea->Ascender - hhea->Descender);
        m.ExternalLeading = scale(std::max(0, hhea->Line_Gap - covered));
        m.MaxCharWidth = scale(hhea->advance_Width_Max);
    }
    if (os2 != nullptr) {
        m.AveCharWidth = scale(os2->xAvgCharWidth);
        m.TypoAscent = scale(os2->sTypoAscender);
        m.TypoDescent = scale(os2->sTypoDescender);
        m.StrikeoutPosition = scale(os2->yStrikeoutPosition);
        m.StrikeoutSize = scale(os2->yStrikeoutSize);
        if (os2->version >= 2) {
            m.CapHeight = scale(os2->sCapHeight);
            m.XHeight = scale(os2->sxHeight);
        }
    } else {
        m.TypoAscent = scale(f.face->ascender);
        m.TypoDescent = scale(f.face->descender);
    }
    if (post != nullptr)
        m.ItalicAngle = static_cast<int>(std::lround(static_cast<double>(post->italicAngle) / 65536.0));
    m.FontBox = Rect(scale(static_cast<int>(f.face->bbox.xMin)), scale(static_cast<int>(f.face->bbox.yMax)),
                     scale(static_cast<int>(f.face->bbox.xMax)), scale(static_cast<int>(f.face->bbox.yMin)));
    m.UnderlinePosition = scale(f.face->underline_position);
    m.UnderlineThickness = scale(f.face->underline_thickness);

    m.FirstChar = 255;
    m.LastChar = 0;
    for (int code = 0; code < 256; ++code)
        if (f.glyphs[code] != 0) {
            m.FirstChar = std::min(m.FirstChar, code);
            m.LastChar = code;
        }
    if (m.LastChar < m.FirstChar)
        m.FirstChar = m.LastChar = 0;
    return m;
}

int TFontFace::EmForCellHeight(int cellHeight) const
{
    return MulDiv(cellHeight, UnitsPerEm(), std::max(1, impl_->WinAscent() + impl_->WinDescent()));
}

int TFontFace::GlyphIndex(unsigned char code) const { return impl_->glyphs[code]; }
int TFontFace::AdvanceUnits(unsigned char code) const { return impl_->advances[code]; }
int TFontFace::CharWidth(unsigned char code, int emHeight) const
{
    return impl_->Scale(impl_->advances[code], emHeight);
}

std::array<int, 256> TFontFace::CharWidths(int emHeight) const
{
    std::array<int, 256> widths{};
    for (int code = 0; code < 256; ++code)
        widths[code] = CharWidth(static_cast<unsigned char>(code), emHeight);
    return widths;
}

int TFontFace::TextWidth(std::string_view text, int emHeight) const
{
    int width = 0;
    for (char c : text)
        width += CharWidth(static_cast<unsigned char>(c), emHeight);
    return width;
}

std::string TFontFace::FontData() const
{
    if (impl_->bytes.size() >= 4 && impl_->bytes.compare(0, 4, "ttcf") == 0)
        return FontOutOfCollection(impl_->bytes, impl_->faceIndex);
    return impl_->bytes;
}

const TGlyphImage& TFontFace::Glyph(unsigned char code, int emHeight, int escapement) const
{
    const std::uint64_t key = GlyphKey(code, emHeight, escapement);
    auto found = impl_->glyphCache.find(key);
    if (found == impl_->glyphCache.end())
        found = impl_->glyphCache.emplace(key, impl_->Render(code, emHeight, escapement)).first;
    return found->second;
}

TFontEngine& TFontEngine::Instance()
{
    static TFontEngine engine;
    return engine;
}

TFontEngine::TFontEngine() : library_(std::make_shared<Library>()) {}
TFontEngine::~TFontEngine() = default;

std::string TFontEngine::FamilyForName(std::string_view name)
{
    static const std::pair<std::string_view, std::string_view> aliases[] = {
        {"Arial", "Liberation Sans"},
        {"MS Sans Serif", "Liberation Sans"},
        {"Times New Roman", "Liberation Serif"},
        {"Courier New", "Liberation Mono"},
    };
    const std::string trimmed = Trim(name);
    for (const auto& [windowsName, family] : aliases)
        if (SameText(trimmed, windowsName))
            return std::string(family);
    return Win1252ToUtf8(trimmed);
}

std::shared_ptr<const TFontFace> TFontEngine::Face(std::string_view name, bool bold, bool italic)
{
    const std::string request = UpperCase(Trim(name)) + (bold ? "/B" : "/") + (italic ? "I" : "");
    if (const auto found = byRequest_.find(request); found != byRequest_.end())
        return found->second;

    FcPattern* pattern = FcPatternCreate();
    const std::string family = FamilyForName(name);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    FcChar8* file = nullptr;
    int index = 0;
    const bool found = match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch;
    std::string fileName = found ? std::string(reinterpret_cast<const char*>(file)) : std::string();
    if (match != nullptr) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternDestroy(match);
    }
    if (!found)
        throw EInvalidGraphic(std::string(SCannotLoadFont));
    auto face = FaceFromFile(fileName, index);
    byRequest_[request] = face;
    return face;
}

std::shared_ptr<const TFontFace> TFontEngine::FaceFromFile(std::string_view fileName, int faceIndex)
{
    const std::string key = std::string(fileName) + "#" + IntToStr(faceIndex);
    if (const auto found = byFile_.find(key); found != byFile_.end())
        return found->second;

    auto impl = std::make_unique<TFontFace::Impl>();
    impl->library = library_;
    impl->fileName = std::string(fileName);
    impl->faceIndex = faceIndex;
    impl->bytes = ReadFontFile(impl->fileName);
    if (FT_New_Memory_Face(library_->handle, reinterpret_cast<const FT_Byte*>(impl->bytes.data()),
                           static_cast<FT_Long>(impl->bytes.size()), faceIndex, &impl->face) != 0 ||
        !FT_IS_SFNT(impl->face) || !FT_IS_SCALABLE(impl->face) || impl->face->units_per_EM == 0)
        throw EInvalidGraphic(std::string(SCannotLoadFont));
    impl->familyName = impl->face->family_name != nullptr ? Utf8ToWin1252(impl->face->family_name) : std::string();
    impl->MapCodes();
    auto face = std::make_shared<const TFontFace>(std::move(impl));
    byFile_[key] = face;
    return face;
}
