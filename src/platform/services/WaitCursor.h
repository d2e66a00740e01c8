#pragma once

// The wait cursor over every window of the program while it lives: for work that keeps the windows
// painting but takes no input meanwhile.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
