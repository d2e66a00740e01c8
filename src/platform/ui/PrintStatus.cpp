#include "platform/ui/PrintStatus.h"

#include "platform/core/CodePage.h"
#include "platform/ui/Application.h"
#include "platform/ui/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TPrintStatus::TPrintStatus(std::function<void()> cancel, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      cancel_(std::move(cancel))
{
    setWindowTitle("Status");
    lbPrintStatus = new QLabel("Status:", this);
    PrintProgress = new QProgressBar(this);
    PrintProgress->setRange(0, 100);
    PrintProgress->setValue(0);
    Button1 = new QPushButton("Cancel", this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbPrintStatus);
    layout->addWidget(PrintProgress);
    layout->addWidget(Button1, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // The press already stops the job's loop; the release of a click or key then reports it.
    connect(Button1, &QPushButton::pressed, this, ShowingErrors(this, &TPrintStatus::Button1MouseDown));
    connect(Button1, &QPushButton::clicked, this, ShowingErrors(this, &TPrintStatus::Button1Click));
    CentreOnScreen(*this);
}

void TPrintStatus::SetStatus(const std::string& text) { lbPrintStatus->setText(toShownQString(text)); }

void TPrintStatus::StepIt() { PrintProgress->setValue(std::min(PrintProgress->value() + 1, PrintProgress->maximum())); }

void TPrintStatus::reject()
{
    if (!Button1->isHidden())
        Button1Click();
}

void TPrintStatus::closeEvent(QCloseEvent* event)
{
    // A job's own close goes through hide(); a close from outside is the user's.
    event->ignore();
    reject();
}

void TPrintStatus::Button1MouseDown()
{
    cancel_();
    QCoreApplication::processEvents();
}

void TPrintStatus::Button1Click()
{
    cancel_();
    SetStatus("Print canceled");
    QCoreApplication::processEvents();
    hide();
}
