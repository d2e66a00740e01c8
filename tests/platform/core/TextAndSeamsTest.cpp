#include "platform/core/Seams.h"
#include "platform/core/TextUtils.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(TextUtils, TrimCaseAndCut)
{
    EXPECT_EQ(Trim("\t  Cola 1L \r\n"), "Cola 1L");
    EXPECT_EQ(Trim(std::string("\0a\0", 3)), "a");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(UpperCase("caf\xE9.jpg"), "CAF\xE9.JPG");
    EXPECT_EQ(LowerCase("ABC.VDX"), "abc.vdx");
    EXPECT_EQ(CutAtNonPrintable("800\n"), "800");
    EXPECT_EQ(CutAtNonPrintable("a\tb"), "a");
    EXPECT_EQ(CutAtNonPrintable("abc\x7F"
                                "d"),
              "abc");
    EXPECT_EQ(CutAtNonPrintable("Caf\xE9 cr\xE8me"), "Caf\xE9 cr\xE8me");
    EXPECT_EQ(CompareText("abc", "ABD"), -1);
    EXPECT_EQ(CompareText("abc", "ab"), 1);
    EXPECT_TRUE(SameText("Welcome", "welcome"));
    EXPECT_FALSE(SameText("Welcome", "Welcomes"));
}

TEST(Seams, CRuntimeRandomSequence)
{
    CRandom random;
    random.Seed(1);
    EXPECT_EQ(random.Next(), 346);
    EXPECT_EQ(random.Next(), 130);
    EXPECT_EQ(random.Next(), 10982);
    SRand(12345);
    EXPECT_EQ(Rand(), 15301);
    EXPECT_EQ(Rand(), 24996);
}

TEST(Seams, LibraryRandomSequence)
{
    SetRandSeed(0);
    EXPECT_EQ(Random(26), 0);
    EXPECT_EQ(Random(26), 0);
    EXPECT_EQ(Random(26), 22);
    for (int i = 0; i < 1000; ++i) {
        const int value = Random(26);
        ASSERT_GE(value, 0);
        ASSERT_LT(value, 26);
    }
}

TEST(Seams, ReplaceableClockBeepCountryAndDepth)
{
    const TimePoint fixed = std::chrono::system_clock::from_time_t(86400 * 365);
    SetClock([&] { return fixed; });
    EXPECT_EQ(Now(), fixed);
    SetClock({});
    EXPECT_NE(Now(), fixed);

    int beeps = 0;
    SetBeep([&] { ++beeps; });
    Beep();
    EXPECT_EQ(beeps, 1);
    SetBeep({});

    SetCountryCode(1);
    EXPECT_EQ(CountryCode(), 1);
    SetCountryCode(std::nullopt);
    SetScreenDepth(4);
    EXPECT_EQ(ScreenDepth(), 4);
    SetScreenDepth(std::nullopt);
    EXPECT_GT(ScreenDepth(), 0);
}

TEST(Seams, ProgramFolderFromEnvironment)
{
    TemporaryFolder folder;
    setenv("KESTRAME_PROGRAM_DIR", folder.Path().c_str(), 1);
    EXPECT_EQ(ProgramFolder(), folder.Path() + "/");
    unsetenv("KESTRAME_PROGRAM_DIR");
    EXPECT_EQ(ProgramFolder().back(), '/');
    EXPECT_NE(ProgramFolder(), folder.Path() + "/");
}
