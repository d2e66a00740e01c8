#pragma once

#include "platform/core/Variant.h"

#include <memory>
#include <string>
#include <vector>

// Automation of a spreadsheet program, shaped like the calls the program makes on the objects it
// reaches: an application, its workbooks, a sheet and its cells. Rows and columns count from 1. Every
// call that fails raises EOleException with the spreadsheet program's text. A reference keeps the
// object it names alive, as long as it is held. Texts written are in the model's code page.

class SpreadsheetCell {
public:
    virtual ~SpreadsheetCell() = default;
    virtual Variant Value() = 0;
    // Writes `text` as the cell's value; a text that reads as a number ("12.500000", with "." as the
    // separator) becomes a number, so that formulas reading the cell compute.
    virtual void SetValue(const std::string& text) = 0;
    // Writes `text`, given as the system gives names (UTF-8, any script), as the cell's text.
    virtual void SetSystemText(const std::string& text) = 0;
};

class SpreadsheetColumns {
public:
    virtual ~SpreadsheetColumns() = default;
    // Gives each column the width that fits its contents.
    virtual void AutoFit() = 0;
};

class SpreadsheetRange {
public:
    virtual ~SpreadsheetRange() = default;
    // Copies formulas and formats into `destination` of the same sheet, references moved with them;
    // a destination larger than this range receives as many whole copies as fit.
    virtual void Copy(SpreadsheetRange& destination) = 0;
    virtual std::shared_ptr<SpreadsheetColumns> Columns() = 0;
};

class SpreadsheetSheet {
public:
    virtual ~SpreadsheetSheet() = default;
    virtual std::shared_ptr<SpreadsheetCell> Cells(int row, int col) = 0;
    // The values of rows row1 .. row2 and columns col1 .. col2 (inclusive), row by row: what Value
    // gives cell by cell, in one call.
    virtual std::vector<std::vector<Variant>> Values(int row1, int col1, int row2, int col2) = 0;
    // The block from cell `first` to cell `last`, named as "b3" (letters in any case).
    virtual std::shared_ptr<SpreadsheetRange> Range(const std::string& first, const std::string& last) = 0;
};

class SpreadsheetWorkbooks {
public:
    virtual ~SpreadsheetWorkbooks() = default;
    // Opens the workbook in `path`, which becomes the active one.
    virtual void Open(const std::string& path) = 0;
};

// An application not yet quit quits when the last reference to it and to its objects goes.
class SpreadsheetApplication {
public:
    virtual ~SpreadsheetApplication() = default;
    virtual std::shared_ptr<SpreadsheetWorkbooks> Workbooks() = 0;
    virtual void SetVisible(bool visible) = 0;
    // The active sheet of the active workbook.
    virtual std::shared_ptr<SpreadsheetSheet> ActiveSheet() = 0;
    // Closes its workbooks without saving and ends the application.
    virtual void Quit() = 0;
};

class SpreadsheetAutomation {
public:
    virtual ~SpreadsheetAutomation() = default;
    // A new application of its own, never one the user is running. `progId` names the kind:
    // "excel.application" (in any case) is the only one known.
    virtual std::shared_ptr<SpreadsheetApplication> CreateApplication(const std::string& progId) = 0;
    // A new application that belongs to the user: it can be shown, its workbooks open as new untitled
    // copies, and it keeps running when the last reference goes, until the user (or Quit) ends it.
    virtual std::shared_ptr<SpreadsheetApplication> CreateUserApplication(const std::string& progId) = 0;
};

// The process's spreadsheet automation: LibreOffice Calc unless a test has set another.
SpreadsheetAutomation& Spreadsheets();
// Replaces it (tests); nullptr restores LibreOffice Calc.
void SetSpreadsheets(SpreadsheetAutomation* automation);
// The folder under which the user's applications keep what they need while they run (the program
// sets its per-user cache folder); the temporary folder until set.
const std::string& UserSpreadsheetFolder();
void SetUserSpreadsheetFolder(const std::string& folder);
