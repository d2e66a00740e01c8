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
    // Operations step the bar once per item: the widget is only told when what it shows changes.
    const ShownState shown{Visible(), ShownPercent()};
    if (shown != lastShown_) {
        lastShown_ = shown;
        setRange(Min(), Max());
        setValue(Position());
        setVisible(shown.visible);
        statusControl_->setVisible(!shown.visible);
    }
    LetWindowsPaint();
}

int TMainProgressBar::ShownPercent() const
{
    const long long span = static_cast<long long>(Max()) - Min();
    return span <= 0 ? 0 : static_cast<int>((static_cast<long long>(Position()) - Min()) * 100 / span);
}

void TMainProgressBar::LetWindowsPaint()
{
    const TimePoint now = Now();
    if (now - lastPaint_ < PaintInterval)
        return;
    lastPaint_ = now;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
