#include "reports/CustomReport.h"

#include "catalog/Didbase.h"
#include "planogram/Listmanager.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/UiServices.h"
#include "platform/services/WorkbookFile.h"

#include <functional>

namespace {

constexpr const char* ProgId = "excel.application";
// The inch factor the reports have always used (not 1 / 2.54).
constexpr double InchesPerCm = 0.394;
// The columns of the template whose row-3 cells are copied down.
constexpr const char* CopiedColumns[] = {"b", "d", "f", "h", "j", "l", "n", "p", "r", "t"};
// The item columns A, C, E, ... W.
enum ItemColumn {
    RecordColumn = 1,
    PartColumn = 3,
    DescriptionColumn = 5,
    WidthColumn = 7,
    HeightColumn = 9,
    DepthColumn = 11,
    CostColumn = 13,
    RetailColumn = 15,
    FirstEmptyColumn = 17,
    LastEmptyColumn = 23
};
constexpr int FirstItemRow = 3;

void Write(SpreadsheetReportObjects& objects, int row, int col, const std::string& text)
{
    objects.cell = objects.sheet->Cells(row, col);
    objects.cell->SetValue(text);
}

void Headings(SpreadsheetReportObjects& objects, const std::string& width, const std::string& height,
              const std::string& units)
{
    Write(objects, 1, 3, "Display width:");
    Write(objects, 1, 4, width);
    Write(objects, 1, 5, "Display height:");
    Write(objects, 1, 6, height);
    Write(objects, 1, 7, "Meassurements in");
    Write(objects, 1, 8, units);
}

// Copies each copied column's row-3 cell to rows 4 .. lastRow, then fits columns A .. Z of rows
// 1 .. lastRow.
void CopyFormulasAndFit(SpreadsheetReportObjects& objects, int lastRow)
{
    const std::string last = IntToStr(lastRow);
    for (const std::string column : CopiedColumns) {
        objects.source = objects.sheet->Range(column + "3", column + "3");
        objects.destination = objects.sheet->Range(column + "4", column + last);
        objects.source->Copy(*objects.destination);
    }
    objects.source = objects.sheet->Range("a1", "z" + last);
    objects.columns = objects.source->Columns();
    objects.columns->AutoFit();
}

// A size in document units (quarter centimetres) as the report writes it: whole centimetres, or
// inches of them in an inch document.
std::string QuarterSize(int quarters, bool inches)
{
    const int centimetres = quarters / 4;
    return inches ? FloatToStr(centimetres * InchesPerCm) : IntToStr(centimetres);
}

std::string CatalogSize(const didBase& catalog, double size, int quarters, bool inches)
{
    return inches && catalog.units == "inch" ? FloatToStr(size) : QuarterSize(quarters, inches);
}

// The current catalog record's row; its sizes in the document's unit.
void ItemRow(SpreadsheetReportObjects& objects, const didBase& catalog, int row, bool inches)
{
    Write(objects, row, RecordColumn, IntToStr(catalog.recordNumber));
    Write(objects, row, PartColumn, catalog.partNumber);
    Write(objects, row, DescriptionColumn, catalog.description);
    Write(objects, row, WidthColumn, CatalogSize(catalog, catalog.width, catalog.widthQ, inches));
    Write(objects, row, HeightColumn, CatalogSize(catalog, catalog.height, catalog.heightQ, inches));
    Write(objects, row, DepthColumn, CatalogSize(catalog, catalog.depth, TruncateToInt(catalog.depthQ), inches));
    Write(objects, row, CostColumn, FormatFixed(catalog.costPrice));
    Write(objects, row, RetailColumn, FormatFixed(catalog.salePrice));
    for (int col = FirstEmptyColumn; col <= LastEmptyColumn; col += 2)
        Write(objects, row, col, "");
}

// Writes the planogram's rows and answers the last row the formulas are copied to.
int WriteDocument(SpreadsheetReportObjects& objects, PlanogramDocument& document, const std::string& caption)
{
    const bool inches = document.unitsInches != 0;
    objects.cell = objects.sheet->Cells(1, 2);
    objects.cell->SetSystemText("Report based on: " + caption);
    Headings(objects, QuarterSize(document.backBitmap.Width(), inches),
             QuarterSize(document.backBitmap.Height(), inches), inches ? "inches" : "cms");
    int row = FirstItemRow;
    int count = 0;
    for (const ListOB* item = document.items ? document.items->head : nullptr; item; item = item->next, ++row, ++count)
        if (document.catalog && document.catalog->FindByKey(item->index))
            ItemRow(objects, *document.catalog, row, inches);
    return count + 4;
}

// An application whose template did not open holds nothing of the user's and, started without a
// document, shows no window either: left running it would stay unseen until the user logs out.
void QuitEmptyApplication(SpreadsheetReportObjects& objects)
{
    try {
        objects.application->Quit();
    } catch (const EOleException& error) {
        ShowMessage("EOleException  " + error.Message());
    }
    objects = {};
}

// The template is read before any office starts: an office that cannot load it would show the user
// its own dialogs about it first, and keep the report waiting on them.
bool TemplateReadable(const std::string& templatePath)
{
    try {
        CheckWorkbookFile(templatePath);
        return true;
    } catch (const EFOpenError& error) {
        ShowMessage("EFOpenError  " + error.Message());
        return false;
    }
}

// Opens the template in a new application; false, after its message, when that fails.
bool OpenTemplate(SpreadsheetReportObjects& objects, const std::string& templatePath,
                  const std::function<bool()>& startAndShow)
{
    if (!TemplateReadable(templatePath) || !startAndShow())
        return false;
    try {
        if (!objects.workbooks)
            throw EOleException("The application's workbooks are out of reach.");
        objects.workbooks->Open(templatePath);
    } catch (const EOleException& error) {
        ShowMessage("EOleException  " + error.Message());
        QuitEmptyApplication(objects);
        return false;
    }
    return true;
}

// A new report starts a new application and lets go of every object of the last one. A failed start
// says why on a line of its own (the office's exit status, or what the bridge could not do).
bool StartApplication(SpreadsheetReportObjects& objects, const std::string& failure, const std::string& caption)
{
    objects = {};
    try {
        objects.application = Spreadsheets().CreateUserApplication(ProgId);
        return true;
    } catch (const EOleException& error) {
        const std::string reason = error.Message();
        Ui().MessageBox(reason.empty() ? failure : failure + "\n" + reason, caption, MsgButtons::OK, MsgIcon::Error);
        return false;
    }
}

} // namespace

