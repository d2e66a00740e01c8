#include "platform/services/CalcAutomation.h"

#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/TextUtils.h"

#include <QDir>
#include <QJsonArray>

#include <cstdlib>

namespace {

// One office and the bridge that drives it, shared by the application and the objects reached
// through it.
struct CalcOffice {
    CalcOffice(const std::string& bridgePath, CalcDeadlines deadlines) : bridge(bridgePath), deadlines(deadlines) {}

    QJsonValue Call(const QJsonObject& request) { return bridge.Call(request, deadlines.call); }

    CalcBridgeClient bridge;
    CalcDeadlines deadlines;
    bool quit = false;
};

// Model text as the bridge takes it.
QString OfficeText(const std::string& text) { return QString::fromStdString(Win1252ToUtf8(text)); }

[[noreturn]] void NoValue() { throw EOleException("The office answered a value of an unknown kind."); }

Variant CellValue(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null:
        return {};
    case QJsonValue::Double:
        return Variant::Double(value.toDouble());
    case QJsonValue::Bool:
        return Variant::Boolean(value.toBool());
    case QJsonValue::String:
        return Variant::Text(value.toString().toStdU16String());
    case QJsonValue::Object:
        if (const QJsonValue date = value.toObject().value("date"); date.isDouble())
            return Variant::Date(date.toDouble());
        NoValue();
    default:
        NoValue();
    }
}

class CalcSheet : public SpreadsheetSheet, public std::enable_shared_from_this<CalcSheet> {
public:
    CalcSheet(std::shared_ptr<CalcOffice> office, int number) : office_(std::move(office)), number_(number) {}
    std::shared_ptr<SpreadsheetCell> Cells(int row, int col) override;
    std::vector<std::vector<Variant>> Values(int row1, int col1, int row2, int col2) override;
    std::shared_ptr<SpreadsheetRange> Range(const std::string& first, const std::string& last) override;
    void SetValue(int row, int col, const QString& text)
    {
        office_->Call({{"call", "setValue"}, {"sheet", number_}, {"cell", QJsonArray{row, col}}, {"text", text}});
    }
    void SetText(int row, int col, const QString& text)
    {
        office_->Call({{"call", "setText"}, {"sheet", number_}, {"cell", QJsonArray{row, col}}, {"text", text}});
    }

private:
    std::shared_ptr<CalcOffice> office_;
    int number_;
};

class CalcCell : public SpreadsheetCell {
public:
    CalcCell(std::shared_ptr<CalcSheet> sheet, int row, int col) : sheet_(std::move(sheet)), row_(row), col_(col) {}
    Variant Value() override { return sheet_->Values(row_, col_, row_, col_)[0][0]; }
    void SetValue(const std::string& text) override { sheet_->SetValue(row_, col_, OfficeText(text)); }
    void SetSystemText(const std::string& text) override { sheet_->SetText(row_, col_, QString::fromStdString(text)); }

private:
    std::shared_ptr<CalcSheet> sheet_;
    int row_, col_;
};

std::shared_ptr<SpreadsheetCell> CalcSheet::Cells(int row, int col)
{
    return std::make_shared<CalcCell>(shared_from_this(), row, col);
}

// A range is numbered by the bridge, which keeps it as long as the office runs.
class CalcRange : public SpreadsheetRange, public std::enable_shared_from_this<CalcRange> {
public:
    CalcRange(std::shared_ptr<CalcOffice> office, int number) : office_(std::move(office)), number_(number) {}

    void Copy(SpreadsheetRange& destination) override
    {
        const auto* target = dynamic_cast<const CalcRange*>(&destination);
        if (!target || target->office_ != office_)
            throw EOleException("The destination is no range of this office.");
        office_->Call({{"call", "copy"}, {"range", number_}, {"destination", target->number_}});
    }
    std::shared_ptr<SpreadsheetColumns> Columns() override;
    void AutoFit() { office_->Call({{"call", "autofit"}, {"range", number_}}); }

private:
    std::shared_ptr<CalcOffice> office_;
    int number_;
};

class CalcColumns : public SpreadsheetColumns {
public:
    explicit CalcColumns(std::shared_ptr<CalcRange> range) : range_(std::move(range)) {}
    void AutoFit() override { range_->AutoFit(); }

private:
    std::shared_ptr<CalcRange> range_;
};

