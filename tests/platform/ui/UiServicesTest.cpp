#include "platform/ui/Application.h"
#include "platform/ui/FileFilter.h"
#include "platform/ui/Progress.h"
#include "testing/ScriptedUi.h"

#include "platform/core/Exceptions.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>

TEST(ScriptedUi, RecordsEveryBoxAndAnswersFromItsScript)
{
    ScriptedUi ui;
    EXPECT_EQ(&Ui(), &ui);
    ui.AnswerMessage(MsgAnswer::Yes);
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_EQ(Ui().MessageBox("Save changes?", "Kestrame", MsgButtons::YesNoCancel, MsgIcon::Question), MsgAnswer::Yes);
    ShowMessage("You forgot to fill in the width or height");

    ASSERT_EQ(ui.Calls().size(), 2u);
    const ScriptedUi::Call& first = ui.Calls()[0];
    EXPECT_EQ(first.text, "Save changes?");
    EXPECT_EQ(first.caption, "Kestrame");
    EXPECT_EQ(first.buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(first.icon, MsgIcon::Question);
    const ScriptedUi::Call& shown = ui.Calls()[1];
    EXPECT_EQ(shown.text, "You forgot to fill in the width or height");
    EXPECT_EQ(shown.caption, "Kestrame");
    EXPECT_EQ(shown.buttons, MsgButtons::OK);
    EXPECT_EQ(shown.icon, MsgIcon::None);
    EXPECT_EQ(ui.MessageTexts(),
              (std::vector<std::string>{"Save changes?", "You forgot to fill in the width or height"}));
    EXPECT_TRUE(ui.AllAnswersUsed());
}

TEST(ScriptedUi, AStrictDoubleFailsForABoxNobodyExpectedAndForAnswersNeverAsked)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUi ui;
            Ui().MessageBox("Sure?", "Error", MsgButtons::YesNo, MsgIcon::Warning);
        },
        "No answer was scripted for the message box \"Sure?\" (caption \"Error\")");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUi ui;
            ui.AnswerMessage(MsgAnswer::Yes);
        },
        "Scripted answers were never asked for: 1 message");
}

TEST(ScriptedUi, ALenientDoubleAnswersAsAUserClosingTheBox)
{
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    EXPECT_EQ(Ui().MessageBox("Sure?", "Error", MsgButtons::YesNo, MsgIcon::Warning), MsgAnswer::No);
    EXPECT_EQ(Ui().MessageBox("x", "Updater", MsgButtons::OKCancel, MsgIcon::Information), MsgAnswer::Cancel);
    EXPECT_EQ(Ui().MessageBox("y", "Kestrame", MsgButtons::OK, MsgIcon::None), MsgAnswer::OK);
    EXPECT_EQ(Ui().InputBox("Find", "Enter Part Number To Find", "P1"), "P1");
    EXPECT_FALSE(Ui().ColorDialog(0));
    EXPECT_EQ(ui.Calls().size(), 5u);
}

TEST(ScriptedUi, InputBoxCancelGivesTheDefault)
{
    ScriptedUi ui;
    ui.AnswerInput("12");
    ui.AnswerInput(ScriptedUi::Cancel());
    ui.AnswerInput("");
    EXPECT_EQ(Ui().InputBox("Spacing", "Enter space between items", "0"), "12");
    EXPECT_EQ(Ui().InputBox("Spacing", "Enter space between items", "0"), "0");
    EXPECT_EQ(Ui().InputBox("Find", "Enter Part Number To Find", ""), "");
    const auto calls = ui.CallsOf(ScriptedUi::Kind::InputBox);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].caption, "Spacing");
    EXPECT_EQ(calls[1].text, "Enter space between items");
    EXPECT_EQ(calls[1].defaultValue, "0");
}

