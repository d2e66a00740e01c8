#include "platform/core/Keyval.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(KeyVal, LookupRules)
{
    TemporaryFolder folder;
    const std::string path = folder.File("plan.kqf");
    WriteWholeFile(path, "KQF\r\nHeader.Width=800\r\nkey=first\r\nkey=second\r\nformula=a=b\r\n"
                         "plain line\r\nname=Caf\xE9 x\r\n");
    KeyVal store;
    ASSERT_TRUE(store.Open(path, "rt"));
    EXPECT_EQ(store.firstLine, "KQF");
    EXPECT_EQ(store.GetValue("Header.Width"), "800");
    EXPECT_EQ(store.lineCount, 2);
    EXPECT_EQ(store.GetValue("key"), "first");
    EXPECT_EQ(store.lineCount, 3);
    // Looked up again, the key's next line holds it too but is not its first.
    EXPECT_EQ(store.GetValue("key"), "first");
    EXPECT_EQ(store.lineCount, 3);
    EXPECT_EQ(store.GetValue("formula"), "a=b");
    EXPECT_EQ(store.GetValue("KEY"), "");
    EXPECT_EQ(store.GetValue("missing"), "");
    EXPECT_EQ(store.lineCount, 7);
    EXPECT_EQ(store.GetValue("name"), "Caf\xE9 x");
    store.Close();
    EXPECT_EQ(store.GetValue("key"), "");
}

// Enough names to fill the index's slots unevenly; every first line of a name is found in any order.
TEST(KeyVal, ManyKeysInAnyOrder)
{
    TemporaryFolder folder;
    const std::string path = folder.File("plan.kqf");
    std::string text = "KQF\r\n";
    for (int i = 0; i < 5000; ++i)
        text += "S" + std::to_string(i) + ".left=" + std::to_string(i) + "\r\n";
    for (int i = 0; i < 5000; i += 7)
        text += "S" + std::to_string(i) + ".left=late\r\n";
    WriteWholeFile(path, text);
    KeyVal store;
    ASSERT_TRUE(store.Open(path, "rt"));
    for (int i = 4999; i >= 0; i -= 3) {
        EXPECT_TRUE(store.HasKey("S" + std::to_string(i) + ".left"));
        EXPECT_EQ(store.GetValue("S" + std::to_string(i) + ".left"), std::to_string(i));
    }
    EXPECT_FALSE(store.HasKey("S5000.left"));
    EXPECT_FALSE(store.HasKey("S1.lef"));
}

TEST(KeyVal, LfFilesAndLongLines)
{
    TemporaryFolder folder;
    const std::string path = folder.File("plan.kqf");
    const std::string longValue(100000, 'v');
    WriteWholeFile(path, "KQF\nlong=" + longValue + "\nafter=1");
    KeyVal store;
    ASSERT_TRUE(store.Open(path, "rt"));
    EXPECT_EQ(store.firstLine, "KQF");
    EXPECT_EQ(store.GetValue("long"), longValue);
    EXPECT_EQ(store.GetValue("after"), "1");
}

TEST(KeyVal, OpenFailuresShowTheStoresMessages)
{
    ScriptedUi ui;
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerMessage(MsgAnswer::OK);
    TemporaryFolder folder;
    KeyVal store;
    EXPECT_FALSE(store.Open(folder.File("missing.kqf"), "rt"));
    EXPECT_FALSE(store.Open(folder.File("no/such/folder/x.kqf"), "wt"));
    ASSERT_EQ(ui.Calls().size(), 2u);
    EXPECT_EQ(ui.Calls()[0].text, "Could not open file");
    EXPECT_EQ(ui.Calls()[0].caption, "error 1");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::None);
    EXPECT_EQ(ui.Calls()[1].text, "No such file or directory");
    EXPECT_EQ(ui.Calls()[1].caption, "Could not open output file");
    EXPECT_TRUE(store.Open(folder.File("x"), "ab"));
}

TEST(KeyVal, WritesCrLfLinesOnlyOnClose)
{
    TemporaryFolder folder;
    const std::string path = folder.File("out.ctf");
    WriteWholeFile(path, "old");
    KeyVal store;
    ASSERT_TRUE(store.Open(path, "wt"));
    EXPECT_TRUE(store.WriteLine("DIDF1"));
    EXPECT_TRUE(store.WriteLine("a=1"));
    EXPECT_EQ(ReadWholeFile(path), "old");
    EXPECT_TRUE(store.Close());
    EXPECT_EQ(ReadWholeFile(path), "DIDF1\r\na=1\r\n");
    EXPECT_FALSE(store.WriteLine("late"));
}
