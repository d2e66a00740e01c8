#include "app/CommandLine.h"
#include "app/Hh.h"
#include "app/LoadingNotice.h"
#include "app/MainCatalogHost.h"
#include "app/NewDoc.h"
#include "app/OpenFileServer.h"
#include "app/Options.h"
#include "app/PlanogramWizard.h"
#include "app/SDIMain.h"
#include "app/SmallDialogs.h"
#include "app/Splash.h"
#include "app/StartupSettings.h"
#include "app/UpdatesCode.h"
#include "catalog/CatOpsCode.h"
#include "catalog/CatWizardCode.h"
#include "catalog/DataMaker.h"
#include "catalog/ExcelImport.h"
#include "catalog/PicOptimizeOps.h"
#include "catalog/ZYBBrowserCode.h"
#include "imageformats/FileFormatList.h"
#include "planogram/FilterCode.h"
#include "planogram/SelectorCode.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Seams.h"
#include "platform/services/HttpClient.h"
#include "platform/services/SpreadsheetAutomation.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/Application.h"
#include "reports/ExportOptions.h"
#include "reports/KQReporterCode.h"
#include "reports/qReportsCode.h"

#include <QMetaObject>

#include <string>
#include <vector>

namespace {

// What is left of argv once the application object has taken its own options.
std::vector<std::string> ProgramArguments(int argc, char* argv[])
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char* argv[])
{
    TApplication application(argc, argv);
    SetProgramCommandLine(ProgramArguments(argc, argv));
    // A second start with a planogram gives it to the program already running and ends.
    const std::string path = PlanogramPathArgument(ProgramCommandLine());
    if (!path.empty() && HandOverToRunningProgram(path))
        return 0;
    const TFileFormatListScope fileFormats;
    // Too few colours to draw planograms: end at once and silently. The windows are still made, and
    // the message loop then ends as soon as it starts.
    if (ScreenTooShallowToRun(ScreenDepth()))
        QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
    ShowStartUpSplash();
    TApplication::SetHelpFile(std::string(HelpFileName));
    // The offices of custom reports keep their profiles here while the user works in them.
    SetUserSpreadsheetFolder(CacheFolder() + "offices");
    const HtmlHelpLoaded htmlHelp;
    // The single-instance windows, in their start-up order.
    TMainForm mainForm;
    TNewDocBox newDocBox([&mainForm] { return mainForm.unitsInches != 0; }, SettingsStore(), &mainForm);
    mainForm.SetDocumentSetupDialog(&newDocBox);
    MainCatalogHost catalogHost(mainForm);
    TDForm dForm(catalogHost, &mainForm);
    DForm = &dForm;
    mainForm.SetCatalogManager(dForm);
    TSelector selector(mainForm, &mainForm);
    mainForm.SetSelector(selector);
    TExportOptions exportOptions(&mainForm);
    ExportOptions = &exportOptions;
    TZYBBrowser zybBrowser(&mainForm);
    dForm.ZYBBrowser = &zybBrowser;
    TOptions options(mainForm, &mainForm);
    mainForm.SetOptionsWindow(options);
    TwReporter reporter(&mainForm);
    wReporter = &reporter;
    TSUWizard suWizard(mainForm, &mainForm);
    mainForm.SetPlanogramWizard(suWizard);
    TCatalogWizard catalogWizard(dForm, &mainForm);
    mainForm.SetCatalogWizard(catalogWizard);
    suWizard.ConnectCatalogWizard(catalogWizard);
    TCatOps catOps(dForm.model, &mainForm);
    CatOps = &catOps;
    TExcelImporter excelImporter(dForm.model, &mainForm);
    ExcelImporter = &excelImporter;
    TPDetails details(&mainForm);
    PDetails = &details;
    TfrmFilter filter(mainForm, &mainForm);
    selector.SetFilterWindow(filter);
    TqReports quickReports([&mainForm] { return mainForm.ActiveDocument(); }, &mainForm);
    qReports = &quickReports;
    TpdfOP pdfOptions(&mainForm);
    pdfOP = &pdfOptions;
    TfrmLoading loading(&mainForm);
    frmLoading = &loading;
    TfrmUpdates updates(mainForm, MakeHttpClient(), &mainForm);
    frmUpdates = &updates;
    TfrmMissingItems missingItems(&mainForm);
    frmMissingItems = &missingItems;
    TfrmPicOptimizeOps picOptimizeOps(&mainForm);
    frmPicOptimizeOps = &picOptimizeOps;
    TfrmLoadListOps loadListOps(&mainForm);
    frmLoadListOps = &loadListOps;
    mainForm.StartOpenFileServer();
    // The program ends with its main window: not before (Qt would end it as the last window that is not
    // a dialog closes, whatever a dialog still holds) and not after (a window left open, help say).
    application.setQuitOnLastWindowClosed(false);
    QObject::connect(&mainForm, &TMainForm::Closed, &application, [] { QCoreApplication::exit(0); });
    // The first showing does work of its own (it opens the planogram named on the command line): its
    // errors are shown as those of the event loop are.
    ShowingExceptions([&] {
        mainForm.show();
        return true;
    });
    ShowingExceptions([&] { return application.exec() == 0; });
    delete Splash; // a splash or About window still open when the program ends
    return 0;
}
