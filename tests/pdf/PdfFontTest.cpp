#include "pdf/PdfFont.h"

#include "ImageTestSupport.h"
#include "pdf/PdfTestSupport.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

namespace {

struct TFontTestDocument {
    TFontTestDocument() { writer.OpenMemory(); }
    TPdfFileWriter writer;
    TPdfDevice device;
    TSmallDocument document{writer, &device};
    TPdfResource& resources = document.resources;
};

// A line of text in each font, one line lower each.
std::string ContentShowing(const std::vector<std::pair<int, std::string>>& lines)
{
    std::string content;
    int y = 800;
    for (const auto& [font, text] : lines) {
        content += "BT /F" + std::to_string(font) + " 12 Tf 40 " + std::to_string(y) + " Td (" + text + ") Tj ET\n";
        y -= 20;
    }
    return content;
}

} // namespace

TEST(PdfFont, NamesAreReplacedReusedAndSpelledAsPostScriptNames)
{
    TFontTestDocument doc;
    TPdfResource& r = doc.resources;
    EXPECT_EQ(r.AddFontName("MS Sans Serif", 0, 0), 1);
    EXPECT_EQ(r.AddFontName("ms sans serif", 0, 0), 1);
    EXPECT_EQ(r.FontCount(), 1);
    EXPECT_EQ(r.Font(1)->FaceName(), "Arial");
    EXPECT_EQ(doc.device.DefaultFontName, "Arial");
    EXPECT_EQ(r.Font(1)->AsString(), "/Type/Font\n/Subtype/TrueType\n/BaseFont/Arial\n/Encoding /WinAnsiEncoding\n");
    // DEFAULT resolved to ANSI: later DEFAULT requests find the font, ANSI ones too.
    EXPECT_EQ(r.AddFontName("Arial", 1, PdfFontBold), 2);
    EXPECT_TRUE(r.Font(2)->DefaultSet());
    EXPECT_EQ(r.AddFontName("Arial", 1, PdfFontBold), 2);
    EXPECT_EQ(r.AddFontName("Times New Roman", 0, PdfFontBold | PdfFontItalic), 3);
    EXPECT_EQ(r.CurrentFont(), r.Font(3));
    EXPECT_EQ(r.Font(3)->Descriptor()->GetFontName(), "TimesNewRoman,BoldItalic");
    EXPECT_EQ(r.AddFontName("Arial", 0, PdfFontBold), 4);

    // The standard fonts, numbered on.
    doc.device.FontMode = peUseBase14Type1Fonts;
    EXPECT_EQ(r.AddFontName("Courier New", 0, PdfFontBold), 5);
    EXPECT_EQ(r.Font(5)->AsString(),
              "/Type/Font/Subtype/Type1/Name/F5/BaseFont/Courier-Bold\n/Encoding /WinAnsiEncoding");
    EXPECT_EQ(r.AddFontName("Courier New", 0, PdfFontBold), 5);
    r.AddFontName("Arial", 0, PdfFontItalic);
    EXPECT_NE(r.CurrentFont()->AsString().find("/BaseFont/Helvetica-Oblique\n"), std::string::npos);
    r.AddFontName("Times New Roman", 0, PdfFontItalic);
    EXPECT_NE(r.CurrentFont()->AsString().find("/BaseFont/Times-Italic\n"), std::string::npos);
    r.AddFontName("Wingdings", 2, 0);
    EXPECT_NE(r.CurrentFont()->AsString().find("/BaseFont/ZapfDingbats\n"), std::string::npos);
    r.AddFontName("(Symbol)", 2, 0);
    EXPECT_NE(r.CurrentFont()->AsString().find("/BaseFont/Symbol\n"), std::string::npos);
    EXPECT_EQ(r.CurrentFont()->Widths(), nullptr);
    EXPECT_EQ(r.CurrentFont()->Descriptor(), nullptr);

    TPdfResource withoutDevice(&doc.writer);
    EXPECT_EQ(RaisedMessage<Exception>([&] { withoutDevice.AddFontName("Arial", 0, 0); }), "Object has no owner");
}

