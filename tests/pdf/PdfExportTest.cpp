#include "pdf/PDFR2.h"

#include "ImageTestSupport.h"
#include "PdfJudging.h"
#include "PdfTestSupport.h"
#include "platform/core/Variant.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "testing/FixedPrinter.h"
#include "testing/RecordingDesktop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

// Records every engine call as a line and hands it on to the real engine; an action of code
// `failingAction` raises a write error instead.
struct RecordingEngine {
    std::vector<std::string> calls;
    int failingAction = 0;

    TPdfEngineCalls Calls()
    {
        TPdfEngineCalls engine;
        engine.Initialize = [this](int a, int b, int c, int mode, TPdfEngineCallback callback, void* user) {
            calls.push_back("Initialize " + std::to_string(mode));
            return PDFE_Initialize(a, b, c, mode, callback, user);
        };
        engine.Finalize = [this](TPdfEngineEnv* env) {
            calls.push_back("Finalize");
            PDFE_Finalize(env);
        };
        engine.SetIProp = [this](TPdfEngineEnv* env, int id, int value) {
            calls.push_back("I" + std::to_string(id) + "=" + std::to_string(value));
            return PDFE_SetIProp(env, id, value);
        };
        engine.SetSProp = [this](TPdfEngineEnv* env, int id, const char* text) {
            calls.push_back("S" + std::to_string(id) + "=" + text);
            return PDFE_SetSProp(env, id, text);
        };
        engine.Action = [this](TPdfEngineEnv* env, int code, int value, void* argument) {
            calls.push_back("A" + std::to_string(code));
            if (code == failingAction)
                throw EWriteError("Stream write error");
            return PDFE_Action(env, code, value, argument);
        };
        engine.InitializePage = [this](TPdfEngineEnv* env, int unused, const TPdf_InitRec& record) {
            calls.push_back("Page " + std::to_string(record.Width) + "x" + std::to_string(record.Height) + " at " +
                            std::to_string(record.ResolutionX) + "/" + std::to_string(record.ResolutionY));
            return PDFE_InitializePage(env, unused, record);
        };
        return engine;
    }
};

// Points KESTRAME_PROGRAM_DIR at a folder while it lives.
class ScopedProgramFolder {
public:
    explicit ScopedProgramFolder(const std::string& folder) { setenv("KESTRAME_PROGRAM_DIR", folder.c_str(), 1); }
    ~ScopedProgramFolder() { unsetenv("KESTRAME_PROGRAM_DIR"); }
};

// Fixes the clock at noon of a day while it lives.
class ScopedDay {
public:
    ScopedDay(int year, unsigned month, unsigned day) { Set(year, month, day); }
    ~ScopedDay() { SetClock({}); }
    void Set(int year, unsigned month, unsigned day)
    {
        using namespace std::chrono;
        const TimePoint noon = sys_days{std::chrono::year{year} / month / day} + hours(12);
        SetClock([noon] { return noon; });
    }
};

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Judge(const std::string& command, const std::string& file)
{
    int status = -1;
    const std::string output = RunCommand(command + " " + file + " 2>&1", &status);
    EXPECT_EQ(status, 0) << command << ": " << output;
    return output;
}

// A page with a line of text and a framed box on the component's canvas.
void DrawTextPage(TPdfCustomExport& pdf, const std::string& text)
{
    pdf.StartPage(612, 792, 72, 72, 0);
    TMetafileCanvas& canvas = pdf.GetCanvas();
    canvas.TextOut(72, 72, text);
    canvas.Rectangle(72, 120, 300, 200);
    pdf.EndPage();
}

std::string MemoryText(TMemoryStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

} // namespace

