#pragma once

class QWidget;

// What a window shown by UiServices::ShowModal answers: the class library's ModalResult. Setting one
// closes the window; a window that refuses to close (its close handler ignores the event) keeps no
// result and stays.
void SetModalResult(QWidget& window, int result);
// The result set since the window was last shown modally (mrNone without one). A dialog closed by
// accept() answers mrOk; any other close gives mrCancel.
int ModalResultOf(const QWidget& window);
// Forgets the result, before the window is shown modally again.
void ClearModalResult(QWidget& window);
