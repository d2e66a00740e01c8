// The start-up version check and the updater against an HTTPS server of the test's own.
#include "app/UpdatesCode.h"

#include "LoopbackHttpsServer.h"
#include "MainFormFixture.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/StringList.h"
#include "platform/services/HttpClient.h"
#include "platform/settings/SettingsStore.h"
#include "testing/RecordingDesktop.h"

#include <QAction>
#include <algorithm>
#include <QLabel>
#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {

using Reply = LoopbackHttpsServer::Reply;
using Kind = ScriptedUi::Kind;

constexpr const char* VersionCheck = "/kestrame/vupch.php?v=35";
constexpr const char* NoConnection = "Could not connect to update server. Please check your Internet connection.";
constexpr const char* DownloadFailed = "Update failed to download. Please try again.";
const std::string Package("\x7F" "ELF package\0\r\n", 15);

// Answers every request at once with success and stores nothing.
class AnsweringClient : public HttpClient {
public:
    void Get(const std::string&, HttpHandlers answer) override { answer.success({}); }
    void GetToFile(const std::string&, const std::string&, std::int64_t, HttpHandlers answer) override
    {
        answer.success({});
    }
    void Abort() override {}
};

class UpdaterTest : public MainFormFixture {
protected:
    UpdaterTest()
    {
        setenv("XDG_CACHE_HOME", cache.Path().c_str(), 1);
        setenv("KESTRAME_UPDATE_SERVER", server.Address().c_str(), 1);
        setenv("KESTRAME_WEBSITE", (server.Address() + "/").c_str(), 1);
        frmUpdates = &updates;
    }
    ~UpdaterTest() override
    {
        setenv("KESTRAME_UPDATE_SERVER", ClosedLoopbackAddress, 1);
        unsetenv("KESTRAME_WEBSITE");
        unsetenv("XDG_CACHE_HOME");
    }

    // Serves instructions for the package, with the lines given after the address and the name.
    void ServeInstructions(const std::string& file, const std::string& more)
    {
        WriteWholeFile(cache.File("package"), Package);
        const std::string sha = RunCommand("sha256sum '" + cache.File("package") + "'").substr(0, 64);
        server.Serve("/kestrame/KQUpdate.ini",
                     Reply::Ok("iDLURL=" + server.Address() + "/pkg\r\niFile=" + file + "\r\niSHA256=" + sha + "\r\n" + more));
        server.Serve("/pkg", Reply::Chunked(Package));
    }
    // Runs the event loop until a message box has been shown.
    void WaitForMessages(size_t count)
    {
        EXPECT_TRUE(ProcessEventsUntil([&] { return ui.CallsOf(Kind::MessageBox).size() >= count; }));
    }
    // Clicks Install and waits for the first message box, answered OK.
    void InstallUntilMessage()
    {
        ui.ClearCalls();
        ui.AnswerMessage(MsgAnswer::OK);
        updates.bInstallClick();
        WaitForMessages(1);
    }
    void ExpectBox(size_t index, const std::string& text, const char* caption, MsgIcon icon) const
    {
        ASSERT_LT(index, ui.Calls().size());
        EXPECT_EQ(ui.Calls()[index].text, text);
        EXPECT_EQ(ui.Calls()[index].caption, caption);
        EXPECT_EQ(ui.Calls()[index].icon, icon);
    }
    std::string Status() const { return fromQString(updates.lbStatus->text()); }
    std::string Updates() const { return TfrmUpdates::UpdatesFolder(); }

    TemporaryFolder cache;
    LoopbackHttpsServer server;
    TfrmUpdates updates{*form, MakeHttpClient()};
};

