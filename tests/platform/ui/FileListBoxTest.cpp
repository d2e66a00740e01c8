#include "platform/ui/FileListBox.h"
#include "platform/ui/FileListBoxView.h"
#include "platform/ui/Masks.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(Masks, MatchWithoutRegardToCase)
{
    EXPECT_TRUE(MatchesMask("Shop.KQT", "*.kqt"));
    EXPECT_TRUE(MatchesMask("shop.kqt", "*.KQT"));
    EXPECT_FALSE(MatchesMask("shop.kqt.bak", "*.kqt"));
    EXPECT_FALSE(MatchesMask("shopkqt", "*.kqt"));
    EXPECT_TRUE(MatchesMask("README", "*.*"));
    EXPECT_TRUE(MatchesMask("a.b", "?.?"));
    EXPECT_FALSE(MatchesMask("ab.b", "?.?"));
    EXPECT_TRUE(MatchesMask("xctf", "*ctf"));
    EXPECT_TRUE(MatchesMask(std::string(200, 'a'), std::string(20, '*') + "b*") == false);
    const char* list = "*.vdx;*.did;*.ctf;*.ddl";
    for (const char* name : {"a.vdx", "B.DID", "c.Ctf", "d.ddl"})
        EXPECT_TRUE(MatchesMaskList(name, list)) << name;
    for (const char* name : {"a.kqf", "vdx", "a.ddlx"})
        EXPECT_FALSE(MatchesMaskList(name, list)) << name;
    EXPECT_FALSE(MatchesMaskList("a", ""));
    EXPECT_FALSE(MatchesMaskList("a", ";;"));
}

namespace {

class FileListBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name :
             {"Shop.KQT", "aisle.kqt", "notes.txt", "b.vdx", "C.DID", "d.ctf", "e.ddl", "f.kqf", ".hidden.kqt"})
            WriteWholeFile(folder_.File(name), "x");
        ::mkdir(folder_.File("sub.kqt").c_str(), 0700);
    }

    TemporaryFolder folder_;
};

} // namespace

TEST_F(FileListBoxTest, ListsMatchingFilesSortedWithoutRegardToCase)
{
    TFileListBox files;
    EXPECT_TRUE(files.Items().empty());
    files.SetMask("*.kqt");
    files.SetDirectory(folder_.Path());
    EXPECT_EQ(files.Items(), (std::vector<std::string>{"aisle.kqt", "Shop.KQT"}));
    EXPECT_EQ(files.ItemIndex(), -1);
    EXPECT_EQ(files.FileName(), "");
    files.SetMask("*.vdx;*.did;*.ctf;*.ddl");
    EXPECT_EQ(files.Items(), (std::vector<std::string>{"b.vdx", "C.DID", "d.ctf", "e.ddl"}));
    files.SetItemIndex(1);
    EXPECT_EQ(files.FileName(), folder_.Path() + "/C.DID");
    files.SetItemIndex(9);
    EXPECT_EQ(files.ItemIndex(), -1);
}

TEST_F(FileListBoxTest, SettingAFileNameShowsItsFolderAndSelectsIt)
{
    TFileListBox files;
    files.SetMask("*.vdx;*.did;*.ctf;*.ddl");
    files.SetFileName(folder_.Path() + "/d.ctf");
    EXPECT_EQ(files.Directory(), folder_.Path());
    EXPECT_EQ(files.Items().size(), 4u);
    EXPECT_EQ(files.ItemIndex(), 2);
    EXPECT_EQ(files.FileName(), folder_.Path() + "/d.ctf");
    // A stored name in other letter case still finds the file.
    files.SetFileName(folder_.Path() + "/c.did");
    EXPECT_EQ(files.FileName(), folder_.Path() + "/C.DID");
    files.SetFileName("e.ddl");
    EXPECT_EQ(files.FileName(), folder_.Path() + "/e.ddl");
    files.SetFileName(folder_.Path() + "/missing.vdx");
    EXPECT_EQ(files.ItemIndex(), -1);
    files.SetFileName("/no/such/folder/x.vdx");
    EXPECT_EQ(files.Directory(), "/no/such/folder");
    EXPECT_TRUE(files.Items().empty());
    files.SetDirectory(folder_.Path() + "/");
    EXPECT_EQ(files.Directory(), folder_.Path());
}

TEST_F(FileListBoxTest, ViewShowsTheListAndItsSelection)
{
    FileListBoxView view;
    TFileListBox& files = view.Files();
    files.SetMask("*.kqt");
    files.SetFileName(folder_.Path() + "/Shop.KQT");
    ASSERT_EQ(view.count(), 2);
    EXPECT_EQ(view.item(0)->text(), "aisle.kqt");
    EXPECT_EQ(view.currentRow(), 1);
    view.setCurrentRow(0);
    EXPECT_EQ(files.FileName(), folder_.Path() + "/aisle.kqt");
}
