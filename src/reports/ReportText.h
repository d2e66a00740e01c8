#pragma once

#include <string>
#include <vector>

// The text of a quick report as its window shows, saves and prints it: lines of Windows-1252 bytes
// with TAB-separated columns, the base font, and the tab stops in points.
class TReportText {
public:
    std::vector<std::string> lines;
    std::string fontName = "Arial";
    // Points; 0 leaves the window's own size.
    int fontSize = 0;
    std::vector<int> tabStops;

    // Empties the text, sets the base font and adds the empty first line every report starts with.
    void ResetReport();
    // `count` stops `spacing` points apart; the first lies at 0.
    void SetTabStops(int count, int spacing);
    void Add(std::string line) { lines.push_back(std::move(line)); }
};
