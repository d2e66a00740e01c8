#include "MainFormFixture.h"

#include "testing/RecordingPrintTarget.h"

#include <QAction>

namespace {

class PrintCommand : public MainFormFixture {
protected:
    RecordingPrinter printer;
};

} // namespace

TEST_F(PrintCommand, PrintPrintsTheActivePlanogramAndOnlyWithOne)
{
    form->FileMenuClick();
    EXPECT_FALSE(form->Print1->isEnabled());
    ASSERT_TRUE(form->OpenPlanogram(Example()));
    form->FileMenuClick();
    ASSERT_TRUE(form->Print1->isEnabled());
    ui.AnswerPrint(PrintChoice{});
    form->Print1->trigger();
    EXPECT_EQ(printer.record->begun, 1);
    EXPECT_EQ(printer.record->ended, 1);
    EXPECT_EQ(printer.record->title, form->ActivePlanogram()->Caption());
    const TBitmap& back = Active().backBitmap;
    EXPECT_EQ(printer.record->drawn.size(), QSize(back.Width() * 2, back.Height() * 2));

    // An open or save running holds the windows: no print starts then.
    LongOperations::Guard busy(form->longOperations);
    form->Print1->trigger();
    EXPECT_EQ(printer.record->begun, 1);
}
