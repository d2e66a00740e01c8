#include "reports/KQReporterCode.h"

#include "catalog/Didfilefinder.h"
#include "platform/core/UiServices.h"
#include "platform/ui/Application.h"
#include "platform/ui/FileListBoxView.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>

TwReporter* wReporter = nullptr;

TwReporter::TwReporter(QWidget* parent) : QDialog(parent)
{
    setObjectName("wReporter");
    setWindowTitle("Kestrame Report");
    setFixedSize(348, 285);
    Label1 = new QLabel("Select a Report Template", this);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setGeometry(8, 8, 332, 16);
    TemplateList = new FileListBoxView(this);
    TemplateList->setGeometry(8, 28, 240, 217);
    Button1 = new QPushButton("&Make Report", this);
    Button1->setGeometry(256, 28, 84, 25);
    Button2 = new QPushButton("&Close", this);
    Button2->setGeometry(256, 60, 84, 25);
    Button3 = new QPushButton("Find", this);
    Button3->setGeometry(256, 92, 84, 25);
    cbNotify = new QCheckBox("Notify when done making report", this);
    cbNotify->setGeometry(8, 256, 332, 20);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, ShowingErrors([this] { Button3Click(); }));
    connect(TemplateList, &QListWidget::itemDoubleClicked, this, ShowingErrors([this] { TemplateListDblClick(); }));
    FormCreate();
}

std::string TwReporter::TemplateFileName() const { return TemplateList->Files().FileName(); }

bool TwReporter::NotifyWhenDone() const { return cbNotify->isChecked(); }

// Without a template folder the list stays as it was.
void TwReporter::FormCreate()
{
    TFileListBox& files = TemplateList->Files();
    files.SetMask("*.xlt");
    const std::string folder = Didfilefinder().TemplateFolder();
    if (QDir(QString::fromStdString(folder)).exists())
        files.SetDirectory(folder);
}

void TwReporter::Button3Click()
{
    FileDialogOptions options;
    options.filter = "Microsoft Excel Templates|*.xlt";
    options.defaultExt = "xls";
    if (const std::optional<FileDialogResult> chosen = Ui().OpenDialog(options))
        TemplateList->Files().SetFileName(chosen->fileName);
}

void TwReporter::TemplateListDblClick() { MakeTemplateReport(objects_, TemplateFileName(), NotifyWhenDone()); }
