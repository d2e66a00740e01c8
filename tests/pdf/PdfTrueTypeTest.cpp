#include "pdf/PdfTrueType.h"

#include "platform/core/CodePage.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/FontEngine.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H

#include <gtest/gtest.h>

#include <map>

namespace {

void Put16(std::string& out, unsigned value)
{
    out += static_cast<char>((value >> 8) & 0xFF);
    out += static_cast<char>(value & 0xFF);
}

void Put32(std::string& out, std::uint32_t value)
{
    Put16(out, value >> 16);
    Put16(out, value & 0xFFFF);
}

std::string Words(std::initializer_list<unsigned> values)
{
    std::string out;
    for (unsigned value : values)
        Put16(out, value);
    return out;
}

// A font file of the given tables, in tag order, each on four bytes.
std::string FontFile(const std::map<std::string, std::string>& tables)
{
    std::string directory;
    std::string data;
    const std::size_t dataStart = 12 + 16 * tables.size();
    for (const auto& [tag, bytes] : tables) {
        directory += tag;
        Put32(directory, 0);
        Put32(directory, static_cast<std::uint32_t>(dataStart + data.size()));
        Put32(directory, static_cast<std::uint32_t>(bytes.size()));
        data += bytes;
        data.append((4 - data.size() % 4) % 4, '\0');
    }
    std::string font;
    Put32(font, 0x00010000);
    font += Words({static_cast<unsigned>(tables.size()), 0, 0, 0});
    return font + directory + data;
}

std::string SimpleGlyph(int x)
{
    // One contour of one on-curve point.
    std::string glyph = Words({1, 0, 0, 0, 0, 0, 0}) + '\x01';
    Put16(glyph, static_cast<unsigned>(x));
    Put16(glyph, 0);
    return glyph + '\0';
}

std::string CompositeGlyph(std::initializer_list<unsigned> components)
{
    std::string glyph = Words({0xFFFF, 0, 0, 0, 0});
    std::size_t left = components.size();
    for (unsigned component : components) {
        const unsigned argsAreWordsAndXY = 0x0003;
        glyph += Words({argsAreWordsAndXY | (--left > 0 ? 0x20u : 0u), component, 0, 0});
    }
    return glyph;
}

constexpr unsigned GlyphCount = 6;

// Six glyphs: 1, 2 and 5 simple, 3 made of 1 and 2, 4 made of 3. The character map's first
// segment takes its glyphs from the glyph array and adds a delta of 2; 'a' maps by delta alone to
// glyph 5, 'b' to glyph 6, one past the last.
std::map<std::string, std::string> HandBuiltTables()
{
    std::map<std::string, std::string> tables;
    std::string head(54, '\0');
    head[18] = '\x03', head[19] = '\xE8'; // 1000 units per em
    tables["head"] = head;
    tables["maxp"] = Words({0, 0x5000, GlyphCount});
    std::string hhea(34, '\0');
    tables["hhea"] = hhea + Words({GlyphCount});
    std::string hmtx;
    for (unsigned g = 0; g < GlyphCount; ++g)
        hmtx += Words({100 * (g + 1), 0});
    tables["hmtx"] = hmtx;

    const unsigned segments = 4;
    const std::string format4Body = Words({2 * segments, 0, 0, 0}) + Words({0x43, 0x61, 0x62, 0xFFFF}) + Words({0}) +
                                    Words({0x41, 0x61, 0x62, 0xFFFF}) +
                                    Words({2, (5 - 0x61) & 0xFFFF, (6 - 0x62) & 0xFFFF, 1}) +
                                    Words({2 * segments, 0, 0, 0}) + Words({1, 0, 2});
    std::string cmap = Words({0, 1, 3, 1}) + Words({0, 12}) + Words({4});
    Put16(cmap, static_cast<unsigned>(6 + format4Body.size()));
    cmap += Words({0}) + format4Body;
    tables["cmap"] = cmap;

    const std::string glyphs[GlyphCount] = {
        "", SimpleGlyph(10), SimpleGlyph(20), CompositeGlyph({1, 2}), CompositeGlyph({3}), SimpleGlyph(50)};
    std::string glyf;
    std::string loca;
    for (const std::string& glyph : glyphs) {
        Put16(loca, static_cast<unsigned>(glyf.size() / 2));
        glyf += glyph;
        glyf.append(glyf.size() % 2, '\0');
    }
    Put16(loca, static_cast<unsigned>(glyf.size() / 2));
    tables["glyf"] = glyf;
    tables["loca"] = loca;
    // FreeType wants a naming table, if an empty one.
    tables["name"] = Words({0, 0, 6});
    return tables;
}

struct TFreeType {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    explicit TFreeType(const std::string& font)
    {
        FT_Init_FreeType(&library);
        FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(font.data()), static_cast<FT_Long>(font.size()), 0,
                           &face);
    }
    ~TFreeType()
    {
        if (face != nullptr)
            FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
    TFreeType(const TFreeType&) = delete;
    TFreeType& operator=(const TFreeType&) = delete;

    int OutlinePoints(unsigned glyph) const
    {
        return FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE) == 0 ? face->glyph->outline.n_points : -1;
    }
};

} // namespace

