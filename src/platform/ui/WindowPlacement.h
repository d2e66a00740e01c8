#pragma once

class QWidget;

// Sizes the window to its contents and puts it in the middle of the primary screen.
void CentreOnScreen(QWidget& window);
