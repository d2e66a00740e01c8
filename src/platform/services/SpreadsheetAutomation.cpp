#include "platform/services/SpreadsheetAutomation.h"

#include "platform/services/CalcAutomation.h"

namespace {

SpreadsheetAutomation* replacement = nullptr;

} // namespace

SpreadsheetAutomation& Spreadsheets()
{
    static CalcAutomation calc;
    return replacement ? *replacement : calc;
}

void SetSpreadsheets(SpreadsheetAutomation* automation) { replacement = automation; }
