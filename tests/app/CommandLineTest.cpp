#include "app/CommandLine.h"
#include "platform/core/FilePaths.h"

#include <gtest/gtest.h>

TEST(CommandLineTest, DebugSwitchesAreNeverTheFile)
{
    for (const char* word : {"/debug", "-debug", "/DEBUG", "-Debug", "/dEbUg"})
        EXPECT_TRUE(IsDebugSwitch(word)) << word;
    for (const char* word : {"debug", "--debug", "/debugger", "-debug ", "/tmp/debug"})
        EXPECT_FALSE(IsDebugSwitch(word)) << word;

    EXPECT_EQ(PlanogramPathArgument({"-DEBUG", "/home/ann/Shop.kqf"}), "/home/ann/Shop.kqf");
    EXPECT_EQ(PlanogramPathArgument({"/home/ann/Shop.kqf", "/Debug"}), "/home/ann/Shop.kqf");
    EXPECT_EQ(PlanogramPathArgument({"/debug", "-debug"}), "");
    EXPECT_EQ(PlanogramPathArgument({}), "");
}

TEST(CommandLineTest, QuotedPathWithBlanksComesUnquoted)
{
    EXPECT_EQ(PlanogramPathArgument({"\"/home/ann/My Displays/Cola Wall.kqf\""}),
              "/home/ann/My Displays/Cola Wall.kqf");
    EXPECT_EQ(PlanogramPathArgument({"/home/ann/My Displays/Cola Wall.kqf"}), "/home/ann/My Displays/Cola Wall.kqf");
    // A quoted switch is still a switch; an empty or emptied argument names no file. A relative path
    // is taken in the folder this start runs in.
    const std::string here = GetCurrentDir() + "/";
    EXPECT_EQ(PlanogramPathArgument({"\"-debug\"", "", "\"\"", "b.kqf", "c.kqf"}), here + "b.kqf");
    // Only one pair that encloses the whole argument is taken off.
    EXPECT_EQ(PlanogramPathArgument({"\"a\" b"}), here + "\"a\" b");
    EXPECT_EQ(PlanogramPathArgument({"\""}), here + "\"");
}

TEST(CommandLineTest, KeptForTheWholeRun)
{
    SetProgramCommandLine({"-debug", "x.kqf"});
    EXPECT_EQ(ProgramCommandLine(), (std::vector<std::string>{"-debug", "x.kqf"}));
    SetProgramCommandLine({});
    EXPECT_TRUE(ProgramCommandLine().empty());
}
