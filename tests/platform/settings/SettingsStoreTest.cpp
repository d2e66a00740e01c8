#include "platform/settings/SettingsStore.h"

#include "platform/core/Exceptions.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace {

class SettingsStoreTest : public testing::Test {
protected:
    std::string FilePath() const { return settings_.Folder().File("Kestrame.ini"); }

    ScopedSettingsFolder settings_;
    const TemporaryFolder& folder_ = settings_.Folder();
};

} // namespace

TEST_F(SettingsStoreTest, FolderComesFromTheEnvironment)
{
    EXPECT_EQ(SettingsFolder(), folder_.Path() + "/");
    EXPECT_EQ(SettingsStore().FileName(), FilePath());
    unsetenv("KESTRAME_CONFIG_DIR");
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = xdg ? xdg : "";
    setenv("XDG_CONFIG_HOME", "/xdg/conf", 1);
    EXPECT_EQ(SettingsFolder(), "/xdg/conf/Kestrame/");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_NE(SettingsFolder(), "relative/ignored/Kestrame/");
    EXPECT_EQ(SettingsFolder().substr(SettingsFolder().size() - 18), "/.config/Kestrame/");
    if (xdg)
        setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST_F(SettingsStoreTest, NamesAreCaseInsensitiveAndKeepTheirFirstCase)
{
    SettingsStore store;
    store.WriteBool("Options", "Welcome", false);
    EXPECT_FALSE(store.ReadBool("options", "welcome", true));
    store.WriteBool("OPTIONS", "welcome", true);
    EXPECT_TRUE(store.ReadBool("Options", "Welcome", false));
    EXPECT_EQ(store.Load().ValueNames("Options"), std::vector<std::string>{"Welcome"});
    EXPECT_EQ(ReadWholeFile(FilePath()), "[Options]\r\nWelcome=1\r\n");
}

TEST_F(SettingsStoreTest, TextIntegerAndFlagForms)
{
    WriteWholeFile(FilePath(), "[Options]\nA=1.5\nB=5\nC=abc\nD=\nE=-1\nF= 12\nG=0\nH=2147483648\n");
    SettingsStore store;
    EXPECT_EQ(store.ReadInteger("Options", "A", 189), 189);
    EXPECT_EQ(store.ReadInteger("Options", "E", 7), -1);
    EXPECT_EQ(store.ReadInteger("Options", "F", 7), 12);
    EXPECT_EQ(store.ReadInteger("Options", "H", 7), 7);
    EXPECT_EQ(store.ReadInteger("Options", "Missing", 7), 7);
    EXPECT_EQ(store.ReadInteger("Nowhere", "A", 7), 7);
    EXPECT_TRUE(store.ReadBool("Options", "B", false));
    EXPECT_FALSE(store.ReadBool("Options", "C", false));
    EXPECT_TRUE(store.ReadBool("Options", "C", true));
    EXPECT_FALSE(store.ReadBool("Options", "D", false));
    EXPECT_FALSE(store.ReadBool("Options", "G", true));
    EXPECT_EQ(store.ReadString("Options", "D", "default"), "");
    EXPECT_EQ(store.ReadString("Options", "Missing", "default"), "default");

    store.WriteInteger("Options", "N", -189);
    store.WriteString("Options", "Empty", "");
    EXPECT_EQ(store.ReadString("Options", "Empty", "default"), "");
    EXPECT_EQ(store.ReadString("Options", "N", ""), "-189");
}

TEST_F(SettingsStoreTest, BinaryDoublesAreEightLittleEndianBytes)
{
    SettingsStore store;
    store.WriteFloat("", "cmPegRad", 1.25);
    EXPECT_EQ(store.ReadFloat("", "cmPegRad"), 1.25);
    EXPECT_EQ(ReadWholeFile(FilePath()), "cmPegRad=hex:00,00,00,00,00,00,f4,3f\r\n");
    WriteWholeFile(FilePath(), "cmPegRad=hex:00,00,80,3f\nInchPegRad=0.5\nX=hex:00,00,00,00,00,00,e0,3F\n");
    EXPECT_FALSE(store.ReadFloat("", "cmPegRad"));
    EXPECT_FALSE(store.ReadFloat("", "InchPegRad"));
    EXPECT_FALSE(store.ReadFloat("", "Missing"));
    EXPECT_EQ(store.ReadFloat("", "X"), 0.5);
    // A binary value read as text or as a number is not there.
    EXPECT_EQ(store.ReadString("", "X", "d"), "d");
    EXPECT_EQ(store.ReadInteger("", "X", 3), 3);
}

TEST_F(SettingsStoreTest, AwkwardTextsRoundTrip)
{
    SettingsStore store;
    const std::string texts[] = {" lead",         "trail\t",
                                 "\"quoted\"",    "hex:00",
                                 "line\r\nbreak", "C:\\Pics\\caf\xE9.bmp",
                                 "a=b;c",         std::string("nul\0x", 5),
                                 "\x7F"};
    for (size_t i = 0; i < std::size(texts); ++i)
        store.WriteString("Options", "v" + std::to_string(i), texts[i]);
    store.WriteString("Options", "odd=name", "x");
    store.WriteString("Options", "[bracket", "y");
    for (size_t i = 0; i < std::size(texts); ++i)
        EXPECT_EQ(store.ReadString("Options", "v" + std::to_string(i), "?"), texts[i]) << i;
    EXPECT_EQ(store.ReadString("Options", "odd=name", "?"), "x");
    EXPECT_EQ(store.ReadString("Options", "[bracket", "?"), "y");
    const std::string file = ReadWholeFile(FilePath());
    EXPECT_NE(file.find("v5=C:\\Pics\\caf\xE9.bmp\r\n"), std::string::npos);
    EXPECT_NE(file.find("v4=\"line\\r\\nbreak\"\r\n"), std::string::npos);
}

TEST_F(SettingsStoreTest, HandEditedAndCorruptFilesAreReadTolerantly)
{
    WriteWholeFile(FilePath(),
                   std::string("; comment\r\n  welcome = 0 \r\n[ Options ]\r\n# note\r\nUnits = inches\r\n"
                               "garbage line\r\n=\r\nbad=\"unterminated\r\nhex=hex:zz\r\n[Broken\r\nLost=1\r\n"
                               "[options]\r\nTips=0\r\n\0\xFF\xFE[x]y\r\n",
                               150) +
                       std::string(3000, '\0'));
    SettingsStore store;
    EXPECT_FALSE(store.ReadBool("", "Welcome", true));
    EXPECT_EQ(store.ReadString("Options", "Units", "none"), "inches");
    EXPECT_FALSE(store.ReadBool("Options", "Tips", true));
    EXPECT_FALSE(store.ValueExists("Options", "bad"));
    EXPECT_FALSE(store.ValueExists("Options", "hex"));
    EXPECT_FALSE(store.ValueExists("Options", "Lost"));
    EXPECT_FALSE(store.ValueExists("Broken", "Lost"));

    store.WriteInteger("Options", "NewDocPage", 2);
    EXPECT_EQ(ReadWholeFile(FilePath()), "welcome=0\r\n\r\n[Options]\r\nUnits=inches\r\nTips=0\r\nNewDocPage=2\r\n");
}

TEST_F(SettingsStoreTest, BinaryFileContentDoesNotCrash)
{
    std::string noise;
    for (int i = 0; i < 20000; ++i)
        noise += static_cast<char>((i * 7919) & 0xFF);
    WriteWholeFile(FilePath(), noise);
    SettingsStore store;
    EXPECT_EQ(store.ReadInteger("Options", "nudge", 1), 1);
    store.WriteInteger("Options", "nudge", 3);
    EXPECT_EQ(SettingsStore().ReadInteger("Options", "nudge", 1), 3);
    const SettingsFile reread = SettingsFile::Parse(ReadWholeFile(FilePath()));
    EXPECT_EQ(reread.ReadInteger("Options", "nudge", 1), 3);
}

TEST_F(SettingsStoreTest, MissingFileReadsEmptyAndReadingCreatesNothing)
{
    SettingsStore store;
    EXPECT_EQ(store.ReadString("Options", "Units", "none"), "none");
    EXPECT_FALSE(store.SectionExists("Options"));
    EXPECT_TRUE(store.SectionExists(""));
    struct stat info;
    EXPECT_NE(::stat(FilePath().c_str(), &info), 0);
}

TEST_F(SettingsStoreTest, TwoStoresWritingInTurnLoseNothing)
{
    SettingsStore first;
    SettingsStore second;
    first.WriteString("Options", "Units", "cm");
    second.WriteBool("UserInfoKQ3", "UpgradeCheck", false);
    first.WriteInteger("Options", "NewDocPage", 1);
    second.WriteBool("Options", "Tips", false);
    first.DeleteValue("Options", "NewDocPage");
    const SettingsFile file = SettingsStore().Load();
    EXPECT_EQ(file.ReadString("Options", "Units", ""), "cm");
    EXPECT_FALSE(file.ReadBool("UserInfoKQ3", "UpgradeCheck", true));
    EXPECT_FALSE(file.ReadBool("Options", "Tips", true));
    EXPECT_FALSE(file.Find("Options", "NewDocPage"));
}

TEST_F(SettingsStoreTest, SubkeysAndFailedWrites)
{
    SettingsStore store;
    store.WriteString("A/B\\", "x", "1");
    EXPECT_EQ(store.ReadString("a\\b", "X", ""), "1");
    EXPECT_TRUE(store.SectionExists("\\A\\B"));

    SettingsStore blocked(folder_.File("file") + "/sub/Kestrame.ini");
    WriteWholeFile(folder_.File("file"), "not a folder");
    EXPECT_THROW(blocked.WriteString("Options", "x", "1"), EStreamError);
    EXPECT_EQ(ReadWholeFile(folder_.File("file")), "not a folder");
}
