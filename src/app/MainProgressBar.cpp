#include "app/MainProgressBar.h"

TMainProgressBar::TMainProgressBar(QWidget* statusControl, QWidget* parent)
    : QProgressBar(parent), statusControl_(statusControl)
{
    setTextVisible(false);
    SetStep(1);
}

void TMainProgressBar::Changed()
{
    setRange(Min(), Max());
    setValue(Position());
    setVisible(Visible());
    statusControl_->setVisible(!Visible());
}
