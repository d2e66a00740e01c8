#include "planogram/PlanogramPrinting.h"

#include "planogram/DocumentMainWindow.h"
#include "planogram/DoubleScaleRenderer.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/plandocCode.h"
#include "platform/core/CodePage.h"
#include "platform/core/Numbers.h"
#include "platform/core/Seams.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphic.h"
#include "platform/ui/PrintStatus.h"
#include "platform/ui/PrintTarget.h"

#include <QApplication>
#include <QImage>
#include <QProgressBar>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

namespace {

// The offset that centres `size` in `page`; 0 when the picture would not fit from there.
int CentringOffset(int page, double size)
{
    const int offset = std::abs(static_cast<int>(std::trunc((page - size) * 0.5)));
    return offset + size > page ? 0 : offset;
}

// The print bitmap at twice the back bitmap's size; null, with the reason shown, when it cannot be
// had. The size is reckoned in 64 bits: the largest wall needs about 1.8 GB.
std::unique_ptr<TBitmap> PrintBitmap(const TBitmap& back)
{
    std::unique_ptr<TBitmap> bitmap;
    try {
        bitmap = std::make_unique<TBitmap>();
    } catch (const std::bad_alloc&) {
        Ui().MessageBox("Printer Allocation Error", "Error", MsgButtons::OKCancel, MsgIcon::None);
        return nullptr;
    }
    const std::int64_t width = std::int64_t{back.Width()} * 2, height = std::int64_t{back.Height()} * 2;
    if (width <= INT_MAX && height <= INT_MAX) {
        try {
            bitmap->SetPixelFormat(pf24bit);
            bitmap->SetSize(static_cast<int>(width), static_cast<int>(height));
            return bitmap;
        } catch (const EOutOfResources&) {
        } catch (const std::bad_alloc&) {
        }
    }
    Ui().MessageBox("Printer resolution too high. Out Of System Resources", "Allocation Error", MsgButtons::OK,
                    MsgIcon::Stop);
    return nullptr;
}

// The status window's side of the render: its bar and label, and the main window's cancel flag.
class StatusMonitor : public RenderMonitor {
public:
    StatusMonitor(TPrintStatus& status, DocumentMainWindow& mainWindow) : status_(status), mainWindow_(mainWindow) {}
    void Step(const std::string& label) override
    {
        status_.StepIt();
        status_.SetStatus(label);
    }
    bool Cancelled() override { return mainWindow_.PrintCancelled(); }
    void PumpEvents() override { QCoreApplication::processEvents(); }

private:
    TPrintStatus& status_;
    DocumentMainWindow& mainWindow_;
};

void ShowPrintFailure() { Ui().MessageBox("Print Operation Failed", "rGDIB error", MsgButtons::OK, MsgIcon::None); }

} // namespace

PagePlacement PlaceOnPage(int width, int height, int pageWidth, int pageHeight)
{
    PagePlacement placement;
    if (width <= 0 || height <= 0)
        return placement;
    double& s = placement.scale;
    if (width > height) {
        s = static_cast<double>(pageWidth) / width;
        if (height * s > pageHeight)
            s = static_cast<double>(pageHeight) / height;
    } else {
        s = static_cast<double>(pageHeight) / height;
        if (width * s > pageWidth)
            s = static_cast<double>(pageWidth) / width;
    }
    placement.x = CentringOffset(pageWidth, width * s);
    placement.y = CentringOffset(pageHeight, height * s);
    placement.width = static_cast<int>(std::trunc(width * s));
    placement.height = static_cast<int>(std::trunc(height * s));
    return placement;
}

std::string PrintStampText(const std::string& caption, const std::tm& time)
{
    return "Document: " + caption + ". Date: " + IntToStr(time.tm_mday) + " " + IntToStr(time.tm_mon + 1) + " " +
           IntToStr(time.tm_year + 1900) + " Time: " + IntToStr(time.tm_hour) + ":" + IntToStr(time.tm_min);
}

void Tplandoc::PrintPlanogram()
{
    PlanogramDocument& doc = *document;
    const TBitmap& back = doc.backBitmap;
    if (back.Empty())
        return;
    const std::unique_ptr<PrintTarget> target = MakePrintTarget();
    target->SetLandscape(PrintsLandscape(back.Width(), back.Height()));
    target->SetTitle(Caption());
    PrintChoice choice;
    if (!Ui().PrintDialog(choice))
        return;
    const QRect page = target->PrintableArea();
    if (!target->SupportsRaster() || page.isEmpty()) {
        Ui().MessageBox("The selected printer does not support print operations required by this program",
                        "Can Not Print", MsgButtons::OKCancel, MsgIcon::None);
        return;
    }
    const std::unique_ptr<TBitmap> bitmap = PrintBitmap(back);
    if (!bitmap)
        return;
    DocumentMainWindow& mainWindow = doc.services.mainWindow;
    mainWindow.ClearPrintCancel();

    // Every way out of here closes the status window and frees the bitmap; the job is only begun
    // once the picture is done, so a cancel leaves no job behind.
    const auto status = std::make_unique<TPrintStatus>([&mainWindow] { mainWindow.RequestPrintCancel(); });
    status->setWindowModality(Qt::ApplicationModal);
    status->PrintProgress->setRange(0, doc.itemCounter + 4);
    status->show();
    status->StepIt();
    status->SetStatus("Status Rendering Print Image...");
    QCoreApplication::processEvents();

    DoubleScaleOptions options;
    const std::string caption = fromQString(Caption());
    if (doc.showDateTimeStamp)
        options.stamp = RenderStamp{PrintStampText(caption, LocalNow()), 10, bitmap->Height() - 20, std::nullopt};
    StatusMonitor monitor(*status, mainWindow);
    if (!RenderDoubleScale(doc, *bitmap, monitor, options))
        return;
    status->SetStatus("Spooling to Printer...");
    status->StepIt();
    if (mainWindow.PrintCancelled()) {
        status->SetStatus("Print Canceled");
        return;
    }
    if (!target->Begin()) {
        ShowPrintFailure();
        return;
    }
    status->StepIt();
    const PagePlacement placement = PlaceOnPage(bitmap->Width(), bitmap->Height(), page.width(), page.height());
    target->DrawImage(QRect(placement.x, placement.y, placement.width, placement.height), bitmap->ImageView());
    status->StepIt();
    if (!target->End())
        ShowPrintFailure();
}
