#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

// Every message box, input box and common dialog the program shows goes through this interface, so
// that model code needs no widget and tests can script the answers and check what was shown. The texts
// are message text, UTF-8, so that a path is quoted as the system names it: model text (Windows-1252)
// is converted where it is put into a message (Win1252ToUtf8) and an input box's answer where it
// becomes model text again (Utf8ToWin1252). ASCII texts are the same bytes either way.

enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };

enum class MsgIcon {
    None,
    Error,   // the stop sign
    Warning, // the exclamation mark
    Information,
    Question,
    Stop = Error,
    Exclamation = Warning,
};

// The values the system's message box returns, so that code comparing with them reads as before.
enum class MsgAnswer { None = 0, OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// What an open or save dialog is given. `filter` uses the class library's syntax,
// "Description|*.a;*.b|Other|*.c"; `filterIndex` counts from 1.
struct FileDialogOptions {
    std::string title;
    std::string filter;
    int filterIndex = 1;
    std::string initialDir; // paths, as the system gives them (see FilePaths.h)
    std::string fileName;
    // Without the dot; added to a typed name that has no extension when the chosen entry names none
    // of its own (the entry's first pattern, "*.vdx", gives its extension).
    std::string defaultExt;
    // A save dialog asks before a file that exists is chosen; off for a command that asks its own
    // question about it, or means to write over it without one.
    bool confirmOverwrite = true;
};

struct FileDialogResult {
    std::string fileName; // the system's path
    int filterIndex = 1;
};

// A colour as the class library keeps it: 0x00BBGGRR.
using DialogColor = std::uint32_t;

enum FontStyleBits : int { FontBold = 1, FontItalic = 2, FontUnderline = 4, FontStrikeOut = 8 };

struct FontChoice {
    std::string name = "Arial";
    int size = 10; // points
    int style = 0; // FontStyleBits
    DialogColor color = 0;
    bool operator==(const FontChoice&) const = default;
};

// The choices of the print dialog; the printer it picks becomes the program's printer.
struct PrintChoice {
    int copies = 1;
    bool collate = false;
    bool allPages = true;
    int fromPage = 1;
    int toPage = 1;
    int minPage = 1;
    int maxPage = 1;
};

// The class library's modal results; 3 to 7 are those of MsgAnswer.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

class UiServices {
public:
    virtual ~UiServices() = default;

    virtual MsgAnswer MessageBox(std::string_view text, std::string_view caption, MsgButtons buttons, MsgIcon icon) = 0;
    // The text the user confirmed; nothing when the user cancels.
    virtual std::optional<std::string> InputQuery(std::string_view caption, std::string_view prompt,
                                                  std::string_view defaultValue) = 0;
    // Cancel returns `defaultValue`, as the class library's input box does.
    std::string InputBox(std::string_view caption, std::string_view prompt, std::string_view defaultValue)
    {
        return InputQuery(caption, prompt, defaultValue).value_or(std::string(defaultValue));
    }
    // Nothing when the user cancels.
    virtual std::optional<FileDialogResult> OpenDialog(const FileDialogOptions& options) = 0;
    virtual std::optional<FileDialogResult> SaveDialog(const FileDialogOptions& options) = 0;
    virtual std::optional<DialogColor> ColorDialog(DialogColor initial) = 0;
    virtual std::optional<FontChoice> FontDialog(const FontChoice& initial) = 0;
    // False when the user cancels; else `choice` holds what was chosen.
    virtual bool PrintDialog(PrintChoice& choice) = 0;
    virtual bool PrinterSetupDialog() = 0;
    // The class library's ShowModal: shows `window` and waits until it closes or is given a modal result,
    // the top-level windows visible at the start disabled meanwhile. A window already shown comes to the
    // front and is waited for alike. Closing without a result gives mrCancel.
    virtual int ShowModal(QWidget& window) = 0;
};

// The process-wide services: the one installed by SetUi, else the default (the Qt dialogs once the
// windowing layer is set up). Without either, raises Exception.
UiServices& Ui();
// Installs `ui` (not owned) for the whole process; nullptr restores the default. Returns the one
// installed before (nullptr for the default).
UiServices* SetUi(UiServices* ui);
// The services used when none is installed (not owned); the windowing layer sets its dialogs here.
void SetDefaultUi(UiServices* ui);

// The product name, the caption of every box that names no other.
inline constexpr std::string_view ApplicationTitle = "Kestrame";

// The class library's ShowMessage: the text, the application's title, an OK button, no icon.
void ShowMessage(std::string_view text);
// An input box over model text: the default is shown and the answer given back in Windows-1252;
// Cancel gives the default.
std::string ModelTextInputBox(std::string_view caption, std::string_view prompt, std::string_view defaultText);
