#include "app/UpdatesCode.h"

#include "app/SDIMain.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/StringList.h"
#include "platform/core/TextUtils.h"
#include "platform/services/Desktop.h"
#include "platform/services/HttpClient.h"
#include "platform/services/WebAddresses.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/Application.h"
#include "platform/ui/WindowPlacement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <limits>
#include <system_error>

TfrmUpdates* frmUpdates = nullptr;

namespace {

constexpr std::string_view CheckPage = "kestrame/updates.php?build=";
constexpr std::string_view BuildNumber = "3521";
constexpr std::string_view InstructionsPage = "kestrame/KQUpdate.ini";
constexpr std::string_view InstructionsFileName = "KQUpdate.ini";
constexpr std::string_view UpdatesMarker = "Mz7qWkR2p";

constexpr std::string_view CheckingStatus = "Checking for updates...";
constexpr std::string_view NewUpdates = "New updates available. Click the Install button to update the software.";
constexpr std::string_view NoNewUpdates = "No new updates available.";
constexpr std::string_view ClickCheck = "Click the Check For Updates button.";
constexpr std::string_view GettingInstructions = "Getting update configuration information... ";
constexpr std::string_view Downloading = "Downloading updates... Please wait this could take several minutes.";
constexpr std::string_view DownloadComplete = "Download complete.";
constexpr std::string_view NoConnection = "Could not connect to update server. Please check your Internet connection.";
constexpr std::string_view DownloadFailed = "Update failed to download. Please try again.";
constexpr std::string_view NotVerified = "The downloaded update could not be verified. Please try again.";
constexpr std::string_view RestartNotice =
    "Update download complete. To complete the update you must restart your computer.";
constexpr std::string_view UpdaterCaption = "Updater";
constexpr std::string_view UpdatesCaption = "Updates";

// The instructions are a few lines: a larger file is not taken into memory.
constexpr std::uintmax_t InstructionsSizeLimit = 64 * 1024;

bool LoadInstructionsFile(const std::string& path, TStringList& lines)
{
    std::error_code error;
    if (std::filesystem::file_size(NativePath(path), error) > InstructionsSizeLimit || error)
        return false;
    try {
        lines.LoadFromFile(path);
        return true;
    } catch (const EStreamError&) {
        return false;
    }
}

// Only the user may look into what is downloaded for them. `folder` has no final delimiter.
bool MakePrivateFolder(const std::string& folder)
{
    return ForceDirectories(ExtractFileDir(folder)) &&
           (::mkdir(NativePath(folder).c_str(), 0700) == 0 || errno == EEXIST) && DirectoryExists(folder);
}

} // namespace

TfrmUpdates::TfrmUpdates(TMainForm& mainForm, std::unique_ptr<HttpClient> client, QWidget* parent)
    : QDialog(parent), readInstructions(LoadInstructionsFile), mainForm_(mainForm), http_(std::move(client))
{
    setObjectName("frmUpdates");
    setWindowTitle(toQString(UpdatesCaption));
    lbStatus = new QLabel(this);
    lbStatus->setWordWrap(true);
    lbStatus->setMinimumWidth(360);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    bCheck = new QPushButton("Check Now For Updates", this);
    bInstall = new QPushButton("Install Updates", this);
    bInstall->setEnabled(false);
    auto* layout = new QVBoxLayout(this);
    // The window grows with the lines the status needs.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    layout->addWidget(lbStatus);
    layout->addWidget(ProgressBar1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bCheck);
    buttons->addWidget(bInstall);
    layout->addLayout(buttons);
    connect(bCheck, &QPushButton::clicked, this, ShowingErrors(this, &TfrmUpdates::bCheckClick));
    connect(bInstall, &QPushButton::clicked, this, ShowingErrors(this, &TfrmUpdates::bInstallClick));
    CentreOnScreen(*this);
}

TfrmUpdates::~TfrmUpdates()
{
    if (frmUpdates == this)
        frmUpdates = nullptr;
}

std::string TfrmUpdates::UpdatesFolder() { return CacheFolder() + "updates/"; }

std::string TfrmUpdates::InstructionsPath() { return UpdatesFolder() + std::string(InstructionsFileName); }

void TfrmUpdates::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

// A reply must not act on a window that is gone.
void TfrmUpdates::hideEvent(QHideEvent* event)
{
    http_->Abort();
    QDialog::hideEvent(event);
}

void TfrmUpdates::FormShow() { ShowIdle(mainForm_.updatesAvailable ? NewUpdates : ClickCheck); }

// A word-wrapped label is laid out at one line unless it asks for the height of its lines.
void TfrmUpdates::SetStatus(std::string_view text)
{
    lbStatus->setText(toQString(text));
    lbStatus->setMinimumHeight(lbStatus->heightForWidth(std::max(lbStatus->width(), lbStatus->minimumWidth())));
}

void TfrmUpdates::ShowButtonsFor(bool updates)
{
    bCheck->setEnabled(!updates);
    bInstall->setEnabled(updates);
}

