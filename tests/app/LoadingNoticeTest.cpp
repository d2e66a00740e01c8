#include "MainFormFixture.h"

#include "app/LoadingNotice.h"
#include "platform/settings/SettingsStore.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

namespace {

// Counts the notice's showings.
class ShowCounter : public QObject {
public:
    int shows = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        shows += event->type() == QEvent::Show;
        return false;
    }
};

class LoadingNotice : public MainFormFixture {
protected:
    TfrmLoading notice;
    ShowCounter counter;

    LoadingNotice()
    {
        frmLoading = &notice;
        notice.installEventFilter(&counter);
    }
    ~LoadingNotice() override { frmLoading = nullptr; }

    // The example with a wall too large to make: the open fails after the file is read.
    std::string HugeWall()
    {
        const std::string path = program.File("Examples/Huge.kqf");
        WriteWholeFile(path, Replaced(ReadWholeFile(Example()), "Header.Width=480", "Header.Width=99999"));
        return path;
    }
};

} // namespace

TEST_F(LoadingNotice, TheNoticeShowsWhileAnOpenLoadsAndClosesHoweverItEnds)
{
    EXPECT_EQ(notice.windowTitle(), "Kestrame");
    EXPECT_EQ(notice.Label1->text(), "Loading product data...");
    EXPECT_EQ(notice.Button1->text(), "&Close");
    EXPECT_TRUE(notice.Button1->isDefault());
    EXPECT_TRUE(notice.windowFlags().testFlag(Qt::Tool));

    ASSERT_TRUE(form->OpenPlanogram(Example()));
    EXPECT_EQ(counter.shows, 1);
    EXPECT_FALSE(notice.isVisible());

    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(form->OpenPlanogram(HugeWall()));
    EXPECT_EQ(counter.shows, 2);
    EXPECT_FALSE(notice.isVisible());
    EXPECT_EQ(Windows(), 1);
}

TEST_F(LoadingNotice, TheOptionTurnsTheNoticeOff)
{
    SettingsStore().WriteBool("Options", "ShowDataLoadingDialog", false);
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    EXPECT_EQ(counter.shows, 0);
}

TEST_F(LoadingNotice, CloseHidesTheNotice)
{
    notice.show();
    notice.Button1->click();
    EXPECT_FALSE(notice.isVisible());
}