// Misuse raises its texts; engine errors reach OnError without raising.
TEST(PdfExport, MisuseRaisesItsTexts)
{
    TemporaryFolder folder;
    std::vector<std::string> errors;
    TPdfPrinter pdf;
    pdf.OnError = [&](TPdfCustomExport&, int number, const std::string& text) {
        errors.push_back(std::to_string(number) + " " + text);
    };
    EXPECT_EQ(RaisedMessage<Exception>([&] { pdf.StartPage(612, 792, 72, 72, 0); }),
              "StartPage is only allowed within StartDoc and EndDoc!");
    EXPECT_EQ(RaisedMessage<Exception>([&] { pdf.BeginDoc(); }), "No filename or InMemoryMode was specified!");
    EXPECT_FALSE(pdf.DocumentOpen());
    pdf.Filename = folder.File("missing/plan.pdf");
    // The file that could not be made, and why, follow the export's own words.
    const std::string reason = "Cannot open file " + pdf.Filename + ". No such file or directory";
    EXPECT_EQ(RaisedMessage<Exception>([&] { pdf.BeginDoc(); }), "Error in BeginDoc! " + reason);
    EXPECT_EQ(errors, std::vector<std::string>{"3 " + reason});
    EXPECT_FALSE(pdf.DocumentOpen());

    errors.clear();
    pdf.Filename = folder.File("plan.pdf");
    pdf.BeginDoc();
    pdf.StartPage(612, 792, 72, 72, 0);
    EXPECT_EQ(pdf.DrawTGraphic(0, 0, 10, 10, nullptr), -1);
    TBitmap empty;
    EXPECT_EQ(pdf.DrawBitmap(0, 0, 10, 10, empty), -1);
    EXPECT_EQ(errors, std::vector<std::string>{"2 Invalid bitmap"});
    EXPECT_TRUE(pdf.DocumentOpen());
    TJPEGImage jpeg;
    EXPECT_EQ(RaisedMessage<Exception>([&] { pdf.DrawTGraphic(0, 0, 10, 10, &jpeg); }), "Cannot convert TJPEGImage");
    EXPECT_FALSE(pdf.DocumentOpen());
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{});
}

// The properties reach the engine in their fixed order; a second BeginDoc adds nothing, and
// resolutions of 0 are 72.
TEST(PdfExport, PropertiesReachTheEngineInOrder)
{
    ScopedDay day(2026, 12, 7);
    RecordingEngine engine;
    TMemoryStream output;
    TPdfPrinter pdf;
    pdf.SetEngineCalls(engine.Calls());
    pdf.SetOutputStream(&output);
    pdf.InMemoryMode = true;
    pdf.EncodeStreamMethod = peASCIIHexEncode;
    pdf.CompressStreamMethod = peCompressFlate;
    pdf.PageMode = peUseThumbs;
    pdf.ZoomMode = pwZoomFitPage;
    pdf.FontMode = peEmbedTrueTypeFonts;
    pdf.ConvertJPEGData = true;
    pdf.Encryption = {peEncryptFile, peEnableCopying};
    pdf.Security = pep128bit;
    pdf.SetJPEGQuality(peJPEG_50);
    pdf.CreateThumbnails = true;
    pdf.SetModes({peNeverFill, peDontCropBitmaps});
    pdf.SetOptions({peCreateAutoLinks});
    pdf.ExtraMessages = {peOnEmbedFonts};
    TPdfExportInfo info;
    info.Author = "Ann";
    info.CreationDate = EncodeOleDate(TDateParts{2026, 3, 4});
    info.Title = "Aisle 7";
    info.Keywords = "cola";
    pdf.SetInfo(info);
    TStringList fonts;
    fonts.SetCommaText("Arial,\"Courier New\"");
    pdf.SetExcludedFonts(fonts);
    pdf.UserPassword = "user";
    pdf.OwnerPassword = "owner";

    pdf.BeginDoc();
    const std::size_t afterBegin = engine.calls.size();
    pdf.BeginDoc();
    EXPECT_EQ(engine.calls.size(), afterBegin);
    pdf.StartPage(612, 792, 0, 0, 0);
    pdf.SetJPEGQuality(peJPEG_100);
    pdf.EndPage();
    pdf.EndDoc();

    const std::vector<std::string> expected = {"Initialize 1",  "I1=2",
                                               "I2=1",          "I3=2",
                                               "I14=1",         "I4=1",
                                               "I6=1",          "I7=9",
                                               "I15=1",         "I12=3",
                                               "I25=1",         "I26=258",
                                               "I27=1",         "I9=0",
                                               "I8=0",          "I21=1",
                                               "S1=Ann",        "S2=D:20260304",
                                               "S3=D:20261207", "S4=Kestrame PDF",
                                               "S5=Aisle 7",    "S6=",
                                               "S7=cola",       "S9=Arial,\"Courier New\"",
                                               "S11=user",      "S10=owner",
                                               "S12=",          "I10=200",
                                               "A4533",         "Page 612x792 at 72/72",
                                               "A4535",         "I12=5",
                                               "A4536",         "A4534",
                                               "A4537",         "A4537",
                                               "A4539",         "Finalize"};
    EXPECT_EQ(engine.calls, expected);
    EXPECT_EQ(MemoryText(output).substr(0, 5), "%PDF-");
    EXPECT_NE(MemoryText(output).find("/Encrypt"), std::string::npos);
}