void TfrmUpdates::ShowIdle(std::string_view status)
{
    ShowButtonsFor(mainForm_.updatesAvailable != 0);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    SetStatus(status);
}

void TfrmUpdates::ShowBusy()
{
    bCheck->setEnabled(false);
    bInstall->setEnabled(false);
}

void TfrmUpdates::Failed(std::string_view text, std::string_view caption, MsgIcon icon)
{
    ShowIdle(text);
    Ui().MessageBox(text, caption, MsgButtons::OK, icon);
}

void TfrmUpdates::FailedPlainly(const std::string& text)
{
    ShowIdle(text);
    ShowMessage(text);
}

// A body that could not be stored, or that was larger than it may be, is the download's failure,
// not the connection's.
void TfrmUpdates::RequestFailed(const HttpFailure& failure)
{
    if (failure.localFile || failure.tooLarge)
        Failed(DownloadFailed, UpdaterCaption, MsgIcon::Exclamation);
    else
        Failed(NoConnection, UpdatesCaption, MsgIcon::Stop);
}

void TfrmUpdates::bCheckClick() { Check(); }

void TfrmUpdates::Check()
{
    SetStatus(CheckingStatus);
    ShowBusy();
    http_->Get(JoinAddress(UpdateServerAddress(), CheckPage) + std::string(BuildNumber),
               {ShowingErrors(this, &TfrmUpdates::HttpClient2Success),
                ShowingErrors(this, &TfrmUpdates::RequestFailed), {}});
}

void TfrmUpdates::HttpClient2Success(const std::string& body)
{
    const bool updates = body == UpdatesMarker;
    if (updates)
        mainForm_.updatesAvailable = 1;
    ShowIdle(updates ? NewUpdates : NoNewUpdates);
    ShowButtonsFor(updates);
}

void TfrmUpdates::bInstallClick()
{
    const std::string folder = UpdatesFolder();
    if (!MakePrivateFolder(ExtractFileDir(folder))) {
        const int error = errno;
        throw EFCreateError("Cannot create the folder " + folder, error);
    }
    SetStatus(GettingInstructions);
    ShowBusy();
    http_->GetToFile(JoinAddress(UpdateServerAddress(), InstructionsPage), InstructionsPath(),
                     static_cast<std::int64_t>(InstructionsSizeLimit), {ShowingErrors([this](const std::string&) { httpInstallerScriptSuccess(); }),
                      ShowingErrors(this, &TfrmUpdates::RequestFailed), {}});
}

void TfrmUpdates::httpInstallerScriptSuccess()
{
    const std::string path = InstructionsPath();
    if (!FileExists(path))
        return FailedPlainly(path + " not found");
    TStringList lines;
    if (!readInstructions(path, lines))
        return FailedPlainly("Could not open ini file");
    instructions = InstructionsFrom(lines);
    if (!InstructionsUsable(instructions))
        return Failed(DownloadFailed, UpdaterCaption, MsgIcon::Exclamation);
    DownloadInstaller();
}

std::string TfrmUpdates::InstallerPath() const { return UpdatesFolder() + instructions.iFile; }

void TfrmUpdates::DownloadInstaller()
{
    SetStatus(Downloading);
    ShowBusy();
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    http_->GetToFile(instructions.iDLURL, InstallerPath(), std::numeric_limits<std::int64_t>::max(), {ShowingErrors([this](const std::string&) { HttpClient1Success(); }),
                      ShowingErrors(this, &TfrmUpdates::RequestFailed),
                      ShowingErrors(this, &TfrmUpdates::HttpClient1PacketRecvd)});
}

// A size the server does not tell gives a busy bar.
void TfrmUpdates::HttpClient1PacketRecvd(std::int64_t received, std::int64_t expected)
{
    if (expected <= 0)
        return ProgressBar1->setRange(0, 0);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(static_cast<int>(std::min(received, expected) * 100 / expected));
}

void TfrmUpdates::HttpClient1Success()
{
    const std::string path = InstallerPath();
    ShowIdle(DownloadComplete);
    if (!FileExists(path))
        return Failed(DownloadFailed, UpdaterCaption, MsgIcon::Exclamation);
    if (!FileMatchesSha256(path, instructions.iSHA256)) {
        DeleteFile(path);
        return Failed(NotVerified, UpdaterCaption, MsgIcon::Exclamation);
    }
    const std::string command = UpperCase(instructions.iCommand);
    if (command == "RESTART") {
        Ui().MessageBox(RestartNotice, UpdaterCaption, MsgButtons::OK, MsgIcon::Information);
    } else if (command == "RUN") {
        Ui().MessageBox("The update was saved to " + path + ". Install it with your system's package manager.",
                        UpdaterCaption, MsgButtons::OK, MsgIcon::Information);
        // The message names the folder already: a desktop that cannot show it loses nothing.
        Desktop().Open(UpdatesFolder());
    }
    close();
    // Closed as the user would close it, so that every changed planogram is offered for saving.
    if (UpperCase(instructions.iQuit) == "TRUE")
        QTimer::singleShot(0, &mainForm_, [&mainForm = mainForm_] { mainForm.ExitItemClick(); });
}
