#pragma once

// Makes the Qt dialogs the default message and dialog service, and the system's beep and the
// primary screen's depth the defaults of the platform seams. Needs a QApplication.
void InstallQtPlatform();
