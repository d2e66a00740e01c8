#include "pdf/PdfGenericPSDevice.h"

#include "PdfTestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

using namespace PdfGdi;

namespace {

// Fixed metrics for a font of height -20: every character is half the size wide, the ascent is 0.8
// and the cell 1.2 of the size. The text state is written as its size and spacing, so that the
// goldens show what the device asked for.
class TTextDevice : public TPageDevice {
public:
    TTextDevice() { DC().fontData.height = -20; }

    void PSWriteTextAttributes(TPdfDeviceWorkBuffer* buffer, double size) override
    {
        if (buffer == nullptr)
            return;
        buffer->AppendFloat(size);
        buffer->Append("Tf ");
        buffer->AppendFloat(DC().charSpacing);
        buffer->Append("Tc ");
        buffer->AppendFloat(DC().wordSpacing);
        buffer->Append("Tw ");
    }
    int PSTextWidth(std::string_view text, double size) override { return PdfRound(text.size() * size / 2); }
    int PSTextWidthW(std::u16string_view text, double size) override { return PdfRound(text.size() * size / 2); }
    void PSFontHeight(int& ascent, int& cellHeight, double size) override
    {
        ascent = PdfRound(size * 0.8);
        cellHeight = PdfRound(size * 1.2);
    }
    // Each character a little wider than the one before, so that the rounding carries.
    bool PSTextWidthArray(std::string_view text, double size, int scale, std::span<int> widths) override
    {
        for (std::size_t i = 0; i < text.size() && i < widths.size(); ++i)
            widths[i] = PdfRound(size / 2 * scale) + 7 * static_cast<int>(i);
        return true;
    }
    void PSCreateHyperLink(int x, int y, int width, int height, std::string_view address, std::string_view) override
    {
        links.push_back(std::string(address) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                        std::to_string(width) + " " + std::to_string(height));
    }
    void PSUsedChars(std::string_view text) override { used += std::string(text) + "|"; }
    void PSUsedCharsW(std::u16string_view text) override { used += "W" + std::to_string(text.size()) + "|"; }

    void Run(int x, int y, std::string_view text, std::span<const int> spacing = {}, std::uint32_t options = 0,
             const TRect& rect = {})
    {
        ExtTextOut(x, y, options, rect, {}, text, static_cast<int>(text.size()), spacing);
    }

    std::vector<std::string> links;
    std::string used;
};

// The first text movement of a content stream.
std::pair<int, int> FirstMove(const std::string& content)
{
    std::smatch match;
    if (!std::regex_search(content, match, std::regex("(-?\\d+) (-?\\d+) Td")))
        return {INT_MIN, INT_MIN};
    return {std::stoi(match[1]), std::stoi(match[2])};
}

const std::string Attributes = "20.000 Tf 0.000 Tc 0.000 Tw ";

} // namespace

TEST(PdfGenericPSDeviceText, RunsStandAtTheirAlignmentInBothYDirections)
{
    const int three[] = {10, 10, 10};
    TTextDevice right;
    right.SetTextAlign(TA_RIGHT | TA_BASELINE);
    right.Run(100, 50, "abc", three);
    EXPECT_EQ(right.Content(), "q \nBT 1 0 0 1 0 0 Tm\n" + Attributes + "70 150 Td(abc)Tj\nET\nQ ");

    struct Case {
        std::uint32_t align;
        bool yUp;
        std::pair<int, int> move;
    } cases[] = {
        {TA_CENTER | TA_BASELINE, false, {85, 150}},
        {0, false, {100, 134}},         // top: the baseline one ascent down
        {TA_BOTTOM, false, {100, 158}}, // bottom: one descent up
        {TA_BASELINE, false, {100, 150}},
        // MM_LOENGLISH: the page is 278 units high and y = -50 lies 228 units above its foot.
        {0, true, {100, 212}},
        {TA_BOTTOM, true, {100, 236}},
        {TA_BASELINE, true, {100, 228}},
    };
    for (const Case& c : cases) {
        TTextDevice device;
        if (c.yUp)
            device.SetMapMode(MM_LOENGLISH);
        device.SetTextAlign(c.align);
        device.Run(100, c.yUp ? -50 : 50, "abc", three);
        EXPECT_EQ(FirstMove(device.Content()), c.move) << c.align << " " << c.yUp;
    }

    // With no characters an opaque run only fills its rectangle.
    TTextDevice empty;
    empty.ExtTextOut(0, 0, ETO_OPAQUE, TRect{10, 20, 30, 40}, {}, "", 0, {});
    EXPECT_EQ(empty.Content(), "q q 1 1 1 rg 10 180 20 -20 re f Q Q ");
}

