#include "app/SDIMain.h"

#include "platform/core/UiServices.h"
#include "reports/DisplayRender.h"
#include "reports/ExportOptions.h"
#include "reports/PictureExport.h"

#include <optional>

void TMainForm::CreateExportDialog()
{
    ExportDB.title = "Export";
    ExportDB.filter = ExportFilter;
    ExportDB.defaultExt = "tif";
}

void TMainForm::Export1Click()
{
    PlanogramDocument* document = ActiveDocument();
    if (!document || !ExportOptions || LongOperationRunning())
        return;
    const std::optional<FileDialogResult> chosen = Ui().SaveDialog(ExportDB);
    if (!chosen)
        return;
    ExportDB.filterIndex = chosen->filterIndex;
    ExportDB.fileName = chosen->fileName;
    ExportOptions->PrepareFor(chosen->filterIndex);
    if (Ui().ShowModal(*ExportOptions) == mrCancel)
        return;
    // The render lets events run: the planogram's window must stay until the export is done.
    LongOperations::Guard busy(longOperations);
    ExportDisplay(*this, *document, chosen->filterIndex, chosen->fileName, ExportOptions->Settings(),
                  ExportDB.defaultExt);
}

bool TMainForm::RenderDisplayBitmap(TBitmap* bitmap) { return ::RenderDisplayBitmap(*this, ActiveDocument(), bitmap); }