// An export whose first page is started inside BeginDoc, as an override of PreparePage asks.
class TPageInBeginDoc : public TPdfPrinter {
protected:
    void PreparePage(int pageNumber, TPdf_InitRec& record) override
    {
        EXPECT_EQ(pageNumber, -1);
        record.Width = 300;
        record.Height = 400;
        record.ResolutionX = record.ResolutionY = 72;
        startPageInBeginDoc_ = true;
    }
};

TEST(PdfExport, APageStartedInsideBeginDocIsNotStartedAgain)
{
    TemporaryFolder folder;
    RecordingEngine engine;
    TPageInBeginDoc pdf;
    pdf.SetEngineCalls(engine.Calls());
    pdf.Filename = folder.File("plan.pdf");
    pdf.BeginDoc();
    DrawTextPage(pdf, "Small first page");
    DrawTextPage(pdf, "Letter page");
    pdf.EndDoc();
    const auto begun = std::find(engine.calls.begin(), engine.calls.end(), "A4533");
    EXPECT_EQ(
        std::vector<std::string>(begun, engine.calls.end()),
        (std::vector<std::string>{"A4533", "Page 300x400 at 72/72", "A4535", "A4544", "A4536", "Page 612x792 at 72/72",
                                  "A4535", "A4544", "A4536", "A4534", "A4538", "A4539", "Finalize"}));
    Judge("qpdf --check", pdf.Filename);
    const std::string sizes = Judge("pdfinfo -f 1 -l 2", pdf.Filename);
    EXPECT_NE(sizes.find("Page    1 size:  300 x 400 pts"), std::string::npos) << sizes;
    EXPECT_NE(sizes.find("Page    2 size:  612 x 792 pts"), std::string::npos) << sizes;
}

