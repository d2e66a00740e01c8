#include "LoopbackHttpsServer.h"
#include "TestSupport.h"
#include "platform/ui/QtPlatform.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Tests never depend on the user's display, settings or program folder.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Nor on the fonts it holds: tests, and the tools they run, render with the fonts this file names.
    setenv("FONTCONFIG_FILE", KESTRAME_FONTCONFIG_FILE, 1);
    static TemporaryFolder settingsFolder;
    setenv("KESTRAME_CONFIG_DIR", settingsFolder.Path().c_str(), 1);
    setenv("KESTRAME_OPEN_FILE_SOCKET", settingsFolder.File("open-file").c_str(), 1);
    // Qt keeps its file dialog's history in the user's settings; tests keep theirs apart.
    setenv("XDG_CONFIG_HOME", settingsFolder.File("xdg-config").c_str(), 1);
    // A main window checks for a new version a second after it is made: against nothing, silently.
    setenv("KESTRAME_UPDATE_SERVER", ClosedLoopbackAddress, 1);
    QApplication application(argc, argv);
    InstallQtPlatform();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