TEST(PdfTrueType, GlyphsAndWidthsAgreeWithFreeTypeAndTheCanvas)
{
    struct Request {
        const char* name;
        bool bold;
        bool italic;
    };
    for (const Request& request : {Request{"Arial", false, false}, Request{"Times New Roman", false, false},
                                   Request{"Courier New", false, false}, Request{"DejaVu Sans", false, false},
                                   Request{"DejaVu Sans", true, false}, Request{"DejaVu Sans", false, true}}) {
        SCOPED_TRACE(std::string(request.name) + (request.bold ? " bold" : "") + (request.italic ? " italic" : ""));
        const auto face = TFontEngine::Instance().Face(request.name, request.bold, request.italic);
        ASSERT_EQ(face->Bold(), request.bold);
        ASSERT_EQ(face->Italic(), request.italic);
        const std::string font = face->FontData();
        const TPdf_TTF_CMAP reader(font);
        ASSERT_FALSE(reader.Failed());
        const TFreeType freeType(font);
        ASSERT_NE(freeType.face, nullptr);
        ASSERT_EQ(FT_Select_Charmap(freeType.face, FT_ENCODING_UNICODE), 0);
        EXPECT_EQ(reader.UnitsPerEm(), freeType.face->units_per_EM);
        for (int page : {1252, 1250, 1251, 1253, 1257}) {
            for (int code = 1; code < 256; ++code) {
                SCOPED_TRACE(std::to_string(page) + " code " + std::to_string(code));
                const char16_t character = CodePageToUtf16(page, std::string(1, static_cast<char>(code)))[0];
                const auto expected = static_cast<int>(FT_Get_Char_Index(freeType.face, character));
                FT_Fixed advance = 0;
                FT_Get_Advance(freeType.face, static_cast<FT_UInt>(expected), FT_LOAD_NO_SCALE, &advance);
                const int glyph = reader.GlyphOf(character);
                const int width = MulDiv(reader.AdvanceWidth(glyph), 1000, reader.UnitsPerEm());
                ASSERT_EQ(glyph, expected);
                ASSERT_EQ(width, MulDiv(static_cast<int>(advance), 1000, freeType.face->units_per_EM));
                if (page == 1252) {
                    ASSERT_EQ(glyph, face->GlyphIndex(static_cast<unsigned char>(code)));
                    ASSERT_EQ(width, face->CharWidth(static_cast<unsigned char>(code), 1000));
                }
            }
        }
    }
}