// Widths and descriptor from the font engine: the widths the canvas measures, the italic angle in
// degrees, and the average over the number of codes.
TEST(PdfFont, MeasuresAsTheCanvasDoes)
{
    TFontTestDocument doc;
    const int number = doc.resources.AddFontName("Arial", 0, PdfFontItalic);
    const TPdfFont& font = *doc.resources.Font(number);
    const auto face = TFontEngine::Instance().Face("Arial", false, true);
    EXPECT_EQ(font.FirstChar(), 32);
    EXPECT_EQ(font.LastChar(), 255);
    ASSERT_EQ(font.Widths()->Count(), 224);
    long long sum = 0;
    for (int code = 32; code <= 255; ++code) {
        EXPECT_EQ(font.Widths()->Value(code - 32), face->CharWidth(static_cast<unsigned char>(code), 1000));
        sum += face->CharWidth(static_cast<unsigned char>(code), 1000);
    }
    const TPdfFontDescriptor& d = *font.Descriptor();
    EXPECT_EQ(d.AvgWidth, sum / 224);
    EXPECT_EQ(d.ItalicAngle, -12);
    EXPECT_EQ(d.Flags, 32);
    // Text is measured in font units, unrounded.
    const auto units = [&](std::string_view text) {
        double sum = 0;
        for (char c : text)
            sum += face->AdvanceUnits(static_cast<unsigned char>(c));
        return sum;
    };
    EXPECT_DOUBLE_EQ(font.TextWidth("Shelf", 10), units("Shelf") * 10 / face->UnitsPerEm());
    EXPECT_DOUBLE_EQ(font.TextWidth("", 10), 0);
    EXPECT_DOUBLE_EQ(font.TextWidthW(u"Shelf \u20AC", 10), font.TextWidth("Shelf \x80", 10));
    EXPECT_DOUBLE_EQ(font.TextWidthW(u"\u20AC", 10), units("\x80") * 10 / face->UnitsPerEm());
    int widths[3] = {-1, -1, -1};
    EXPECT_TRUE(font.TextWidthArray("AMW", 10, widths, 10));
    EXPECT_EQ(widths[0], std::lround(units("A") * 100 / face->UnitsPerEm()));
    EXPECT_EQ(widths[1], std::lround(units("M") * 100 / face->UnitsPerEm()));
    EXPECT_EQ(widths[2], std::lround(face->CharWidth('W', 1000) / 10.0));
}

// Wine's Wingdings lives in a folder fontconfig does not scan. Only that file is added: the folder
// also holds faces named as Windows fonts that would change how other names resolve.
TEST(PdfFont, WingdingsIsSymbolicAndEmbedsInTheSymbolMode)
{
    ASSERT_EQ(FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>("/usr/share/wine/fonts/wingding.ttf")),
              FcTrue);
    TemporaryFolder folder;
    TFontTestDocument doc;
    doc.device.FontMode = peEmbedSymbolTrueTypeFonts;
    TPdfResource& r = doc.resources;
    const int wingdings = r.AddFontName("Wingdings", 0, 0);
    const int arial = r.AddFontName("Arial", 0, 0);
    TPdfFont& font = *r.Font(wingdings);
    EXPECT_EQ(font.ActualCharset(), SymbolCharset);
    EXPECT_EQ(font.Charset(), SymbolCharset);
    EXPECT_EQ(font.Descriptor()->Flags, 6);
    EXPECT_EQ(font.AsString(), "/Type/Font\n/Subtype/TrueType\n/BaseFont/Wingdings\n/Encoding /WinAnsiEncoding\n");
    // Its codes map through the byte table to the glyphs the engine finds at 0xF000 + code.
    ASSERT_NE(font.Descriptor()->Reader(), nullptr);
    EXPECT_TRUE(font.Descriptor()->Reader()->HasByteTable());
    const auto face = TFontEngine::Instance().Face("Wingdings", false, false);
    for (int code = 32; code < 256; ++code)
        EXPECT_EQ(font.Descriptor()->GlyphTable[static_cast<std::size_t>(code)],
                  face->GlyphIndex(static_cast<unsigned char>(code)))
            << code;
    // Wine's Wingdings holds a few symbols only.
    int shown = 33;
    while (shown < 256 && face->GlyphIndex(static_cast<unsigned char>(shown)) == 0)
        ++shown;
    ASSERT_LT(shown, 256);
    const std::string symbol(1, static_cast<char>(shown));
    font.UsedChars(symbol);
    r.Font(arial)->UsedChars(symbol);
    doc.document.Write(ContentShowing({{wingdings, symbol}, {arial, symbol}}));
    int status = -1;
    const std::string fonts = SaveAndRun(folder, OutputOf(doc.writer), "pdffonts", &status);
    EXPECT_TRUE(std::regex_search(fonts, std::regex("\nWingdings +TrueType +WinAnsi +yes +no +no "))) << fonts;
    EXPECT_TRUE(std::regex_search(fonts, std::regex("\nArial +TrueType +WinAnsi +no +no +no "))) << fonts;
}

