#include "platform/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

void MoveToScreenCentre(QWidget& window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
}

} // namespace

void CentreOnScreen(QWidget& window)
{
    window.adjustSize();
    MoveToScreenCentre(window);
}

void CentreOnScreen(QWidget& window, const QSize& size)
{
    window.resize(size);
    MoveToScreenCentre(window);
}
