#pragma once

#include "platform/services/CalcBridgeClient.h"
#include "platform/services/SpreadsheetAutomation.h"

// Spreadsheet automation by LibreOffice Calc: each application is a private, invisible office that
// the bridge script starts and ends. A workbook opens read-only, its macros never run and its links
// never update. The program needs no office to build or start: without one, CreateApplication fails.
class CalcAutomation : public SpreadsheetAutomation {
public:
    explicit CalcAutomation(CalcDeadlines deadlines = {}) : deadlines_(deadlines) {}
    std::shared_ptr<SpreadsheetApplication> CreateApplication(const std::string& progId) override;

private:
    CalcDeadlines deadlines_;
};
