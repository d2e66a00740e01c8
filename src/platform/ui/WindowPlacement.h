#pragma once

class QSize;
class QWidget;

// Sizes the window to its contents and puts it in the middle of the primary screen.
void CentreOnScreen(QWidget& window);
// The same for a window of the given size.
void CentreOnScreen(QWidget& window, const QSize& size);
