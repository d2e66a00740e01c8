#include "platform/services/SpreadsheetAutomation.h"

#include "platform/services/CalcAutomation.h"

namespace {

SpreadsheetAutomation* replacement = nullptr;
std::string userFolder;

} // namespace

SpreadsheetAutomation& Spreadsheets()
{
    static CalcAutomation calc;
    return replacement ? *replacement : calc;
}

void SetSpreadsheets(SpreadsheetAutomation* automation) { replacement = automation; }

const std::string& UserSpreadsheetFolder() { return userFolder; }

void SetUserSpreadsheetFolder(const std::string& folder) { userFolder = folder; }
