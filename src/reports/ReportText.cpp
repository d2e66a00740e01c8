#include "reports/ReportText.h"

void TReportText::ResetReport()
{
    lines.clear();
    fontName = "Arial";
    fontSize = 8;
    lines.emplace_back();
}

void TReportText::SetTabStops(int count, int spacing)
{
    tabStops.clear();
    for (int i = 0; i < count; ++i)
        tabStops.push_back(spacing * i);
}
