#include "platform/core/StringList.h"
#include "platform/core/Exceptions.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(StringList, AddInsertDeleteIndexOf)
{
    TStringList list;
    list.Add("Shelf");
    list.Add("peg");
    list.Insert(0, "Divider");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0], "Divider");
    EXPECT_EQ(list.IndexOf("PEG"), 2);
    EXPECT_EQ(list.IndexOf("none"), -1);
    list.Delete(1);
    EXPECT_EQ(list.Text(), "Divider\r\npeg\r\n");
    EXPECT_THROW(list.Delete(5), EStringListError);
    EXPECT_THROW(list[2], EStringListError);
}

TEST(StringList, SortedIgnoresCaseAndDuplicates)
{
    TStringList list;
    list.Add("banana");
    list.Add("Apple");
    list.Add("cherry");
    list.Sort();
    EXPECT_EQ(list.CommaText(), "Apple,banana,cherry");

    TStringList sorted;
    sorted.SetSorted(true);
    EXPECT_EQ(sorted.Add("b"), 0);
    EXPECT_EQ(sorted.Add("A"), 0);
    EXPECT_EQ(sorted.Add("B"), 1); // a duplicate without regard to case is ignored
    EXPECT_EQ(sorted.Add("c"), 2);
    EXPECT_EQ(sorted.Count(), 3);
    EXPECT_EQ(sorted.IndexOf("C"), 2);
    EXPECT_THROW(sorted.Insert(0, "x"), EStringListError);
    sorted.SetDuplicates(TDuplicates::dupError);
    EXPECT_THROW(sorted.Add("a"), EStringListError);
    sorted.SetDuplicates(TDuplicates::dupAccept);
    sorted.Add("a");
    EXPECT_EQ(sorted.Count(), 4);
}

TEST(StringList, NamesAndValues)
{
    TStringList list;
    list.Add("Width=800");
    list.Add("Height=1.5=x");
    list.Add("plain");
    EXPECT_EQ(list.Names(0), "Width");
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.Values("width"), "800");
    EXPECT_EQ(list.Values("Height"), "1.5=x");
    EXPECT_EQ(list.Values("Depth"), "");
    list.SetValue("WIDTH", "900");
    EXPECT_EQ(list[0], "WIDTH=900");
    list.SetValue("Depth", "3");
    EXPECT_EQ(list[3], "Depth=3");
    list.SetValue("Height", "");
    EXPECT_EQ(list.IndexOfName("Height"), -1);
}

TEST(StringList, CommaTextQuotesAndParses)
{
    TStringList list;
    list.Add("plain");
    list.Add("two words");
    list.Add("say \"hi\"");
    list.Add("a,b");
    list.Add("");
    EXPECT_EQ(list.CommaText(), "plain,\"two words\",\"say \"\"hi\"\"\",\"a,b\",");

    TStringList parsed;
    parsed.SetCommaText(list.CommaText());
    ASSERT_EQ(parsed.Count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(parsed[i], list[i]);

    parsed.SetCommaText("  one two , three,");
    ASSERT_EQ(parsed.Count(), 4);
    EXPECT_EQ(parsed[0], "one");
    EXPECT_EQ(parsed[1], "two");
    EXPECT_EQ(parsed[2], "three");
    EXPECT_EQ(parsed[3], "");

    parsed.SetCommaText(std::string("a,\0b", 4));
    EXPECT_EQ(parsed.CommaText(), "a,");

    TStringList single;
    single.Add("");
    EXPECT_EQ(single.CommaText(), "\"\"");
}

TEST(StringList, FilesUseCrLfAndReadAnyLineEnd)
{
    TemporaryFolder folder;
    const std::string path = folder.File("list.txt");
    TStringList list;
    list.Add("first");
    list.Add("second");
    list.SaveToFile(path);
    EXPECT_EQ(ReadWholeFile(path), "first\r\nsecond\r\n");
    WriteWholeFile(path, "x\ny\r\nz");
    list.LoadFromFile(path);
    EXPECT_EQ(list.CommaText(), "x,y,z");
    list.SetText("p\rq\r\nr\n");
    EXPECT_EQ(list.CommaText(), "p,q,r");
}