TEST(PdfTrueType, HandBuiltTablesMapDeltasAndBoundsAndSubsetNestedComposites)
{
    const std::string font = FontFile(HandBuiltTables());
    const TPdf_TTF_CMAP reader(font);
    ASSERT_FALSE(reader.Failed());
    EXPECT_EQ(reader.UnitsPerEm(), 1000);
    // Glyphs from the glyph array take the segment's delta too; a zero entry stays "no glyph".
    EXPECT_EQ(reader.GlyphOf('A'), 3);
    EXPECT_EQ(reader.GlyphOf('B'), 0);
    EXPECT_EQ(reader.GlyphOf('C'), 4);
    EXPECT_EQ(reader.GlyphOf('a'), 5);
    // A glyph number equal to the glyph count lies past the last glyph.
    EXPECT_EQ(reader.GlyphOf('b'), 0);
    EXPECT_EQ(reader.GlyphOf(0), 0);
    EXPECT_EQ(reader.AdvanceWidth(5), 600);
    EXPECT_EQ(reader.AdvanceWidth(6), 0);

    const TFreeType original(font);
    ASSERT_NE(original.face, nullptr);
    EXPECT_EQ(FT_Get_Char_Index(original.face, 'A'), 3u);
    EXPECT_EQ(FT_Get_Char_Index(original.face, 'C'), 4u);

    // Glyph 4 is made of 3, which is made of 1 and 2, all of them below it.
    std::vector<std::uint8_t> used(GlyphCount, 0);
    used[4] = 1;
    const auto subset = SubsetTrueType(font, used);
    ASSERT_TRUE(subset.has_value());
    const TFreeType cut(*subset);
    ASSERT_NE(cut.face, nullptr);
    EXPECT_EQ(cut.face->num_glyphs, static_cast<FT_Long>(GlyphCount));
    EXPECT_EQ(cut.OutlinePoints(4), 2);
    EXPECT_EQ(cut.OutlinePoints(1), 1);
    EXPECT_EQ(cut.OutlinePoints(2), 1);
    EXPECT_EQ(cut.OutlinePoints(5), 0);
    EXPECT_LT(subset->size(), font.size());
}

TEST(PdfTrueType, DamagedFilesLeaveTheReaderFailed)
{
    const std::string font = FontFile(HandBuiltTables());
    // Cut short inside each table and inside the directory.
    for (std::size_t length = 0; length < font.size(); length += 7) {
        SCOPED_TRACE(length);
        const std::string cut = font.substr(0, length);
        EXPECT_TRUE(TPdf_TTF_CMAP(cut).Failed());
        EXPECT_FALSE(SubsetTrueType(cut, std::vector<std::uint8_t>(GlyphCount, 1)).has_value());
    }

    auto tables = HandBuiltTables();
    tables["hmtx"].resize(8);
    EXPECT_TRUE(TPdf_TTF_CMAP(FontFile(tables)).Failed());
    tables = HandBuiltTables();
    tables["cmap"][14] = '\x7F'; // the format 4 subtable claims more than the table holds
    EXPECT_TRUE(TPdf_TTF_CMAP(FontFile(tables)).Failed());
    tables = HandBuiltTables();
    tables.erase("cmap");
    EXPECT_TRUE(TPdf_TTF_CMAP(FontFile(tables)).Failed());
    tables = HandBuiltTables();
    tables["loca"][11] = '\x7F'; // the last glyph starts past the end of "glyf"
    EXPECT_FALSE(TPdf_TTF_CMAP(FontFile(tables)).Failed());
    EXPECT_FALSE(SubsetTrueType(FontFile(tables), std::vector<std::uint8_t>(GlyphCount, 1)).has_value());
    tables = HandBuiltTables();
    // Glyph 4's one component claims that more follow, past the end of the glyph.
    tables["glyf"][77] = static_cast<char>(tables["glyf"][77] | 0x20);
    EXPECT_TRUE(SubsetTrueType(FontFile(tables), std::vector<std::uint8_t>(GlyphCount, 1)).has_value());
}
