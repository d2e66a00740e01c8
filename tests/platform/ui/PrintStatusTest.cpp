#include "platform/ui/PrintStatus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

TEST(PrintStatus, DefaultsAndCancelByMousePressAndByKeyboard)
{
    int cancels = 0;
    auto status = std::make_unique<TPrintStatus>([&cancels] { ++cancels; });
    EXPECT_EQ(status->windowTitle(), "Status");
    EXPECT_TRUE(status->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(status->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_EQ(status->lbPrintStatus->text(), "Status:");
    EXPECT_EQ(status->PrintProgress->maximum(), 100);
    EXPECT_EQ(status->PrintProgress->value(), 0);
    EXPECT_EQ(status->Button1->text(), "Cancel");
    status->show();

    // The press alone stops the job; the window stays as it is until the button is let go.
    const QPointF centre = status->Button1->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, status->Button1->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(status->Button1, &press);
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(status->lbPrintStatus->text(), "Status:");
    QMouseEvent release(QEvent::MouseButtonRelease, centre, status->Button1->mapToGlobal(centre), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(status->Button1, &release);
    EXPECT_EQ(cancels, 2);
    EXPECT_TRUE(status->isHidden());
    EXPECT_EQ(status->lbPrintStatus->text(), "Print canceled");

    // Hidden, never freed: the job may still step it.
    const QPointer<TPrintStatus> alive(status.get());
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(alive.isNull());
    status->StepIt();
    EXPECT_EQ(status->PrintProgress->value(), 1);

    status->show();
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QKeyEvent spaceUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(status->Button1, &space);
    QApplication::sendEvent(status->Button1, &spaceUp);
    EXPECT_EQ(cancels, 4);
    EXPECT_TRUE(status->isHidden());

    // Escape and the window manager's close are Cancel; without the button the window stays.
    status->show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(status.get(), &escape);
    EXPECT_EQ(cancels, 5);
    EXPECT_TRUE(status->isHidden());
    status->show();
    status->close();
    EXPECT_EQ(cancels, 6);
    EXPECT_TRUE(status->isHidden());
    status->Button1->hide();
    status->show();
    QApplication::sendEvent(status.get(), &escape);
    status->close();
    EXPECT_EQ(cancels, 6);
    EXPECT_TRUE(status->isVisible());
}