TEST(ScriptedUi, DialogsAnswerAndRecord)
{
    ScriptedUi ui;
    ui.AnswerFile(FileDialogResult{"/plans/a.kqt", 2});
    ui.AnswerFile(std::nullopt);
    ui.AnswerColor(0x0000FFu);
    ui.AnswerColor(std::nullopt);
    ui.AnswerFont(FontChoice{"Verdana", 8, FontBold, 0});
    ui.AnswerPrint(PrintChoice{2, true, false, 1, 3, 1, 9});
    ui.AnswerPrint(std::nullopt);
    ui.AnswerPrinterSetup(true);

    FileDialogOptions options;
    options.title = "Open";
    options.filter = "Kestrame File|*.kqf;*.kqt|All file types|*.*";
    const auto opened = Ui().OpenDialog(options);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->fileName, "/plans/a.kqt");
    EXPECT_EQ(opened->filterIndex, 2);
    EXPECT_FALSE(Ui().SaveDialog(options));
    EXPECT_EQ(Ui().ColorDialog(0xFFFFFF), 0x0000FFu);
    EXPECT_EQ(Ui().FontDialog(FontChoice())->name, "Verdana");
    EXPECT_FALSE(Ui().ColorDialog(0));
    PrintChoice choice;
    EXPECT_TRUE(Ui().PrintDialog(choice));
    EXPECT_EQ(choice.copies, 2);
    EXPECT_EQ(choice.toPage, 3);
    EXPECT_TRUE(Ui().PrinterSetupDialog());
    EXPECT_FALSE(Ui().PrintDialog(choice));

    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::OpenDialog)[0].fileOptions.filter, options.filter);
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::SaveDialog)[0].caption, "Open");
    EXPECT_EQ(ui.CallsOf(ScriptedUi::Kind::ColorDialog)[0].color, 0xFFFFFFu);
    EXPECT_EQ(ui.Calls().size(), 8u);
}

TEST(ScriptedUi, RestoresThePreviousServicesWhenDone)
{
    UiServices* before = &Ui();
    {
        ScriptedUi outer;
        {
            ScriptedUi inner;
            EXPECT_EQ(&Ui(), &inner);
        }
        EXPECT_EQ(&Ui(), &outer);
    }
    EXPECT_EQ(&Ui(), before);
}

TEST(FileFilter, EveryQuotedFilterConverts)
{
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"Excel (*.xls)|*.xls", {"Excel (*.xls)"}},
        {"Kestrame Catalog File (*.ctf) (*.did)|*.did;*.ctf|All file types|*.*",
         {"Kestrame Catalog File (*.ctf) (*.did) (*.did *.ctf)", "All file types (*.*)"}},
        {"Catalog Manager files types|*.vdx;*.ddl;*.ctf|Corvandel Catalog File|*.vdx|Direct Data Link|*.ddl|Catalog "
         "file|*.ctf|Any File|*.*",
         {"Catalog Manager files types (*.vdx *.ddl *.ctf)", "Corvandel Catalog File (*.vdx)",
          "Direct Data Link (*.ddl)", "Catalog file (*.ctf)", "Any File (*.*)"}},
        {"Kestrame Catalog (*.ddl) (*.ctf)|*.ddl;*ctf", {"Kestrame Catalog (*.ddl) (*.ctf) (*.ddl *ctf)"}},
        {"Kestrame File (*.kqf)|*.kqf|Kestrame Template (*.kqt)|*.kqt",
         {"Kestrame File (*.kqf)", "Kestrame Template (*.kqt)"}},
        {"Kestrame Catalog (*.vdx) (*.ctf) (*.ddl)|*.vdx;*.did;*.ctf;*.ddl",
         {"Kestrame Catalog (*.vdx) (*.ctf) (*.ddl) (*.vdx *.did *.ctf *.ddl)"}},
        {"Kestrame Catalog Files (*.vdx,*.ddl, *.ctf)|*.vdx;*.ddl;*.ctf|Corvandel Catalog File|*.vdx|Kestrame Direct "
         "Data Link (*.ddl)|*.ddl|Kestrame Catalog (*.ctf)|*.ctf",
         {"Kestrame Catalog Files (*.vdx *.ddl *.ctf)", "Corvandel Catalog File (*.vdx)",
          "Kestrame Direct Data Link (*.ddl)", "Kestrame Catalog (*.ctf)"}},
        {"JPEG- Joint Photographic Experts Group (*.jpg)|*.jpg|Window's Bitmap (*.bmp)|*.bmp|TIFF-Tag Image File "
         "Format (*.tif)|*.tif|As Web Page (*.html)|*.html;*.htm|Targa  (*.tga)|*.tga",
         {"JPEG- Joint Photographic Experts Group (*.jpg)", "Window's Bitmap (*.bmp)",
          "TIFF-Tag Image File Format (*.tif)", "As Web Page (*.html) (*.html *.htm)", "Targa  (*.tga)"}},
        {"Select any file in your photo collection directory|*.*",
         {"Select any file in your photo collection directory (*.*)"}},
        {"Text File|*.txt|Any File|*.*", {"Text File (*.txt)", "Any File (*.*)"}},
        {"Adobe Acrobat (*.pdf)|*.pdf", {"Adobe Acrobat (*.pdf)"}},
        {"Microsoft Excel Templates|*.xlt", {"Microsoft Excel Templates (*.xlt)"}},
        {"Tab delimited text|*.txt|All file types|*.*", {"Tab delimited text (*.txt)", "All file types (*.*)"}},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_EQ(QtNameFilters(filter), expected) << filter;
}

