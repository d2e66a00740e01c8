// The help hook, its error messages and debug log, and the help window on the program's own help
// file.
#include "app/CommandLine.h"
#include "app/HelpWindow.h"
#include "app/Hh.h"
#include "app/Hh_funcs.h"
#include "platform/services/ChmArchive.h"
#include "testing/RecordingDesktop.h"

#include "MainFormFixture.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>

#include <filesystem>
#include <regex>
#include <sstream>

namespace {

// A program folder and a cache folder of their own; the engine is released and the command line
// emptied after each test.
class HelpFixture : public testing::Test {
protected:
    HelpFixture()
    {
        setenv("KESTRAME_PROGRAM_DIR", (program.Path() + "/").c_str(), 1);
        setenv("XDG_CACHE_HOME", cache.Path().c_str(), 1);
        SetProgramCommandLine({});
    }
    ~HelpFixture() override
    {
        CloseAllHelpWindows();
        UnloadHtmlHelp();
        SetFolderWritableProbe(nullptr);
        SetProgramCommandLine({});
        unsetenv("XDG_CACHE_HOME");
        unsetenv("KESTRAME_PROGRAM_DIR");
    }

    std::vector<std::string> LogLines(const std::string& path) const
    {
        std::vector<std::string> lines;
        std::istringstream text(ReadWholeFile(path));
        for (std::string line; std::getline(text, line);) {
            EXPECT_TRUE(line.ends_with("\r")) << line;
            line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    TemporaryFolder program;
    TemporaryFolder cache;
    ScriptedUi ui;
};

} // namespace

TEST(HhPath, BuildsAndSplitsHelpPaths)
{
    const struct {
        const char* file;
        const char* topic;
        const char* window;
        HhPathPrefix prefix;
        const char* path;
    } cases[] = {
        {"  /opt/My%20Help.chm ", "", "", HhPathPrefix::None, "/opt/My Help.chm"},
        {"a.chm", "pages\\two.html", "", HhPathPrefix::None, "a.chm::/pages/two.html"},
        {"a.chm", " /two.html%20", "main", HhPathPrefix::None, "a.chm::/two.html>main"},
        {"a.chm", "", " main ", HhPathPrefix::None, "a.chm>main"},
        {"a.chm", "x.html", "", HhPathPrefix::MkStore, "mk:@MSITStore:a.chm::/x.html"},
        {"a.chm", "x.html", "w", HhPathPrefix::MsIts, "ms-its:a.chm::/x.html>w"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HhPath(c.file, c.topic, c.window, c.prefix), c.path);
        const HhPathParts parts = SplitHhPath(c.path);
        EXPECT_EQ(HhPath(parts.file, parts.topic, parts.window, HhPathPrefix::None),
                  HhPath(c.file, c.topic, c.window, HhPathPrefix::None));
    }
}

TEST(HelpLinks, ResolveInsideTheArchiveOrGoOutside)
{
    const struct {
        const char* link;
        HelpLink::Kind kind;
        const char* target;
    } cases[] = {
        {"three.html", HelpLink::Kind::Topic, "/pages/three.html"},
        {"../index.html#top", HelpLink::Kind::Topic, "/index.html#top"},
        {"/keys.html", HelpLink::Kind::Topic, "/keys.html"},
        {"ms-its:Other.chm::/keys.html", HelpLink::Kind::Topic, "/keys.html"},
        {"mk:@MSITStore:C:\\Help\\K.chm::pages/a.html", HelpLink::Kind::Topic, "/pages/a.html"},
        {"KestrameHelp.chm::/options.html>main", HelpLink::Kind::Topic, "/options.html"},
        {"https://example.org/a?b=c", HelpLink::Kind::External, "https://example.org/a?b=c"},
        {"HTTP://example.org/", HelpLink::Kind::External, "HTTP://example.org/"},
        {"mailto:help@example.org", HelpLink::Kind::External, "mailto:help@example.org"},
    };
    for (const auto& c : cases) {
        const HelpLink link = ResolveHelpLink("/pages/two.html", c.link);
        EXPECT_EQ(link.kind, c.kind) << c.link;
        EXPECT_EQ(link.target, c.target) << c.link;
    }
}

TEST_F(HelpFixture, HookAnswersItsThreeCommandsAndLeavesTheRest)
{
    LoadHtmlHelp("kestrame-missing-engine");
    ASSERT_FALSE(HhInstalled());
    bool previousCalled = false;
    TApplication::SetOnHelp([&](std::uint16_t, std::uint32_t, bool&) { return previousCalled = true; });
    {
        THookHelpSystem hook(program.File("KestrameHelp.chm"), "", THostType::HtmlHelpApi);
        std::vector<std::string> handled;
        const auto request = [&](std::uint16_t command, std::uint32_t data) {
            bool callHelp = false;
            EXPECT_TRUE(TApplication::OnHelp()(command, data, callHelp));
            return callHelp;
        };
        // Without replacement handlers a context or pop-up request reaches the missing engine,
        // which says so once per request.
        for (const std::uint16_t command : {HELP_CONTEXT, HELP_CONTEXTPOPUP}) {
            ui.AnswerMessage(MsgAnswer::OK);
            EXPECT_FALSE(request(command, 5));
        }
        hook.onHelpContext = [&](std::uint32_t context) {
            handled.push_back("context " + std::to_string(context));
            return 0;
        };
        hook.onHelpContextPopup = [&](std::uint32_t context, int x, int y) {
            handled.push_back("popup " + std::to_string(context) + " at " + std::to_string(x) + "," +
                              std::to_string(y));
            return 0;
        };
        EXPECT_FALSE(request(HELP_SETPOPUP_POS, 0xFFF6'0020u)); // x 32, y -10
        EXPECT_FALSE(request(HELP_CONTEXT, 7));
        EXPECT_FALSE(request(HELP_CONTEXTPOPUP, 9));
        for (const std::uint16_t other : {2, 3, 11, 257, 0xFFFF})
            EXPECT_TRUE(request(other, 1)) << other;
        EXPECT_TRUE(TApplication::HelpContext(3));
        EXPECT_EQ(handled, (std::vector<std::string>{"context 7", "popup 9 at 32,-10", "context 3"}));
    }
    // The previous handler is back.
    EXPECT_FALSE(previousCalled);
    bool callHelp = false;
    TApplication::OnHelp()(HELP_CONTEXT, 1, callHelp);
    EXPECT_TRUE(previousCalled);
    TApplication::SetOnHelp(nullptr);

    const std::vector<ScriptedUi::Call>& calls = ui.Calls();
    ASSERT_EQ(calls.size(), 2u);
    for (const ScriptedUi::Call& call : calls) {
        EXPECT_EQ(call.text, "libchm is not installed on this PC.");
        EXPECT_EQ(call.caption, "Kestrame");
        EXPECT_EQ(call.icon, MsgIcon::Exclamation);
    }
}

TEST_F(HelpFixture, ViewerHostsAndUnknownCodesSayWhatFailed)
{
    LoadHtmlHelp();
    ASSERT_TRUE(HhInstalled());
    for (const THostType host : {THostType::KeyHH, THostType::HH}) {
        THookHelpSystem hook(KESTRAME_HELP_FILE, "", host);
        ui.AnswerMessage(MsgAnswer::OK);
        EXPECT_EQ(hook.HelpContext(1), host == THostType::KeyHH ? 2 : 3);
    }
    ui.AnswerMessage(MsgAnswer::OK);
    HhReportError(7);
    HhReportError(0);
    std::vector<std::string> texts;
    for (const ScriptedUi::Call& call : ui.Calls())
        texts.push_back(call.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"System file KeyHH.EXE was not found in the Windows folder.",
                                               "System file HH.EXE was not found in the Windows folder.",
                                               "Unknown error returned by HHHelpContext"}));
    EXPECT_EQ(OpenHelpWindow(KESTRAME_HELP_FILE), nullptr);
}

TEST_F(HelpFixture, DebugModeWritesTheLogWhereOnlyThisUserCanReachIt)
{
    const std::string programLog = program.File("HHDebug.txt");
    // Off: an old log goes, and no new one comes.
    WriteWholeFile(programLog, "old");
    SetProgramCommandLine({"plan.kqf", "/debugging"});
    LoadHtmlHelp();
    EXPECT_FALSE(HhDebugMode());
    EXPECT_FALSE(std::filesystem::exists(programLog));
    HhDebug("nothing");
    EXPECT_FALSE(std::filesystem::exists(programLog));

    // On through "debug.debug": the header without times, in the format strings' order.
    WriteWholeFile(program.File("debug.debug"), "");
    WriteWholeFile(programLog, "old");
    LoadHtmlHelp();
    ASSERT_TRUE(HhDebugMode());
    EXPECT_EQ(HhLogPath(), programLog);
    HhDebug("-");
    HhDebug("!Plain");
    HhDebug("THookHelpSystem.HelpHook(HELP_CONTEXT (1), 1)");
    std::vector<std::string> lines = LogLines(programLog);
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines[0], "Log File:             " + programLog);
    EXPECT_TRUE(
        std::regex_match(lines[1], std::regex("Date:                 \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d")));
    EXPECT_TRUE(
        std::regex_match(lines[2], std::regex("Operating System:      \tLinux \\d+\\.\\d+ \\(Build \\d+\\) .*")));
    const char* labels[] = {
        "SysLocale.DefaultLCID: ", "SysLocale.PriLangID:   ", "SysLocale.SubLangID:   ", "DecimalSeparator:      ",
        "EXE Path =          ",    "EXE Version =       ",    "Cmdline Param(s) =  ",    "Actual CmdLine =  ",
        "_RunDir =           ",    "_ModuleName =       ",    "_ModuleDir =        ",    "_ModulePath =        ",
        "Module Version =       ", "_hhInstalled =      ",    "_hhVerStr =         ",    "_hhFriendlyVerStr = ",
        "_ieInstalled =      ",    "_ieVerStr =         ",    "_ieFriendlyVerStr = "};
    for (size_t i = 0; i < std::size(labels); ++i)
        EXPECT_TRUE(lines[3 + i].starts_with(labels[i])) << lines[3 + i];
    EXPECT_EQ(lines[9], "Cmdline Param(s) =  plan.kqf /debugging");
    EXPECT_EQ(lines[16], "_hhInstalled =      YES");
    EXPECT_EQ(lines[17], "_hhVerStr =         1.0.0.0");
    EXPECT_EQ(lines[22], std::string(60, '-'));
    EXPECT_EQ(lines[23], "Plain");
    EXPECT_TRUE(std::regex_match(
        lines[24],
        std::regex("\\d\\d:\\d\\d:\\d\\d\\.\\d{3}   THookHelpSystem\\.HelpHook\\(HELP_CONTEXT \\(1\\), 1\\)")));

