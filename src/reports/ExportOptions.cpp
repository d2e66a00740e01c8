#include "reports/ExportOptions.h"

#include "platform/core/CodePage.h"
#include "platform/core/Numbers.h"
#include "platform/ui/Application.h"
#include "platform/ui/WindowPlacement.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

TExportOptions* ExportOptions = nullptr;

namespace {

// A titled group of exclusive choices, numbered from 0 in the button group.
QGroupBox* RadioGroup(QWidget* parent, const char* name, const char* caption, const QStringList& items, int itemIndex,
                      QButtonGroup*& buttons)
{
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(name);
    buttons = new QButtonGroup(group);
    auto* layout = new QVBoxLayout(group);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], group);
        buttons->addButton(button, i);
        layout->addWidget(button);
    }
    buttons->button(itemIndex)->setChecked(true);
    return group;
}

QLabel* Label(QWidget* parent, const char* name, const char* caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

TExportOptions::TExportOptions(QWidget* parent) : QDialog(parent)
{
    setObjectName("ExportOptions");
    setWindowTitle("Export Options");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    Button1 = new QPushButton("&Export", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("&Cancel", this);
    Button2->setObjectName("Button2");
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    ExportPage = new QTabWidget(this);
    ExportPage->setObjectName("ExportPage");
    CreateWebTab();
    CreateJPEGTab();
    CreateTIFFTab();
    ExportPage->setCurrentWidget(WebTab);

    opHiRes = new QRadioButton("Hi-resolution", this);
    opHiRes->setObjectName("opHiRes");
    opLowRes = new QRadioButton("Low-resolution", this);
    opLowRes->setObjectName("opLowRes");
    opLowRes->setChecked(true);
    connect(opHiRes, &QRadioButton::clicked, this, ShowingErrors(this, &TExportOptions::opHiResClick));
    connect(opLowRes, &QRadioButton::clicked, this, ShowingErrors(this, &TExportOptions::opLowResClick));

    auto* layout = new QVBoxLayout(this);
    auto* resolution = new QHBoxLayout;
    resolution->addWidget(opHiRes);
    resolution->addWidget(opLowRes);
    layout->addLayout(resolution);
    layout->addWidget(ExportPage);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    layout->addLayout(buttons);
    CentreOnScreen(*this, QSize(300, 254));
}

void TExportOptions::CreateWebTab()
{
    WebTab = new QWidget(ExportPage);
    WebTab->setObjectName("WebTab");
    GroupBox1 = new QGroupBox("Include following", WebTab);
    GroupBox1->setObjectName("GroupBox1");
    ckProductPages = new QCheckBox("Web pages and links for each product", GroupBox1);
    ckProductPages->setObjectName("ckProductPages");
    ckProductPages->setChecked(true);
    connect(ckProductPages, &QCheckBox::clicked, this, ShowingErrors(this, &TExportOptions::ckProductPagesClick));
    Label4 = Label(GroupBox1, "Label4", "Scale product pictures to be no larger than:");
    edMaxW = new QLineEdit("150", GroupBox1);
    edMaxW->setObjectName("edMaxW");
    edMaxW->setFixedWidth(48);
    Label6 = Label(GroupBox1, "Label6", "pixels wide and high");
    auto* size = new QHBoxLayout;
    size->addWidget(edMaxW);
    size->addWidget(Label6);
    size->addStretch();
    auto* group = new QVBoxLayout(GroupBox1);
    group->addWidget(ckProductPages);
    group->addWidget(Label4);
    group->addLayout(size);
    auto* layout = new QVBoxLayout(WebTab);
    layout->addWidget(GroupBox1);
    ExportPage->addTab(WebTab, "&Web Page Options");
}

void TExportOptions::CreateJPEGTab()
{
    JPEGTab = new QWidget(ExportPage);
    JPEGTab->setObjectName("JPEGTab");
    Label1 = Label(JPEGTab, "Label1", "Image Quality / File Size");
    Label3 = Label(JPEGTab, "Label3", "Quality:");
    edQuality = new QLineEdit("80", JPEGTab);
    edQuality->setObjectName("edQuality");
    edQuality->setReadOnly(true);
    edQuality->setFixedWidth(40);
    JPEGQuality = new QSlider(Qt::Horizontal, JPEGTab);
    JPEGQuality->setObjectName("JPEGQuality");
    JPEGQuality->setRange(1, 100);
    JPEGQuality->setTickInterval(10);
    JPEGQuality->setTickPosition(QSlider::TicksBelow);
    JPEGQuality->setValue(80);
    connect(JPEGQuality, &QSlider::valueChanged, this, ShowingErrors(this, &TExportOptions::JPEGQualityChange));
    Label2 = Label(JPEGTab, "Label2", "Low/Small");
    JStatus = Label(JPEGTab, "JStatus", "Hi /Large");
    opProgressive = RadioGroup(JPEGTab, "opProgressive", "Format Options", {"Baseline (Standard)", "Progressive"}, 1,
                               opProgressiveItems);
    auto* layout = new QGridLayout(JPEGTab);
    layout->addWidget(Label1, 0, 0, 1, 3);
    layout->addWidget(Label3, 1, 0);
    layout->addWidget(edQuality, 1, 1);
    layout->addWidget(Label2, 2, 0);
    layout->addWidget(JPEGQuality, 2, 1);
    layout->addWidget(JStatus, 2, 2);
    layout->addWidget(opProgressive, 3, 0, 1, 3);
    ExportPage->addTab(JPEGTab, "&JPEG Options");
}

void TExportOptions::CreateTIFFTab()
{
    TIFFTab = new QWidget(ExportPage);
    TIFFTab->setObjectName("TIFFTab");
    RadioGroup3 = RadioGroup(TIFFTab, "RadioGroup3", "Byte Order", {"&IBM PC", "&Macintosh"}, 0, RadioGroup3Items);
    auto* layout = new QVBoxLayout(TIFFTab);
    layout->addWidget(RadioGroup3);
    ExportPage->addTab(TIFFTab, "&TIFF Options");
}

void TExportOptions::PrepareFor(int filterIndex)
{
    opLowRes->setEnabled(true);
    opHiRes->setEnabled(true);
    ExportPage->setTabEnabled(ExportPage->indexOf(TIFFTab), true);
    ExportPage->setVisible(true);
    switch (filterIndex) {
    case etJPEG:
        ExportPage->setCurrentWidget(JPEGTab);
        break;
    case etBitmap:
    case etTarga:
        ExportPage->setVisible(false);
        break;
    case etTIFF:
        ExportPage->setCurrentWidget(TIFFTab);
        break;
    case etWebPage:
        ExportPage->setCurrentWidget(WebTab);
        opLowRes->setChecked(true);
        opLowRes->setEnabled(false);
        opHiRes->setEnabled(false);
        ExportPage->setTabEnabled(ExportPage->indexOf(TIFFTab), false);
        break;
    default:
        break;
    }
}

ExportSettings TExportOptions::Settings() const
{
    ExportSettings settings;
    settings.highResolution = !opLowRes->isChecked();
    settings.jpegQuality = Atoi(fromQString(edQuality->text()));
    settings.progressive = opProgressiveItems->checkedId() == 1;
    settings.macintoshByteOrder = RadioGroup3Items->checkedId() == 1;
    settings.web.productPages = ckProductPages->isChecked();
    settings.web.maxWidth = fromQString(edMaxW->text());
    return settings;
}

void TExportOptions::JPEGQualityChange() { edQuality->setText(QString::number(JPEGQuality->value())); }

void TExportOptions::opHiResClick() { opLowRes->setChecked(false); }

void TExportOptions::opLowResClick() { opHiRes->setChecked(false); }

void TExportOptions::ckProductPagesClick() { edMaxW->setEnabled(ckProductPages->isChecked()); }
