#include "app/StartupSettings.h"

#include "TestSupport.h"
#include "app/PreferencesClass.h"
#include "platform/core/Seams.h"

#include <gtest/gtest.h>

namespace {

class StartupSettingsTest : public testing::Test {
protected:
    ~StartupSettingsTest() override { SetCountryCode(std::nullopt); }

    ScopedSettingsFolder settings_;
    SettingsStore store_;
};

} // namespace

TEST_F(StartupSettingsTest, FirstStartDefaults)
{
    SetCountryCode(0);
    const StartupSettings settings = ReadStartupSettings(store_);
    EXPECT_FALSE(settings.alignToPeg);
    EXPECT_TRUE(settings.welcome);
    EXPECT_TRUE(settings.tips);
    EXPECT_EQ(settings.units, "cm");
    EXPECT_FALSE(settings.unitsInches);
}

TEST_F(StartupSettingsTest, AbsentUnitsTakeTheCountryCode)
{
    SetCountryCode(1);
    EXPECT_TRUE(ReadStartupSettings(store_).unitsInches);
    SetCountryCode(44);
    EXPECT_FALSE(ReadStartupSettings(store_).unitsInches);
    SetCountryCode(1);
    store_.WriteString("Options", "Units", "none");
    EXPECT_EQ(ReadStartupSettings(store_).units, "inches");
    // Only the exact "none" defers to the country.
    store_.WriteString("Options", "Units", "NONE");
    EXPECT_FALSE(ReadStartupSettings(store_).unitsInches);
}

TEST_F(StartupSettingsTest, InchesInAnyCaseEverythingElseCentimetres)
{
    SetCountryCode(1);
    for (const char* units : {"inches", "INCHES", "Inches", "iNcHeS"}) {
        store_.WriteString("Options", "Units", units);
        EXPECT_TRUE(ReadStartupSettings(store_).unitsInches) << units;
    }
    for (const char* units : {"cm", "centimeters", "inch", "inches ", ""}) {
        store_.WriteString("Options", "Units", units);
        EXPECT_FALSE(ReadStartupSettings(store_).unitsInches) << units;
    }
}

TEST_F(StartupSettingsTest, StoredFlagsAreRead)
{
    store_.WriteString("Options", "AlignToPeg", "1");
    store_.WriteString("Options", "Welcome", "0");
    store_.WriteString("Options", "Tips", "0");
    const StartupSettings settings = ReadStartupSettings(store_);
    EXPECT_TRUE(settings.alignToPeg);
    EXPECT_FALSE(settings.welcome);
    EXPECT_FALSE(settings.tips);
}

TEST(StartupRulesTest, PositionHintsNameTheUnit)
{
    EXPECT_EQ(PositionHintsFor(true).x, "Inches from left");
    EXPECT_EQ(PositionHintsFor(true).y, "Inches from bottom");
    EXPECT_EQ(PositionHintsFor(false).x, "cm(s) from left");
    EXPECT_EQ(PositionHintsFor(false).y, "cm(s) from bottom");
}

TEST(StartupRulesTest, RecentFilesSkipEmptyEntries)
{
    PreferencesValues prefs;
    EXPECT_EQ(RecentFilesFrom(prefs).Count(), 0);
    prefs.doc2 = "/p/b.kqf";
    prefs.doc4 = "/p/d.kqf";
    prefs.doc5 = "/p/e.kqf";
    const TStringList recent = RecentFilesFrom(prefs);
    ASSERT_EQ(recent.Count(), 3);
    EXPECT_EQ(recent[0], "/p/b.kqf");
    EXPECT_EQ(recent[1], "/p/d.kqf");
    EXPECT_EQ(recent[2], "/p/e.kqf");
}

TEST(StartupRulesTest, ScreenDepthBoundaries)
{
    EXPECT_TRUE(ScreenTooShallowToRun(4));
    EXPECT_TRUE(ScreenTooShallowToRun(7));
    EXPECT_FALSE(ScreenTooShallowToRun(8));
    EXPECT_TRUE(TransparencyLockedOff(8));
    EXPECT_FALSE(TransparencyLockedOff(9));
    EXPECT_FALSE(TransparencyLockedOff(24));
}
