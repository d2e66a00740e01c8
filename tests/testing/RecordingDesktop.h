#pragma once

#include "platform/services/Desktop.h"

#include <string>
#include <vector>

// The test double of the desktop: records what it was asked to open and answers `succeeds`,
// installed as the process's desktop while it lives.
class RecordingDesktop : public DesktopServices {
public:
    explicit RecordingDesktop(bool succeeds = true) : succeeds_(succeeds) { SetDesktop(this); }
    ~RecordingDesktop() override { SetDesktop(nullptr); }
    RecordingDesktop(const RecordingDesktop&) = delete;
    RecordingDesktop& operator=(const RecordingDesktop&) = delete;

    bool Open(const std::string& target) override
    {
        opened.push_back(target);
        return succeeds_;
    }

    std::vector<std::string> opened;

private:
    bool succeeds_;
};