void MakeCustomReport(SpreadsheetReportObjects& objects, PlanogramDocument& document, const std::string& caption,
                      const std::string& templatePath, bool notify)
{
    const auto startAndShow = [&objects] {
        if (!StartApplication(objects,
                              "Could not start LibreOffice Calc. LibreOffice Calc is required to make custom "
                              "reports.",
                              "Report Error"))
            return false;
        try {
            objects.workbooks = objects.application->Workbooks();
            objects.application->SetVisible(true);
        } catch (const EOleException&) {
            ShowMessage(
                "Could not communicate with LibreOffice Calc. Make sure you have an English language version of "
                "LibreOffice Calc.");
            QuitEmptyApplication(objects);
            return false;
        }
        return true;
    };
    if (!OpenTemplate(objects, templatePath, startAndShow))
        return;
    try {
        objects.sheet = objects.application->ActiveSheet();
        CopyFormulasAndFit(objects, WriteDocument(objects, document, caption));
    } catch (const EOleException&) {
        Ui().MessageBox("An error occured while making the report.", "Report Error", MsgButtons::OK, MsgIcon::Warning);
        return;
    }
    if (notify)
        Ui().MessageBox("Done with report.", "Info", MsgButtons::OK, MsgIcon::None);
}

void MakeTemplateReport(SpreadsheetReportObjects& objects, const std::string& templatePath, bool notify)
{
    const auto startAndShow = [&objects] {
        if (!StartApplication(objects, "Could not start LibreOffice Calc. LibreOffice Calc is required to make reports",
                              "Report error"))
            return false;
        // The report goes on when the application cannot be shown, and a failure to show it must not
        // cost it the workbooks.
        bool failed = false;
        try {
            objects.application->SetVisible(true);
        } catch (const EOleException&) {
            failed = true;
        }
        try {
            objects.workbooks = objects.application->Workbooks();
        } catch (const EOleException&) {
            failed = true;
        }
        if (failed)
            ShowMessage("Could not set visible to true");
        return true;
    };
    if (!OpenTemplate(objects, templatePath, startAndShow))
        return;
    try {
        objects.sheet = objects.application->ActiveSheet();
        Headings(objects, "", "", "");
        CopyFormulasAndFit(objects, 4);
    } catch (const EOleException&) {
        Ui().MessageBox("An error occured while making the report", "Report error", MsgButtons::OK, MsgIcon::Warning);
        return;
    }
    if (notify)
        Ui().MessageBox("Done with report", "Info", MsgButtons::OK, MsgIcon::None);
}
