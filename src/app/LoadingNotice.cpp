#include "app/LoadingNotice.h"

#include "platform/ui/WindowPlacement.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TfrmLoading* frmLoading = nullptr;

TfrmLoading::TfrmLoading(QWidget* parent) : QDialog(parent, Qt::Tool)
{
    setWindowTitle("Kestrame");
    Label1 = new QLabel("Loading product data...", this);
    Button1 = new QPushButton("&Close", this);
    Button1->setDefault(true);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Button1);
    connect(Button1, &QPushButton::clicked, this, &QDialog::close);
    CentreOnScreen(*this);
}
