#include "platform/core/Streams.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/TerminationSignals.h"
#include "platform/core/TextFile.h"

#include "LoopbackHttpsServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

TEST(Streams, MemoryStreamReadsShortAndRaisesAtEnd)
{
    TMemoryStream stream;
    stream.WriteBuffer("abcdef", 6);
    EXPECT_EQ(stream.Position(), 6);
    EXPECT_EQ(stream.Size(), 6);
    stream.SetPosition(4);
    char buffer[8] = {};
    EXPECT_EQ(stream.Read(buffer, 8), 2);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    stream.SetPosition(5);
    try {
        stream.ReadBuffer(buffer, 2);
        FAIL();
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message(), "Stream read error");
    }
}

TEST(Streams, SeekModes)
{
    TMemoryStream stream;
    stream.WriteBuffer("0123456789", 10);
    EXPECT_EQ(stream.Seek(3, TSeekOrigin::soBeginning), 3);
    EXPECT_EQ(stream.Seek(2, TSeekOrigin::soCurrent), 5);
    EXPECT_EQ(stream.Seek(-1, TSeekOrigin::soEnd), 9);
    char c;
    stream.ReadBuffer(&c, 1);
    EXPECT_EQ(c, '9');
    // Writing past the end grows the stream with zero bytes in the gap.
    stream.Seek(12, TSeekOrigin::soBeginning);
    stream.WriteBuffer("x", 1);
    EXPECT_EQ(stream.Size(), 13);
    EXPECT_EQ(stream.Memory()[10], 0);
    stream.SetSize(4);
    EXPECT_EQ(stream.Position(), 4);
}

TEST(Streams, FileStreamRoundTripAndErrors)
{
    TemporaryFolder folder;
    const std::string path = folder.File("data.bin");
    {
        TFileStream out(path, fmCreate);
        out.WriteBuffer("hello world", 11);
    }
    TFileStream in(path, fmOpenRead);
    EXPECT_EQ(in.Size(), 11);
    in.Seek(-5, TSeekOrigin::soEnd);
    char buffer[16] = {};
    EXPECT_EQ(in.Read(buffer, 16), 5);
    EXPECT_EQ(std::string(buffer, 5), "world");
    EXPECT_THROW(in.ReadBuffer(buffer, 1), EReadError);

    try {
        TFileStream missing(folder.File("missing.bin"), fmOpenRead);
        FAIL();
    } catch (const EFOpenError& error) {
        EXPECT_EQ(error.Message().rfind("Cannot open file \"" + folder.File("missing.bin") + "\". ", 0), 0u);
    }
    EXPECT_THROW(TFileStream(folder.File("no/such/dir.bin"), fmCreate), EFCreateError);

    TMemoryStream copy;
    copy.LoadFromFile(path);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy.Memory()), 11), "hello world");
}

TEST(AtomicFile, ReplacesTargetOnlyOnCommit)
{
    TemporaryFolder folder;
    const std::string path = folder.File("plan.kqf");
    WriteWholeFile(path, "old");
    {
        AtomicFileWriter writer(path);
        writer.Write("new contents");
        EXPECT_EQ(ReadWholeFile(path), "old");
    }
    EXPECT_EQ(ReadWholeFile(path), "old");
    AtomicFileWriter writer(path);
    writer.Write("new contents");
    writer.Commit();
    EXPECT_EQ(ReadWholeFile(path), "new contents");
    // No temporary file stays behind.
    EXPECT_EQ(RunCommand("ls -A '" + folder.Path() + "' | wc -l"), "1\n");
    // The temporary's name is short whatever the target's: a name of the longest length saves.
    const std::string longest = folder.File(std::string(251, 'n') + ".kqf");
    TextFileWriter(longest).Commit();
    EXPECT_TRUE(FileExists(longest));
}