// Text, shapes and bitmaps drawn on the canvas of a printer-referenced page reach the file, which
// the desktop then opens once.
TEST(PdfExport, CanvasPageIsJudgedByQpdfAndPoppler)
{
    TemporaryFolder folder;
    FixedPrinter printer;
    RecordingDesktop desktop;
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(8, 4);
    for (int x = 0; x < 8; ++x)
        bitmap.SetPixel(x, 1, clRed);
    const std::string file = folder.File("plan.pdf");
    TPdfPrinter pdf;
    pdf.Filename = file;
    pdf.AutoLaunch = true;
    pdf.CanvasReference = perefPrinter;
    pdf.BeginDoc();
    // A4 in tenths of a millimetre.
    pdf.StartPage(2100, 2970, 254, 254, 0);
    TMetafileCanvas& canvas = pdf.GetCanvas();
    EXPECT_EQ(canvas.GetDeviceCaps(LOGPIXELSX), 600);
    canvas.Font.Name = "Arial";
    canvas.Font.SetSize(14);
    canvas.TextOut(200, 200, "Shelf 7 Cola (1.5 l)");
    canvas.Pen.Width = 5;
    canvas.Rectangle(200, 400, 1000, 800);
    canvas.Ellipse(1100, 400, 1900, 800);
    canvas.StretchDraw(TRect{200, 1000, 1000, 1400}, bitmap);
    EXPECT_GE(pdf.DrawBitmap(200, 1500, 800, 400, bitmap), 1);
    pdf.SetBookmark("shelf7", 200, 200);
    EXPECT_EQ(pdf.SetOutline("Shelf 7", "shelf7", 1), 1);
    pdf.SetLinkArea("http://www.kestrame.example/", TRect{200, 400, 1000, 800});
    pdf.EndPage();
    EXPECT_TRUE(desktop.opened.empty());
    pdf.EndDoc();
    EXPECT_EQ(desktop.opened, std::vector<std::string>{file});

    Judge("qpdf --check", file);
    EXPECT_NE(Judge("pdftotext", file + " -").find("Shelf 7 Cola (1.5 l)"), std::string::npos);
    EXPECT_EQ(InfoField(Judge("pdfinfo", file), "Page size"), "595 x 842 pts (A4)");
    const std::string outlines = Judge("qpdf --json --json-key=outlines", file);
    EXPECT_NE(outlines.find("\"title\": \"Shelf 7\""), std::string::npos) << outlines;
    EXPECT_NE(outlines.find("\"destpageposfrom1\": 1"), std::string::npos) << outlines;
    // The link's rectangle in points, from the page's foot.
    const std::string bytes = ReadWholeFile(file);
    EXPECT_NE(bytes.find("/Rect [57 615 283 729]"), std::string::npos);
    EXPECT_NE(bytes.find("/URI (http://www.kestrame.example/)"), std::string::npos);
    const std::string images = Judge("pdfimages -list", file);
    EXPECT_EQ(Occurrences(images, " rgb "), 2) << images;

    printer.installed = false;
    pdf.AutoLaunch = false;
    pdf.BeginDoc();
    pdf.StartPage(2100, 2970, 254, 254, 0);
    EXPECT_EQ(pdf.GetCanvas().GetDeviceCaps(LOGPIXELSX), 96);
    pdf.EndPage();
    pdf.EndDoc();
    EXPECT_EQ(desktop.opened.size(), 1u);
}

// A line drawn at twice the font width comes out twice as wide and as high as before.
TEST(PdfExport, EnlargedFontWidthWidensTextOnly)
{
    TemporaryFolder folder;
    TPdfPrinter pdf;
    pdf.Filename = folder.File("plan.pdf");
    pdf.BeginDoc();
    for (const int percent : {100, 200}) {
        pdf.EnlargeFontWidth(percent);
        pdf.StartPage(612, 792, 72, 72, 0);
        TMetafileCanvas& canvas = pdf.GetCanvas();
        canvas.Font.Name = "Arial";
        canvas.Font.SetSize(24);
        canvas.TextOut(72, 72, "Shelf 7 Cola");
        pdf.EndPage();
    }
    pdf.EndDoc();

    std::vector<TRect> lines;
    for (const char* page : {"1", "2"}) {
        const RgbImage image = DecodedBy("pdftoppm -r 72 -f " + std::string(page) + " -l " + page + " " + pdf.Filename);
        lines.push_back(InkBounds(image, TRect{0, 0, image.width, image.height}));
    }
    const int normal = lines[0].Right - lines[0].Left, enlarged = lines[1].Right - lines[1].Left;
    EXPECT_GT(normal, 100);
    EXPECT_NEAR(enlarged, 2 * normal, 4);
    EXPECT_NEAR(lines[1].Left, lines[0].Left, 2);
    EXPECT_NEAR(lines[1].Bottom - lines[1].Top, lines[0].Bottom - lines[0].Top, 1);
}

