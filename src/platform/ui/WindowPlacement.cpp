#include "platform/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

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

void MoveOnScreen(QWidget& window, const QPoint& topLeft)
{
    const QScreen* screen = QGuiApplication::screenAt(topLeft);
    if (!screen)
        screen = window.screen();
    if (!screen) {
        window.move(topLeft);
        return;
    }
    const QRect area = screen->availableGeometry();
    // The frame the window manager adds, known once the window has been on the screen.
    const QSize frame = window.frameGeometry().size() - window.size();
    window.resize(window.size().boundedTo(area.size() - frame));
    const QSize outer = window.size() + frame;
    // A window kept larger by its minimum size shows its top left corner.
    window.move(std::max(area.left(), std::min(topLeft.x(), area.left() + area.width() - outer.width())),
                std::max(area.top(), std::min(topLeft.y(), area.top() + area.height() - outer.height())));
}