// Fonts referenced by name in the files poppler and qpdf read: the names pdffonts lists, one
// encoding object for all Cyrillic fonts, and text that comes back in its own letters.
TEST(PdfFont, WrittenFontsShowTheirNamesAndText)
{
    TemporaryFolder folder;
    TFontTestDocument doc;
    TPdfResource& r = doc.resources;
    const int arial = r.AddFontName("Arial", 0, 0);
    const int cyrillic = r.AddFontName("Arial", 204, 0);
    const int cyrillicSerif = r.AddFontName("Times New Roman", 204, PdfFontBold);
    const int greek = r.AddFontName("Arial", 161, 0);
    const int central = r.AddFontName("Arial", 238, 0);
    const int baltic = r.AddFontName("Arial", 186, 0);
    doc.document.Write(ContentShowing({{arial, "Shelf \xE0"},
                                       {cyrillic, "\xCF\xF0\xE8\xE2\xE5\xF2"},
                                       {cyrillicSerif, "\xEC\xE8\xF0"},
                                       {greek, "\xC1\xEB\xF6\xE1"},
                                       {central, "\xA3\xF3\xBF\x9F"},
                                       {baltic, "\xE0\xE8\xFE"}}));
    const std::string pdf = OutputOf(doc.writer);
    EXPECT_EQ(Occurrences(pdf, "/Differences\n[128 /afii10051"), 1);
    EXPECT_EQ(Occurrences(pdf, "/Type/Encoding"), 4);

    int status = -1;
    const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
    const std::string fonts = SaveAndRun(folder, pdf, "pdffonts", &status);
    EXPECT_EQ(status, 0) << fonts;
    EXPECT_TRUE(std::regex_search(fonts, std::regex("\nArial +TrueType +WinAnsi +no +no +no ")));
    EXPECT_TRUE(std::regex_search(fonts, std::regex("\nTimesNewRoman,Bold +TrueType +Custom +no +no +no ")));
    SaveAndRun(folder, pdf, "pdftotext -layout", &status);
    const std::string lines = ReadWholeFile(folder.File("out.txt"));
    EXPECT_NE(lines.find("Shelf \xC3\xA0"), std::string::npos) << lines;
    EXPECT_NE(lines.find("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"), std::string::npos) << lines;
    EXPECT_NE(lines.find("\xD0\xBC\xD0\xB8\xD1\x80"), std::string::npos) << lines;
    EXPECT_NE(lines.find("\xCE\x91\xCE\xBB\xCF\x86\xCE\xB1"), std::string::npos) << lines;
    EXPECT_NE(lines.find("\xC5\x81\xC3\xB3\xC5\xBC\xC5\xBA"), std::string::npos) << lines;
    // Under the Baltic set 0xE0 is a with ogonek.
    EXPECT_NE(lines.find("\xC4\x85\xC4\x8D\xC5\xBE"), std::string::npos) << lines;
}