    // On through "-DEBUG", with a program folder the probe calls read-only: the log goes to this
    // user's cache folder, made afresh even where a link of its name points elsewhere.
    std::filesystem::remove(program.File("debug.debug"));
    SetProgramCommandLine({"-DEBUG"});
    SetFolderWritableProbe([](const std::string&) { return false; });
    const std::string cacheLog = cache.File("Kestrame/HHDebug.txt");
    std::filesystem::create_directories(cache.File("Kestrame"));
    WriteWholeFile(cache.File("victim.txt"), "keep");
    std::filesystem::create_symlink(cache.File("victim.txt"), cacheLog);
    LoadHtmlHelp();
    ASSERT_TRUE(HhDebugMode());
    EXPECT_EQ(HhLogPath(), cacheLog);
    EXPECT_FALSE(std::filesystem::is_symlink(cacheLog));
    EXPECT_EQ(ReadWholeFile(cache.File("victim.txt")), "keep");
    EXPECT_TRUE(LogLines(cacheLog).at(0).ends_with(cacheLog));
    EXPECT_TRUE(std::filesystem::exists(programLog)); // the last start's, in a folder not used now

    // The real probe never removes a file it did not make.
    WriteWholeFile(program.File("$_Temp_$.$$$"), "the user's");
    EXPECT_TRUE(FolderWritable(program.Path()));
    EXPECT_EQ(ReadWholeFile(program.File("$_Temp_$.$$$")), "the user's");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(program.Path()), {}), 2);
    EXPECT_FALSE(FolderWritable(program.File("no-such-folder")));
}

