#include "platform/graphics/FontEngine.h"

#include "platform/core/Numbers.h"
#include "platform/graphics/Graphic.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

// An attribute of the first element of a ttx dump that matches, e.g. <mtx name="A" width=...>.
int TtxValue(const std::string& dump, const std::string& element, const std::string& attribute)
{
    const std::regex pattern("<" + element + "[^>]*\\b" + attribute + "=\"(-?[0-9]+)\"");
    std::smatch match;
    if (!std::regex_search(dump, match, pattern))
        ADD_FAILURE() << "ttx printed no " << element << " " << attribute;
    return match.empty() ? 0 : Atoi(match[1].str());
}

std::string TtxDump(const std::string& fontFile)
{
    int status = -1;
    const std::string dump =
        RunCommand("/usr/bin/ttx -q -t head -t hmtx -t OS/2 -t hhea -o - '" + fontFile + "' 2>/dev/null", &status);
    EXPECT_EQ(status, 0) << "ttx failed on " << fontFile;
    return dump;
}

} // namespace

TEST(FontEngine, WindowsNamesResolveToTheLiberationFonts)
{
    TFontEngine& engine = TFontEngine::Instance();
    EXPECT_EQ(engine.Face("Arial", false, false)->FamilyName(), "Liberation Sans");
    EXPECT_EQ(engine.Face("arial", false, false)->FamilyName(), "Liberation Sans");
    EXPECT_EQ(engine.Face("Times New Roman", false, false)->FamilyName(), "Liberation Serif");
    EXPECT_EQ(engine.Face("Courier New", false, false)->FamilyName(), "Liberation Mono");

    const auto boldItalic = engine.Face("Arial", true, true);
    EXPECT_TRUE(boldItalic->Bold());
    EXPECT_TRUE(boldItalic->Italic());
    EXPECT_FALSE(engine.Face("Arial", false, false)->Bold());
    EXPECT_EQ(engine.Face("Arial", true, false), engine.Face("ARIAL", true, false));
    EXPECT_LT(boldItalic->Metrics(1000).ItalicAngle, 0);
}

TEST(FontEngine, MetricsAtAnEmOfThousandAgreeWithTtx)
{
    for (const char* name : {"Arial", "Times New Roman", "Courier New"}) {
        const auto face = TFontEngine::Instance().Face(name, false, false);
        const std::string dump = TtxDump(face->FileName());
        const int unitsPerEm = TtxValue(dump, "unitsPerEm", "value");
        EXPECT_EQ(face->UnitsPerEm(), unitsPerEm) << name;

        const int widthOfA = TtxValue(dump, "mtx name=\"A\"", "width");
        const int widthOfSpace = TtxValue(dump, "mtx name=\"space\"", "width");
        EXPECT_EQ(face->AdvanceUnits('A'), widthOfA) << name;
        EXPECT_EQ(face->AdvanceUnits(' '), widthOfSpace) << name;
        EXPECT_EQ(face->CharWidth('A', 1000), MulDiv(widthOfA, 1000, unitsPerEm)) << name;
        EXPECT_EQ(face->CharWidths(1000)[' '], MulDiv(widthOfSpace, 1000, unitsPerEm)) << name;

        const TFontMetrics m = face->Metrics(1000);
        EXPECT_EQ(m.TypoAscent, MulDiv(TtxValue(dump, "sTypoAscender", "value"), 1000, unitsPerEm)) << name;
        EXPECT_EQ(m.TypoDescent, MulDiv(TtxValue(dump, "sTypoDescender", "value"), 1000, unitsPerEm)) << name;
        EXPECT_EQ(m.Ascent, MulDiv(TtxValue(dump, "usWinAscent", "value"), 1000, unitsPerEm)) << name;
        EXPECT_EQ(m.Descent, MulDiv(TtxValue(dump, "usWinDescent", "value"), 1000, unitsPerEm)) << name;
        EXPECT_EQ(m.Height, m.Ascent + m.Descent);
        EXPECT_EQ(m.InternalLeading, m.Height - 1000);
        EXPECT_EQ(m.FontBox.Left, MulDiv(TtxValue(dump, "xMin", "value"), 1000, unitsPerEm)) << name;
        EXPECT_EQ(m.FontBox.Top, MulDiv(TtxValue(dump, "yMax", "value"), 1000, unitsPerEm)) << name;
        EXPECT_EQ(m.CapHeight, MulDiv(TtxValue(dump, "sCapHeight", "value"), 1000, unitsPerEm)) << name;
        EXPECT_EQ(m.XHeight, MulDiv(TtxValue(dump, "sxHeight", "value"), 1000, unitsPerEm)) << name;
        EXPECT_EQ(m.AveCharWidth, MulDiv(TtxValue(dump, "xAvgCharWidth", "value"), 1000, unitsPerEm)) << name;
        EXPECT_EQ(m.FirstChar, 32) << name;
        EXPECT_EQ(m.LastChar, 255) << name;
    }
}