std::shared_ptr<SpreadsheetColumns> CalcRange::Columns() { return std::make_shared<CalcColumns>(shared_from_this()); }

int Number(const QJsonValue& value)
{
    if (!value.isDouble())
        NoValue();
    return value.toInt();
}

std::shared_ptr<SpreadsheetRange> CalcSheet::Range(const std::string& first, const std::string& last)
{
    const QJsonValue number = office_->Call(
        {{"call", "range"}, {"sheet", number_}, {"first", OfficeText(first)}, {"last", OfficeText(last)}});
    return std::make_shared<CalcRange>(office_, Number(number));
}

std::vector<std::vector<Variant>> CalcSheet::Values(int row1, int col1, int row2, int col2)
{
    if (row1 < 1 || col1 < 1 || row2 < row1 || col2 < col1)
        throw EOleException("Invalid cell range.");
    const QJsonValue reply =
        office_->Call({{"call", "values"}, {"sheet", number_}, {"range", QJsonArray{row1, col1, row2, col2}}});
    const QJsonArray rows = reply.toArray();
    if (rows.size() != row2 - row1 + 1)
        NoValue();
    std::vector<std::vector<Variant>> values;
    values.reserve(static_cast<size_t>(rows.size()));
    for (const QJsonValue& row : rows) {
        const QJsonArray cells = row.toArray();
        if (cells.size() != col2 - col1 + 1)
            NoValue();
        std::vector<Variant>& line = values.emplace_back();
        line.reserve(static_cast<size_t>(cells.size()));
        for (const QJsonValue& cell : cells)
            line.push_back(CellValue(cell));
    }
    return values;
}

class CalcWorkbooks : public SpreadsheetWorkbooks {
public:
    explicit CalcWorkbooks(std::shared_ptr<CalcOffice> office) : office_(std::move(office)) {}
    // The office's own failures name the file; a bridge that did not answer in time names nothing.
    void Open(const std::string& path) override
    {
        try {
            office_->Call({{"call", "open"}, {"path", PathToQString(path)}});
        } catch (const EOleException& error) {
            if (!office_->bridge.Failed())
                throw;
            throw EOleException("The office could not load " + path + ": " + error.Message());
        }
    }

private:
    std::shared_ptr<CalcOffice> office_;
};

class CalcApplication : public SpreadsheetApplication {
public:
    explicit CalcApplication(std::shared_ptr<CalcOffice> office) : office_(std::move(office)) {}

    std::shared_ptr<SpreadsheetWorkbooks> Workbooks() override { return std::make_shared<CalcWorkbooks>(office_); }
    void SetVisible(bool visible) override { office_->Call({{"call", "visible"}, {"value", visible}}); }

    std::shared_ptr<SpreadsheetSheet> ActiveSheet() override
    {
        return std::make_shared<CalcSheet>(office_, Number(office_->Call({{"call", "activeSheet"}})));
    }

    void Quit() override
    {
        // A bridge that was killed took its office with it.
        if (office_->quit || office_->bridge.Failed())
            return;
        office_->quit = true;
        office_->Call({{"call", "quit"}});
        office_->bridge.WaitForEnd(office_->deadlines.call);
    }

private:
    std::shared_ptr<CalcOffice> office_;
};

} // namespace

std::shared_ptr<SpreadsheetApplication> CalcAutomation::CreateApplication(const std::string& progId)
{
    return Start(progId, {{"call", "start"}});
}

// Tests and machines without a display set KESTRAME_CALC_HEADLESS=1: the user's office then shows
// nothing.
std::shared_ptr<SpreadsheetApplication> CalcAutomation::CreateUserApplication(const std::string& progId)
{
    const char* headless = std::getenv("KESTRAME_CALC_HEADLESS");
    const std::string& folder = UserSpreadsheetFolder();
    return Start(progId, {{"call", "startUser"},
                          {"folder", folder.empty() ? QDir::tempPath() : PathToQString(folder)},
                          {"headless", headless && std::string(headless) == "1"}});
}

std::shared_ptr<SpreadsheetApplication> CalcAutomation::Start(const std::string& progId, const QJsonObject& request)
{
    if (!SameText(progId, "excel.application"))
        throw EOleException("Invalid class string");
    auto office = std::make_shared<CalcOffice>(CalcBridgePath(), deadlines_);
    office->bridge.Call(request, deadlines_.start);
    return std::make_shared<CalcApplication>(std::move(office));
}
