#include "platform/ui/Application.h"

#include "platform/core/CodePage.h"
#include "platform/core/Termination.h"
#include "platform/core/UiServices.h"
#include "platform/ui/QtPlatform.h"

#include <QKeyEvent>
#include <QSocketNotifier>
#include <QWidget>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <exception>

namespace {

constexpr const char* HelpContextProperty = "helpContext";

struct HelpState {
    std::string fileName;
    HelpHandler handler;
};

HelpState& Help()
{
    static HelpState state;
    return state;
}

// F1 on its way to a widget becomes a context request; the key goes no further either way.
class HelpKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1 ||
            !watched->isWidgetType())
            return false;
        QWidget* widget = QApplication::focusWidget();
        if (widget == nullptr)
            widget = static_cast<QWidget*>(watched);
        if (const int context = HelpContextOf(widget); context != 0)
            ShowingExceptions([&] { return TApplication::HelpContext(static_cast<std::uint32_t>(context)); });
        return true;
    }
};

// The signal handler writes a byte here; the event loop reads it.
int terminationPipe[2] = {-1, -1};

void TerminationRequested(int)
{
    const int savedErrno = errno;
    // A database read blocking the window thread is cancelled, so that the loop hears the byte.
    NoteTerminationRequest();
    const char byte = 0;
    static_cast<void>(::write(terminationPipe[1], &byte, 1));
    errno = savedErrno;
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(toQString(ApplicationTitle));
    InstallQtPlatform();
    InstallHelpKey(*this);
    EndOnTerminationSignals();
}

void TApplication::EndOnTerminationSignals()
{
    // Without the pipe the signals keep their default effect: nothing is lost that was not before.
    if (::pipe2(terminationPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    // The byte stays unread, so that the request stands until the main loop has ended, also when it
    // came before that loop began (which forgets earlier requests to leave).
    auto* notifier = new QSocketNotifier(terminationPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] { QCoreApplication::exit(0); });
    struct sigaction action {};
    action.sa_handler = TerminationRequested;
    sigemptyset(&action.sa_mask);
    // A second signal ends the program at once, should the first not be heard.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
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

const std::string& TApplication::HelpFile() { return Help().fileName; }

void TApplication::SetHelpFile(std::string fileName) { Help().fileName = std::move(fileName); }

const HelpHandler& TApplication::OnHelp() { return Help().handler; }

void TApplication::SetOnHelp(HelpHandler handler) { Help().handler = std::move(handler); }

bool TApplication::HelpContext(std::uint32_t context) { return HelpCommand(HELP_CONTEXT, context); }

bool TApplication::HelpCommand(std::uint16_t command, std::uint32_t data)
{
    // Copied, since a handler may replace itself while it runs.
    const HelpHandler handler = Help().handler;
    if (!handler)
        return false;
    bool callHelp = true;
    const bool result = handler(command, data, callHelp);
    return result && !callHelp;
}

void TApplication::InstallHelpKey(QCoreApplication& application)
{
    application.installEventFilter(new HelpKeyFilter(&application));
}

void SetHelpContext(QWidget& widget, int context) { widget.setProperty(HelpContextProperty, context); }

int HelpContextOf(const QWidget* widget)
{
    for (; widget != nullptr; widget = widget->parentWidget())
        if (const int context = widget->property(HelpContextProperty).toInt(); context != 0)
            return context;
    return 0;
}
