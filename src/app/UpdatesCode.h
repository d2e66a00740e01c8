#pragma once

#include "app/UpdateInstructions.h"
#include "platform/core/UiServices.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class HttpClient;
struct HttpFailure;
class QLabel;
class QProgressBar;
class QPushButton;
class TMainForm;
class TStringList;

// The updater: asks the update server whether a newer build exists, fetches its instructions and
// the update into the user's own "updates" folder, verifies it, and says where it was saved. It never
// runs what it downloads. One request at a time: the buttons stay disabled while one runs, and
// closing the window ends it.
class TfrmUpdates : public QDialog {
public:
    // The main window's updates flag is read and set; `client` makes the requests.
    TfrmUpdates(TMainForm& mainForm, std::unique_ptr<HttpClient> client, QWidget* parent = nullptr);
    ~TfrmUpdates() override;

    void FormShow();
    void bCheckClick();
    void bInstallClick();
    void HttpClient2Success(const std::string& body);
    void httpInstallerScriptSuccess();
    void HttpClient1PacketRecvd(std::int64_t received, std::int64_t expected);
    void HttpClient1Success();

    // The folder the instructions and the update go to, with its final delimiter.
    static std::string UpdatesFolder();

    // Reads the instructions file into the list; false when it cannot be read.
    std::function<bool(const std::string& path, TStringList& lines)> readInstructions;

    QLabel* lbStatus;
    QPushButton* bCheck;
    QPushButton* bInstall;
    QProgressBar* ProgressBar1;

    UpdateInstructions instructions;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Check();
    void DownloadInstaller();
    static std::string InstructionsPath();
    std::string InstallerPath() const;
    void SetStatus(std::string_view text);
    // Check enabled without known updates, Install with them.
    void ShowButtonsFor(bool updates);
    // The buttons of the last check, an empty bar and `status`: every request ends here.
    void ShowIdle(std::string_view status);
    void ShowBusy();
    void RequestFailed(const HttpFailure& failure);
    void Failed(std::string_view text, std::string_view caption, MsgIcon icon);
    // A plain message that the status repeats.
    void FailedPlainly(const std::string& text);

    TMainForm& mainForm_;
    std::unique_ptr<HttpClient> http_;
};

// The program's one updater (not owned); null until main makes it.
extern TfrmUpdates* frmUpdates;
