#include "platform/core/FilePaths.h"
#include "platform/core/CodePage.h"
#include "platform/core/Streams.h"

#include "TestSupport.h"

#include <QString>
#include <gtest/gtest.h>

#include <algorithm>

TEST(FilePaths, SplitWindowsAndLinuxPaths)
{
    EXPECT_EQ(ExtractFileName("C:\\Pics\\cola.bmp"), "cola.bmp");
    EXPECT_EQ(ExtractFilePath("C:\\Pics\\cola.bmp"), "C:\\Pics\\");
    EXPECT_EQ(ExtractFileDir("C:\\Pics\\cola.bmp"), "C:\\Pics");
    EXPECT_EQ(ExtractFileExt("C:\\Pics\\cola.bmp"), ".bmp");
    EXPECT_EQ(ChangeFileExt("C:\\Pics\\cola.bmp", ".jpg"), "C:\\Pics\\cola.jpg");

    EXPECT_EQ(ExtractFileName("/home/u/x.KQF"), "x.KQF");
    EXPECT_EQ(ExtractFilePath("/home/u/x.KQF"), "/home/u/");
    EXPECT_EQ(ExtractFileDir("/home/u/x.KQF"), "/home/u");
    EXPECT_EQ(ExtractFileExt("/home/u/x.KQF"), ".KQF");
    EXPECT_EQ(ChangeFileExt("/home/u/x.KQF", ".kqt"), "/home/u/x.kqt");

    EXPECT_EQ(ExtractFileName("D:name.ctf"), "name.ctf");
    EXPECT_EQ(ExtractFilePath("D:name.ctf"), "D:");
    EXPECT_EQ(ExtractFileExt("D:name.ctf"), ".ctf");
}

TEST(FilePaths, EdgeCases)
{
    EXPECT_EQ(ExtractFileExt("/home/u.dir/file"), "");
    EXPECT_EQ(ChangeFileExt("/home/u.dir/file", ".vdx"), "/home/u.dir/file.vdx");
    EXPECT_EQ(ExtractFileExt("archive.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileName("plain"), "plain");
    EXPECT_EQ(ExtractFilePath("plain"), "");
    EXPECT_EQ(ExtractFileName("C:\\Pics\\"), "");
    EXPECT_EQ(ExtractFileDir("C:\\cola.bmp"), "C:\\");
    EXPECT_EQ(ExtractFileDir("/x"), "/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/home/u"), "/home/u/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/home/u/"), "/home/u/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\Pics"), "C:\\Pics\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter("Catalogs"), "Catalogs/");
}

TEST(CodePage, EveryByteRoundTrips)
{
    std::string all;
    for (int c = 0x20; c <= 0xFF; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToWin1252(Win1252ToUtf8(all)), all);
    EXPECT_EQ(fromQString(toQString(all)), all);
    EXPECT_EQ(Win1252ToUtf8(all), toQString(all).toStdString());
}

TEST(CodePage, KnownCharacters)
{
    EXPECT_EQ(Win1252ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(Win1252ToUtf8("\x80"), "\xE2\x82\xAC"); // euro sign
    EXPECT_EQ(Win1252ToUtf8("\x99"), "\xE2\x84\xA2"); // trade mark
    EXPECT_EQ(Utf8ToWin1252("\xE2\x80\x94"), "\x97"); // em dash
    EXPECT_EQ(Utf8ToWin1252("\xE4\xB8\xAD"), "?");    // a CJK character
    EXPECT_EQ(Utf8ToWin1252("a\xFF"
                            "b"),
              "a?b");                      // malformed UTF-8
    EXPECT_EQ(Utf8ToWin1252("\xC3"), "?"); // truncated sequence
    EXPECT_EQ(fromQString(QString::fromUtf8("\xF0\x9F\x98\x80")), "?");
}

TEST(FilePaths, AccentedFileOpensThroughWindows1252Path)
{
    TemporaryFolder folder;
    WriteWholeFile(folder.File("caf\xC3\xA9.bmp"), "BM");
    const std::string modelPath = ModelPath(folder.Path()) + "\\caf\xE9.bmp";
    EXPECT_TRUE(FileExists(modelPath));
    TFileStream stream(modelPath, fmOpenRead);
    EXPECT_EQ(stream.Size(), 2);
    const auto names = ListFiles(ModelPath(folder.Path()));
    EXPECT_NE(std::find(names.begin(), names.end(), "caf\xE9.bmp"), names.end());
}

TEST(FilePaths, FileSystemOperations)
{
    TemporaryFolder folder;
    const std::string nested = folder.File("a/b/c");
    EXPECT_TRUE(ForceDirectories(nested));
    EXPECT_TRUE(DirectoryExists(nested));
    EXPECT_FALSE(FileExists(nested));
    WriteWholeFile(folder.File("one.txt"), "1");
    EXPECT_TRUE(RenameFile(folder.File("one.txt"), folder.File("two.txt")));
    EXPECT_FALSE(FileExists(folder.File("one.txt")));
    EXPECT_TRUE(FileExists(folder.File("two.txt")));
    EXPECT_TRUE(DeleteFile(folder.File("two.txt")));
    EXPECT_FALSE(DeleteFile(folder.File("two.txt")));
    EXPECT_TRUE(ListFiles(folder.File("missing")).empty());
}

TEST(FilePaths, ExistingFileAnyCasePrefersTheExactNameAndNeverAFolder)
{
    TemporaryFolder folder;
    const std::string path = IncludeTrailingPathDelimiter(folder.Path());
    WriteWholeFile(folder.File("SHELF.PAL"), "1");
    EXPECT_EQ(ExistingFileAnyCase(path, "shelf.pal"), path + "SHELF.PAL");
    WriteWholeFile(folder.File("shelf.pal"), "2");
    EXPECT_EQ(ExistingFileAnyCase(path, "shelf.pal"), path + "shelf.pal");
    ForceDirectories(folder.File("Pics"));
    EXPECT_EQ(ExistingFileAnyCase(path, "pics"), "");
    EXPECT_EQ(ExistingFileAnyCase(path, ""), "");
    EXPECT_EQ(ExistingFileAnyCase(path, "missing.pal"), "");
}
