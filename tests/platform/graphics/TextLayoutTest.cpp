#include "platform/graphics/TextLayout.h"

#include <gtest/gtest.h>

namespace {

// Every character ten pixels wide.
int Tens(std::string_view text) { return static_cast<int>(text.size()) * 10; }

using Lines = std::vector<std::string>;

} // namespace

TEST(TextLayout, WordsWrapAtTheWidth)
{
    EXPECT_EQ(BreakLines("aaa bbb ccc", 75, DT_WORDBREAK, Tens), (Lines{"aaa bbb", "ccc"}));
    EXPECT_EQ(BreakLines("aaa   bbb", 50, DT_WORDBREAK, Tens), (Lines{"aaa", "bbb"}));
    EXPECT_EQ(BreakLines("  aaa", 100, DT_WORDBREAK, Tens), (Lines{"  aaa"}));
    EXPECT_EQ(BreakLines("", 100, DT_WORDBREAK, Tens), (Lines{""}));
    EXPECT_EQ(BreakLines("aaa bbb ccc", 75, DT_LEFT, Tens), (Lines{"aaa bbb ccc"}));
}

TEST(TextLayout, LineBreaksEndLinesUnlessSingleLine)
{
    EXPECT_EQ(BreakLines("one\r\ntwo\nthree\rfour", 1000, DT_WORDBREAK, Tens), (Lines{"one", "two", "three", "four"}));
    EXPECT_EQ(BreakLines("one\r\n\r\ntwo", 1000, 0, Tens), (Lines{"one", "", "two"}));
    EXPECT_EQ(BreakLines("one\r\ntwo", 10, DT_SINGLELINE | DT_WORDBREAK, Tens), (Lines{"one\r\ntwo"}));
}

TEST(TextLayout, OnlyAnEditControlBreaksALongWord)
{
    EXPECT_EQ(BreakLines("abcdefgh xy", 35, DT_WORDBREAK, Tens), (Lines{"abcdefgh", "xy"}));
    EXPECT_EQ(BreakLines("abcdefgh xy", 35, DT_WORDBREAK | DT_EDITCONTROL, Tens), (Lines{"abc", "def", "gh", "xy"}));
    // Even a line narrower than one character advances.
    EXPECT_EQ(BreakLines("abc", 5, DT_WORDBREAK | DT_EDITCONTROL, Tens), (Lines{"a", "b", "c"}));
}

TEST(TextLayout, TabStops)
{
    const int one[] = {50};
    const int several[] = {30, 80};
    EXPECT_EQ(NextTabStop(10, one, 0, 64), 50);
    EXPECT_EQ(NextTabStop(50, one, 0, 64), 100);
    EXPECT_EQ(NextTabStop(12, one, 10, 64), 60);
    EXPECT_EQ(NextTabStop(5, one, 10, 64), 10);
    EXPECT_EQ(NextTabStop(70, {}, 0, 64), 128);
    EXPECT_EQ(NextTabStop(10, several, 0, 64), 30);
    EXPECT_EQ(NextTabStop(30, several, 0, 64), 80);
    EXPECT_EQ(NextTabStop(90, several, 0, 64), 90);
    EXPECT_EQ(NextTabStop(90, {}, 0, 0), 90);
}
