#include "reports/qReportsCode.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/CodePage.h"
#include "platform/core/UiServices.h"
#include "platform/ui/Application.h"
#include "platform/ui/QtUiServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextFormat>
#include <QTextOption>
#include <QVBoxLayout>

TqReports* qReports = nullptr;

TqReports::TqReports(std::function<PlanogramDocument*()> activeDocument, QWidget* parent)
    : QDialog(parent), activeDocument_(std::move(activeDocument))
{
    setObjectName("qReports");
    setWindowTitle("Quick Reports");
    setGeometry(208, 168, 696, 480);
    setWindowState(Qt::WindowMaximized);
    setFont(QFont("MS Sans Serif"));

    Panel1 = new QFrame(this);
    Panel1->setFixedHeight(57);
    Label1 = new QLabel("Report Type", Panel1);
    cbReportType = new QComboBox(Panel1);
    cbReportType->setEditable(true);
    cbReportType->setInsertPolicy(QComboBox::NoInsert);
    cbReportType->addItems({"Product Listing", "Investment and Profit", "Space Usage", "Fixture Listing",
                            "Sales Ranked by Units Moved", "Sales Ranked by Turnover", "Sales Ranked by Profit"});
    Button1 = new QPushButton("Save", Panel1);
    Button2 = new QPushButton("Print", Panel1);
    Button3 = new QPushButton("Make Report", Panel1);
    cbFitDescription = new QCheckBox("Force fit description", Panel1);
    cbFitDescription->setChecked(true);
    auto* controls = new QHBoxLayout(Panel1);
    for (QWidget* control :
         std::initializer_list<QWidget*>{Label1, cbReportType, Button3, Button1, Button2, cbFitDescription})
        controls->addWidget(control);
    controls->addStretch();

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setAcceptRichText(false);
    RichEdit1->setTabChangesFocus(false);
    RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font("Arial");
    font.setPixelSize(13);
    RichEdit1->setFont(font);
    report_.lines = {"Kestrame Quick Reports", "",
                     "To make a report select a report type and the click on the Make Report button."};
    ShowReport();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel1);
    layout->addWidget(RichEdit1);

    connect(Button1, &QPushButton::clicked, this, ShowingErrors([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ShowingErrors([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ShowingErrors([this] { Button3Click(); }));
}

void TqReports::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TqReports::FormShow() { cbReportType->setCurrentIndex(0); }

int TqReports::ChosenReport() const
{
    const int index = cbReportType->currentIndex();
    return index >= 0 && cbReportType->currentText() == cbReportType->itemText(index) ? index : -1;
}

void TqReports::Button3Click()
{
    switch (ChosenReport()) {
    case 0:
        MakeProductListing();
        break;
    case 1:
        MakeInvestmentProfit();
        break;
    case 2:
        MakeSpaceUsage();
        break;
    case 3:
        MakeFixtureListing();
        break;
    case 4:
    case 5:
    case 6:
        MakeSalesRanking(ChosenReport() - 4);
        break;
    default:
        break;
    }
}

void TqReports::Generate(const std::function<void(QuickReports&)>& make)
{
    generators_.document = activeDocument_();
    generators_.fitDescription = cbFitDescription->isChecked();
    // Without a planogram the view keeps what it shows, the user's edits included.
    if (!generators_.document)
        return;
    make(generators_);
    ShowReport();
}

void TqReports::MakeProductListing() { Generate(&QuickReports::MakeProductListing); }
void TqReports::MakeInvestmentProfit() { Generate(&QuickReports::MakeInvestmentProfit); }
void TqReports::MakeSpaceUsage() { Generate(&QuickReports::MakeSpaceUsage); }
void TqReports::MakeSpaceUsageForPdf() { Generate(&QuickReports::MakeSpaceUsageForPdf); }
void TqReports::MakeFixtureListing() { Generate(&QuickReports::MakeFixtureListing); }
void TqReports::MakeSalesRanking(int kind)
{
    Generate([kind](QuickReports& generators) { generators.MakeSalesRanking(kind); });
}

// The report's tab stops are in points; the view places them in its own pixels.
void TqReports::ShowReport()
{
    if (report_.fontSize > 0) {
        QFont font(toQString(report_.fontName));
        font.setPointSize(report_.fontSize);
        RichEdit1->setFont(font);
    }
    QStringList lines;
    for (const std::string& line : report_.lines)
        lines.append(toQString(line));
    RichEdit1->setPlainText(lines.join('\n'));
    // The editor lays each paragraph out at its own format's stops, as a rich edit does.
    QList<QTextOption::Tab> tabs;
    const double pixelsPerPoint = RichEdit1->logicalDpiX() / 72.0;
    for (int stop : report_.tabStops)
        tabs.append(QTextOption::Tab(stop * pixelsPerPoint, QTextOption::LeftTab));
    QTextBlockFormat format;
    format.setTabPositions(tabs);
    QTextCursor cursor(RichEdit1->document());
    cursor.select(QTextCursor::Document);
    cursor.mergeBlockFormat(format);
}

std::vector<std::string> TqReports::Lines() const
{
    std::vector<std::string> lines;
    for (QTextBlock block = RichEdit1->document()->begin(); block.isValid(); block = block.next())
        lines.push_back(fromQString(block.text()));
    return lines;
}

void TqReports::Button1Click()
{
    FileDialogOptions options;
    options.filter = "Text File (*.txt)|*.txt";
    options.defaultExt = "txt";
    const std::optional<FileDialogResult> chosen = Ui().SaveDialog(options);
    if (!chosen)
        return;
    TextFileWriter file(chosen->fileName);
    for (const std::string& line : Lines())
        file.WriteLine(line);
    file.Commit();
}

void TqReports::Button2Click()
{
    PrintChoice choice;
    if (!Ui().PrintDialog(choice))
        return;
    QPrinter& printer = ProgramPrinter();
    printer.setDocName(QString());
    RichEdit1->document()->print(&printer);
}
