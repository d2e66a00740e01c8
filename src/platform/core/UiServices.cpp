#include "platform/core/UiServices.h"

#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"

namespace {

UiServices* installedUi = nullptr;
UiServices* defaultUi = nullptr;

} // namespace

UiServices& Ui()
{
    if (installedUi)
        return *installedUi;
    if (defaultUi)
        return *defaultUi;
    // Code that can show a message runs only after the windowing layer or a test has installed one.
    throw Exception("No message boxes can be shown: the user interface is not set up.");
}

UiServices* SetUi(UiServices* ui)
{
    UiServices* previous = installedUi;
    installedUi = ui;
    return previous;
}

void SetDefaultUi(UiServices* ui) { defaultUi = ui; }

void ShowMessage(std::string_view text) { Ui().MessageBox(text, ApplicationTitle, MsgButtons::OK, MsgIcon::None); }

std::string ModelTextInputBox(std::string_view caption, std::string_view prompt, std::string_view defaultText)
{
    return Utf8ToWin1252(Ui().InputBox(caption, prompt, Win1252ToUtf8(defaultText)));
}
