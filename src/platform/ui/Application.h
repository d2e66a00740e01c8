#pragma once

#include <QApplication>

#include <concepts>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class QWidget;

// The help requests the application hands its help handler, WinHelp's command numbers.
enum HelpCommandCode : std::uint16_t { HELP_CONTEXT = 1, HELP_CONTEXTPOPUP = 8, HELP_SETPOPUP_POS = 13 };

// A help handler takes a command with its data and says through `callHelp` whether the request
// should still go on to WinHelp, which does not exist here: such a request ends unanswered.
using HelpHandler = std::function<bool(std::uint16_t command, std::uint32_t data, bool& callHelp)>;

// The application object: an exception that escapes an event handler ends up here and is shown in a
// message box instead of ending the program. A window takes one close request at a time: one that
// comes while its last is still being handled (its question up) is refused, whoever sends it.
class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The help state is the process's, like the application object, so that it exists for tests
    // that run under a plain QApplication too.
    static const std::string& HelpFile();
    static void SetHelpFile(std::string fileName);
    static const HelpHandler& OnHelp();
    static void SetOnHelp(HelpHandler handler);
    // A context request through the help handler; false when nothing answered it.
    static bool HelpContext(std::uint32_t context);
    static bool HelpCommand(std::uint16_t command, std::uint32_t data);
    // Makes F1 ask for the help context of the focused widget or its nearest parent that has one.
    static void InstallHelpKey(QCoreApplication& application);

private:
    // SIGTERM (at logout, say) and SIGINT leave every event loop, so that the program ends as it does
    // when its main window closes: windows and writers are destroyed in order and no temporary file
    // stays. A long operation under way ends first, as it would before a close; a second signal ends
    // the program at once, its temporary files removed.
    void EndOnTerminationSignals();
};

// Whether the window's close is under way: a close request to it, from the window manager or from
// the program, is being handled, and may be asking the user about unsaved work.
bool CloseUnderWay(const QWidget& window);

// The help context of a widget, 0 for none. F1 in a widget without one asks for its parent's.
void SetHelpContext(QWidget& widget, int context);
int HelpContextOf(const QWidget* widget);

// The box text of an escaped exception: its message, with a full stop added when its last character
// comes after '.' in the code table, as the class library shows it.
std::string ExceptionMessageText(std::string_view message);
// Shows the text through UiServices: the application's title, OK, the stop icon.
void ShowException(std::string_view message);
// Runs `deliver` and shows any exception that escapes it; false then, as for an unhandled event.
bool ShowingExceptions(const std::function<bool()>& deliver);

// A slot for QObject::connect that shows its own exceptions: Qt's frames between a signal and its
// slots do not unwind, so an error thrown through them would leave Qt's state behind half undone.
template <typename Slot> auto ShowingErrors(Slot slot)
{
    return [slot = std::move(slot)](auto&&... args) requires std::invocable<Slot&, decltype(args)...>
    {
        ShowingExceptions([&] {
            std::invoke(slot, std::forward<decltype(args)>(args)...);
            return true;
        });
    };
}

// The same for a member function of `object`.
template <typename Object, typename Method> auto ShowingErrors(Object* object, Method method)
{
    return ShowingErrors(
        [ object, method ](auto&&... args) requires std::invocable<Method, Object*, decltype(args)...> {
            std::invoke(method, object, std::forward<decltype(args)>(args)...);
        });
}
