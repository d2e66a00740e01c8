#include "app/PlanogramFiles.h"

#include "app/FileRequests.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/DocumentSelector.h"
#include "planogram/Kqfascii.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/PlanogramLoading.h"
#include "planogram/plandocCode.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/UiServices.h"
#include "platform/ui/Progress.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr std::string_view MismatchQuestionText =
    "The picture link information or product meassurements for one or more products in this planogram does not "
    "match the information in your catalog and may not display, print or show report results as expected. Would you "
    "like to update this planogram with the information in your catalog?";

constexpr std::string_view ItemsMovedText =
    "Some items were outside of your new document width or height. These items were moved to the upper left corner "
    "of your display area.";

// The thumbnail shows the old wall no more; it is drawn again with the next change.
void ClearLayoutThumbnail(DocumentSelector& selector)
{
    TBitmap& image = selector.LayoutImage();
    if (image.Empty())
        return;
    image.Canvas().FillRect(Rect(0, 0, image.Width(), image.Height()));
    selector.LayoutImageChanged();
}

// The first three bytes of a multi-image collection, which is not a planogram. Only a plain file is
// readable: a folder would open here and fail later.
bool StartsWithCollectionMark(const std::string& path, bool& readable)
{
    FILE* file = FileExists(path) ? OpenFile(path, "rb") : nullptr;
    readable = file != nullptr;
    if (!file)
        return false;
    char mark[3] = {};
    const size_t read = std::fread(mark, 1, sizeof mark, file);
    std::fclose(file);
    return read == sizeof mark && std::memcmp(mark, "PMT", sizeof mark) == 0;
}

bool ConfirmReplace(const std::string& path)
{
    return Ui().MessageBox(ExtractFileName(path) + " already exists.\nDo you want to replace it?", "Confirm Save As",
                           MsgButtons::YesNo, MsgIcon::Warning) == MsgAnswer::Yes;
}

// A window being made for an open or new display that has not succeeded yet: freed unless kept.
class PendingWindow {
public:
    explicit PendingWindow(QMdiSubWindow* frame) : frame_(frame) {}
    ~PendingWindow() { delete frame_; }
    PendingWindow(const PendingWindow&) = delete;
    PendingWindow& operator=(const PendingWindow&) = delete;
    void Keep() { frame_ = nullptr; }

private:
    QMdiSubWindow* frame_;
};

// The loading notice shows while an open reads its planogram, and closes however the open ends.
class LoadingNoticeShown {
public:
    explicit LoadingNoticeShown(DocumentMainWindow& mainWindow) : mainWindow_(mainWindow)
    {
        mainWindow_.ShowLoadingNotice();
    }
    ~LoadingNoticeShown() { mainWindow_.CloseLoadingNotice(); }
    LoadingNoticeShown(const LoadingNoticeShown&) = delete;
    LoadingNoticeShown& operator=(const LoadingNoticeShown&) = delete;

private:
    DocumentMainWindow& mainWindow_;
};

} // namespace

PlanogramFiles::PlanogramFiles(const PlanogramFilesSeams& seams) : seams_(seams) {}

Tplandoc* PlanogramFiles::ActivePlanogram() const
{
    if (filling_)
        return filling_;
    QMdiSubWindow* frame = seams_.area.activeSubWindow();
    if (!frame) {
        const QList<QMdiSubWindow*> frames = seams_.area.subWindowList(QMdiArea::ActivationHistoryOrder);
        frame = frames.isEmpty() ? nullptr : frames.last();
    }
    return frame ? qobject_cast<Tplandoc*>(frame->widget()) : nullptr;
}

Tplandoc* PlanogramFiles::WindowOf(const PlanogramDocument& document) const
{
    for (QMdiSubWindow* frame : seams_.area.subWindowList()) {
        auto* window = qobject_cast<Tplandoc*>(frame->widget());
        if (window && &window->Document() == &document)
            return window;
    }
    return nullptr;
}

Tplandoc* PlanogramFiles::NewPlanogramWindow(QMdiSubWindow*& frame)
{
    if (!setupDialog_)
        throw Exception("The Document Setup dialog is missing.");
    auto* window = new Tplandoc(PlandocServices{seams_.mainWindow, seams_.selector(), *setupDialog_,
                                                seams_.catalogFinder, seams_.pictureFinder});
    frame = seams_.area.addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose, false);
    return window;
}

