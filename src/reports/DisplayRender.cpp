#include "reports/DisplayRender.h"

#include "planogram/DocumentMainWindow.h"
#include "planogram/DoubleScaleRenderer.h"
#include "planogram/Graphicsmanager.h"
#include "planogram/Listmanager.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/CodePage.h"
#include "platform/core/Numbers.h"
#include "platform/core/Seams.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/Progress.h"

#include <QCoreApplication>

#include <climits>
#include <cstdint>
#include <new>

namespace {

constexpr int StampFontSize = 20;

// The main window's side of the render: its progress bar and its print-cancel flag.
class MainWindowMonitor : public RenderMonitor {
public:
    explicit MainWindowMonitor(DocumentMainWindow& mainWindow) : mainWindow_(mainWindow) {}
    void Step(const std::string&) override { mainWindow_.ProgressBar().StepIt(); }
    bool Cancelled() override { return mainWindow_.PrintCancelled(); }
    void PumpEvents() override { QCoreApplication::processEvents(); }

private:
    DocumentMainWindow& mainWindow_;
};

// A renderer made as the document's own, with the main window's three position tags and the
// document's transparency.
void TakeExportTags(GraphicsManager& graphics, const TagMenuChecks& checks, const PlanogramDocument& document)
{
    graphics.tagItemNr = checks.itemNumber;
    graphics.tagPartNr = checks.partNumber;
    graphics.tagXY = checks.xyLocation;
    graphics.transparencySetting = document.graphics.transparencySetting;
    graphics.displayHeight = document.graphics.displayHeight;
}

} // namespace

std::string StampDocumentName(const PlanogramDocument& document)
{
    const std::string& path = document.fileName;
    const std::string name = path.substr(path.find_last_of("\\/") + 1);
    // The file's name is the system's; the canvas writes Windows-1252.
    return document.untitled || name.empty() ? "No name" : Utf8ToWin1252(name);
}

std::string ExportStampText(const std::string& name, const std::tm& time)
{
    return "Document " + name + " Date " + IntToStr(time.tm_mday) + " " + IntToStr(time.tm_mon + 1) + " " +
           IntToStr(time.tm_year + 1900) + ". Time " + IntToStr(time.tm_hour) + ":" + IntToStr(time.tm_min);
}

bool RenderDisplayBitmap(DocumentMainWindow& mainWindow, PlanogramDocument* document, TBitmap* target)
{
    Progress& progress = mainWindow.ProgressBar();
    if (!document || !target) {
        progress.SetPosition(0);
        return false;
    }
    mainWindow.ClearPrintCancel();
    progress.SetStep(1);
    progress.SetMax(document->itemCounter);
    progress.SetPosition(0);

    GraphicsManager graphics(document->services.pictureFinder, mainWindow);
    TakeExportTags(graphics, mainWindow.TagChecks(), *document);
    DoubleScaleOptions options;
    options.graphics = &graphics;
    if (document->showDateTimeStamp)
        options.stamp = RenderStamp{ExportStampText(StampDocumentName(*document), LocalNow()), 10,
                                    target->Height() - 40, StampFontSize};
    MainWindowMonitor monitor(mainWindow);
    const bool drawn = RenderDoubleScale(*document, *target, monitor, options);
    progress.SetPosition(0);
    return drawn;
}

std::unique_ptr<TBitmap> DoubleSizeBitmap(const TBitmap& back)
{
    const std::int64_t width = std::int64_t{back.Width()} * 2, height = std::int64_t{back.Height()} * 2;
    if (width > INT_MAX || height > INT_MAX)
        return nullptr;
    try {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetPixelFormat(pf24bit);
        bitmap->SetSize(static_cast<int>(width), static_cast<int>(height));
        return bitmap;
    } catch (const EOutOfResources&) {
    } catch (const std::bad_alloc&) {
    }
    return nullptr;
}
