#include "app/PreferencesClass.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class PreferencesTest : public testing::Test {
protected:
    std::string FilePath() const { return settings_.Folder().File("Kestrame.ini"); }

    ScopedSettingsFolder settings_;
    const TemporaryFolder& folder_ = settings_.Folder();
};

} // namespace

TEST_F(PreferencesTest, FirstStartTakesEveryDefaultAndWritesNothing)
{
    const PreferencesClass prefs;
    EXPECT_EQ(prefs.cmHeight1, 189);
    EXPECT_EQ(prefs.cmHeight2, 200);
    EXPECT_EQ(prefs.cmHeight3, 250);
    EXPECT_EQ(prefs.cmWidth1, 189);
    EXPECT_EQ(prefs.cmWidth2, 200);
    EXPECT_EQ(prefs.cmWidth3, 250);
    EXPECT_EQ(prefs.cmHPegSpace, 4);
    EXPECT_EQ(prefs.cmPegBottom, 4);
    EXPECT_EQ(prefs.cmPegDepth, 13);
    EXPECT_EQ(prefs.cmPegLeft, 4);
    EXPECT_EQ(prefs.cmPegRight, 4);
    EXPECT_EQ(prefs.cmPegTop, 4);
    EXPECT_EQ(prefs.cmVPegSpace, 4);
    EXPECT_EQ(prefs.cmPegRad, 1.0);
    EXPECT_EQ(prefs.InchHeight1, 48);
    EXPECT_EQ(prefs.InchHeight2, 60);
    EXPECT_EQ(prefs.InchHeight3, 100);
    EXPECT_EQ(prefs.InchWidth1, 48);
    EXPECT_EQ(prefs.InchWidth2, 60);
    EXPECT_EQ(prefs.InchWidth3, 100);
    EXPECT_EQ(prefs.InchHPegSpace, 4);
    EXPECT_EQ(prefs.InchPegBottom, 4);
    EXPECT_EQ(prefs.InchPegDepth, 13);
    EXPECT_EQ(prefs.InchPegLeft, 2);
    EXPECT_EQ(prefs.InchPegRight, 2);
    EXPECT_EQ(prefs.InchPegTop, 2);
    EXPECT_EQ(prefs.InchVPegSpace, 2);
    EXPECT_EQ(prefs.InchPegRad, 0.5);
    EXPECT_EQ(prefs.CurrentDataFile, "none");
    EXPECT_FALSE(prefs.AlignToPeg);
    EXPECT_EQ(prefs.nudge, 1);
    EXPECT_TRUE(prefs.tooltips);
    EXPECT_EQ(prefs.defFont, "Arial");
    EXPECT_EQ(prefs.defFontStyle, 0);
    EXPECT_EQ(prefs.defFontColor, 0);
    EXPECT_EQ(prefs.defJPGQuality, 75);
    EXPECT_TRUE(prefs.defJPGProgressive);
    EXPECT_FALSE(prefs.biLinear);
    EXPECT_EQ(prefs.defFontSize, 12);
    for (const std::string* doc : {&prefs.doc1, &prefs.doc2, &prefs.doc3, &prefs.doc4, &prefs.doc5})
        EXPECT_EQ(*doc, "");
    EXPECT_TRUE(prefs.welcome);
    EXPECT_EQ(prefs.viewMode, 1);
    for (bool tag : {prefs.viewTag1, prefs.viewTag2, prefs.viewTag3, prefs.viewTag4, prefs.viewTag5, prefs.viewTag6})
        EXPECT_FALSE(tag);
    EXPECT_FALSE(prefs.PicTrans);
    EXPECT_FALSE(prefs.ReorderAlarm);
    EXPECT_EQ(prefs.AddAlign, 0);
    EXPECT_EQ(prefs.PWrap, 0);
    EXPECT_FALSE(SettingsStore().SectionExists("Options"));
    EXPECT_EQ(ReadWholeFile(FilePath()), "");
}

