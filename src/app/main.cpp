#include "app/CommandLine.h"
#include "app/SDIMain.h"
#include "app/Splash.h"
#include "app/StartupSettings.h"
#include "imageformats/TargaGraphic.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Seams.h"
#include "platform/ui/Application.h"

#include <QMetaObject>

#include <string>
#include <vector>

namespace {

// What is left of argv once the application object has taken its own options.
std::vector<std::string> ProgramArguments(int argc, char* argv[])
{
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(ModelPath(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char* argv[])
{
    TApplication application(argc, argv);
    RegisterTargaFileFormats();
    // Too few colours to draw planograms: end at once and silently. The windows are still made, and
    // the message loop then ends as soon as it starts.
    if (ScreenTooShallowToRun(ScreenDepth()))
        QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
    ShowStartUpSplash();
    TMainForm mainForm;
    mainForm.show();
    SetProgramCommandLine(ProgramArguments(argc, argv));
    ShowingExceptions([&] { return application.exec() == 0; });
    delete Splash; // a splash or About window still open when the program ends
    return 0;
}