TEST(FileFilter, OddFiltersKeepTheirIndexes)
{
    EXPECT_TRUE(QtNameFilters("").empty());
    EXPECT_TRUE(QtNameFilters("Only a description").empty());
    EXPECT_EQ(QtNameFilters("A||B|*.b|Dangling"), (std::vector<std::string>{"A (*)", "B (*.b)"}));
    EXPECT_EQ(QtNameFilters("|*.x; ;*.y"), std::vector<std::string>{"(*.x *.y)"});
    const auto parsed = ParseFileFilter("Kestrame File|*.kqf;*.kqt");
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed[0].description, "Kestrame File");
    EXPECT_EQ(parsed[0].patterns, (std::vector<std::string>{"*.kqf", "*.kqt"}));
}

TEST(FileFilter, TheExtensionIsThatOfTheFirstPlainPattern)
{
    const std::vector<std::pair<FileFilter, std::string>> cases = {
        {{"JPEG", {"*.jpg"}}, "jpg"},      {{"Targa", {"*.TGA"}}, "TGA"},   {{"All", {"*.*"}}, ""},
        {{"Any", {"*"}}, ""},              {{"Two", {"*.kqf", "*.kqt"}}, "kqf"}, {{"Wild", {"*.tif*"}}, ""},
        {{"Named", {"readme.txt"}}, ""},   {{"Double", {"*.tar.gz"}}, ""},
    };
    for (const auto& [filter, suffix] : cases)
        EXPECT_EQ(EntryExtension(filter), suffix) << filter.patterns[0];
}

TEST(Progress, KeepsItsValuesWithoutAWindow)
{
    Progress& bar = MainProgress();
    bar.SetMin(0);
    bar.SetMax(3);
    bar.SetStep(1);
    bar.SetPosition(0);
    bar.StepIt();
    bar.StepIt();
    bar.StepIt();
    EXPECT_EQ(bar.Position(), 3);
    bar.StepIt();
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(10);
    EXPECT_EQ(bar.Position(), 3);
    bar.SetMax(2);
    EXPECT_EQ(bar.Position(), 2);
    bar.StepBy(-5);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetMax(-4);
    EXPECT_EQ(bar.Max(), 0);

    struct Watched : Progress {
        int changes = 0;
        void Changed() override { ++changes; }
    } watched;
    SetMainProgress(&watched);
    MainProgress().SetMax(100);
    MainProgress().SetVisible(true);
    EXPECT_EQ(watched.changes, 2);
    EXPECT_TRUE(watched.Visible());
    SetMainProgress(nullptr);
    EXPECT_EQ(&MainProgress(), &bar);
}

namespace {

class Throwing : public QObject {
public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw EFOpenError("Cannot open file \"plan.kqf\". No such file or directory");
        if (event->type() == QEvent::User + 1)
            throw std::runtime_error("ends with a full stop.");
        return QObject::event(event);
    }
};

} // namespace

TEST(Application, AnEscapedExceptionIsShown)
{
    ScriptedUi ui;
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerMessage(MsgAnswer::OK);
    Throwing target;
    QEvent first(QEvent::User);
    EXPECT_FALSE(ShowingExceptions([&] { return QCoreApplication::sendEvent(&target, &first); }));
    QEvent second(static_cast<QEvent::Type>(QEvent::User + 1));
    EXPECT_FALSE(ShowingExceptions([&] { return QCoreApplication::sendEvent(&target, &second); }));
    EXPECT_TRUE(ShowingExceptions([] { return true; }));
    ASSERT_EQ(ui.Calls().size(), 2u);
    EXPECT_EQ(ui.Calls()[0].text, "Cannot open file \"plan.kqf\". No such file or directory.");
    EXPECT_EQ(ui.Calls()[0].caption, "Kestrame");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Error);
    EXPECT_EQ(ui.Calls()[0].buttons, MsgButtons::OK);
    EXPECT_EQ(ui.Calls()[1].text, "ends with a full stop.");
    EXPECT_EQ(ExceptionMessageText("Grid index out of range"), "Grid index out of range.");
    EXPECT_EQ(ExceptionMessageText("Is it?"), "Is it?.");
    EXPECT_EQ(ExceptionMessageText("Failed!"), "Failed!");
    EXPECT_EQ(ExceptionMessageText(""), "");
}