TEST_F(HelpFixture, HelpWindowShowsTheProgramsHelp)
{
    LoadHtmlHelp();
    RecordingDesktop desktop;
    QPointer<THelpWindow> window;
    {
        THookHelpSystem hook(KESTRAME_HELP_FILE, "", THostType::HtmlHelpApi);
        ASSERT_TRUE(TApplication::HelpContext(1));
        window = OpenHelpWindow(KESTRAME_HELP_FILE);
        ASSERT_TRUE(window);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), "Kestrame Help");
        EXPECT_EQ(window->CurrentTopic(), "/index.html");
        EXPECT_TRUE(window->Browser->toPlainText().startsWith("Kestrame Help"));
        EXPECT_EQ(window->tvContents->topLevelItem(0)->childCount(), 9);

        // Links inside the help open here, with Back and Forward; web links go to the desktop.
        window->BrowserAnchorClicked(QUrl("first_steps.html"));
        EXPECT_EQ(window->CurrentTopic(), "/first_steps.html");
        window->BrowserAnchorClicked(QUrl("ms-its:KestrameHelp.chm::/keys.html"));
        EXPECT_EQ(window->CurrentTopic(), "/keys.html");
        window->BrowserAnchorClicked(QUrl("https://example.org/help"));
        EXPECT_EQ(desktop.opened, std::vector<std::string>{"https://example.org/help"});
        EXPECT_EQ(window->CurrentTopic(), "/keys.html");
        window->Back->trigger();
        EXPECT_EQ(window->CurrentTopic(), "/first_steps.html");
        window->Forward->trigger();
        EXPECT_EQ(window->CurrentTopic(), "/keys.html");
        window->Home->trigger();
        EXPECT_EQ(window->CurrentTopic(), "/index.html");

        // Another request shows the same window.
        window->BrowserAnchorClicked(QUrl("options.html"));
        window->hide();
        EXPECT_TRUE(TApplication::HelpContext(1));
        EXPECT_EQ(OpenHelpWindow(KESTRAME_HELP_FILE), window.data());
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->CurrentTopic(), "/index.html");

        // Every link and picture of every topic resolves inside the file.
        const ChmArchive& archive = window->Archive();
        size_t links = 0;
        for (const std::string& name : archive.FileNames()) {
            if (!name.ends_with(".html"))
                continue;
            QTextDocument document;
            document.setHtml(QString::fromUtf8(archive.Object(name).value_or("")));
            for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
                for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
                    const QTextCharFormat format = fragment.fragment().charFormat();
                    const QString target = format.isImageFormat() ? format.toImageFormat().name() : format.anchorHref();
                    if (target.isEmpty())
                        continue;
                    const HelpLink link = ResolveHelpLink(name, target.toStdString());
                    EXPECT_EQ(link.kind, HelpLink::Kind::Topic) << name << " " << target.toStdString();
                    EXPECT_TRUE(archive.HasObject(link.target.substr(0, link.target.find('#'))))
                        << name << " " << target.toStdString();
                    ++links;
                }
        }
        EXPECT_GT(links, 20u);
    }
    // The hook took its windows with it.
    EXPECT_FALSE(window);
    EXPECT_EQ(OpenHelpWindow(KESTRAME_HELP_FILE), nullptr);
}