TEST_F(PreferencesTest, StoredValuesLoadAndBadOnesGiveTheirDefault)
{
    WriteWholeFile(FilePath(), "cmPegRad=hex:00,00,80,3f\n"
                               "InchPegRad=hex:00,00,00,00,00,00,d0,3f\n"
                               "[Options]\n"
                               "cmHeight1=199.5\ncmHeight2=210\n"
                               "cmWidth1=hex:01\ncmWidth2=150\n"
                               "CurrentDataFile=hex:41\ndefFont=Verdana\n"
                               "AlignToPeg=2\nWelcome=0\ntooltips=\n"
                               "doc1=/plans/a.kqf\ndoc2=\nAddAlign=7\nPWrap=abc\nInchPegDepth=5.122\nviewTag3=1\n");
    const PreferencesClass prefs;
    EXPECT_EQ(prefs.cmHeight1, 189);
    EXPECT_EQ(prefs.cmHeight2, 210);
    EXPECT_EQ(prefs.cmWidth1, 189);
    EXPECT_EQ(prefs.cmWidth2, 150);
    EXPECT_EQ(prefs.cmPegRad, 1.0);
    EXPECT_EQ(prefs.InchPegRad, 0.25);
    EXPECT_EQ(prefs.CurrentDataFile, "none");
    EXPECT_EQ(prefs.defFont, "Verdana");
    EXPECT_TRUE(prefs.AlignToPeg);
    EXPECT_FALSE(prefs.welcome);
    EXPECT_TRUE(prefs.tooltips);
    EXPECT_EQ(prefs.doc1, "/plans/a.kqf");
    EXPECT_EQ(prefs.doc2, "");
    EXPECT_EQ(prefs.AddAlign, 1);
    EXPECT_EQ(prefs.PWrap, 0);
    EXPECT_EQ(prefs.InchPegDepth, 13);
    EXPECT_TRUE(prefs.viewTag3);
    EXPECT_FALSE(prefs.viewTag4);
}

TEST_F(PreferencesTest, SaveWritesTheRecentFilesAndOnlyWhatItChanged)
{
    SettingsStore store;
    store.WriteString("Options", "cmWidth1", "1.5");
    PreferencesClass prefs;
    // Other windows change their keys after start-up.
    store.WriteBool("Options", "Welcome", false);
    store.WriteBool("Options", "AlignToPeg", true);
    store.WriteString("Options", "CurrentDataFile", "/cat/shop.vdx");
    store.WriteString("Options", "cmPegRad", "5.122");

    prefs.doc1 = "/plans/new.kqf";
    prefs.nudge = 5;
    prefs.cmPegRad = 2.5;
    prefs.PWrap = 3;
    prefs.PicTrans = true;
    prefs.Save();

    const SettingsFile file = store.Load();
    EXPECT_EQ(file.ReadString("Options", "doc1", "?"), "/plans/new.kqf");
    for (const char* doc : {"doc2", "doc3", "doc4", "doc5"})
        EXPECT_EQ(file.ReadString("Options", doc, "?"), "") << doc;
    EXPECT_EQ(file.ReadString("Options", "nudge", "?"), "5");
    EXPECT_EQ(file.ReadString("Options", "PWrap", "?"), "1");
    EXPECT_EQ(file.ReadFloat("", "cmPegRad"), 2.5);
    EXPECT_FALSE(file.Find("", "InchPegRad"));
    EXPECT_FALSE(file.Find("Options", "PicTrans"));
    EXPECT_FALSE(file.ReadBool("Options", "welcome", true));
    EXPECT_TRUE(file.ReadBool("Options", "AlignToPeg", false));
    EXPECT_EQ(file.ReadString("Options", "CurrentDataFile", "?"), "/cat/shop.vdx");
    EXPECT_EQ(file.ReadString("Options", "cmWidth1", "?"), "1.5");
    EXPECT_EQ(file.ReadString("Options", "cmPegRad", "?"), "5.122");
    EXPECT_FALSE(file.Find("Options", "cmHeight1"));
    EXPECT_EQ(file.ValueNames("Options").size(), 12u);

    // A second save does not write a value again once it is stored.
    store.WriteString("Options", "nudge", "9");
    prefs.doc2 = "/plans/old.kqf";
    prefs.Save();
    EXPECT_EQ(store.ReadInteger("Options", "nudge", 0), 9);
    EXPECT_EQ(store.ReadString("Options", "doc2", ""), "/plans/old.kqf");
}

TEST_F(PreferencesTest, WelcomeOfTheWizardAndOfTheObjectAreOneValue)
{
    PreferencesClass prefs;
    prefs.welcome = false;
    prefs.Save();
    EXPECT_FALSE(SettingsStore().ReadBool("Options", "Welcome", true));
    EXPECT_EQ(SettingsStore().Load().ValueNames("Options").size(), 6u);
    SettingsStore().WriteBool("Options", "Welcome", true);
    prefs.Load();
    EXPECT_TRUE(prefs.welcome);
    EXPECT_EQ(SettingsStore().Load().ValueNames("Options").size(), 6u);
}

TEST_F(PreferencesTest, AFailedSaveIsSilentAndRetriedNextTime)
{
    const std::string blocker = folder_.File("blocker");
    WriteWholeFile(blocker, "x");
    PreferencesClass prefs{SettingsStore(blocker + "/Kestrame.ini")};
    prefs.nudge = 4;
    EXPECT_NO_THROW(prefs.Save());
    std::remove(blocker.c_str());
    prefs.Save();
    EXPECT_EQ(SettingsStore(blocker + "/Kestrame.ini").ReadInteger("Options", "nudge", 1), 4);
}