bool PlanogramFiles::OpenPlanogram(std::string path)
{
    if (seams_.busy.Running())
        return false;
    LongOperations::Guard busy(seams_.busy);
    if (path.empty()) {
        const std::optional<FileDialogResult> chosen = Ui().OpenDialog(seams_.openDialog);
        if (!chosen)
            return false;
        path = chosen->fileName;
    }
    return OpenPlanogramFile(path);
}

bool PlanogramFiles::OpenPlanogramFile(const std::string& path)
{
    bool readable = false;
    if (StartsWithCollectionMark(path, readable) || !readable) {
        if (!readable)
            Ui().MessageBox("Could not open file", "Open Error", MsgButtons::OK, MsgIcon::Stop);
        return false;
    }
    // A template is titled by the windows open before its own.
    const int openWindows = static_cast<int>(seams_.area.subWindowList().size());
    QMdiSubWindow* frame = nullptr;
    Tplandoc* window = NewPlanogramWindow(frame);
    PendingWindow pending(frame);
    if (!OpenInto(*window, *frame, path, openWindows))
        return false;
    pending.Keep();
    return true;
}

bool PlanogramFiles::OpenInto(Tplandoc& window, QMdiSubWindow& frame, const std::string& path, int openWindows)
{
    kqfASCII file(seams_.catalogFinder);
    const LoadingNoticeShown notice(seams_.mainWindow);
    QCoreApplication::processEvents();
    if (!file.Read(path, openWindows))
        return false;
    const std::unique_ptr<ListManager> fileItems = file.TakeItems();
    frame.setWindowTitle(PathToQString(file.title));
    // The window's first showing takes the settings' values; the file's come after them.
    frame.show();
    PlanogramDocument& document = window.Document();
    document.fileName = path;
    document.untitled = IsTemplateFileName(path);
    CopyHeaderIntoDocument(file, document);
    if (!document.NewDocument(file.Width, file.Height))
        return false;
    document.untitled = IsTemplateFileName(path);
    Progress& progress = seams_.mainWindow.ProgressBar();
    progress.SetMax(document.itemCounter + 1);
    progress.SetPosition(0);
    progress.SetStep(1);
    document.builderList = file.builderItems;
    document.FillBuilderGrid();
    openMismatchAsk = 1;
    openUpdateFromCatalog = 0;
    MismatchQuestion question{openMismatchAsk, openUpdateFromCatalog, [this] { return AskMismatchUpdate(); }};
    if (fileItems)
        LoadFileItems(*fileItems, document, ProductsOf(*document.catalog), question);
    if (seams_.mainWindow.ReorderAlarmOn())
        document.InventoryAlarmOn();
    document.SetZoom(file.zoomSetting);
    seams_.synchronise();
    document.renderer.RedrawAll();
    document.modified = false;
    progress.SetPosition(0);
    return true;
}

bool PlanogramFiles::AskMismatchUpdate()
{
    seams_.mainWindow.CloseLoadingNotice();
    return Ui().MessageBox(MismatchQuestionText, ApplicationTitle, MsgButtons::YesNo, MsgIcon::Exclamation) ==
           MsgAnswer::Yes;
}

bool PlanogramFiles::SavePlanogram(bool askForName)
{
    Tplandoc* window = ActivePlanogram();
    return window && SaveWindow(*window, askForName);
}

bool PlanogramFiles::SaveWindow(Tplandoc& window, bool askForName)
{
    if (seams_.busy.Running())
        return false;
    LongOperations::Guard busy(seams_.busy);
    FileDialogOptions& saveDialog = seams_.saveDialog;
    PlanogramDocument& document = window.Document();
    const bool askName = askForName || document.untitled;
    if (askName) {
        FileDialogOptions options = saveDialog;
        options.fileName = document.fileName;
        const std::optional<FileDialogResult> chosen = Ui().SaveDialog(options);
        if (!chosen)
            return false;
        saveDialog.fileName = chosen->fileName;
        saveDialog.filterIndex = chosen->filterIndex;
        SaveTypeChange(chosen->filterIndex);
        // The dialog asked about replacing the name it returned, not the one its filter made of it.
        if (saveDialog.fileName != chosen->fileName && FileExists(saveDialog.fileName) &&
            !ConfirmReplace(saveDialog.fileName))
            return false;
    } else {
        saveDialog.fileName = document.fileName;
    }
    const std::string target = saveDialog.fileName;
    kqfASCII file(seams_.catalogFinder);
    FillFileFromDocument(file, document);
    bool written = false;
    try {
        written = file.Write(target);
    } catch (const Exception& error) {
        Ui().MessageBox(error.Message(), ApplicationTitle, MsgButtons::OK, MsgIcon::Stop);
    } catch (const std::bad_alloc&) {
        Ui().MessageBox("Allocation Error", ApplicationTitle, MsgButtons::OK, MsgIcon::Stop);
    }
    if (!written)
        return false;
    document.fileName = target;
    if (askName && window.parentWidget())
        window.parentWidget()->setWindowTitle(PathToQString(ExtractFileName(target)));
    document.untitled = false;
    document.modified = false;
    seams_.saved(target);
    return true;
}

