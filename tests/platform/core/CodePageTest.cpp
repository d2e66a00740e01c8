#include "platform/core/CodePage.h"

#include <QString>
#include <gtest/gtest.h>

#include <iconv.h>

#include <string>

namespace {

// glibc's own reading of one byte, or 0 when it refuses the byte.
char16_t IconvCharacter(int codePage, unsigned char byte)
{
    const iconv_t handle = iconv_open("UTF-16LE", ("CP" + std::to_string(codePage)).c_str());
    char in[1] = {static_cast<char>(byte)};
    char16_t out[2] = {};
    char* inPointer = in;
    auto* outPointer = reinterpret_cast<char*>(out);
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    size_t done = iconv(handle, &inPointer, &inLeft, &outPointer, &outLeft);
    // glibc holds a Hebrew letter back until it knows no point follows.
    if (done != static_cast<size_t>(-1))
        done = iconv(handle, nullptr, nullptr, &outPointer, &outLeft);
    iconv_close(handle);
    return done == static_cast<size_t>(-1) ? 0 : out[0];
}

} // namespace

TEST(CodePage, SingleBytePagesAgreeWithIconvAndRoundTrip)
{
    for (int page : {1250, 1251, 1252, 1253, 1254, 1255, 1257}) {
        for (int byte = 0; byte < 256; ++byte) {
            SCOPED_TRACE(std::to_string(page) + " byte " + std::to_string(byte));
            const std::string bytes(1, static_cast<char>(byte));
            const std::u16string text = CodePageToUtf16(page, bytes);
            ASSERT_EQ(text.size(), 1u);
            const char16_t expected = IconvCharacter(page, static_cast<unsigned char>(byte));
            if (expected != 0) {
                EXPECT_EQ(text[0], expected);
                EXPECT_EQ(Utf16ToCodePage(page, text), bytes);
            } else {
                EXPECT_EQ(text[0], byte < 0xA0 ? byte : u'?');
            }
        }
    }
    EXPECT_EQ(CodePageToUtf16(1252, "caf\xE9"), Win1252ToUtf16("caf\xE9"));
    EXPECT_EQ(CodePageToUtf16(1257, "\xE0"), u"\u0105"); // a with ogonek
    EXPECT_EQ(CodePageToUtf16(1251, "\xC0\xFF"), u"\u0410\u044F");
    EXPECT_EQ(Utf16ToCodePage(1253, u"\u03A9x\u0416"), "\xD9x?"); // Cyrillic has no Greek byte
    EXPECT_EQ(CodePageToUtf16(437, "\x80"), u"\u20AC");           // unknown pages read as 1252
}

TEST(CodePage, MultiBytePages)
{
    EXPECT_EQ(CodePageToUtf16(932, "\x93\xFA\x96\x7B\x8C\xEA"), u"\u65E5\u672C\u8A9E");
    EXPECT_EQ(CodePageToUtf16(936, "A\xD6\xD0\xCE\xC4"), u"A\u4E2D\u6587");
    EXPECT_EQ(CodePageToUtf16(949, "\xC7\xD1\xB1\xB9\xBE\xEE"), u"\uD55C\uAD6D\uC5B4");
    EXPECT_EQ(CodePageToUtf16(950, "\xA4\xA4\xA4\xE5"), u"\u4E2D\u6587");
    EXPECT_EQ(Utf16ToCodePage(932, u"\u65E5\u672C\u8A9E"), "\x93\xFA\x96\x7B\x8C\xEA");
    EXPECT_EQ(Utf16ToCodePage(949, u"\uD55C\uAD6D\uC5B4"), "\xC7\xD1\xB1\xB9\xBE\xEE");
    // What a page cannot hold, malformed bytes and a lead byte cut short all become '?'.
    EXPECT_EQ(Utf16ToCodePage(936, u"a\u0E01b"), "a?b");
    EXPECT_EQ(CodePageToUtf16(932, "a\xA0"
                                   "b"),
              u"a?b");
    EXPECT_EQ(CodePageToUtf16(950, "ab\xA4"), u"ab?");
    EXPECT_EQ(Utf16ToCodePage(932, std::u16string(u"x") + char16_t(0xD800) + u"y"), "x?y");
}

// A window shows the first ShownCharacters characters of a longer text and an ellipsis; a character
// at the cut stays whole, a surrogate pair counting as one.
TEST(CodePage, ShownTextsStopAtTheBoundWithAnEllipsisAndCutNoCharacter)
{
    const std::string a(ShownCharacters - 1, 'a');
    const QString qa = toQString(a), cut(QChar(u'\u2026')), emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    std::string letters = "a";
    while (letters.size() <= 4 * (ShownCharacters + 1)) // beyond the bytes first read
        letters += "\xC3\xA9";
    const struct {
        const char* name;
        bool utf8;
        std::string text;
        QString shown;
    } cases[] = {
        {"empty", false, "", ""},
        {"exactly the bound", false, a + "\x80", qa + u'\u20AC'},
        {"one over", false, a + "bc", qa + u'b' + cut},
        {"a byte of no Latin-1 letter at the cut", false, a + "\x80\x85", qa + u'\u20AC' + cut},
        {"a surrogate pair last", true, a + "\xF0\x9F\x98\x80", qa + emoji},
        {"a two-byte letter at the cut", true, a + "\xC3\xA9xyz", qa + u'\u00E9' + cut},
        {"a surrogate pair at the cut", true, a + "\xF0\x9F\x98\x80x", qa + emoji + cut},
        {"a surrogate pair just after it", true, a + "b\xF0\x9F\x98\x80", qa + u'b' + cut},
        {"a letter split where the text is first cut", true, letters,
         u'a' + QString(static_cast<qsizetype>(ShownCharacters - 1), u'\u00E9') + cut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.utf8 ? Utf8ToShownQString(c.text) : toShownQString(c.text), c.shown);
        EXPECT_TRUE(c.utf8 || ShownWhole(c.text) == !c.shown.endsWith(cut));
    }
}
