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

// The report page at ReportResolution, or, when the widest line and a margin on either side do not
// fit across it, the same paper at a whole multiple of it, so that no text is lost at the right edge.
ReportLayout FitReportLayout(TSize page, const std::vector<std::string>& lines, int tabStop);

// Adds pages holding the lines from the top, in 12-point Arial (at ReportResolution) with tab stops
// `tabStop` apart: lines below the bottom go on to further pages of the same layout. Answers the
// number of lines.
int AddReportText(TPdfCustomExport& pdf, const std::vector<std::string>& lines, int tabStop, TSize page);

// Writes the document as a PDF file: its wall on the first page (one pixel one point), then a page or
// more per chosen quick report. A wall that cannot be drawn is reported and nothing is written; the
// export's own failures are raised and leave any older file as it was.
void MakePdf(DocumentMainWindow& mainWindow, PlanogramDocument& document, TPdfCustomExport& pdf,
             const PdfChoices& choices, const std::string& fileName, TSize reportPage, bool fitDescription);
