#pragma once

class QPoint;
class QSize;
class QWidget;

// Sizes the window to its contents and puts it in the middle of the primary screen.
void CentreOnScreen(QWidget& window);
// The same for a window of the given size.
void CentreOnScreen(QWidget& window, const QSize& size);
// Moves the window's frame to `topLeft`, or as near to it as keeps the whole window on the screen
// that holds that point; a window larger than that screen is made to fit it.
void MoveOnScreen(QWidget& window, const QPoint& topLeft);
