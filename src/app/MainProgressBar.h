#pragma once

#include "platform/core/Seams.h"
#include "platform/ui/Progress.h"

#include <QProgressBar>

// The main window's progress bar as long operations step it. While it shows, it stands in place of
// the status control it is given. A long operation keeps the windows painted through it: each
// change lets pending paint and timer events run, at most every 50 ms; the user's input waits until
// the operation ends.
class TMainProgressBar : public QProgressBar, public Progress {
    Q_OBJECT

public:
    TMainProgressBar(QWidget* statusControl, QWidget* parent);

protected:
    void Changed() override;

private:
    struct ShownState {
        bool visible = false;
        int percent = -1;
        bool operator==(const ShownState&) const = default;
    };

    int ShownPercent() const;
    void LetWindowsPaint();

    QWidget* statusControl_;
    TimePoint lastPaint_{};
    ShownState lastShown_;
};
