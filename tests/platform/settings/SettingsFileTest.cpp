#include "platform/settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Section(int i) { return "Section " + std::to_string(i); }

} // namespace

// Ten thousand keys, a key named again in another case further down, and values deleted and set
// again: lookups find the first spelling, and the file is written back line for line as before.
TEST(SettingsFile, ManyKeysMergeByCaseAndKeepTheirOrder)
{
    constexpr int Sections = 10000;
    std::string text = "Top=1\r\n";
    for (int i = 0; i < Sections; ++i)
        text += "[" + Section(i) + "]\r\nName=" + std::to_string(i) + "\r\nOther=x\r\nLast=y\r\n";
    text += "[SECTION 7]\r\nname=changed\r\nExtra=1\r\n[ section 7 \\ Sub ]\r\nDeep=2\r\n";
    SettingsFile file = SettingsFile::Parse(text);

    std::vector<std::string> expected = {"Top=1"};
    for (int i = 0; i < Sections; ++i) {
        expected.insert(expected.end(),
                        {"", "[" + Section(i) + "]", "Name=" + std::string(i == 7 ? "changed" : std::to_string(i)),
                         "Other=x", "Last=y"});
        if (i == 7)
            expected.push_back("Extra=1");
    }
    expected.insert(expected.end(), {"", "[section 7\\Sub]", "Deep=2"});
    EXPECT_EQ(file.Lines(), expected);
    std::string written;
    for (const std::string& line : expected)
        written += line + "\r\n";
    EXPECT_EQ(SettingsFile::Parse(written).Lines(), expected);

    EXPECT_EQ(file.ReadString("section 9999", "NAME", ""), "9999");
    EXPECT_EQ(file.ReadInteger("/Section 7/sub/", "deep", 0), 2);
    EXPECT_EQ(file.ValueNames("SECTION 7"), (std::vector<std::string>{"Name", "Other", "Last", "Extra"}));

    // The values after a deleted one are still found where they now are.
    EXPECT_TRUE(file.Delete("section 5", "NAME"));
    EXPECT_FALSE(file.Delete("section 5", "Name"));
    EXPECT_FALSE(file.Delete("No such key", "Name"));
    EXPECT_EQ(file.ReadString("Section 5", "other", ""), "x");
    EXPECT_EQ(file.ReadString("Section 5", "LAST", ""), "y");
    file.WriteString("Section 5", "name", "again");
    file.WriteString("Section 5", "Other", "z");
    EXPECT_EQ(file.ValueNames("Section 5"), (std::vector<std::string>{"Other", "Last", "name"}));
    EXPECT_EQ(file.ReadString("Section 5", "NAME", ""), "again");
    EXPECT_EQ(file.ReadString("Section 5", "other", ""), "z");

    file.WriteInteger("New\\Key", "Count", 3);
    EXPECT_TRUE(file.KeyExists("new/KEY"));
    EXPECT_EQ(file.Lines().back(), "Count=3");
}
