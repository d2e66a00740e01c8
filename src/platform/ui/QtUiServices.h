#pragma once

#include "platform/core/UiServices.h"

#include <Qt>

#include <memory>

class QPrinter;
class QWidget;

// UiServices shown with Qt's own boxes and dialogs, over the application's active window.
class QtUiServices : public UiServices {
public:
    QtUiServices();
    ~QtUiServices() override;

    // The printer the print and printer-setup dialogs configure: the program's printer.
    QPrinter& Printer();

    MsgAnswer MessageBox(std::string_view text, std::string_view caption, MsgButtons buttons, MsgIcon icon) override;
    std::optional<std::string> InputQuery(std::string_view caption, std::string_view prompt,
                                          std::string_view defaultValue) override;
    std::optional<FileDialogResult> OpenDialog(const FileDialogOptions& options) override;
    std::optional<FileDialogResult> SaveDialog(const FileDialogOptions& options) override;
    std::optional<DialogColor> ColorDialog(DialogColor initial) override;
    std::optional<FontChoice> FontDialog(const FontChoice& initial) override;
    bool PrintDialog(PrintChoice& choice) override;
    bool PrinterSetupDialog() override;
    int ShowModal(QWidget& window) override;

private:
    std::optional<FileDialogResult> FileDialog(const FileDialogOptions& options, bool save);
};

// The program's one printer, which the print and printer-setup dialogs configure and print jobs use.
QPrinter& ProgramPrinter();

// The window dialogs belong to: the active window, else none.
QWidget* DialogParent();
// Makes the window transient for the owner's window, so that the window manager keeps it above that
// window; nothing where that would make a window its own owner.
void KeepAboveOwner(QWidget& window, QWidget& owner);
// The frame of a main window the program shows modally: a dialog-type top level, the type the window
// manager keeps above the window it blocks, with a maximise button of its own.
inline constexpr Qt::WindowFlags ModalWindowFrame = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                    Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;
