#pragma once

#include "platform/services/SpreadsheetAutomation.h"

#include <memory>
#include <string>

class PlanogramDocument;

// The automation references a report fills: each keeps its object alive until the next report
// overwrites it or its owner goes. Releasing them leaves the office running: it belongs to the user.
struct SpreadsheetReportObjects {
    std::shared_ptr<SpreadsheetApplication> application;
    std::shared_ptr<SpreadsheetWorkbooks> workbooks;
    std::shared_ptr<SpreadsheetSheet> sheet;
    std::shared_ptr<SpreadsheetCell> cell;
    std::shared_ptr<SpreadsheetRange> source;
    std::shared_ptr<SpreadsheetRange> destination;
    std::shared_ptr<SpreadsheetColumns> columns;
};

// Fills the report template in `templatePath` (a path) in a new, visible spreadsheet application
// that the user keeps: a heading row naming `caption` and the display's size, one row of
// catalog values per item of `document` from row 3 on, and the template's row-3 cells of every second
// column copied down below them. `caption` is the planogram window's caption as the system gives it
// (UTF-8). Every failure is shown; "Done with report." when `notify`. A template that cannot be read
// or is no workbook starts no application; one whose template does not open is quit again.
void MakeCustomReport(SpreadsheetReportObjects& objects, PlanogramDocument& document, const std::string& caption,
                      const std::string& templatePath, bool notify);

// The template alone, without a planogram: headings without values and row 3 copied to row 4.
// The template is checked, and an application whose template does not open quit, as above.
void MakeTemplateReport(SpreadsheetReportObjects& objects, const std::string& templatePath, bool notify);
