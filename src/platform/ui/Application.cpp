#include "platform/ui/Application.h"

#include "platform/core/CodePage.h"
#include "platform/core/TerminationSignals.h"
#include "platform/core/UiServices.h"
#include "platform/ui/QtPlatform.h"

#include <QKeyEvent>
#include <QSocketNotifier>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <exception>
#include <vector>

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

// The windows, widgets and their native windows alike, whose close request is being delivered.
std::vector<const QObject*>& ClosesUnderWay()
{
    static std::vector<const QObject*> receivers;
    return receivers;
}

bool IsTopLevel(const QObject* receiver)
{
    if (receiver->isWidgetType())
        return static_cast<const QWidget*>(receiver)->isWindow();
    return receiver->isWindowType() && static_cast<const QWindow*>(receiver)->isTopLevel();
}

bool UnderWay(const QObject* receiver)
{
    const std::vector<const QObject*>& receivers = ClosesUnderWay();
    return receiver != nullptr && std::find(receivers.begin(), receivers.end(), receiver) != receivers.end();
}

// Marks the receiver while its close request is delivered; deliveries nest.
struct CloseDelivery {
    explicit CloseDelivery(const QObject* receiver) { ClosesUnderWay().push_back(receiver); }
    ~CloseDelivery() { ClosesUnderWay().pop_back(); }
    CloseDelivery(const CloseDelivery&) = delete;
    CloseDelivery& operator=(const CloseDelivery&) = delete;
};

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
    const int requests = CatchTerminationSignals();
    if (requests < 0)
        return;
    // The byte stays unread, so that the request stands until the main loop has ended, also when it
    // came before that loop began (which forgets earlier requests to leave).
    auto* notifier = new QSocketNotifier(requests, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] { QCoreApplication::exit(0); });
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    if (event->type() != QEvent::Close || receiver == nullptr || !IsTopLevel(receiver))
        return ShowingExceptions([&] { return QApplication::notify(receiver, event); });
    // A close request reaches a window's native window first (the window manager's, and the
    // program's, since QWidget::close() closes a shown window through it), then the widget. Qt refuses
    // a second one on its own only where the first came from the window manager: a window blocked by
    // a modal one (the question) takes no close request, unless its native window is itself closing
    // through QWindow::close(). The widget, closing already, then agrees without asking, and the native
    // window is destroyed under the widget. So a second request is refused here, wherever it comes from.
    if (UnderWay(receiver)) {
        event->ignore();
        return true;
    }
    const CloseDelivery delivery(receiver);
    return ShowingExceptions([&] { return QApplication::notify(receiver, event); });
}

bool CloseUnderWay(const QWidget& window) { return UnderWay(&window) || UnderWay(window.windowHandle()); }

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
