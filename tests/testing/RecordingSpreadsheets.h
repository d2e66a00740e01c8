#pragma once

#include "platform/core/Exceptions.h"
#include "platform/services/SpreadsheetAutomation.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The bytes a compound document (an .xls or .xlt file) begins with: a file holding them passes the
// check that a report makes before it starts an office. The recording automation reads no file.
inline constexpr std::string_view WorkbookSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// The test double of spreadsheet automation, installed as the process's while it lives: records
// every call in order ("Open /a.xls", "Values 1 1 3 2", "SetValue 1 2 text", "Range b3 b3",
// "Copy b3 b3 to b4 b7", ...), answers from a scripted active sheet, and raises EOleException at the
// first call of the name chosen in `failAt`. Written values are recorded, not kept.
class RecordingSpreadsheets : public SpreadsheetAutomation {
public:
    RecordingSpreadsheets() { SetSpreadsheets(this); }
    ~RecordingSpreadsheets() override { SetSpreadsheets(nullptr); }
    RecordingSpreadsheets(const RecordingSpreadsheets&) = delete;
    RecordingSpreadsheets& operator=(const RecordingSpreadsheets&) = delete;

    std::shared_ptr<SpreadsheetApplication> CreateApplication(const std::string& progId) override
    {
        Record("CreateApplication " + progId);
        return std::make_shared<Application>(*this);
    }
    std::shared_ptr<SpreadsheetApplication> CreateUserApplication(const std::string& progId) override
    {
        Record("CreateUserApplication " + progId);
        return std::make_shared<Application>(*this);
    }

    // The active sheet's cells: sheet[row - 1][col - 1]; empty beyond.
    std::vector<std::vector<Variant>> sheet;
    std::string failAt; // "CreateApplication", "Workbooks", "SetVisible", "Open", "ActiveSheet", ...
    std::vector<std::string> calls;

private:
    void Record(const std::string& call)
    {
        calls.push_back(call);
        if (!failAt.empty() && call.compare(0, call.find(' '), failAt) == 0) {
            failAt.clear();
            throw EOleException("Scripted failure of " + call);
        }
    }

    Variant At(int row, int col) const
    {
        if (row < 1 || static_cast<size_t>(row) > sheet.size())
            return {};
        const std::vector<Variant>& cells = sheet[static_cast<size_t>(row) - 1];
        return col >= 1 && static_cast<size_t>(col) <= cells.size() ? cells[static_cast<size_t>(col) - 1] : Variant();
    }

    static std::string Numbers(std::initializer_list<int> numbers)
    {
        std::string text;
        for (int number : numbers)
            text += ' ' + std::to_string(number);
        return text;
    }

    struct Cell : SpreadsheetCell {
        Cell(RecordingSpreadsheets& owner, int row, int col) : owner(owner), row(row), col(col) {}
        Variant Value() override
        {
            owner.Record("Value" + Numbers({row, col}));
            return owner.At(row, col);
        }
        void SetValue(const std::string& text) override { owner.Record("SetValue" + Numbers({row, col}) + ' ' + text); }
        void SetSystemText(const std::string& text) override
        {
            owner.Record("SetSystemText" + Numbers({row, col}) + ' ' + text);
        }
        RecordingSpreadsheets& owner;
        int row, col;
    };

    struct Columns : SpreadsheetColumns {
        Columns(RecordingSpreadsheets& owner, std::string names) : owner(owner), names(std::move(names)) {}
        void AutoFit() override { owner.Record("AutoFit " + names); }
        RecordingSpreadsheets& owner;
        std::string names;
    };

    struct Range : SpreadsheetRange {
        Range(RecordingSpreadsheets& owner, std::string names) : owner(owner), names(std::move(names)) {}
        void Copy(SpreadsheetRange& destination) override
        {
            owner.Record("Copy " + names + " to " + static_cast<Range&>(destination).names);
        }
        std::shared_ptr<SpreadsheetColumns> Columns() override
        {
            owner.Record("Columns " + names);
            return std::make_shared<RecordingSpreadsheets::Columns>(owner, names);
        }
        RecordingSpreadsheets& owner;
        std::string names;
    };

    struct Sheet : SpreadsheetSheet {
        explicit Sheet(RecordingSpreadsheets& owner) : owner(owner) {}
        std::shared_ptr<SpreadsheetCell> Cells(int row, int col) override
        {
            owner.Record("Cells" + Numbers({row, col}));
            return std::make_shared<Cell>(owner, row, col);
        }
        std::vector<std::vector<Variant>> Values(int row1, int col1, int row2, int col2) override
        {
            owner.Record("Values" + Numbers({row1, col1, row2, col2}));
            std::vector<std::vector<Variant>> values;
            for (int row = row1; row <= row2; ++row) {
                std::vector<Variant>& line = values.emplace_back();
                for (int col = col1; col <= col2; ++col)
                    line.push_back(owner.At(row, col));
            }
            return values;
        }
        std::shared_ptr<SpreadsheetRange> Range(const std::string& first, const std::string& last) override
        {
            owner.Record("Range " + first + ' ' + last);
            return std::make_shared<RecordingSpreadsheets::Range>(owner, first + ' ' + last);
        }
        RecordingSpreadsheets& owner;
    };

    struct Workbooks : SpreadsheetWorkbooks {
        explicit Workbooks(RecordingSpreadsheets& owner) : owner(owner) {}
        void Open(const std::string& path) override { owner.Record("Open " + path); }
        RecordingSpreadsheets& owner;
    };

    struct Application : SpreadsheetApplication {
        explicit Application(RecordingSpreadsheets& owner) : owner(owner) {}
        std::shared_ptr<SpreadsheetWorkbooks> Workbooks() override
        {
            owner.Record("Workbooks");
            return std::make_shared<RecordingSpreadsheets::Workbooks>(owner);
        }
        void SetVisible(bool visible) override { owner.Record(visible ? "SetVisible true" : "SetVisible false"); }
        std::shared_ptr<SpreadsheetSheet> ActiveSheet() override
        {
            owner.Record("ActiveSheet");
            return std::make_shared<Sheet>(owner);
        }
        void Quit() override { owner.Record("Quit"); }
        RecordingSpreadsheets& owner;
    };
};
