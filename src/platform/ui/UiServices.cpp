#include "platform/ui/UiServices.h"

#include "platform/ui/QtUiServices.h"

namespace {

UiServices* installedUi = nullptr;

} // namespace

UiServices& Ui()
{
    if (installedUi)
        return *installedUi;
    static QtUiServices qtUi;
    return qtUi;
}

UiServices* SetUi(UiServices* ui)
{
    UiServices* previous = installedUi;
    installedUi = ui;
    return previous;
}

void ShowMessage(std::string_view text) { Ui().MessageBox(text, ApplicationTitle, MsgButtons::OK, MsgIcon::None); }