TEST(FontEngine, ByteCodesGoThroughWindows1252ToTheGlyphs)
{
    const auto face = TFontEngine::Instance().Face("Arial", false, false);
    EXPECT_EQ(face->CharSet(), 0);
    EXPECT_NE(face->GlyphIndex(0x80), 0); // the euro sign
    EXPECT_NE(face->GlyphIndex(0x80), face->GlyphIndex(0x81));
    EXPECT_EQ(face->GlyphIndex(0x01), 0);
    EXPECT_EQ(face->AdvanceUnits(0x80), face->AdvanceUnits('0')); // the euro is as wide as a digit here
    EXPECT_EQ(face->TextWidth("AA ", 1000), 2 * face->CharWidth('A', 1000) + face->CharWidth(' ', 1000));
    EXPECT_EQ(face->TextWidth("", 1000), 0);
}

TEST(FontEngine, FontDataIsTheFontFile)
{
    const auto face = TFontEngine::Instance().Face("Arial", false, false);
    EXPECT_EQ(face->FontData(), ReadWholeFile(face->FileName()));
}

TEST(FontEngine, OneFontIsTakenOutOfACollection)
{
    TemporaryFolder folder;
    const std::string sans = TFontEngine::Instance().Face("Arial", false, false)->FileName();
    const std::string mono = TFontEngine::Instance().Face("Courier New", false, false)->FileName();
    const std::string collection = folder.File("pair.ttc");
    int status = -1;
    RunCommand("/usr/bin/python3 -c \"from fontTools.ttLib import TTFont, TTCollection; c = TTCollection(); "
               "c.fonts = [TTFont('" +
                   sans + "'), TTFont('" + mono + "')]; c.save('" + collection + "')\"",
               &status);
    ASSERT_EQ(status, 0);

    const auto face = TFontEngine::Instance().FaceFromFile(collection, 1);
    EXPECT_EQ(face->FamilyName(), "Liberation Mono");
    const std::string extracted = folder.File("mono.ttf");
    WriteWholeFile(extracted, face->FontData());
    const std::string check =
        RunCommand("/usr/bin/python3 -c \"from fontTools.ttLib import TTFont; f = TTFont('" + extracted +
                       "', checkChecksums=2); print(f['name'].getDebugName(1), f['maxp'].numGlyphs == TTFont('" + mono +
                       "')['maxp'].numGlyphs, f['hmtx']['A'][0])\" 2>&1",
                   &status);
    EXPECT_EQ(status, 0) << check;
    EXPECT_EQ(check, "Liberation Mono True " + IntToStr(face->AdvanceUnits('A')) + "\n");

    EXPECT_THROW(TFontEngine::Instance().FaceFromFile(collection, 5), EInvalidGraphic);
}

TEST(FontEngine, WhatIsNoFontIsRefused)
{
    TemporaryFolder folder;
    WriteWholeFile(folder.File("junk.ttf"), "not a font at all");
    EXPECT_THROW(TFontEngine::Instance().FaceFromFile(folder.File("junk.ttf"), 0), EInvalidGraphic);
    WriteWholeFile(folder.File("empty.ttf"), "");
    EXPECT_THROW(TFontEngine::Instance().FaceFromFile(folder.File("empty.ttf"), 0), EInvalidGraphic);
    EXPECT_ANY_THROW(TFontEngine::Instance().FaceFromFile(folder.File("missing.ttf"), 0));
}