TEST_F(HelpFixture, AFileThatCannotBeOpenedIsReported)
{
    LoadHtmlHelp();
    WriteWholeFile(program.File("KestrameHelp.chm"), "not a help file");
    THookHelpSystem hook(program.File("KestrameHelp.chm"), "", THostType::HtmlHelpApi);
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_EQ(hook.HelpContext(1), 0);
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text, "Could not open the help file " + program.File("KestrameHelp.chm"));
    EXPECT_EQ(ui.Calls()[0].caption, "Kestrame");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Exclamation);
}

namespace {

class HelpKeyFixture : public MainFormFixture {
protected:
    HelpKeyFixture()
    {
        static const bool installed = (TApplication::InstallHelpKey(*qApp), true);
        (void)installed;
        LoadHtmlHelp();
    }
    ~HelpKeyFixture() override
    {
        form.reset();
        UnloadHtmlHelp();
    }

    static void PressF1(QWidget* widget)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
    }
};

} // namespace

TEST_F(HelpKeyFixture, F1InAPlanogramWindowOpensTheContents)
{
    std::filesystem::copy_file(KESTRAME_HELP_FILE, program.File("KestrameHelp.chm"));
    const std::string help = program.File("KestrameHelp.chm");
    QWidget lone; // no help context anywhere up its parents
    PressF1(&lone);
    EXPECT_EQ(OpenHelpWindow(help), nullptr);

    ASSERT_TRUE(form->OpenPlanogram(Example()));
    PressF1(form->ActivePlanogram());
    THelpWindow* window = OpenHelpWindow(help);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->CurrentTopic(), "/index.html");
    window->BrowserAnchorClicked(QUrl("keys.html"));
    form->Help2->trigger();
    EXPECT_EQ(window->CurrentTopic(), "/index.html");
    form.reset();
    EXPECT_EQ(OpenHelpWindow(help), nullptr);
}

namespace {

// A menu bar text as the user reads it: without its accelerator mark and trailing dots.
std::string Shown(const QString& text)
{
    QString shown = text;
    shown.remove('&');
    if (shown.endsWith("..."))
        shown.chop(3);
    return shown.toStdString();
}

} // namespace

TEST_F(HelpKeyFixture, EveryMenuCommandTheHelpNamesIsWhereItSays)
{
    ChmArchive archive(HelpEngine(), KESTRAME_HELP_FILE);
    std::vector<std::string> named, missing;
    const std::regex path("<b>([^<]+?) &gt; ([^<]+?)</b>");
    for (const std::string& file : archive.FileNames()) {
        if (!file.ends_with(".html"))
            continue;
        const std::string page = archive.Object(file).value_or("");
        for (std::sregex_iterator at(page.begin(), page.end(), path), end; at != end; ++at) {
            const std::string menu = (*at)[1], command = (*at)[2];
            named.push_back(menu + " > " + command);
            bool found = false;
            for (QAction* bar : form->menuBar()->actions())
                if (bar->menu() && Shown(bar->text()) == menu)
                    for (QAction* item : bar->menu()->actions())
                        found = found || Shown(item->text()) == command;
            if (!found)
                missing.push_back(file + ": " + menu + " > " + command);
        }
    }
    EXPECT_NE(std::find(named.begin(), named.end(), "View > Selector"), named.end());
    EXPECT_NE(std::find(named.begin(), named.end(), "Tools > Catalog Wizard"), named.end());
    EXPECT_EQ(missing, std::vector<std::string>{});
}