// Bookmarks lead to the place they were set at, in the units of their own page, whatever the
// resolution of the pages after it.
TEST(PdfExport, BookmarksLeadToTheirPlaceOnPagesOfOtherResolutions)
{
    TemporaryFolder folder;
    TPdfPrinter pdf;
    pdf.Filename = folder.File("plan.pdf");
    pdf.BeginDoc();
    // A4 in tenths of a millimetre: one inch from the left, one and two inches from the top.
    pdf.StartPage(2100, 2970, 254, 254, 0);
    pdf.SetBookmark("front", 254, 254);
    pdf.SetOutline("Front", "front", 1);
    pdf.SetOutlineXY("Shelf", 254, 508, 1);
    pdf.EndPage();
    pdf.StartPage(612, 792, 72, 72, 0);
    pdf.SetBookmark("back", 72, 72);
    pdf.SetOutline("Back", "back", 1);
    pdf.EndPage();
    pdf.EndDoc();

    std::string outlines = Judge("qpdf --json --json-key=outlines", pdf.Filename);
    std::erase_if(outlines, [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
    // Title, page and the place in points from the page's foot.
    const std::regex entry(R"re("/XYZ",(\d+),(\d+),0\],"destpageposfrom1":(\d+),[^}]*"title":"([^"]*)")re");
    std::vector<std::string> places;
    for (auto match = std::sregex_iterator(outlines.begin(), outlines.end(), entry); match != std::sregex_iterator();
         ++match)
        places.push_back((*match)[4].str() + " on " + (*match)[3].str() + " at " + (*match)[1].str() + "," +
                         (*match)[2].str());
    EXPECT_EQ(places, (std::vector<std::string>{"Front on 1 at 72,770", "Shelf on 1 at 72,698", "Back on 2 at 72,720"}))
        << outlines;
}

// A metafile recorded on the screen's 96 dpi lands where it is drawn, in page units, at its own
// size or a given one, on pages of 72 dpi and of tenths of a millimetre.
TEST(PdfExport, MetafilesLandWhereTheyAreDrawn)
{
    TemporaryFolder folder;
    TMetafile label;
    label.SetMMWidth(2 * 2540);
    label.SetMMHeight(2540);
    {
        TMetafileCanvas canvas(label);
        canvas.TextOut(0, 0, "Origin");
    }
    TPdfPrinter pdf;
    pdf.Filename = folder.File("plan.pdf");
    pdf.BeginDoc();
    for (const int resolution : {72, 254}) {
        pdf.StartPage(resolution * 8, resolution * 10, resolution, resolution, 0);
        // One inch in and one inch down; one inch in and four inches down, twice as large.
        EXPECT_EQ(pdf.DrawTGraphic(resolution, resolution, 0, 0, &label), -1);
        pdf.DrawTGraphic(resolution, resolution * 4, resolution * 4, resolution * 2, &label);
        pdf.EndPage();
    }
    pdf.EndDoc();

    const std::string words = Judge("pdftotext -bbox", pdf.Filename + " -");
    const std::regex word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>Origin<)re");
    std::vector<std::string> places;
    for (auto match = std::sregex_iterator(words.begin(), words.end(), word); match != std::sregex_iterator(); ++match)
        places.push_back(std::to_string(std::lround(std::stod((*match)[1].str()))) + "," +
                         std::to_string(std::lround(std::stod((*match)[2].str()))));
    EXPECT_EQ(places, (std::vector<std::string>{"72,72", "72,288", "72,72", "72,288"})) << words;
}

// A web address written on the canvas, top-aligned as the canvas writes, gets a link over its own
// words, on pages of 72 dpi and of tenths of a millimetre.
TEST(PdfExport, AutomaticLinksLieOverTheirText)
{
    TemporaryFolder folder;
    TPdfPrinter pdf;
    pdf.Filename = folder.File("plan.pdf");
    pdf.SetOptions({peCreateAutoLinks});
    pdf.BeginDoc();
    for (const int resolution : {72, 254}) {
        pdf.StartPage(resolution * 8, resolution * 10, resolution, resolution, 0);
        TMetafileCanvas& canvas = pdf.GetCanvas();
        canvas.Font.Name = "Arial";
        canvas.Font.SetSize(24);
        canvas.TextOut(resolution, resolution * 2, "http://www.kestrame.example/");
        pdf.EndPage();
    }
    pdf.EndDoc();

    // The words' middle, in points from the page's foot (720 points high).
    const std::string words = Judge("pdftotext -bbox", pdf.Filename + " -");
    const std::regex word(R"re(yMin="([\d.]+)"[^>]*yMax="([\d.]+)">http://)re");
    std::vector<double> middles;
    for (auto match = std::sregex_iterator(words.begin(), words.end(), word); match != std::sregex_iterator(); ++match)
        middles.push_back(720 - (std::stod((*match)[1].str()) + std::stod((*match)[2].str())) / 2);
    const std::string bytes = ReadWholeFile(pdf.Filename);
    const std::regex link(R"re(/Rect \[(-?\d+) (-?\d+) (-?\d+) (-?\d+)\])re");
    std::vector<TRect> links;
    for (auto match = std::sregex_iterator(bytes.begin(), bytes.end(), link); match != std::sregex_iterator(); ++match)
        links.push_back(TRect{std::stoi((*match)[1].str()), std::stoi((*match)[2].str()), std::stoi((*match)[3].str()),
                              std::stoi((*match)[4].str())});
    ASSERT_EQ(middles.size(), 2u) << words;
    ASSERT_EQ(links.size(), 2u);
    for (std::size_t i = 0; i < links.size(); ++i) {
        EXPECT_EQ(links[i].Left, 72);
        EXPECT_LT(links[i].Top, middles[i]);
        EXPECT_GT(links[i].Bottom, middles[i]);
    }
}

// Pages made in memory, which the desktop is not asked to open. Each watermark is drawn once and
// found again by its metafile or its file name.
TEST(PdfExport, PagesInMemoryWithWatermarksDrawnOnce)
{
    TemporaryFolder folder;
    RecordingDesktop desktop;
    TMetafile draft;
    RecordPage(draft, 612, 792, 72);
    const std::string draftFile = folder.File("draft.emf");
    draft.SaveToFile(draftFile);
    int asked = 0;
    TMemoryStream output;
    TPdfPrinter pdf;
    pdf.InMemoryMode = true;
    pdf.AutoLaunch = true;
    pdf.SetOutputStream(&output);
    pdf.OnWatermark = [&](TPdfCustomExport&, int page, const TMetafile*& metafile, std::string& fileName) {
        EXPECT_EQ(page, ++asked);
        if (page <= 2)
            metafile = &draft;
        else
            fileName = draftFile;
    };
    pdf.BeginDoc();
    for (const char* text : {"Front of the aisle", "Back of the aisle", "Left end", "Right end"})
        DrawTextPage(pdf, text);
    pdf.EndDoc();
    EXPECT_TRUE(desktop.opened.empty());
    EXPECT_EQ(asked, 4);

    const std::string pdfText = MemoryText(output);
    EXPECT_EQ(Occurrences(pdfText, "/Subtype/Form"), 2);
    EXPECT_EQ(Occurrences(pdfText, "/XWAT0 Do"), 2);
    EXPECT_EQ(Occurrences(pdfText, "/XWAT1 Do"), 2);
    const std::string file = folder.File("memory.pdf");
    WriteWholeFile(file, pdfText);
    Judge("qpdf --check", file);
    EXPECT_EQ(InfoField(Judge("pdfinfo", file), "Pages"), "4");
    const std::string text = Judge("pdftotext", file + " -");
    EXPECT_LT(text.find("Front of the aisle"), text.find("Back of the aisle"));
    EXPECT_LT(text.find("Back of the aisle"), text.find("Right end"));
    EXPECT_EQ(Occurrences(text, "Shelf (A) \\ 4"), 4) << text;
}

// Each page's metafile is kept for inspection, in the program folder's "Debug" unless a folder is
// named; printemf reads every record of it.
TEST(PdfExport, DebugModeWritesMetafilesThatPrintemfReads)
{
    TemporaryFolder folder;
    ScopedProgramFolder programFolder(folder.Path());
    std::vector<std::string> messages;
    TPdfPrinter pdf;
    pdf.Filename = folder.File("plan.pdf");
    pdf.DebugMode = true;
    pdf.OnError = [&](TPdfCustomExport&, int number, const std::string& text) {
        messages.push_back(std::to_string(number) + " " + text);
    };
    pdf.BeginDoc();
    DrawTextPage(pdf, "Page one");
    DrawTextPage(pdf, "Page two");
    pdf.EndDoc();
    pdf.DebugMetafilePath = folder.File("named/dumps");
    pdf.BeginDoc();
    DrawTextPage(pdf, "Page three");
    pdf.EndDoc();

    const std::string debug = folder.Path() + "/Debug";
    EXPECT_EQ(messages, (std::vector<std::string>{"0 Wrote debug file:" + debug + "/Page1.EMF",
                                                  "0 Wrote debug file:" + debug + "/Page2.EMF",
                                                  "0 Wrote debug file:" + pdf.DebugMetafilePath + "/Page1.EMF"}));
    for (const std::string& file : {debug + "/Page1.EMF", debug + "/Page2.EMF", pdf.DebugMetafilePath + "/Page1.EMF"}) {
        const std::string listing = Judge("printemf", file);
        EXPECT_GE(Occurrences(listing, "*EXTTEXTOUTW*"), 1) << listing;
        EXPECT_GE(Occurrences(listing, "*RECTANGLE*"), 1) << listing;
        EXPECT_GE(Occurrences(listing, "*EOF*"), 1) << listing;
    }
    EXPECT_NE(Judge("printemf", debug + "/Page2.EMF").find("Page two"), std::string::npos);
}

// Any failure while a document is open drops it: the engine goes, the file being written with it,
// the old file stays, and the failure reaches the caller as it was raised.
TEST(PdfExport, FailuresLeaveTheComponentClosedAndTheOldFile)
{
    TemporaryFolder folder;
    const std::string target = folder.File("plan.pdf");
    WriteWholeFile(target, "old");
    RecordingEngine engine;
    engine.failingAction = 4536;
    TPdfPrinter pdf;
    pdf.SetEngineCalls(engine.Calls());
    pdf.Filename = target;
    pdf.BeginDoc();
    pdf.StartPage(612, 792, 72, 72, 0);
    pdf.GetCanvas().TextOut(72, 72, "Lost page");
    EXPECT_EQ(RaisedMessage<EWriteError>([&] { pdf.EndPage(); }), "Stream write error");
    EXPECT_EQ(engine.calls.back(), "Finalize");
    EXPECT_FALSE(pdf.DocumentOpen());
    EXPECT_FALSE(pdf.PageOpen());
    EXPECT_EQ(RaisedMessage<Exception>([&] { pdf.StartPage(612, 792, 72, 72, 0); }),
              "StartPage is only allowed within StartDoc and EndDoc!");
    EXPECT_EQ(ReadWholeFile(target), "old");
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"plan.pdf"});

    // A write that fails when the document ends.
    engine.failingAction = 0;
    pdf.BeginDoc();
    DrawTextPage(pdf, "Too long for the disk");
    {
        FileSizeLimit limit(200);
        EXPECT_NE(RaisedMessage<Exception>([&] { pdf.EndDoc(); }), "nothing raised");
    }
    EXPECT_FALSE(pdf.DocumentOpen());
    EXPECT_EQ(ReadWholeFile(target), "old");
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"plan.pdf"});

    pdf.BeginDoc();
    DrawTextPage(pdf, "Second try");
    pdf.EndDoc();
    Judge("qpdf --check", target);
    EXPECT_NE(Judge("pdftotext", target + " -").find("Second try"), std::string::npos);
}

