#include "platform/ui/Application.h"

#include "platform/core/CodePage.h"
#include "platform/core/UiServices.h"
#include "platform/ui/QtPlatform.h"

#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(toQString(ApplicationTitle));
    InstallQtPlatform();
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    return ShowingExceptions([&] { return QApplication::notify(receiver, event); });
}

std::string ExceptionMessageText(std::string_view message)
{
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

void ShowException(std::string_view message)
{
    Ui().MessageBox(ExceptionMessageText(message), ApplicationTitle, MsgButtons::OK, MsgIcon::Error);
}

bool ShowingExceptions(const std::function<bool()>& deliver)
{
    try {
        return deliver();
    } catch (const std::bad_alloc&) {
        ShowException("Out of memory");
    } catch (const std::exception& error) {
        ShowException(error.what());
    } catch (...) {
        ShowException("An unknown error occurred");
    }
    return false;
}