// A standard font of another set than the Western one carries the widths its face gives the set's
// letters (П is 0xCF in 1251, Ω 0xD9 in 1253), so pdftoppm, standing in the base-35 fonts as the
// tests' font configuration names them, sets a Cyrillic or Greek line letter after letter, as wide as
// the device measures it, 40 points in, 12 points high.
TEST(PdfFont, StandardFontsOfOtherSetsCarryTheirFacesWidths)
{
    TemporaryFolder folder;
    TFontTestDocument doc;
    doc.device.FontMode = peUseBase14Type1Fonts;
    TPdfResource& r = doc.resources;
    EXPECT_EQ(r.Font(r.AddFontName("Arial", 0, 0))->Widths(), nullptr);
    const int cyrillic = r.AddFontName("Arial", 204, 0), greek = r.AddFontName("Times New Roman", 161, 0);
    const std::vector<std::pair<int, std::string>> lines{{cyrillic, "\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0"},
                                                         {greek, "\xD9\xEC\xE5\xE3\xE1 \xE1\xEB\xF6\xE1"}};
    std::vector<double> pixels; // at 2 a point
    for (const auto& [font, text] : lines) {
        pixels.push_back(2 * r.Font(font)->TextWidth(text, 12));
        EXPECT_EQ(r.Font(font)->FirstChar(), 32);
    }
    const auto face = [](const char* name, char16_t character) {
        const TPdf_TTF_CMAP file(TFontEngine::Instance().Face(name, false, false)->FontData());
        return MulDiv(file.AdvanceWidth(file.GlyphOf(character)), 1000, file.UnitsPerEm());
    };
    EXPECT_EQ(r.Font(cyrillic)->Widths()->Value(0xCF - 32), face("Arial", u'\u041F'));
    EXPECT_EQ(r.Font(greek)->Widths()->Value(0xD9 - 32), face("Times New Roman", u'\u03A9'));
    doc.document.Write(ContentShowing(lines));
    EXPECT_EQ(Occurrences(OutputOf(doc.writer), "/FirstChar 32\r\n/LastChar 255\r\n/Widths "), 2);
    WriteWholeFile(folder.File("out.pdf"), OutputOf(doc.writer));
    const RgbImage page = DecodedBy("pdftoppm -r 144 " + folder.File("out.pdf"));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int baseline = 2 * (42 + 20 * static_cast<int>(i));
        const TRect ink = InkBounds(page, TRect{0, baseline - 24, page.width, baseline + 8});
        EXPECT_NEAR(ink.Left, 80, 4) << i;
        EXPECT_NEAR(ink.Right - ink.Left, pixels[i], 6) << i;
    }
}

namespace {
#include "pdf/PdfEncodingNames.inc"
}

