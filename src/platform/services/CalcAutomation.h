#pragma once

#include "platform/services/CalcBridgeClient.h"
#include "platform/services/SpreadsheetAutomation.h"

// Spreadsheet automation by LibreOffice Calc: each application is an office that the bridge script
// starts. A private one is invisible, opens workbooks read-only and ends with its bridge; one that
// belongs to the user runs detached with its profile under UserSpreadsheetFolder() and opens
// workbooks as new untitled documents. Macros never run and links never update. The program needs
// no office to build or start: without one, creating an application fails.
class CalcAutomation : public SpreadsheetAutomation {
public:
    explicit CalcAutomation(CalcDeadlines deadlines = {}) : deadlines_(deadlines) {}
    std::shared_ptr<SpreadsheetApplication> CreateApplication(const std::string& progId) override;
    std::shared_ptr<SpreadsheetApplication> CreateUserApplication(const std::string& progId) override;

private:
    std::shared_ptr<SpreadsheetApplication> Start(const std::string& progId, const QJsonObject& request);

    CalcDeadlines deadlines_;
};
