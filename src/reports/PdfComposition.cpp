#include "reports/PdfComposition.h"

#include "pdf/PDFR1.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"
#include "platform/ui/PrinterCapabilities.h"
#include "reports/DisplayRender.h"
#include "reports/QuickReports.h"
#include "reports/ReportText.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

namespace {

constexpr TSize A4Page{2480, 3508};

using MakeReport = void (*)(QuickReports& reports);

// By PdfReport.
constexpr std::array<MakeReport, PdfReportCount> ReportMakers{{
    [](QuickReports& r) { r.MakeProductListing(); },
    [](QuickReports& r) { r.MakeInvestmentProfit(); },
    [](QuickReports& r) { r.MakeSpaceUsageForPdf(); },
    [](QuickReports& r) { r.MakeFixtureListing(); },
    [](QuickReports& r) { r.MakeSalesRanking(0); },
    [](QuickReports& r) { r.MakeSalesRanking(1); },
    [](QuickReports& r) { r.MakeSalesRanking(2); },
}};

constexpr int PointsPerInch = 72;

TPdfJPEGQuality QualityOfCompression(int index, TPdfJPEGQuality current)
{
    constexpr std::array<TPdfJPEGQuality, 5> qualities{peNoJPEG, peJPEG_25, peJPEG_50, peJPEG_75, peJPEG_100};
    return index >= 0 && index < static_cast<int>(qualities.size()) ? qualities[index] : current;
}

void SetProducer(TPdfCustomExport& pdf, const char* producer)
{
    TPdfExportInfo info = pdf.Info();
    info.Producer = producer;
    pdf.SetInfo(info);
}

int Scaled(int pixels, int pixelsPerInch)
{
    return static_cast<int>((std::int64_t{pixels} * ReportResolution + pixelsPerInch / 2) / pixelsPerInch);
}

void SetReportFont(TCustomCanvas& canvas)
{
    canvas.Font.Name = "Arial";
    canvas.Font.SetSize(12);
    canvas.Font.SetPixelsPerInch(ReportResolution);
}

// The pieces of a report line between its TABs.
std::vector<std::string_view> ReportPieces(std::string_view line)
{
    std::vector<std::string_view> pieces;
    for (std::size_t start = 0;;) {
        const std::size_t tab = std::min(line.find('\t', start), line.size());
        pieces.push_back(line.substr(start, tab - start));
        if (tab == line.size())
            return pieces;
        start = tab + 1;
    }
}

void StartReportPage(TPdfCustomExport& pdf, const ReportLayout& layout)
{
    pdf.StartPage(layout.page.cx, layout.page.cy, layout.resolution, layout.resolution, 0);
    SetReportFont(pdf.GetCanvas());
}

// The wall drawn afresh at twice the screen scale; null, with the failure shown, when it cannot be.
std::unique_ptr<TBitmap> PrintOptimizedWall(DocumentMainWindow& mainWindow, PlanogramDocument& document)
{
    std::unique_ptr<TBitmap> bitmap = DoubleSizeBitmap(document.backBitmap);
    if (!bitmap || !RenderDisplayBitmap(mainWindow, &document, bitmap.get())) {
        Ui().MessageBox("PDF Export error occured.", "Export", MsgButtons::OK, MsgIcon::Exclamation);
        return nullptr;
    }
    return bitmap;
}

void AddDisplayPage(TPdfCustomExport& pdf, const TBitmap& wall)
{
    pdf.StartPage(wall.Width(), wall.Height(), 72, 72, 0);
    pdf.DrawTGraphic(0, 0, wall.Width(), wall.Height(), &wall);
    pdf.EndPage();
}

void AddReportPages(TPdfCustomExport& pdf, PlanogramDocument& document, const PdfChoices& choices, TSize page,
                    bool fitDescription)
{
    TReportText text;
    QuickReports reports(text);
    reports.document = &document;
    reports.fitDescription = fitDescription;
    for (int report = 0; report < PdfReportCount; ++report) {
        if (!choices.reports[report])
            continue;
        ReportMakers[report](reports);
        AddReportText(pdf, text.lines, text.tabStops, page);
    }
}

} // namespace

void SetUpPdfExport(TPdfCustomExport& pdf) { SetProducer(pdf, "Kestrame"); }

