#pragma once

#include <QApplication>

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