// The dates are the day the document begins, not the day the component was made, unless the
// caller set them.
TEST(PdfExport, InformationDatesAreTheDayTheDocumentBegins)
{
    TemporaryFolder folder;
    const std::string file = folder.File("plan.pdf");
    ScopedDay day(2026, 12, 7);
    TPdfPrinter pdf;
    pdf.Filename = file;
    day.Set(2026, 12, 8);
    pdf.BeginDoc();
    DrawTextPage(pdf, "Dated");
    pdf.EndDoc();
    std::string info = Judge("pdfinfo -isodates", file);
    EXPECT_EQ(InfoField(info, "CreationDate"), "2026-12-08T00:00:00Z");
    EXPECT_EQ(InfoField(info, "ModDate"), "2026-12-08T00:00:00Z");
    EXPECT_EQ(InfoField(info, "Producer"), "Kestrame PDF");
    EXPECT_EQ(InfoField(info, "Creator"), "Kestrame");

    TPdfExportInfo given = pdf.Info();
    given.CreationDate = EncodeOleDate(TDateParts{2020, 5, 17});
    given.ModificationDate = EncodeOleDate(TDateParts{2021, 6, 18, 15, 30});
    pdf.SetInfo(given);
    day.Set(2026, 12, 9);
    pdf.BeginDoc();
    DrawTextPage(pdf, "Dated");
    pdf.EndDoc();
    info = Judge("pdfinfo -isodates", file);
    EXPECT_EQ(InfoField(info, "CreationDate"), "2020-05-17T00:00:00Z");
    EXPECT_EQ(InfoField(info, "ModDate"), "2021-06-18T00:00:00Z");
}