TEST(PdfGenericPSDeviceText, TextIsEscapedAndTheSpacingSpreadsItOverItsAdvance)
{
    TTextDevice device;
    device.TextOut(10, 50, "a(b)c\\d");
    device.TextOut(10, 80, "Caf\xE9");
    EXPECT_EQ(device.Content(), "q \nBT 1 0 0 1 0 0 Tm\n" + Attributes + "10 150 Td(a\\(b\\)c\\\\d)Tj\n" + Attributes +
                                    "0 -30 Td(Caf\xE9)Tj\nET\nQ ");
    EXPECT_EQ(device.used, "a(b)c\\d|Caf\xE9|");

    struct Case {
        const char* text;
        std::vector<int> spacing;
        float charSpacing;
        float wordSpacing;
    } cases[] = {
        {"a b c", {12, 12, 12, 12, 12}, 0, 5}, // 10 more over two blanks of width 10
        {"a b c", {10, 8, 10, 8, 10}, 0, -2},  // 4 less: each blank 2 narrower
        {"a b c", {10, 2, 10, 2, 10}, -2, -5}, // blanks keep half their width, the letters close up
        {"abc", {1, 1, 1}, -4, 0},             // never closer than a fifth of the size
        {"   ", {2, 2, 2}, 0, -5},             // blanks only: nothing to spread the rest over
    };
    for (const Case& c : cases) {
        TTextDevice spaced;
        spaced.TextExtOut(10, 50, c.text, c.spacing);
        EXPECT_EQ(spaced.DC().charSpacing, c.charSpacing) << c.text;
        EXPECT_EQ(spaced.DC().wordSpacing, c.wordSpacing) << c.text;
        const std::string content = spaced.Content();
        EXPECT_EQ(content.find("inf"), std::string::npos) << content;
        EXPECT_EQ(content.find("nan"), std::string::npos) << content;
    }

    // Wide text is shown in the font's 8-bit code and counted as wide characters.
    TTextDevice wide;
    wide.ExtTextOut(10, 50, 0, TRect{}, u"\u20AC1\u4E2D", {}, 3, {});
    const std::string content = wide.Content();
    EXPECT_NE(content.find("Td(\x80"
                           "1?)Tj"),
              std::string::npos)
        << content;
    EXPECT_EQ(wide.used, "W3|");
}

TEST(PdfGenericPSDeviceText, UnderlineRotationLinksAndReplacements)
{
    TTextDevice underlined;
    underlined.DC().fontData.underline = 1;
    underlined.TextOut(10, 50, "ab");
    underlined.SetTextAlign(TA_RIGHT | TA_BASELINE);
    underlined.ExtTextOut(100, 80, 0, TRect{}, {}, "cd", 2, {});
    const std::string line = "ET\nq 0 0 0 RG 2.000 w ";
    EXPECT_EQ(underlined.Content(), "q \nBT 1 0 0 1 0 0 Tm\n" + Attributes + "10 150 Td(ab)Tj\n" + line +
                                        "10.000 150.000 m 30.000 150.000 l s Q \nBT 1 0 0 1 0 0 Tm\n" + Attributes +
                                        "80 120 Td(cd)Tj\n" + line + "80.000 120.000 m 100.000 120.000 l s Q Q ");

    TTextDevice rotated;
    rotated.DC().fontData.escapement = 900;
    rotated.TextOut(50, 100, "up");
    EXPECT_EQ(rotated.Content(),
              "q \nBT 0.000 1 -1.000 0.000 50.000 100.000 Tm\n" + Attributes + "0 0 Td(up)Tj\nET\nQ ");

    TTextDevice linked;
    linked.SetOptions({peCreateAutoLinks});
    linked.TextOut(10, 50, "http://kestrame.example");
    linked.TextOut(10, 80, "HTTP://KESTRAME.EXAMPLE");
    linked.TextOut(10, 110, "https://kestrame.example");
    EXPECT_EQ(linked.links, (std::vector<std::string>{"http://kestrame.example 10 150 230 20"}));

    struct Replacing {
        static void Replace(void* userData, int counter, std::string_view text, std::string& replacement)
        {
            static_cast<std::vector<std::string>*>(userData)->push_back(std::string(text));
            if (text != "<<drop>>")
                replacement = "page " + std::to_string(counter);
        }
    };
    std::vector<std::string> asked;
    TTextDevice replaced;
    replaced.SetTextReplacement(&Replacing::Replace, &asked, "<<");
    replaced.TextOut(10, 50, "<<page>>");
    replaced.TextOut(10, 80, "<<drop>>");
    replaced.TextOut(10, 110, "plain");
    const std::string content = replaced.Content();
    EXPECT_EQ(asked, (std::vector<std::string>{"<<page>>", "<<drop>>"}));
    EXPECT_NE(content.find("10 150 Td(page 1)Tj\n"), std::string::npos) << content;
    EXPECT_EQ(content.find("drop"), std::string::npos) << content;
    EXPECT_NE(content.find("0 -60 Td(plain)Tj\n"), std::string::npos) << content;
    EXPECT_EQ(replaced.used, "page 1|plain|");
}

TEST(PdfGenericPSDeviceText, ExactPositioningCarriesTheRoundingInThousandthsOfTheSize)
{
    // Advances 10000, 10007 and 10014 thousandths of a point against 10000 asked for each: the
    // adjustments are 0/20, 7/20 = 0.35 (0, carrying 7) and (7 + 14)/20 = 1.05 (1).
    const int spacing[] = {10, 10, 10};
    TTextDevice device;
    device.SetModes({peExactTextPositioning});
    device.SetTextAlign(TA_BASELINE);
    device.Run(10, 50, "a(c", spacing);
    EXPECT_EQ(device.Content(),
              "q \nBT 1 0 0 1 0 0 Tm\n" + Attributes + "10 150 Td[(a)0.000 (\\()0.000 (c)1.000 ]TJ \nET\nQ ");
}

TEST(PdfGenericPSDeviceText, StringsForTheDocumentAreEscapedWithOctals)
{
    EXPECT_EQ(TPdfGenericPSDevice::CleanStringBuffer("\xE9", 1), "\\351");
    EXPECT_EQ(TPdfGenericPSDevice::CleanString("a)(\\\r\n\t\b\x01\x7F\x80 "), "a\\)\\(\\\\\\r\\n\\t\\b\\001\x7F\\200 ");
    EXPECT_EQ(TPdfGenericPSDevice::CleanString(""), "");
    // 0x0128 lies in memory as "(" and 0x01: the "(" is escaped, the rest copied.
    EXPECT_EQ(TPdfGenericPSDevice::CleanStringW(u"\u0128A"), std::string("\\(\x01"
                                                                         "A\0",
                                                                         5));
    char text[] = "abcde";
    TPdfGenericPSDevice::SwapString(text, 5);
    EXPECT_EQ(std::string(text), "badce");
}
