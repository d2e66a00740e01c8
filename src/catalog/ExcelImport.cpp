#include "catalog/ExcelImport.h"

#include "catalog/CatalogManager.h"
#include "catalog/ExcellClass.h"
#include "platform/core/CodePage.h"
#include "platform/core/Numbers.h"
#include "platform/ui/Application.h"
#include "platform/ui/WindowPlacement.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TExcelImporter* ExcelImporter = nullptr;

StepProgressBar::StepProgressBar(QWidget* parent) : QProgressBar(parent)
{
    setTextVisible(false);
    SetStep(1);
    Changed();
}

void StepProgressBar::Changed()
{
    setRange(Min(), Max());
    setValue(Position());
}

TExcelImporter::TExcelImporter(CatalogManager& manager, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), manager_(manager)
{
    setObjectName("ExcelImporter");
    setWindowTitle("Excel Importer");
    Label1 = new QLabel("Import rows 1 to:", this);
    edRow = new QLineEdit("1", this);
    edRow->setObjectName("edRow");
    Label2 = new QLabel("Import columns 1 to:", this);
    edCol = new QLineEdit("1", this);
    edCol->setObjectName("edCol");
    Button1 = new QPushButton("Import", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("Cancel", this);
    Button2->setObjectName("Button2");
    ProgressBar1 = new StepProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    OpenDialog1.title = "Import Excel";
    OpenDialog1.filter = "Excel (*.xls)|*.xls";
    OpenDialog1.defaultExt = "xls";

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(edRow, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(edCol, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);
    connect(Button1, &QPushButton::clicked, this, ShowingErrors(this, &TExcelImporter::Button1Click));
    connect(Button2, &QPushButton::clicked, this, &TExcelImporter::Button2Click);
    CentreOnScreen(*this);
}

void TExcelImporter::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TExcelImporter::FormShow() { ProgressBar1->SetPosition(0); }

void TExcelImporter::Button1Click()
{
    const std::optional<FileDialogResult> choice = Ui().OpenDialog(OpenDialog1);
    if (!choice)
        return;
    const int rows = StrToInt(fromQString(edRow->text()));
    const int columns = StrToInt(fromQString(edCol->text()));
    if (ExcelSheetReader().ReadIntoGrid(manager_.Grid, *ProgressBar1, choice->fileName, rows, columns)) {
        manager_.modified = true;
        manager_.AutoFitColumns();
    }
    close();
}

void TExcelImporter::Button2Click() { close(); }
