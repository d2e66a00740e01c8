#include "app/MainProgressBar.h"

#include <QCoreApplication>

namespace {

constexpr auto PaintInterval = std::chrono::milliseconds(50);

} // namespace

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
    LetWindowsPaint();
}

void TMainProgressBar::LetWindowsPaint()
{
    const TimePoint now = Now();
    if (now - lastPaint_ < PaintInterval)
        return;
    lastPaint_ = now;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
