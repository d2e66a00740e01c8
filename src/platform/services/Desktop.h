#pragma once

#include <string>

// The desktop's default applications: a web or mail address opens in the user's browser or mail
// program, a file or folder in the program the desktop associates with it.
class DesktopServices {
public:
    virtual ~DesktopServices() = default;
    // `target` is a URL ("https://...", "mailto:...") or a path; true when the desktop took it.
    virtual bool Open(const std::string& target) = 0;
};

// The process's desktop: the system's own unless a test has set another.
DesktopServices& Desktop();
// Replaces it (tests); nullptr restores the system's.
void SetDesktop(DesktopServices* desktop);
