#pragma once

#include <QApplication>

#include <concepts>
#include <functional>
#include <string>
#include <string_view>

// The application object: an exception that escapes an event handler ends up here and is shown in a
// message box instead of ending the program.
class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

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
