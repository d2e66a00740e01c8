#include "app/Splash.h"

#include "platform/core/CodePage.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class SplashTest : public testing::Test {
protected:
    SplashTest() { SplashTicks() = {}; }
    ~SplashTest() override
    {
        delete Splash;
        SplashTicks() = {};
    }

    static void FreeClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    static std::string Status(const TSplash& splash) { return fromQString(splash.Label1->text()); }
};

} // namespace

TEST_F(SplashTest, StartUpTicksAndTexts)
{
    QPointer<TSplash> splash = ShowStartUpSplash();
    ASSERT_EQ(Splash, splash.data());
    EXPECT_TRUE(splash->tmStartUp->isActive());
    EXPECT_FALSE(splash->tmAbout->isActive());
    EXPECT_EQ(Status(*splash), "Getting startup info...");

    // Each tick comes one interval after the last; a changed interval counts from the change.
    std::vector<int> tickTimes;
    std::vector<std::string> texts;
    int elapsed = 0;
    for (int tick = 1; tick <= 9; ++tick) {
        elapsed += splash->tmStartUp->interval();
        tickTimes.push_back(elapsed);
        splash->tmStartUpTimer();
        texts.push_back(Status(*splash));
    }
    EXPECT_EQ(tickTimes, (std::vector<int>{600, 1200, 1800, 2400, 4400, 6400, 6550, 6700, 6850}));
    EXPECT_EQ(texts,
              (std::vector<std::string>{"Getting startup info...", "Getting startup info...", "Getting startup info...",
                                        "Getting startup info...", "Getting startup info...", "Loading... preferences",
                                        "Loading... ", "Ready!", "Ready!"}));
    EXPECT_FALSE(splash->tmStartUp->isActive());
    EXPECT_FALSE(splash->isVisible());
    FreeClosedWindows();
    EXPECT_TRUE(splash.isNull());
    EXPECT_EQ(Splash, nullptr);
}

TEST_F(SplashTest, LaterStartUpTicksDoNothing)
{
    auto* splash = new TSplash;
    Splash = splash;
    SplashTicks().startUp = 9;
    splash->show();
    splash->tmStartUpTimer();
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(Status(*splash), "Getting startup info...");
}

TEST_F(SplashTest, FreeingAnOlderWindowLeavesTheCurrentOne)
{
    QPointer<TSplash> startUp = ShowStartUpSplash();
    TSplash* about = ShowAbout();
    SplashTicks().startUp = 8;
    startUp->tmStartUpTimer();
    FreeClosedWindows();
    EXPECT_TRUE(startUp.isNull());
    EXPECT_EQ(Splash, about);
}

TEST_F(SplashTest, VersionLabelGrowsByOneDPerShowing)
{
    TSplash splash;
    EXPECT_EQ(fromQString(splash.lbVersion->text()), "version 3.5.12.03.23u21");
    splash.show();
    EXPECT_EQ(fromQString(splash.lbVersion->text()), "version 3.5.12.03.23u21D");
    splash.hide();
    splash.show();
    EXPECT_EQ(fromQString(splash.lbVersion->text()), "version 3.5.12.03.23u21DD");
}

TEST_F(SplashTest, AboutCreditCycle)
{
    TSplash* about = ShowAbout();
    EXPECT_TRUE(about->tmAbout->isActive());
    EXPECT_EQ(about->tmAbout->interval(), 3000);
    EXPECT_FALSE(about->tmStartUp->isActive());
    EXPECT_FALSE(about->Image1->isEnabled());
    EXPECT_TRUE(about->bClose->isHidden());

    std::vector<std::string> texts;
    for (int tick = 1; tick <= 20; ++tick) {
        about->tmAboutTimer();
        texts.push_back(Status(*about));
    }
    EXPECT_TRUE(about->Image1->isEnabled());
    EXPECT_FALSE(about->bClose->isHidden());
    const std::string start = "Getting startup info...";
    const std::string one(AboutCreditLine1);
    const std::string two(AboutCreditLine2);
    // Ticks 2 to 10, then every nine ticks the same, since tick 11 counts as tick 2.
    EXPECT_EQ(texts, (std::vector<std::string>{start, one, one, one, one, one, one, "", "",  two, //
                                               two,   two, two, two, two, two, "",  "", two, two}));
    EXPECT_EQ(SplashTicks().about, 2);
}

TEST_F(SplashTest, SecondAboutWindowGoesOnWithTheCount)
{
    QPointer<TSplash> first = ShowAbout();
    first->tmAboutTimer();
    first->tmAboutTimer();
    EXPECT_EQ(Status(*first), std::string(AboutCreditLine1));
    first->bCloseClick();
    EXPECT_FALSE(first->tmAbout->isActive());
    FreeClosedWindows();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(Splash, nullptr);

    TSplash* second = ShowAbout();
    std::vector<std::string> texts;
    for (int tick = 3; tick <= 10; ++tick) {
        second->tmAboutTimer();
        texts.push_back(Status(*second));
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Getting startup info...", "Getting startup info...",
                                               "Getting startup info...", "Getting startup info...",
                                               "Getting startup info...", "", "", std::string(AboutCreditLine2)}));
}
