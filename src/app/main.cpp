#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QMainWindow mainWindow;
    mainWindow.setWindowTitle("Kestrame");
    mainWindow.resize(1024, 768);
    mainWindow.show();
    return application.exec();
}