void PlanogramFiles::SaveTypeChange(int filterIndex)
{
    FileDialogOptions& saveDialog = seams_.saveDialog;
    saveDialog.defaultExt = filterIndex == 2 ? "kqt" : "kqf";
    saveDialog.fileName = FileNameForSaveFilter(saveDialog.fileName, filterIndex);
}

bool PlanogramFiles::NewPlanogram()
{
    if (seams_.busy.Running() || !setupDialog_)
        return false;
    LongOperations::Guard busy(seams_.busy);
    std::string chosenTemplate;
    if (NewBlankPlanogram(chosenTemplate))
        return true;
    // The blank window is gone by now, so the template's window takes its number.
    return !chosenTemplate.empty() && OpenPlanogramFile(chosenTemplate);
}

bool PlanogramFiles::NewBlankPlanogram(std::string& chosenTemplate)
{
    const auto setUp = [&chosenTemplate](PlanogramDocument& document) {
        if (document.NewDocument(0, 0))
            return true;
        chosenTemplate = document.chosenTemplate;
        return false;
    };
    if (!NewDisplayWindow("My Display", setUp))
        return false;
    seams_.synchronise();
    return true;
}

bool PlanogramFiles::NewSetUpPlanogram(const std::function<bool(PlanogramDocument&)>& setUp,
                                       const std::function<void(PlanogramDocument&)>& fill)
{
    if (seams_.busy.Running())
        return false;
    LongOperations::Guard busy(seams_.busy);
    Tplandoc* window = NewDisplayWindow("My Display ", setUp);
    if (!window)
        return false;
    struct FillingForThisCall {
        Tplandoc*& filling;
        ~FillingForThisCall() { filling = nullptr; }
    } scope{filling_};
    filling_ = window;
    seams_.area.setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->parentWidget()));
    fill(window->Document());
    return true;
}

Tplandoc* PlanogramFiles::NewDisplayWindow(const std::string& caption,
                                           const std::function<bool(PlanogramDocument&)>& setUp)
{
    try {
        QMdiSubWindow* frame = nullptr;
        Tplandoc* window = NewPlanogramWindow(frame);
        PendingWindow pending(frame);
        frame->resize(1, 1);
        frame->setWindowTitle(toQString(caption + IntToStr(static_cast<int>(seams_.area.subWindowList().size()))));
        // As for an open: the window's first showing takes the settings' values, the set-up comes
        // after them, and the wall sizes the window.
        frame->show();
        if (!setUp(window->Document()))
            return nullptr;
        pending.Keep();
        return window;
    } catch (const std::bad_alloc&) {
        Ui().MessageBox("Allocation Error", ApplicationTitle, MsgButtons::OK, MsgIcon::Stop);
    } catch (const Exception&) {
        Ui().MessageBox("Could not create new document", ApplicationTitle, MsgButtons::OK, MsgIcon::Exclamation);
    }
    return nullptr;
}

bool PlanogramFiles::DocumentSetup()
{
    Tplandoc* window = ActivePlanogram();
    if (!window || !setupDialog_ || seams_.busy.Running())
        return false;
    LongOperations::Guard busy(seams_.busy);
    PlanogramDocument& document = window->Document();
    setupDialog_->SetHideCatalogs(true);
    const int result = document.ValidateDisplaySize();
    setupDialog_->SetHideCatalogs(false);
    return result == 1 && ApplyDocumentSetup(document);
}

bool PlanogramFiles::ApplyDocumentSetup(PlanogramDocument& document)
{
    if (!document.renderer.LoadBackground())
        return false;
    if (document.FitItemsToDisplay(1))
        Ui().MessageBox(ItemsMovedText, ApplicationTitle, MsgButtons::OK, MsgIcon::Exclamation);
    document.renderer.DrawRulers();
    document.services.view.ZoomChanged();
    ClearLayoutThumbnail(document.services.selector);
    document.BuildPegHoleList();
    document.renderer.RedrawAll();
    document.modified = true;
    seams_.synchronise();
    return true;
}
