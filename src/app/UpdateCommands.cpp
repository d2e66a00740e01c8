// The main window's start-up version check and its command that shows the updater.
#include "app/SDIMain.h"
#include "app/UpdatesCode.h"
#include "platform/core/UiServices.h"
#include "platform/services/Desktop.h"
#include "platform/services/HttpClient.h"
#include "platform/services/WebAddresses.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/Application.h"

#include <QTimer>

namespace {

constexpr std::string_view VersionCheckPage = "kestrame/vupch.php?v=35";
constexpr std::string_view NewVersion = "YES";
constexpr std::string_view UpgradePage = "kestrame-upgrade.html";
constexpr std::string_view UpgradeOffer =
    "There is a new version of Kestrame available, with great new features. Click OK to visit the Kestrame and read "
    "more about or try out a free demo version. Click NO to be reminded later, or Cancel to not show this message "
    "again.";
constexpr std::string_view UpgradeCaption = "Kestrame 4 is now available!";
constexpr std::string_view CheckSection = "UserInfoKQ3";
constexpr std::string_view CheckValue = "UpgradeCheck";

} // namespace

void TMainForm::UpgradeCheckTriggerTimer()
{
    UpgradeCheckTrigger->stop();
    if (!SettingsStore().ReadBool(CheckSection, CheckValue, true))
        return;
    // The user did not ask for this check: a server that cannot be reached or answers with an error
    // is left unmentioned, and the next start asks again.
    UpgradeVersionCheck->Get(JoinAddress(UpdateServerAddress(), VersionCheckPage),
                             {ShowingErrors(this, &TMainForm::UpgradeVersionCheckSuccess), [](const HttpFailure&) {},
                              {}});
}

void TMainForm::UpgradeVersionCheckSuccess(const std::string& body)
{
    if (body != NewVersion)
        return;
    switch (Ui().MessageBox(UpgradeOffer, UpgradeCaption, MsgButtons::YesNoCancel, MsgIcon::Information)) {
    case MsgAnswer::Yes: {
        const std::string site = WebSiteAddress();
        if (!Desktop().Open(JoinAddress(site, UpgradePage)))
            Ui().MessageBox("Could not connect to " + AddressHost(site), ApplicationTitle, MsgButtons::OK,
                            MsgIcon::Exclamation);
        break;
    }
    case MsgAnswer::Cancel:
        SettingsStore().WriteBool(CheckSection, CheckValue, false);
        break;
    default:
        break;
    }
}

void TMainForm::Checkforsoftwareupdates1Click()
{
    if (frmUpdates)
        Ui().ShowModal(*frmUpdates);
}
