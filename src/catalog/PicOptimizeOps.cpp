#include "catalog/PicOptimizeOps.h"

#include "platform/ui/WindowPlacement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmPicOptimizeOps* frmPicOptimizeOps = nullptr;

TfrmPicOptimizeOps::TfrmPicOptimizeOps(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle("Picture Optimze");
    setModal(true);
    cbSide = new QComboBox(this);
    cbSide->addItems({"Front", "Side", "Top"});
    cbSide->setCurrentIndex(0);
    cbUnit = new QComboBox(this);
    cbUnit->addItems({"cm", "inches"});
    cbUnit->setCurrentIndex(0);
    edWidth = new QLineEdit(this);
    edHeight = new QLineEdit(this);
    edDepth = new QLineEdit(this);
    cbBLScale = new QCheckBox("Bilinear Scaling", this);
    cbBLScale->setChecked(true);
    Button1 = new QPushButton("&Optimize", this);
    Button2 = new QPushButton("&Cancel", this);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow("Select Side:", cbSide);
    form->addRow("Unit of Measurement:", cbUnit);
    form->addRow("Width:", edWidth);
    form->addRow("Height:", edHeight);
    form->addRow("Depth:", edDepth);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(cbBLScale);
    layout->addLayout(buttons);
    CentreOnScreen(*this);
}

void TfrmPicOptimizeOps::SetUnitBeforeFirstShowing(bool inches)
{
    if (!shown_)
        cbUnit->setCurrentIndex(inches ? 1 : 0);
}

void TfrmPicOptimizeOps::showEvent(QShowEvent* event)
{
    shown_ = true;
    QDialog::showEvent(event);
}
