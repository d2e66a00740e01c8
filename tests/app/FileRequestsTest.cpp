#include "app/FileRequests.h"
#include "app/PreferencesClass.h"
#include "app/RecentFiles.h"
#include "planogram/Listmanager.h"
#include "planogram/PlanogramLoading.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(FileRequestsTest, DroppedFilesGoByTheLastSuffixOfTheNameInAnyCase)
{
    EXPECT_TRUE(IsPlanogramFileName("/home/a/wall.kqf"));
    EXPECT_TRUE(IsPlanogramFileName("/home/a/WALL.KQT"));
    EXPECT_TRUE(IsPlanogramFileName("/home/my.displays/wall.v2.kqf"));
    EXPECT_FALSE(IsPlanogramFileName("/home/my.kqf/wall"));
    EXPECT_FALSE(IsPlanogramFileName("/home/a/wall.kqf.bak"));
    EXPECT_TRUE(IsTemplateFileName("C:\\Shop\\Base.KqT"));
    EXPECT_FALSE(IsTemplateFileName("C:\\Shop.kqt\\Base.kqf"));
}

TEST(FileRequestsTest, OpenFileRequestTakesEverythingAfterTheFirstEqualsSign)
{
    EXPECT_EQ(OpenFileRequestPath("OpenFile=/tmp/a=b.kqf\n"), "/tmp/a=b.kqf");
    EXPECT_EQ(OpenFileRequestPath("OpenFile=\"/tmp/my wall.kqf\"\r\nnext"), "/tmp/my wall.kqf");
    EXPECT_EQ(OpenFileRequestPath("OpenFile=  \"\"  "), std::nullopt);
    EXPECT_EQ(OpenFileRequestPath("OpenFile"), std::nullopt);
    EXPECT_EQ(OpenFileRequestPath("openfile=/tmp/a.kqf"), std::nullopt);
    EXPECT_EQ(OpenFileRequestPath("Print=/tmp/a.kqf"), std::nullopt);
    EXPECT_EQ(OpenFileRequestPath(OpenFileRequest("/tmp/x.kqf")), "/tmp/x.kqf");
}

TEST(FileRequestsTest, SaveFilterSetsTheExtension)
{
    EXPECT_EQ(FileNameForSaveFilter("/tmp/wall.kqf", 2), "/tmp/wall.kqt");
    EXPECT_EQ(FileNameForSaveFilter("/tmp/wall", 2), "/tmp/wall.kqt");
    EXPECT_EQ(FileNameForSaveFilter("/tmp/wall.kqt", 1), "/tmp/wall.kqf");
    EXPECT_EQ(FileNameForSaveFilter("/tmp/wall.x", 3), "/tmp/wall.x");
    EXPECT_EQ(FileNameForSaveFilter("", 2), "");
}

TEST(RecentFilesTest, SavedPathsGoToTheFrontAndTheSixthDropsTheOldest)
{
    TStringList recent;
    for (const char* path : {"/e.kqf", "/d.kqf", "/c.kqf", "/b.kqf", "/a.kqf"})
        AddSavedPlanogram(recent, path);
    EXPECT_EQ(recent.CommaText(), "/a.kqf,/b.kqf,/c.kqf,/d.kqf,/e.kqf");
    AddSavedPlanogram(recent, "/c.kqf");
    EXPECT_EQ(recent.CommaText(), "/a.kqf,/b.kqf,/c.kqf,/d.kqf,/e.kqf");
    AddSavedPlanogram(recent, "/f.kqf");
    EXPECT_EQ(recent.CommaText(), "/f.kqf,/a.kqf,/b.kqf,/c.kqf,/d.kqf");
    // Another letter case is another file.
    AddSavedPlanogram(recent, "/A.kqf");
    EXPECT_EQ(recent.CommaText(), "/A.kqf,/f.kqf,/a.kqf,/b.kqf,/c.kqf");

    PreferencesValues prefs;
    prefs.doc5 = "kept";
    TStringList three;
    three.SetCommaText("/x.kqf,,/z.kqf");
    StoreRecentFiles(three, prefs);
    EXPECT_EQ(prefs.doc1, "/x.kqf");
    EXPECT_EQ(prefs.doc2, "");
    EXPECT_EQ(prefs.doc3, "/z.kqf");
    // What the list no longer holds is emptied, so it cannot come back at the next start.
    EXPECT_EQ(prefs.doc5, "");
}

TEST(RecentFilesTest, MissingFilesAreHiddenInTheirPlaces)
{
    TemporaryFolder folder;
    WriteWholeFile(folder.File("here.kqf"), "KQF\r\n");
    TStringList recent;
    recent.Add(folder.File("gone.kqf"));
    recent.Add(folder.File("here.kqf"));
    ForgetMissingRecentFiles(recent);
    ASSERT_EQ(recent.Count(), 2);
    const auto captions = RecentMenuCaptions(recent);
    ASSERT_EQ(captions.size(), 2u);
    EXPECT_EQ(captions[0], std::nullopt);
    EXPECT_EQ(captions[1], "here.kqf");
}

namespace {

ListOB& Add(ListManager& list, int number, int group, int child)
{
    list.Append();
    ListOB& item = *list.current;
    item.itemNo = number;
    item.group = group;
    item.child = child;
    return item;
}

} // namespace

TEST(ItemLinksTest, GroupsResolveAndDanglingOrRingLinksStayUnlinked)
{
    ListManager list;
    ListOB& head = Add(list, 1, 1, 2);
    ListOB& second = Add(list, 2, 1, 3);
    ListOB& third = Add(list, 3, 1, 3);
    ListOB& stray = Add(list, 4, 99, 98);
    ListOB& ringA = Add(list, 5, 5, 6);
    ListOB& ringB = Add(list, 6, 5, 5);
    ResolveItemLinks(list);
    EXPECT_EQ(head.groupItem, &head);
    EXPECT_EQ(head.childItem, &second);
    EXPECT_EQ(second.groupItem, &head);
    EXPECT_EQ(second.childItem, &third);
    EXPECT_EQ(third.groupItem, &head);
    EXPECT_EQ(third.childItem, nullptr);
    EXPECT_EQ(stray.groupItem, nullptr);
    EXPECT_EQ(stray.childItem, nullptr);
    // 5 -> 6 -> 5 would be a ring: one link of it is left out.
    EXPECT_EQ(ringB.groupItem, &ringA);
    EXPECT_TRUE(ringA.childItem == nullptr || ringB.childItem == nullptr);
    int steps = 0;
    for (ListOB* item = &ringA; item && steps < 10; item = item->childItem)
        ++steps;
    EXPECT_LT(steps, 10);
}

TEST(ItemLinksTest, DepthsCompareInDocumentUnitsWithATolerance)
{
    const double fiveInches = 5 / 0.394 * 4;
    EXPECT_TRUE(DepthsAgree(50.7614, fiveInches));
    EXPECT_FALSE(DepthsAgree(5, fiveInches));
    EXPECT_TRUE(DepthsAgree(0, 0));
    EXPECT_EQ(PictureInFolder("a.jpg", "/pics"), "/pics/a.jpg");
    EXPECT_EQ(PictureInFolder("x/a.jpg", "/pics"), "x/a.jpg");
    EXPECT_EQ(PictureInFolder("(null)", "/pics"), "");
}