// Readers that stand the base-35 fonts in for the standard fonts look glyphs up by name: each name
// the code pages' encodings give is one of those fonts' glyphs.
TEST(PdfFont, CodePageGlyphNamesAreHeldByTheBase35Fonts)
{
    const std::string folder = "/usr/share/fonts/opentype/urw-base35/";
    if (!FileExists(folder + "NimbusSans-Regular.otf"))
        GTEST_SKIP() << "The base-35 fonts are not installed (scripts/setup.sh installs fonts-urw-base35)";
    FT_Library library = nullptr;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    for (const char* file : {"NimbusSans-Regular.otf", "NimbusRoman-Bold.otf", "NimbusMonoPS-Italic.otf"}) {
        FT_Face face = nullptr;
        ASSERT_EQ(FT_New_Face(library, (folder + file).c_str(), 0, &face), 0) << file;
        for (const std::string_view names :
             {GlyphNames1250, GlyphNames1251, GlyphNames1253, GlyphNames1254, GlyphNames1257})
            for (std::size_t end, start = 1; start < names.size(); start = end + 1) {
                end = std::min(names.find('/', start), names.size());
                const std::string name(names.substr(start, end - start));
                EXPECT_NE(FT_Get_Name_Index(face, name.c_str()), 0u) << file << " lacks " << name;
            }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
}

// Embedded fonts, whole and as subsets: pdffonts lists them so, the subset's font file loads in
// FreeType with the used glyphs (an accented letter with its pieces) and only those, and ttx reads
// its tables; a font on the excluded list stays a reference.
TEST(PdfFont, EmbeddedFontsAndSubsetsLoad)
{
    TemporaryFolder folder;
    const auto face = TFontEngine::Instance().Face("Arial", false, false);
    for (const TPdfFontMode mode : {peEmbedTrueTypeFonts, peEmbedSubsetTrueType_UsedChar}) {
        SCOPED_TRACE(mode);
        TFontTestDocument doc;
        doc.device.FontMode = mode;
        doc.device.ExcludedFonts.Add("times new roman");
        TPdfResource& r = doc.resources;
        const int arial = r.AddFontName("Arial", 0, 0);
        const int times = r.AddFontName("Times New Roman", 0, 0);
        r.Font(arial)->UsedChars("Shelf \xC5");
        r.Font(times)->UsedChars("Shelf");
        doc.document.Write(ContentShowing({{arial, "Shelf \xC5"}, {times, "Shelf"}}));
        const std::string pdf = OutputOf(doc.writer);

        int status = -1;
        const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
        EXPECT_EQ(status, 0) << check;
        const std::string fonts = SaveAndRun(folder, pdf, "pdffonts", &status);
        const bool subset = mode == peEmbedSubsetTrueType_UsedChar;
        EXPECT_TRUE(std::regex_search(fonts, std::regex(subset ? "\nTOVREN\\+Arial +TrueType +WinAnsi +yes +yes +no "
                                                               : "\nArial +TrueType +WinAnsi +yes +no +no ")))
            << fonts;
        EXPECT_TRUE(std::regex_search(fonts, std::regex("\nTimesNewRoman +TrueType +WinAnsi +no +no +no "))) << fonts;
        SaveAndRun(folder, pdf, "pdftotext", &status);
        EXPECT_NE(ReadWholeFile(folder.File("out.txt")).find("Shelf \xC3\x85"), std::string::npos);

        std::smatch fontFile;
        ASSERT_TRUE(std::regex_search(pdf, fontFile, std::regex("/FontFile2 (\\d+) 0 R")));
        EXPECT_EQ(Occurrences(pdf, "/FontFile2 "), 1);
        const std::string ttf = folder.File("font.ttf");
        RunCommand("qpdf --show-object=" + fontFile[1].str() + " --filtered-stream-data " + folder.File("out.pdf") +
                       " > " + ttf,
                   &status);
        ASSERT_EQ(status, 0);
        const std::string data = ReadWholeFile(ttf);
        EXPECT_NE(pdf.find("/Length1 " + std::to_string(data.size()) + " "), std::string::npos);
        if (!subset) {
            EXPECT_EQ(data, face->FontData());
            continue;
        }
        const std::string tables = RunCommand("ttx -l " + ttf + " 2>&1", &status);
        EXPECT_EQ(status, 0) << tables;
        for (const char* tag : {"cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp"})
            EXPECT_TRUE(std::regex_search(tables, std::regex(std::string("\n *") + tag + " "))) << tag << tables;
        FT_Library library = nullptr;
        FT_Face original = nullptr;
        FT_Face cut = nullptr;
        ASSERT_EQ(FT_Init_FreeType(&library), 0);
        const std::string whole = face->FontData();
        ASSERT_EQ(FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(whole.data()),
                                     static_cast<FT_Long>(whole.size()), 0, &original),
                  0);
        ASSERT_EQ(FT_New_Memory_Face(library, reinterpret_cast<const FT_Byte*>(data.data()),
                                     static_cast<FT_Long>(data.size()), 0, &cut),
                  0);
        const auto points = [](FT_Face f, FT_ULong character) {
            return FT_Load_Char(f, character, FT_LOAD_NO_SCALE) == 0 ? f->glyph->outline.n_points : -1;
        };
        for (const FT_ULong character : {FT_ULong('S'), FT_ULong('f'), FT_ULong(0xC5)})
            EXPECT_EQ(points(cut, character), points(original, character)) << character;
        EXPECT_GT(points(original, 'x'), 0);
        EXPECT_EQ(points(cut, 'x'), 0);
        EXPECT_LT(data.size(), whole.size() / 2);
        FT_Done_Face(cut);
        FT_Done_Face(original);
        FT_Done_FreeType(library);
    }
}
