#include "platform/ui/Progress.h"

#include <algorithm>

void Progress::SetMin(int min)
{
    min_ = min;
    max_ = std::max(max_, min_);
    position_ = std::clamp(position_, min_, max_);
    Changed();
}

void Progress::SetMax(int max)
{
    max_ = std::max(max, min_);
    position_ = std::clamp(position_, min_, max_);
    Changed();
}

void Progress::SetPosition(int position)
{
    position_ = std::clamp(position, min_, max_);
    Changed();
}

void Progress::SetStep(int step)
{
    step_ = step;
    Changed();
}

void Progress::StepIt()
{
    const long long next = static_cast<long long>(position_) + step_;
    position_ = next > max_ ? min_ : static_cast<int>(std::max<long long>(next, min_));
    Changed();
}

void Progress::StepBy(int delta)
{
    const long long next = static_cast<long long>(position_) + delta;
    position_ = static_cast<int>(std::clamp<long long>(next, min_, max_));
    Changed();
}

void Progress::SetVisible(bool visible)
{
    visible_ = visible;
    Changed();
}

namespace {

Progress* installedProgress = nullptr;

} // namespace

Progress& MainProgress()
{
    static Progress keeping;
    return installedProgress ? *installedProgress : keeping;
}

void SetMainProgress(Progress* progress) { installedProgress = progress; }