// A two-page input under the component's input modes: its pages as watermarks of the new pages,
// the second one drawn on request, or its pages followed by the new ones; each input page is
// announced to the input handler, whose Abort makes BeginDoc fail and keeps the older file.
TEST(PdfExport, InputFilePagesServeAsWatermarksOrPrecedeTheNewPages)
{
    TemporaryFolder folder;
    const std::string input = folder.File("input.pdf");
    TPdfPrinter pdf;
    pdf.Filename = input;
    pdf.BeginDoc();
    DrawTextPage(pdf, "First input page");
    DrawTextPage(pdf, "Second input page");
    pdf.EndDoc();

    const std::string output = folder.File("output.pdf");
    pdf.Filename = output;
    pdf.InputFile = input;
    const auto write = [&](TPdfInputFileMode mode, int pages, int watermark) {
        pdf.InputfileMode = mode;
        pdf.BeginDoc();
        for (int page = 1; page <= pages; ++page) {
            pdf.StartPage(612, 792, 72, 72, 0);
            pdf.GetCanvas().TextOut(72, 400, "New page " + std::to_string(page));
            pdf.UsePDFWatermark(watermark);
            pdf.EndPage();
        }
        pdf.EndDoc();
        Judge("qpdf --check", output);
    };
    const auto pageText = [&](int page) {
        return Unspaced(Judge("pdftotext -f " + std::to_string(page) + " -l " + std::to_string(page), output + " -"));
    };
    write(peUseInputAsWatermark, 3, 0);
    EXPECT_EQ(pageText(1), "FirstinputpageNewpage1");
    EXPECT_EQ(pageText(2), "SecondinputpageNewpage2");
    EXPECT_EQ(pageText(3), "SecondinputpageNewpage3");
    write(peConvertInputToWatermark, 1, 2);
    EXPECT_EQ(pageText(1), "SecondinputpageNewpage1");
    write(pwAppendToInput, 2, 0);
    EXPECT_EQ(InfoField(Judge("pdfinfo", output), "Pages"), "4");
    EXPECT_EQ(pageText(2), "Secondinputpage");
    EXPECT_EQ(pageText(3), "Newpage1");

    WriteWholeFile(output, "old");
    std::vector<std::string> requests;
    pdf.OnInputPdf = [&](TPdfCustomExport&, TPdfEngineMessage& message) {
        requests.push_back(std::to_string(message.Code) + " " + std::to_string(message.Value) + " " + message.Text);
        message.Abort = message.Value == 2;
    };
    pdf.InputfileMode = peConvertInputToWatermark;
    EXPECT_EQ(RaisedMessage<Exception>([&] { pdf.BeginDoc(); }), "Reading of the input PDF was cancelled");
    EXPECT_EQ(requests, (std::vector<std::string>{"3 1 " + input, "3 2 " + input}));
    EXPECT_FALSE(pdf.DocumentOpen());
    EXPECT_EQ(ReadWholeFile(output), "old");
    EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"input.pdf", "output.pdf"}));

    // Without a handler the component answers with its own flag, which an earlier Abort left set.
    pdf.OnInputPdf = nullptr;
    pdf.Abort();
    write(peConvertInputToWatermark, 1, 1);
    EXPECT_EQ(pageText(1), "FirstinputpageNewpage1");
}
