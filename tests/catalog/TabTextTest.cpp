// Tab-delimited text as the catalog import reads it.
#include "catalog/GridUtilities.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using Fields = std::vector<std::string>;

TabText Read(const std::string& bytes)
{
    TemporaryFolder folder;
    WriteWholeFile(folder.File("in.txt"), bytes);
    FILE* file = std::fopen(folder.File("in.txt").c_str(), "rb");
    const TabText text = GridUtilities::ReadTabText(file);
    std::fclose(file);
    return text;
}

TEST(TabText, EveryTabSplitsEveryFieldIsTrimmedAndEveryLineIsOneRow)
{
    const std::string longField(5000, 'w');
    const TabText text = Read(" Part\t\tName \tSize\t\t\r\n"
                              "a\t\tc\r\n"
                              "\tleading\r\n"
                              "x\t\t\t\t\t\ty\n" +
                              longField +
                              "\t 2 \r\n"
                              "\r\n"
                              "a\tb\tc\td\te\n");
    EXPECT_EQ(text.titles, (Fields{"Part", "", "Name", "Size"}));
    ASSERT_EQ(text.rows.size(), 6u);
    EXPECT_EQ(text.rows[0], (Fields{"a", "", "c"}));
    EXPECT_EQ(text.rows[1], (Fields{"", "leading"}));
    EXPECT_EQ(text.rows[2], (Fields{"x", "", "", ""})); // five empty fields, then beyond the titles
    EXPECT_EQ(text.rows[3], (Fields{longField, "2"}));
    EXPECT_EQ(text.rows[4], (Fields{""}));
    EXPECT_EQ(text.rows[5], (Fields{"a", "b", "c", "d"}));
}

TEST(TabText, ALastLineWithoutEndCountsAndAnEndAddsNoRow)
{
    EXPECT_EQ(Read("T\r\n1\r\n2").rows.size(), 2u);
    EXPECT_EQ(Read("T\r\n1\r\n2\r\n").rows.size(), 2u);
    EXPECT_TRUE(Read("").titles.empty());
    EXPECT_TRUE(Read(" \t\t \r\nx\r\n").titles.empty());
}

} // namespace
