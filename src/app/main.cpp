#include "imageformats/TargaGraphic.h"
#include "platform/ui/Application.h"

#include <QMainWindow>

int main(int argc, char* argv[])
{
    TApplication application(argc, argv);
    RegisterTargaFileFormats();
    QMainWindow mainWindow;
    mainWindow.setWindowTitle("Kestrame");
    mainWindow.resize(1024, 768);
    mainWindow.show();
    return application.exec();
}