// A link is written through to its file and stays a link, whichever way it names the file.
TEST(AtomicFile, WritesThroughSymbolicLinks)
{
    struct Case {
        const char* label;
        std::vector<std::pair<std::string, std::string>> links; // link name in the folder, what it names
        bool fileExists;
    };
    TemporaryFolder folder;
    ASSERT_EQ(::mkdir(folder.File("pictures").c_str(), 0755), 0);
    const std::string file = folder.File("pictures/shoe.jpg");
    const Case cases[] = {
        {"relative", {{"link.jpg", "pictures/shoe.jpg"}}, true},
        {"absolute", {{"link.jpg", file}}, true},
        {"chain", {{"link.jpg", "middle.jpg"}, {"middle.jpg", "pictures/shoe.jpg"}}, true},
        {"to nothing yet", {{"link.jpg", "pictures/shoe.jpg"}}, false},
    };
    for (const Case& test : cases) {
        ::unlink(file.c_str());
        if (test.fileExists)
            WriteWholeFile(file, "old");
        for (const auto& [link, target] : test.links) {
            ::unlink(folder.File(link).c_str());
            ASSERT_EQ(::symlink(target.c_str(), folder.File(link).c_str()), 0) << test.label;
        }
        AtomicFileWriter writer(folder.File("link.jpg"));
        writer.Write("new");
        writer.Commit();
        EXPECT_EQ(ReadWholeFile(file), "new") << test.label;
        struct stat info;
        ASSERT_EQ(::lstat(folder.File("link.jpg").c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << test.label;
        EXPECT_EQ(RunCommand("ls -A '" + folder.File("pictures") + "'"), "shoe.jpg\n") << test.label;
    }
    // A file whose name the program makes replaces the link and leaves the linked file alone.
    AtomicFileWriter(folder.File("link.jpg"), AtomicFileWriter::Links::Replace).Commit();
    EXPECT_EQ(ReadWholeFile(file) + ReadWholeFile(folder.File("link.jpg")), "new");
    // A loop of links is refused and leaves the links as they were.
    ::unlink(folder.File("middle.jpg").c_str());
    ASSERT_EQ(::symlink("link.jpg", folder.File("middle.jpg").c_str()), 0);
    ::unlink(folder.File("link.jpg").c_str());
    ASSERT_EQ(::symlink("middle.jpg", folder.File("link.jpg").c_str()), 0);
    EXPECT_THROW(AtomicFileWriter(folder.File("link.jpg")), EFCreateError);
    EXPECT_EQ(RunCommand("find '" + folder.Path() + "' -maxdepth 1 -type l | wc -l"), "2\n");
}

TEST(AtomicFile, FailedWriteKeepsOldFileAndReports)
{
    TemporaryFolder folder;
    const std::string path = folder.File("plan.kqf");
    WriteWholeFile(path, "the only good copy");
    const std::string big(256 * 1024, 'x');
    {
        FileSizeLimit limit(4096);
        try {
            AtomicFileWriter writer(path);
            writer.Write(big);
            writer.Commit();
            FAIL() << "the write should have failed";
        } catch (const EWriteError& error) {
            EXPECT_NE(error.Message().find("plan.kqf"), std::string::npos);
        }
    }
    EXPECT_EQ(ReadWholeFile(path), "the only good copy");
    EXPECT_EQ(RunCommand("ls -A '" + folder.Path() + "' | wc -l"), "1\n");
}

// Renaming over a file would replace one the user may not open for writing: such a file is refused
// and kept; a writable file in a folder the user may not write is refused the same way.
TEST(AtomicFile, RefusesWhatTheUserMayNotWrite)
{
    // The file's mode, its folder's, and whether the save is refused.
    for (const auto& [fileMode, folderMode, refused] :
         {std::tuple{0444, 0777, true}, {0666, 0555, true}, {0666, 0777, false}}) {
        TemporaryFolder folder;
        const std::string path = folder.File("plan.kqf");
        WriteWholeFile(path, "old");
        ::chmod(path.c_str(), fileMode);
        ::chmod(folder.Path().c_str(), folderMode);
        const std::optional<std::string> answer =
            AsOrdinaryUser([&] { return RaisedMessage<EFCreateError>([&] { TextFileWriter(path).Commit(); }); });
        ::chmod(folder.Path().c_str(), 0700);
        if (!answer)
            GTEST_SKIP() << "root's rights cannot be dropped here, and root may write any file";
        EXPECT_EQ(*answer, refused ? "Cannot create file \"" + path + "\". Permission denied" : "nothing raised");
        EXPECT_EQ(RunCommand("ls -A '" + folder.Path() + "'; cat '" + path + "'"),
                  refused ? "plan.kqf\nold" : "plan.kqf\n");
    }
}

namespace {

// A program saving two files at once that hears a request to end but goes on saving, as a long
// operation does until it is done; it tells `heard` when the request came.
[[noreturn]] void SaveUntilKilled(const std::string& first, const std::string& second, int heard)
{
    try {
        const int requests = CatchTerminationSignals();
        AtomicFileWriter pdf(first);
        AtomicFileWriter catalog(second);
        pdf.Write(std::string(1 << 20, '%'));
        pollfd request{requests, POLLIN, 0};
        while (::poll(&request, 1, -1) != 1) {
        }
        if (::write(heard, "!", 1) == 1)
            for (;;)
                ::pause();
    } catch (...) {
    }
    ::_exit(1);
}

// How the child ended; one that has not within a minute is killed.
int StatusAtEnd(pid_t child)
{
    int status = 0;
    bool ended = false;
    EXPECT_TRUE(ProcessEventsUntil([&] { return ended || (ended = ::waitpid(child, &status, WNOHANG) == child); },
                                   std::chrono::seconds(60)));
    if (!ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
    }
    return status;
}

// A program making and dropping temporaries until a second request to end ends it, heard on the
// thread that makes them or, with `elsewhere`, on another that waits for it. It tells `ready` once
// it is at work.
[[noreturn]] void MakeTemporariesUntilKilled(const std::string& target, bool elsewhere, int ready)
{
    CatchTerminationSignals();
    const auto makeForever = [target, ready, elsewhere] {
        sigset_t ending;
        sigemptyset(&ending);
        sigaddset(&ending, SIGTERM);
        sigaddset(&ending, SIGINT);
        ::pthread_sigmask(elsewhere ? SIG_BLOCK : SIG_UNBLOCK, &ending, nullptr);
        static_cast<void>(::write(ready, "!", 1));
        // Once the program is ending, a temporary begun is refused, until the handler ends it.
        for (;;)
            try {
                AtomicFileWriter writer(target);
            } catch (const Exception&) {
            }
    };
    if (!elsewhere)
        makeForever();
    std::thread(makeForever).detach();
    for (;;)
        ::pause();
}

} // namespace

// A second request to end may come at any moment of making a temporary, also just as the file is
// made, on the thread that makes it or on another: whichever, no temporary stays.
TEST(AtomicFile, ASecondTerminationSignalWhileATemporaryIsMadeLeavesNone)
{
    for (const bool elsewhere : {false, true})
        for (int round = 0; round < 100; ++round) {
            TemporaryFolder folder;
            int ready[2];
            ASSERT_EQ(::pipe(ready), 0);
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0)
                MakeTemporariesUntilKilled(folder.File("plan.kqf"), elsewhere, ready[1]);
            ::close(ready[1]);
            char byte = 0;
            EXPECT_EQ(::read(ready[0], &byte, 1), 1);
            ::close(ready[0]);
            // Two signals of one kind pending are one: the first request is another kind.
            ::kill(child, SIGINT);
            ::kill(child, SIGTERM);
            const int status = StatusAtEnd(child);
            EXPECT_TRUE(WIFSIGNALED(status)) << status;
            ASSERT_EQ(RunCommand("ls -A '" + folder.Path() + "'"), "") << elsewhere << " in round " << round;
        }
}

// A second request to end, sent while the first waits for a long save (Make PDF of a large planogram),
// ends the program at once, by that signal, and removes the temporaries it has open; the first alone
// removes nothing, since the program then ends in order. The old file stays either way.
TEST(AtomicFile, ASecondTerminationSignalRemovesTheOpenTemporaries)
{
    using namespace std::chrono_literals;
    for (const int first : {SIGTERM, SIGINT}) {
        TemporaryFolder folder;
        const std::string target = folder.File("wall.pdf");
        WriteWholeFile(target, "old");
        int heard[2];
        ASSERT_EQ(::pipe(heard), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            SaveUntilKilled(target, folder.File("Sample.ctf"), heard[1]);
        ::close(heard[1]);
        const auto temporaries = [&] { return RunCommand("ls -A '" + folder.Path() + "' | grep -c '^\\.kestrame-'"); };
        EXPECT_TRUE(ProcessEventsUntil([&] { return temporaries() == "2\n"; }, 60s)) << first;
        ::kill(child, first);
        pollfd answer{heard[0], POLLIN, 0};
        char byte = 0;
        EXPECT_TRUE(::poll(&answer, 1, 60000) == 1 && ::read(heard[0], &byte, 1) == 1) << first;
        ::close(heard[0]);
        EXPECT_EQ(temporaries(), "2\n") << first;
        ::kill(child, SIGTERM);
        const int status = StatusAtEnd(child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << first << ": " << status;
        EXPECT_EQ(RunCommand("ls -A '" + folder.Path() + "'"), "wall.pdf\n") << first;
        EXPECT_EQ(ReadWholeFile(target), "old") << first;
    }
}

TEST(TextFile, LinesOfAnyLengthWithLfOrCrLf)
{
    TemporaryFolder folder;
    const std::string path = folder.File("lines.txt");
    const std::string longLine(100000, 'k');
    WriteWholeFile(path, "one\r\ntwo\n" + longLine + "\r\n\r\nlast");
    const auto lines = ReadTextFileLines(path);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "one");
    EXPECT_EQ(lines[1], "two");
    EXPECT_EQ(lines[2], longLine);
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "last");

    TextFileWriter writer(path);
    writer.WriteLine("a=1");
    writer.WriteLine("");
    writer.Commit();
    EXPECT_EQ(ReadWholeFile(path), "a=1\r\n\r\n");
    EXPECT_THROW(ReadTextFileLines(folder.File("missing.txt")), EFOpenError);
}