void CopyPdfOptions(const PdfChoices& choices, TPdfCustomExport& pdf)
{
    pdf.CreateThumbnails = choices.thumbnails;
    pdf.AutoLaunch = choices.launch;
    pdf.UserPassword = choices.passwordToOpen;
    pdf.OwnerPassword = choices.passwordToEdit;
    TPdfEncryption encryption;
    if (choices.allowPrinting)
        encryption.Include(peEnablePrinting);
    if (choices.allowEditing)
        encryption.Include(peEnableChanging);
    if (choices.allowCopying)
        encryption.Include(peEnableCopying);
    const bool withheld = !choices.allowPrinting || !choices.allowEditing || !choices.allowCopying;
    if (!choices.passwordToOpen.empty() || !choices.passwordToEdit.empty() || withheld)
        encryption.Include(peEncryptFile);
    pdf.Encryption = encryption;
    pdf.SetJPEGQuality(QualityOfCompression(choices.imageCompression, pdf.JPEGQuality()));
}

TSize ReportPageSize(const PrinterCapabilities& printer)
{
    const TSize resolution = printer.Resolution();
    if (!printer.Installed() || resolution.cx <= 0 || resolution.cy <= 0)
        return A4Page;
    const TRect area = printer.PrintableArea();
    return TSize{Scaled(area.Right - area.Left, resolution.cx), Scaled(area.Bottom - area.Top, resolution.cy)};
}

// A column starts at its stop, or further right where a piece before it in some line would end less
// than two blanks from it.
ReportColumns LayReportColumns(const std::vector<std::string>& lines, const std::vector<int>& tabStops)
{
    TMetafile scratch;
    TMetafileCanvas canvas(scratch);
    SetReportFont(canvas);
    const int gap = canvas.TextWidth("  ");
    std::vector<std::vector<std::string_view>> pieces;
    std::size_t columnCount = 0;
    for (const std::string& line : lines) {
        pieces.push_back(ReportPieces(line));
        columnCount = std::max(columnCount, pieces.back().size());
    }
    ReportColumns columns;
    // Where each line's next piece may start.
    std::vector<int> free(lines.size(), 0);
    for (std::size_t k = 0; k < columnCount; ++k) {
        int start = k < tabStops.size() ? Scaled(tabStops[k], PointsPerInch) : 0;
        if (k > 0)
            start = std::max(start, columns.starts.back());
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (k < pieces[i].size() && !pieces[i][k].empty())
                start = std::max(start, free[i]);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (k >= pieces[i].size() || pieces[i][k].empty())
                continue;
            const int end = start + canvas.TextWidth(pieces[i][k]);
            columns.width = std::max(columns.width, end);
            free[i] = end + gap;
        }
        columns.starts.push_back(start);
    }
    return columns;
}

ReportLayout FitReportLayout(TSize page, int lineWidth)
{
    const int widest = ReportLeft * 2 + lineWidth;
    const int scale = page.cx > 0 ? std::max(1, (widest + page.cx - 1) / page.cx) : 1;
    return ReportLayout{TSize{page.cx * scale, page.cy * scale}, ReportResolution * scale};
}

int AddReportText(TPdfCustomExport& pdf, const std::vector<std::string>& lines, const std::vector<int>& tabStops,
                  TSize page)
{
    const ReportColumns columns = LayReportColumns(lines, tabStops);
    const ReportLayout layout = FitReportLayout(page, columns.width);
    StartReportPage(pdf, layout);
    int pageTop = 0;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        const int height = pdf.GetCanvas().TextHeight(lines[i]);
        if (i > pageTop && height * (i - pageTop + 1) > layout.page.cy) {
            pdf.EndPage();
            StartReportPage(pdf, layout);
            pageTop = i;
        }
        const std::vector<std::string_view> pieces = ReportPieces(lines[i]);
        for (std::size_t k = 0; k < pieces.size(); ++k)
            if (!pieces[k].empty())
                pdf.GetCanvas().TextOut(ReportLeft + columns.starts[k], height * (i - pageTop), pieces[k]);
    }
    pdf.EndPage();
    return static_cast<int>(lines.size());
}

void MakePdf(DocumentMainWindow& mainWindow, PlanogramDocument& document, TPdfCustomExport& pdf,
             const PdfChoices& choices, const std::string& fileName, TSize reportPage, bool fitDescription)
{
    CopyPdfOptions(choices, pdf);
    std::unique_ptr<TBitmap> printWall;
    if (choices.planogramType == 1) {
        printWall = PrintOptimizedWall(mainWindow, document);
        if (!printWall)
            return;
    }
    SetProducer(pdf, "Kestrame 3.5");
    pdf.Filename = fileName;
    pdf.BeginDoc();
    if (printWall)
        AddDisplayPage(pdf, *printWall);
    else if (choices.planogramType == 0)
        AddDisplayPage(pdf, document.backBitmap);
    AddReportPages(pdf, document, choices, reportPage, fitDescription);
    pdf.EndDoc();
}