TEST_F(UpdaterTest, TheStartUpCheckOffersTheUpgradePageOnlyForYes)
{
    server.Serve(VersionCheck, Reply::Ok("YES"));
    ui.AnswerMessage(MsgAnswer::No);
    form->UpgradeCheckTriggerTimer();
    EXPECT_FALSE(form->UpgradeCheckTrigger->isActive());
    WaitForMessages(1);
    EXPECT_EQ(server.RequestLines(), std::vector<std::string>{"GET /kestrame/vupch.php?v=35 HTTP/1.1"});
    ExpectBox(0,
              "There is a new version of Kestrame available, with great new features. Click OK to visit the Kestrame "
              "and read more about or try out a free demo version. Click NO to be reminded later, or Cancel to not "
              "show this message again.",
              "Kestrame 4 is now available!", MsgIcon::Information);
    EXPECT_EQ(ui.Calls()[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(SettingsStore().ReadString("UserInfoKQ3", "UpgradeCheck", "none"), "none"); // No leaves it
    for (const char* body : {"YES\n", "yes", " YES", ""})
        form->UpgradeVersionCheckSuccess(body);
    EXPECT_EQ(ui.Calls().size(), 1u);

    {
        RecordingDesktop desktop;
        ui.AnswerMessage(MsgAnswer::Yes);
        form->UpgradeVersionCheckSuccess("YES");
        EXPECT_EQ(desktop.opened, std::vector<std::string>{server.Address() + "/kestrame-upgrade.html"});
    }
    {
        RecordingDesktop failing(false);
        ui.AnswerMessage(MsgAnswer::Yes);
        ui.AnswerMessage(MsgAnswer::OK);
        form->UpgradeVersionCheckSuccess("YES");
        ExpectBox(ui.Calls().size() - 1, "Could not connect to 127.0.0.1", "Kestrame", MsgIcon::Exclamation);
    }
    ui.AnswerMessage(MsgAnswer::Cancel);
    form->UpgradeVersionCheckSuccess("YES");
    EXPECT_EQ(SettingsStore().ReadString("UserInfoKQ3", "UpgradeCheck", ""), "0");
    form->UpgradeCheckTriggerTimer();
    ProcessEventsUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(server.RequestLines().size(), 1u);
}

TEST_F(UpdaterTest, TheCheckComparesTheMarkerExactlyAndReportsNoConnection)
{
    form->FileMenuClick();
    ui.AnswerModal(mrCancel);
    form->Checkforsoftwareupdates1->trigger();
    EXPECT_EQ(ui.CallsOf(Kind::ModalWindow).at(0).text, "frmUpdates");

    for (const char* body : {"Mz7qWkR2p\r\n", "mz7qwkr2p", "Mz7qWkR2p"}) {
        server.Serve("/kestrame/updates.php?build=3521", Reply::Ok(body));
        updates.FormShow();
        updates.bCheckClick();
        EXPECT_EQ(Status(), "Checking for updates...");
        EXPECT_FALSE(updates.bCheck->isEnabled() || updates.bInstall->isEnabled());
        ASSERT_TRUE(ProcessEventsUntil([&] { return updates.bCheck->isEnabled() || updates.bInstall->isEnabled(); }));
        const bool marker = std::string(body) == "Mz7qWkR2p";
        EXPECT_EQ(Status(), marker ? "New updates available. Click the Install button to update the software."
                                   : "No new updates available.");
        EXPECT_EQ(form->updatesAvailable, marker);
        EXPECT_EQ(updates.bInstall->isEnabled(), marker);
    }
    EXPECT_EQ(server.RequestLines().back(), "GET /kestrame/updates.php?build=3521 HTTP/1.1");

    // Closing the window ends its request: the answer finds nobody.
    updates.show();
    updates.bCheckClick();
    updates.close();
    ProcessEventsUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_EQ(Status(), "Checking for updates...");

    setenv("KESTRAME_UPDATE_SERVER", ClosedLoopbackAddress, 1);
    InstallUntilMessage();
    ExpectBox(0, NoConnection, "Updates", MsgIcon::Stop);
    EXPECT_EQ(Status(), NoConnection);
    EXPECT_TRUE(updates.bInstall->isEnabled());
}

// The word-wrapped status takes the lines its longest text needs, and a failed check leaves an empty
// bar under its reason.
TEST_F(UpdaterTest, TheStatusShowsAllItsLinesAndAFailedCheckEmptiesTheBar)
{
    form->updatesAvailable = 1;
    updates.show();
    QApplication::processEvents();
    EXPECT_EQ(Status(), "New updates available. Click the Install button to update the software.");
    EXPECT_GE(updates.lbStatus->height(), updates.lbStatus->heightForWidth(updates.lbStatus->width()));
    EXPECT_GT(updates.lbStatus->heightForWidth(updates.lbStatus->width()), updates.lbStatus->fontMetrics().height());

    form->updatesAvailable = 0;
    setenv("KESTRAME_UPDATE_SERVER", ClosedLoopbackAddress, 1);
    updates.ProgressBar1->setValue(60);
    ui.AnswerMessage(MsgAnswer::OK);
    updates.bCheckClick();
    WaitForMessages(1);
    EXPECT_EQ(Status(), NoConnection);
    EXPECT_EQ(updates.ProgressBar1->value(), 0);
    EXPECT_EQ(updates.ProgressBar1->minimum(), 0);
    EXPECT_EQ(updates.ProgressBar1->maximum(), 100);
    EXPECT_TRUE(updates.bCheck->isEnabled());
    updates.close();
}

TEST_F(UpdaterTest, AVerifiedUpdateIsSavedNeverRunAndTheProgramClosesNormally)
{
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    Active().modified = true;
    const std::string directory = GetCurrentDir();
    const std::string programFiles = RunCommand("ls -AR '" + program.Path() + "'");
    ServeInstructions("pkg.deb", "iCommand=run\r\niQuit=True\r\n");
    RecordingDesktop desktop;
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerMessage(MsgAnswer::Cancel); // keeps the changed planogram, and so the program
    updates.bInstallClick();
    WaitForMessages(2);
    const std::string saved = Updates() + "pkg.deb";
    // The bar is emptied as every request ends.
    EXPECT_EQ(updates.ProgressBar1->value(), 0);
    ExpectBox(0, "The update was saved to " + saved + ". Install it with your system's package manager.", "Updater",
              MsgIcon::Information);
    EXPECT_EQ(ui.MessageTexts().at(1), "Do you wish to save changes toSample Wall.kqf before quiting?");
    EXPECT_EQ(desktop.opened, std::vector<std::string>{Updates()});
    EXPECT_EQ(Status(), "Download complete.");
    EXPECT_EQ(ReadWholeFile(saved), Package);
    EXPECT_EQ(RunCommand("stat -c %a '" + Updates() + "'"), "700\n");
    EXPECT_EQ(RunCommand("ls -A '" + Updates() + "'"), "KQUpdate.ini\npkg.deb\n");
    EXPECT_EQ(RunCommand("find '" + Updates() + "' -type f -perm /111"), "");
    EXPECT_EQ(GetCurrentDir(), directory);
    EXPECT_EQ(RunCommand("ls -AR '" + program.Path() + "'"), programFiles);
    EXPECT_EQ(Windows(), 1);

    ServeInstructions("pkg.deb", "iCommand=RESTART\r\n");
    InstallUntilMessage();
    ExpectBox(0, "Update download complete. To complete the update you must restart your computer.", "Updater",
              MsgIcon::Information);

    // A size the server does not tell shows a busy bar.
    const int bars[][4] = {{7, -1, 0, 0}, {7, 14, 100, 50}, {0, 0, 0, 0}, {20, 14, 100, 100}};
    for (const auto& [received, expected, maximum, value] : bars) {
        updates.HttpClient1PacketRecvd(received, expected);
        EXPECT_EQ(updates.ProgressBar1->maximum(), maximum) << received << " of " << expected;
        if (maximum) {
            EXPECT_EQ(updates.ProgressBar1->value(), value) << received << " of " << expected;
        }
    }
}

TEST_F(UpdaterTest, UnsafeOrUnverifiedUpdatesAreRefused)
{
    const std::string sha(64, 'a');
    struct Case {
        std::string instructions;
        std::string message;
    };
    const std::string good = "iDLURL=" + server.Address() + "/pkg\r\niSHA256=" + sha + "\r\n";
    const Case cases[] = {
        {good + "iFile=../x\r\n", DownloadFailed},
        {good + "iFile=/tmp/x\r\n", DownloadFailed},
        {good + "iFile=a/b\r\n", DownloadFailed},
        {good + "iFile=..\r\n", DownloadFailed},
        {"iDLURL=http://127.0.0.1/pkg\r\niFile=x\r\niSHA256=" + sha + "\r\n", DownloadFailed},
        {"iDLURL=" + server.Address() + "/pkg\r\niFile=x\r\niSHA256=12\r\n", DownloadFailed},
        {good + "iFile=x\r\n", "The downloaded update could not be verified. Please try again."},
    };
    server.Serve("/pkg", Reply::Ok(Package));
    // Only the package's requests are counted: the client may send the instructions' request again
    // on a new connection.
    const auto packageRequests = [this] {
        const std::vector<std::string>& lines = server.RequestLines();
        return std::count_if(lines.begin(), lines.end(), [](const std::string& line) { return line.starts_with("GET /pkg "); });
    };
    for (const Case& test : cases) {
        server.Serve("/kestrame/KQUpdate.ini", Reply::Ok(test.instructions));
        const auto downloads = packageRequests();
        InstallUntilMessage();
        EXPECT_EQ(ui.Calls().size(), 1u) << test.instructions;
        ExpectBox(0, test.message, "Updater", MsgIcon::Exclamation);
        EXPECT_EQ(packageRequests() > downloads, test.message != DownloadFailed) << test.instructions;
    }
    EXPECT_EQ(RunCommand("ls -A '" + Updates() + "'"), "KQUpdate.ini\n");

    // Instructions too large to read, which the request refuses, or that cannot be read, start no
    // download.
    for (const bool injected : {false, true}) {
        ServeInstructions("pkg.deb", injected ? "" : std::string(65536, ';'));
        if (injected)
            updates.readInstructions = [](const std::string&, TStringList&) { return false; };
        const auto downloads = packageRequests();
        InstallUntilMessage();
        ProcessEventsUntil([] { return false; }, std::chrono::milliseconds(200));
        EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{injected ? "Could not open ini file" : DownloadFailed});
        EXPECT_EQ(packageRequests(), downloads);
    }

    TfrmUpdates answered(*form, std::make_unique<AnsweringClient>());
    std::remove((Updates() + "KQUpdate.ini").c_str());
    ui.ClearCalls();
    ui.AnswerMessage(MsgAnswer::OK);
    answered.bInstallClick();
    EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{Updates() + "KQUpdate.ini not found"});
}

} // namespace
