#include "platform/ui/QtPlatform.h"

#include "platform/core/Seams.h"
#include "platform/ui/QtUiServices.h"

#include <QApplication>
#include <QScreen>

namespace {

std::optional<int> PrimaryScreenDepth()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return screen->depth();
    return std::nullopt;
}

} // namespace

void InstallQtPlatform()
{
    static QtUiServices qtUi;
    SetDefaultUi(&qtUi);
    SetScreenDefaults(ScreenDefaults{[] { QApplication::beep(); }, PrimaryScreenDepth});
}
