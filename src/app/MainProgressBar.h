#pragma once

#include "platform/ui/Progress.h"

#include <QProgressBar>

// The main window's progress bar as long operations step it. While it shows, it stands in place of
// the status control it is given.
class TMainProgressBar : public QProgressBar, public Progress {
    Q_OBJECT

public:
    TMainProgressBar(QWidget* statusControl, QWidget* parent);

protected:
    void Changed() override;

private:
    QWidget* statusControl_;
};
