#include "app/Splash.h"

#include "platform/core/CodePage.h"
#include "platform/ui/Application.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

TSplash* Splash = nullptr;

namespace {

constexpr int FormWidth = 420;
constexpr int FormHeight = 300;
constexpr std::string_view VersionText = "version 3.5.12.03.23u21";
const QColor LogoColor(0, 92, 112);

QFont ArialFont(int pointSize, bool bold = false)
{
    QFont font("Arial", pointSize);
    font.setBold(bold);
    return font;
}

QPixmap LogoPicture()
{
    QPixmap picture(FormWidth - 40, 60);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setPen(LogoColor);
    painter.setFont(ArialFont(30, true));
    painter.drawText(picture.rect(), Qt::AlignCenter, "Kestrame");
    return picture;
}

// Three shelves stocked with products: what the program draws, in small.
QPixmap WidePicture()
{
    QPixmap picture(FormWidth, 120);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, 0, picture.height());
    gradient.setColorAt(0, QColor(224, 240, 244));
    gradient.setColorAt(1, QColor(160, 200, 210));
    painter.fillRect(picture.rect(), gradient);
    const QColor shelf(90, 90, 90);
    const QColor products[] = {QColor(200, 40, 40), QColor(40, 120, 200), QColor(240, 180, 20), QColor(60, 160, 80)};
    for (int row = 0; row < 3; ++row) {
        const int floor = 36 + row * 38;
        painter.fillRect(20, floor, FormWidth - 40, 4, shelf);
        for (int x = 28, i = row; x < FormWidth - 44; x += 22, ++i)
            painter.fillRect(x, floor - 24 + (i % 3) * 3, 16, 24 - (i % 3) * 3, products[i % 4]);
    }
    return picture;
}

// A picture drawn the same whether the control is enabled or not: here enabling decides only whether
// it takes the mouse.
class PictureBox : public QLabel {
public:
    PictureBox(const QPixmap& picture, QWidget* parent) : QLabel(parent), picture_(picture) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawPixmap(rect(), picture_);
    }

private:
    QPixmap picture_;
};

QPixmap StripPicture()
{
    QPixmap picture(FormWidth, 24);
    picture.fill(LogoColor);
    return picture;
}

} // namespace

SplashTickCounters& SplashTicks()
{
    static SplashTickCounters counters;
    return counters;
}

TSplash::TSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // Only the main window's closing ends the program; a splash or About window left open does not
    // keep it running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(FormWidth, FormHeight);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    CreateControls();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TSplash::~TSplash()
{
    if (Splash == this)
        Splash = nullptr;
}

void TSplash::CreateControls()
{
    Image4 = new PictureBox(LogoPicture(), this);
    Image4->setGeometry(20, 10, FormWidth - 40, 60);

    Image1 = new PictureBox(WidePicture(), this);
    Image1->setGeometry(0, 80, FormWidth, 120);
    Image1->setEnabled(false);

    Image3 = new PictureBox(StripPicture(), this);
    Image3->setGeometry(0, 210, FormWidth, 24);

    lbVersion = new QLabel(toQString(VersionText), this);
    lbVersion->setFont(ArialFont(9));
    lbVersion->setStyleSheet("color: yellow;");
    lbVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lbVersion->setGeometry(0, 210, FormWidth - 8, 24);

    Label1 = new QLabel("Getting startup info...", this);
    Label1->setFont(ArialFont(10));
    Label1->setStyleSheet("color: black;");
    Label1->setGeometry(12, 246, FormWidth - 110, 40);

    bClose = new QPushButton("Close", this);
    bClose->setGeometry(FormWidth - 92, 252, 80, 28);
    bClose->hide();
    connect(bClose, &QPushButton::clicked, this, ShowingErrors(this, &TSplash::bCloseClick));

    tmStartUp = new QTimer(this);
    tmStartUp->setInterval(600);
    connect(tmStartUp, &QTimer::timeout, this, ShowingErrors(this, &TSplash::tmStartUpTimer));

    tmAbout = new QTimer(this);
    tmAbout->setInterval(3000);
    connect(tmAbout, &QTimer::timeout, this, ShowingErrors(this, &TSplash::tmAboutTimer));
}

void TSplash::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        lbVersion->setText(lbVersion->text() + "D");
}

void TSplash::tmStartUpTimer()
{
    switch (++SplashTicks().startUp) {
    case 4:
        tmStartUp->setInterval(2000);
        QCoreApplication::processEvents();
        break;
    case 6:
        tmStartUp->setInterval(150);
        Label1->setText("Loading... preferences");
        break;
    case 7:
        Label1->setText("Loading... ");
        break;
    case 8:
        Label1->setText("Ready!");
        break;
    case 9:
        tmStartUp->stop();
        close();
        break;
    default:
        break;
    }
}

void TSplash::tmAboutTimer()
{
    Image1->setEnabled(true);
    bClose->show();
    int& ticks = SplashTicks().about;
    switch (++ticks) {
    case 2:
        Label1->setText(toQString(AboutCreditLine1));
        break;
    case 8:
        Label1->clear();
        break;
    case 10:
        Label1->setText(toQString(AboutCreditLine2));
        break;
    case 11:
        ticks = 2;
        break;
    default:
        break;
    }
}

void TSplash::bCloseClick()
{
    tmAbout->stop();
    close();
}

namespace {

TSplash* ShowNewSplash(QTimer* TSplash::*timer)
{
    Splash = new TSplash;
    Splash->show();
    Splash->repaint();
    (Splash->*timer)->start();
    return Splash;
}

} // namespace

TSplash* ShowStartUpSplash() { return ShowNewSplash(&TSplash::tmStartUp); }

TSplash* ShowAbout() { return ShowNewSplash(&TSplash::tmAbout); }
