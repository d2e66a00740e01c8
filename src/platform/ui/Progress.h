#pragma once

// The main window's progress bar as long operations drive it: a range, a position and a step. This
// class keeps the values by itself, so model code can step it when no window is there; the window's
// bar derives from it and shows each change.
class Progress {
public:
    virtual ~Progress() = default;

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    int Step() const { return step_; }
    bool Visible() const { return visible_; }

    // A maximum below the minimum is taken as the minimum; the position stays within the range.
    void SetMin(int min);
    void SetMax(int max);
    void SetPosition(int position);
    void SetStep(int step);
    // Advances by the step; past the maximum it starts again from the minimum, as the system's bar does.
    void StepIt();
    void StepBy(int delta);
    // The bar stands in place of the status text while an operation runs.
    void SetVisible(bool visible);

protected:
    // Called after every change of a value.
    virtual void Changed() {}

private:
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
    bool visible_ = false;
};

// The main window's progress bar, or one that only keeps its values while no window is installed.
Progress& MainProgress();
// Installs `progress` (not owned); nullptr restores the keeping one.
void SetMainProgress(Progress* progress);
