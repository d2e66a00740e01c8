#pragma once

#include <QWidget>

#include <string_view>

class QLabel;
class QPushButton;
class QTimer;

// The credit lines the About window cycles through.
inline constexpr std::string_view AboutCreditLine1 = "Kestrame: planograms drawn to scale, shelf by shelf";
inline constexpr std::string_view AboutCreditLine2 = "Thank you for planning your displays with Kestrame";

// One window, two uses: the splash shown while the program starts, which steps through its loading
// texts and closes itself, and the About window, which cycles its credit lines until closed. Closing
// frees the window.
class TSplash : public QWidget {
    Q_OBJECT

public:
    explicit TSplash(QWidget* parent = nullptr);
    ~TSplash() override;

    QLabel* Image4; // the logo
    QLabel* Image1; // the wide picture
    QLabel* Image3; // the strip above the status line
    QLabel* Label1; // the status line
    QLabel* lbVersion;
    QPushButton* bClose;
    QTimer* tmStartUp;
    QTimer* tmAbout;

    void tmStartUpTimer();
    void tmAboutTimer();
    void bCloseClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
};

// The window now showing as splash or About; cleared when that window is freed.
extern TSplash* Splash;

// The tick counts of the two timers belong to the program, not to a window: a second About window
// goes on with the credit cycle where the first one stopped.
struct SplashTickCounters {
    int startUp = 0;
    int about = 0;
};
SplashTickCounters& SplashTicks();

// Start-up: a new splash, shown and painted at once, its start-up timer running.
TSplash* ShowStartUpSplash();
// Help > About: a new window, shown and painted at once, its credit timer running.
TSplash* ShowAbout();
