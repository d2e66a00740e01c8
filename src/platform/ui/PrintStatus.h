#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

// The status window of a long job (printing, writing a picture collection): a text, a progress bar
// and Cancel. Made for each job and owned by it; Cancel hides the window but never frees it, so the
// job may go on touching it until it ends.
class TPrintStatus : public QDialog {
public:
    // `cancel` runs when Cancel is pressed, by mouse or keyboard.
    explicit TPrintStatus(std::function<void()> cancel, QWidget* parent = nullptr);

    void SetStatus(const std::string& text);
    // Advances the bar by one.
    void StepIt();

    QLabel* lbPrintStatus;
    QProgressBar* PrintProgress;
    QPushButton* Button1;

protected:
    // Escape and the window manager's close act as Cancel; a window without Cancel stays.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Button1MouseDown();
    void Button1Click();

    std::function<void()> cancel_;
};
