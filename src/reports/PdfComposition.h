#pragma once

#include "platform/core/Geometry.h"

#include <array>
#include <string>
#include <vector>

class DocumentMainWindow;
class PlanogramDocument;
class PrinterCapabilities;
class TPdfCustomExport;

// The quick reports a PDF of the planogram can hold, in the order they go into it.
enum PdfReport { prListing, prInvest, prSpace, prFixture, prMoved, prTurnover, prProfit, PdfReportCount };

// What the PDF options dialog chose.
struct PdfChoices {
    std::array<bool, PdfReportCount> reports{};
    // 0 screen optimised, 1 print optimised; any other value makes no display page.
    int planogramType = 0;
    // The image compression list's index, "None" to "Low"; -1 for no selection.
    int imageCompression = 0;
    std::string passwordToOpen;
    std::string passwordToEdit;
    bool allowPrinting = true;
    bool allowEditing = true;
    bool allowCopying = true;
    bool thumbnails = false;
    bool launch = false;
};

// Report pages are laid out at this many units per inch.
constexpr int ReportResolution = 300;
// Where a report line starts, across the page.
constexpr int ReportLeft = 40;

// The export as the main window keeps it between PDFs.
void SetUpPdfExport(TPdfCustomExport& pdf);

// Takes the dialog's choices into the export, replacing what an earlier PDF set: "Password to open" is
// the user password, "Password to edit" the owner password; the file is encrypted when either is given
// or any permission is withheld.
void CopyPdfOptions(const PdfChoices& choices, TPdfCustomExport& pdf);

// A report page: the printer's printable area at ReportResolution units per inch, or A4 without a
// printer.
TSize ReportPageSize(const PrinterCapabilities& printer);

// A report's pages: their size in units and the units per inch.
struct ReportLayout {
    TSize page;
    int resolution = ReportResolution;
    friend bool operator==(const ReportLayout&, const ReportLayout&) = default;
};

// Where the pieces of report lines (split at their TABs) stand across the page in 12-point Arial at
// ReportResolution, in units from the lines' left: piece k of every line in column k, as the Quick
// Reports window lines them up. A column starts at the report's stop k (points), further right where
// a piece before it in some line would otherwise run into it.
struct ReportColumns {
    std::vector<int> starts;
    // The right end of the widest line.
    int width = 0;
};
ReportColumns LayReportColumns(const std::vector<std::string>& lines, const std::vector<int>& tabStops);

// The report page at ReportResolution, or, when lines `lineWidth` wide and a margin on either side do
// not fit across it, the same paper at a whole multiple of it, so that no text is lost at the right
// edge.
ReportLayout FitReportLayout(TSize page, int lineWidth);

// Adds pages holding the lines from the top, their pieces in the columns LayReportColumns gives:
// lines below the bottom go on to further pages of the same layout. Answers the number of lines.
int AddReportText(TPdfCustomExport& pdf, const std::vector<std::string>& lines, const std::vector<int>& tabStops,
                  TSize page);

// Writes the document as a PDF file: its wall on the first page (one pixel one point), then a page or
// more per chosen quick report. A wall that cannot be drawn is reported and nothing is written; the
// export's own failures are raised and leave any older file as it was.
void MakePdf(DocumentMainWindow& mainWindow, PlanogramDocument& document, TPdfCustomExport& pdf,
             const PdfChoices& choices, const std::string& fileName, TSize reportPage, bool fitDescription);
