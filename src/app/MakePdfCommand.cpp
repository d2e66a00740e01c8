#include "app/SDIMain.h"

#include "app/SmallDialogs.h"
#include "pdf/PDFR2.h"
#include "platform/core/CodePage.h"
#include "platform/ui/PrinterCapabilities.h"
#include "reports/PdfComposition.h"
#include "reports/qReportsCode.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <optional>

namespace {

PdfChoices ChoicesOf(const TpdfOP& dialog)
{
    PdfChoices choices;
    choices.reports = {dialog.cbListing->isChecked(), dialog.cbInvest->isChecked(), dialog.cbSpace->isChecked(),
                       dialog.cbFixture->isChecked(), dialog.cbMoved->isChecked(),  dialog.cbTurnover->isChecked(),
                       dialog.cbProfit->isChecked()};
    choices.planogramType = dialog.PlanogramType();
    choices.imageCompression = dialog.cbCompressImage->currentIndex();
    choices.passwordToOpen = fromQString(dialog.edPassword->text());
    choices.passwordToEdit = fromQString(dialog.edPasswordEdit->text());
    choices.allowPrinting = dialog.cbPrint->isChecked();
    choices.allowEditing = dialog.cbEdit->isChecked();
    choices.allowCopying = dialog.cbCopy->isChecked();
    choices.thumbnails = dialog.cbTumbnail->isChecked();
    choices.launch = dialog.cbLaunch->isChecked();
    return choices;
}

} // namespace

void TMainForm::CreatePdfExport()
{
    SavePDFDialog1.title = "Save PDF";
    SavePDFDialog1.filter = "Adobe Acrobat (*.pdf)|*.pdf";
    SavePDFDialog1.defaultExt = "pdf";
    pdfExport1 = std::make_unique<TPdfPrinter>();
    SetUpPdfExport(*pdfExport1);
}

void TMainForm::aMakePDFExecute()
{
    PlanogramDocument* document = ActiveDocument();
    if (!document || !pdfOP || LongOperationRunning())
        return;
    const std::optional<FileDialogResult> chosen = Ui().SaveDialog(SavePDFDialog1);
    if (!chosen)
        return;
    SavePDFDialog1.fileName = chosen->fileName;
    if (Ui().ShowModal(*pdfOP) == mrCancel || !pdfOP->PasswordsFit())
        return;
    // The render lets events run: the planogram's window must stay until the file is written.
    LongOperations::Guard busy(longOperations);
    const bool fitDescription = !qReports || qReports->cbFitDescription->isChecked();
    MakePdf(*this, *document, *pdfExport1, ChoicesOf(*pdfOP), chosen->fileName, ReportPageSize(DefaultPrinter()),
            fitDescription);
}
