#include "platform/core/FilePaths.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
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

// "Дом", "Café", "文件" in UTF-8, and "Café" in Windows-1252.
const std::string Dom = "\xD0\x94\xD0\xBE\xD0\xBC";
const std::string CafeUtf8 = "Caf\xC3\xA9";
const std::string Wenjian = "\xE6\x96\x87\xE4\xBB\xB6";
const std::string CafeWin1252 = "Caf\xE9";

TEST(FilePaths, SystemNamesReachTheFilesAsTheyAre)
{
    TemporaryFolder root;
    const std::string folder = root.File(Dom);
    ASSERT_TRUE(ForceDirectories(folder + "/" + Wenjian));
    for (const std::string& name : {CafeUtf8 + ".bmp", Dom + ".bmp"})
        WriteWholeFile(folder + "/" + name, "BM");
    // A Windows delimiter still reaches the file; the name's bytes are not changed on the way.
    TFileStream stream(folder + "\\" + Dom + ".bmp", fmOpenRead);
    EXPECT_EQ(stream.Size(), 2);
    EXPECT_TRUE(DirectoryExists(folder + "/" + Wenjian));
    std::vector<std::string> names = ListFiles(folder);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{CafeUtf8 + ".bmp", Dom + ".bmp"}));
    EXPECT_EQ(PathToQString(Dom), QString::fromUtf8(Dom));
    EXPECT_EQ(PathFromQString(PathToQString(folder)), folder);
}

TEST(FilePaths, StoredPathsAreWindows1252WhereTheyCanBeAndReadBackEitherWay)
{
    EXPECT_EQ(StoredPath("C:\\Pics\\" + CafeUtf8 + ".bmp"), "C:\\Pics\\" + CafeWin1252 + ".bmp");
    EXPECT_EQ(StoredPath("/tmp/" + Dom + "/" + CafeUtf8), "/tmp/" + Dom + "/" + CafeUtf8);
    EXPECT_EQ(StoredPath(Wenjian), Wenjian);
    EXPECT_EQ(StoredPath("\xE2\x82\xAC.txt"), "\x80.txt"); // the euro sign has a byte
    EXPECT_EQ(StoredPath("plain.kqf"), "plain.kqf");

    EXPECT_EQ(StoredPathReadings(CafeWin1252), std::vector<std::string>{CafeUtf8});
    EXPECT_EQ(StoredPathReadings("plain"), std::vector<std::string>{"plain"});
    EXPECT_EQ(StoredPathReadings(Dom), (std::vector<std::string>{Win1252ToUtf8(Dom), Dom}));
    // Bytes that are both: Windows-1252 "Ã©" is also UTF-8 "é"; the older reading comes first.
    EXPECT_EQ(StoredPathReadings("\xC3\xA9"), (std::vector<std::string>{"\xC3\x83\xC2\xA9", "\xC3\xA9"}));
    // Whatever a path is stored as, one of the readings gives it back.
    for (const std::string& path : {CafeUtf8, Dom, Wenjian, std::string("\xC3\x83\xC2\xA9")}) {
        const std::vector<std::string> readings = StoredPathReadings(StoredPath(path));
        EXPECT_NE(std::find(readings.begin(), readings.end(), path), readings.end()) << path;
    }
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

// Message text is UTF-8: a path is quoted as the system names it, whatever its script.
TEST(FilePaths, MessagesQuoteAPathAsTheSystemNamesIt)
{
    TemporaryFolder root;
    const std::string missing = root.Path() + "/missing/" + Dom + "-" + CafeUtf8 + ".txt";
    const std::string message = RaisedMessage<EFOpenError>([&] { TFileStream stream(missing, fmOpenRead); });
    EXPECT_EQ(message.rfind("Cannot open file \"" + missing + "\". ", 0), 0u) << message;
    EXPECT_EQ(StoredPathName(StoredPath(missing)), missing);
    EXPECT_EQ(StoredPathName(StoredPath(root.Path() + "/" + CafeUtf8)), root.Path() + "/" + CafeUtf8);
}
