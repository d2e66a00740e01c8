#include "pdf/Pdfengine.h"

#include "PdfTestSupport.h"
#include "TestSupport.h"
#include "pdf/PdfDevice.h"
#include "platform/core/Exceptions.h"
#include "platform/graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct TReceived {
    int code;
    int value;
    std::string text;
};

void Record(void* userData, TPdfEngineMessage& message)
{
    static_cast<std::vector<TReceived>*>(userData)->push_back({message.Code, message.Value, message.Text});
}

struct TEngineDeleter {
    void operator()(TPdfEngineEnv* env) const { PDFE_Finalize(env); }
};
using TEngine = std::unique_ptr<TPdfEngineEnv, TEngineDeleter>;

TEngine NewEngine(std::vector<TReceived>* messages = nullptr)
{
    return TEngine(PDFE_Initialize(1, 2, 3, 1, messages != nullptr ? Record : nullptr, messages));
}

TPdf_InitRec PageRecord(int width, int height, int resolution)
{
    TPdf_InitRec record;
    record.Width = width;
    record.Height = height;
    record.ResolutionX = resolution;
    record.ResolutionY = resolution;
    return record;
}

void StartPage(TPdfEngineEnv* env, int width, int height, int resolution)
{
    ASSERT_TRUE(PDFE_InitializePage(env, 0, PageRecord(width, height, resolution)));
    ASSERT_EQ(PDFE_Action(env, 4535, 0, nullptr), 0);
}

// The finished document as the engine's buffer holds it.
std::string EngineBuffer(TPdfEngineEnv* env)
{
    const int size = PDFE_Action(env, 4537, 0, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    EXPECT_EQ(PDFE_Action(env, 4537, size, bytes.data()), size);
    return bytes;
}

std::unique_ptr<TBitmap> RedBitmap()
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            bitmap->SetPixel(x, y, clRed);
    return bitmap;
}

} // namespace

TEST(Pdfengine, PropertyIdsActionCodesAndPositions)
{
    EXPECT_EQ(PDFE_Initialize(0, 0, 0, 3, nullptr, nullptr), nullptr);
    TEngine engine = NewEngine();
    TPdfEngineEnv* env = engine.get();
    TPdfDevice& device = *env->Device;

    struct TJpegCase {
        int value;
        bool on;
        int quality;
    };
    for (const TJpegCase& c : {TJpegCase{3, true, 50}, TJpegCase{-40, true, 40}, TJpegCase{0, false, 40},
                               TJpegCase{5, true, 100}, TJpegCase{9, true, 100}, TJpegCase{-1000, true, 100}}) {
        EXPECT_TRUE(PDFE_SetIProp(env, 12, c.value));
        EXPECT_EQ(device.JPEGCompression, c.on) << c.value;
        EXPECT_EQ(device.JPEGQuality, c.quality) << c.value;
    }

    for (const int id : {0, 16, 17, 20, 23, 28, -1})
        EXPECT_FALSE(PDFE_SetIProp(env, id, 1)) << id;
    for (const int id : {0, 8, 14, -1})
        EXPECT_FALSE(PDFE_SetSProp(env, id, "x")) << id;
    for (const int code : {4548, 4532, 4552, 0})
        EXPECT_EQ(PDFE_Action(env, code, 0, nullptr), -1) << code;

    // Settings reach the device.
    EXPECT_TRUE(PDFE_SetIProp(env, 26, 1 << peNeverFill | 1 << peDontCropBitmaps));
    EXPECT_EQ(device.Modes(), (TPdfDevModes{peNeverFill, peDontCropBitmaps}));
    EXPECT_TRUE(PDFE_SetIProp(env, 22, 150));
    EXPECT_EQ(device.FontWidthFactor, 1.5);
    EXPECT_TRUE(PDFE_SetIProp(env, 2, 99));
    EXPECT_EQ(device.CompressionMethod, peCompressNone);
    EXPECT_TRUE(PDFE_SetIProp(env, 5, 1));
    EXPECT_EQ(device.CompressionMethod, peCompressFastFlate);
    EXPECT_TRUE(PDFE_SetIProp(env, 10, 200));
    EXPECT_EQ(env->CoordinateUnit, 200);
    EXPECT_TRUE(PDFE_SetSProp(env, 9, "Arial,\"Times New Roman\""));
    EXPECT_EQ(device.ExcludedFonts.Count(), 2);
    EXPECT_EQ(device.ExcludedFonts[1], "Times New Roman");
    EXPECT_TRUE(PDFE_SetSProp(env, 5, "Shelves"));
    EXPECT_EQ(device.Info().Title, "Shelves");
    EXPECT_EQ(device.Info().Creator, TPdfInfo::CreatorText);

    struct TPageCase {
        int resolution;
        double yFactor;
        int x;
        int xpos;
        int y;
        int ypos;
    };
    for (const TPageCase& c : {TPageCase{72, 0, 110, 100, 50, 50}, TPageCase{300, 300.0 / 72, 310, 72, 600, 144}}) {
        TPdf_InitRec record = PageRecord(612, 792, c.resolution);
        record.XOffset = 10;
        record.YOffset = 20;
        ASSERT_TRUE(PDFE_InitializePage(env, 0, record));
        EXPECT_DOUBLE_EQ(env->YFactor, c.yFactor);
        EXPECT_EQ(PDFE_XPOS(env, c.x), c.xpos);
        EXPECT_EQ(PDFE_YPOS(env, c.y), c.ypos);
        EXPECT_EQ(device.ResolutionY(), c.resolution);
    }

    EXPECT_FALSE(PDFE_SetIProp(nullptr, 1, 1));
    EXPECT_FALSE(PDFE_SetSProp(nullptr, 1, "x"));
    EXPECT_FALSE(PDFE_InitializePage(nullptr, 0, TPdf_InitRec{}));
    EXPECT_EQ(PDFE_Action(nullptr, 4534, 0, nullptr), -1);
    EXPECT_EQ(PDFE_XPOS(nullptr, 123), 123);
    EXPECT_EQ(PDFE_YPOS(nullptr, -45), -45);
    PDFE_Finalize(nullptr);
}

// The fields' dictionaries stand in the file as the engine built them, and qpdf reads the form.
TEST(Pdfengine, ImageWithoutSourceRaisesAndFormFieldsReachTheFile)
{
    TemporaryFolder folder;
    std::vector<TReceived> messages;
    TEngine engine = NewEngine(&messages);
    TPdfEngineEnv* env = engine.get();
    ASSERT_EQ(PDFE_Action(env, 4533, 0, nullptr), 0);
    StartPage(env, 612, 792, 72);

    // A header that claims far more rows than the bits hold: no image, and nothing read past them.
    std::vector<std::uint8_t> header(40, 0);
    header[0] = 40;
    header[5] = header[9] = 4; // 1024 x 1024
    header[12] = 1;
    header[14] = 24;
    const std::vector<std::uint8_t> bits(16, 0xFF);
    TPdfGraphicDef hostile;
    hostile.Width = hostile.Height = 10;
    hostile.BitmapInfo = header.data();
    hostile.BitmapInfoSize = static_cast<std::int32_t>(header.size());
    hostile.Bits = bits.data();
    hostile.BitsSize = static_cast<std::int32_t>(bits.size());
    EXPECT_EQ(PDFE_Action(env, 4549, 0, &hostile), 0);
    EXPECT_EQ(hostile.ImageId, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Invalid bitmap");
    // A sound one is drawn once, as it is made.
    header[5] = header[9] = 0;
    header[4] = 2;
    header[8] = 1;
    header[14] = 32;
    const std::vector<std::uint8_t> twoPixels{0, 0, 255, 0, 255, 0, 0, 0};
    TPdfGraphicDef dib = hostile;
    dib.Bits = twoPixels.data();
    dib.BitsSize = static_cast<std::int32_t>(twoPixels.size());
    EXPECT_EQ(PDFE_Action(env, 4549, 0, &dib), 0);
    ASSERT_GE(dib.ImageId, 1);

    TPdfGraphicDef empty;
    empty.Width = empty.Height = 10;
    EXPECT_EQ(RaisedMessage<Exception>([&] { PDFE_Action(env, 4549, 0, &empty); }),
              "Wrong Arguments for PDFE_EXBITMAP");
    EXPECT_EQ(RaisedMessage<Exception>([&] { PDFE_Action(env, 4549, 0, nullptr); }),
              "Wrong Arguments for PDFE_EXBITMAP");

    TPdfFormFieldDef checked{TRect{10, 10, 30, 30}, 1, 0, "", "Tick (me)", true};
    TPdfFormFieldDef unchecked{TRect{40, 10, 60, 30}, 1, 0, "", "", false};
    TPdfFormFieldDef rightLines{TRect{10, 50, 200, 90}, 0, 3, "a(b)\\c", "Name", false};
    TPdfFormFieldDef centred{TRect{10, 100, 200, 120}, 0, 4, "x", "", false};
    for (TPdfFormFieldDef* field : {&checked, &unchecked, &rightLines, &centred})
        EXPECT_EQ(PDFE_Action(env, 4550, 0, field), 0);
    EXPECT_EQ(PDFE_Action(env, 4536, 0, nullptr), 0);
    EXPECT_EQ(PDFE_Action(env, 4534, 0, nullptr), 0);
    const std::string pdf = EngineBuffer(env);

    for (const std::string& text :
         {std::string("/Ff 0/FT/Btn\r\r/AS/Yes\r/V /Yes/TU (Tick \\(me\\))/DA (/Helv 0 Tf 0 g )/T(Field1)\r"),
          std::string("/Ff 0/FT/Btn\r/DA (/Helv 0 Tf 0 g )/T(Field2)\r"),
          std::string("/FT/Tx/Ff 4096\r/Q 2\r/V(a\\(b\\)\\\\c)/TU (Name)/DA (/Helv 0 Tf 0 g )/T(Field3)\r"),
          std::string("/FT/Tx\r/Q 1\r/V(x)/DA (/Helv 0 Tf 0 g )/T(Field4)\r")})
        EXPECT_EQ(Occurrences(pdf, text), 1) << text;
    EXPECT_EQ(Occurrences(pdf, "/xob" + std::to_string(dib.ImageId) + " Do"), 1);
    int status = -1;
    const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
    const std::string fields = SaveAndRun(folder, pdf, "qpdf --json --json-key=acroform", &status);
    EXPECT_EQ(Occurrences(fields, "\"fullname\": \"Field"), 4) << fields;
}

// A document made as the export component makes one: a form object drawn into, a page played from
// a metafile with an image on it twice and the form, read back from memory and written to a file.
TEST(Pdfengine, DocumentMadeThroughTheEngineReadsBack)
{
    TemporaryFolder folder;
    std::vector<TReceived> messages;
    TEngine engine = NewEngine(&messages);
    TPdfEngineEnv* env = engine.get();
    EXPECT_TRUE(PDFE_SetIProp(env, 3, 1));
    EXPECT_TRUE(PDFE_SetIProp(env, 10, 200));
    EXPECT_TRUE(PDFE_SetSProp(env, 1, "Planner"));
    EXPECT_TRUE(PDFE_SetSProp(env, 2, "D:20261207"));
    ASSERT_EQ(PDFE_Action(env, 4533, 0, nullptr), 0);

    constexpr int Dpi = 300;
    ASSERT_TRUE(PDFE_InitializePage(env, 0, PageRecord(2550, 3300, Dpi)));
    TPdfXFormDef form{"XWAT0", 0, 0, 2550, 3300};
    ASSERT_EQ(PDFE_Action(env, 4545, 0, &form), 0);
    TMetafile mark;
    RecordPage(mark, 2550, 3300, Dpi);
    TPdfMetafileDef markPlay{&mark, 0, 0, 0, 0, Dpi, Dpi};
    EXPECT_EQ(PDFE_Action(env, 4544, 0, &markPlay), 0);
    EXPECT_EQ(PDFE_Action(env, 4546, 0, nullptr), 0);

    StartPage(env, 2550, 3300, Dpi);
    TMetafile page;
    RecordPage(page, 2550, 3300, Dpi);
    TPdfMetafileDef play{&page, 0, 0, 0, 0, Dpi, Dpi};
    EXPECT_EQ(PDFE_Action(env, 4544, 0, &play), 0);
    TPdfMetafileDef none;
    EXPECT_EQ(PDFE_Action(env, 4544, 0, &none), -1);
    EXPECT_EQ(PDFE_Action(env, 4544, 0, nullptr), -1);
    const auto bitmap = RedBitmap();
    TPdfGraphicDef image;
    image.X = 300;
    image.Y = 300;
    image.Width = image.Height = 600;
    image.Bitmap = bitmap.get();
    EXPECT_EQ(PDFE_Action(env, 4549, 0, &image), 0);
    ASSERT_GE(image.ImageId, 1);
    TPdfGraphicDef again;
    again.ImageId = image.ImageId;
    again.X = 1200;
    again.Y = 300;
    again.Width = again.Height = 300;
    EXPECT_EQ(PDFE_Action(env, 4549, 0, &again), 0);
    EXPECT_EQ(again.ImageId, image.ImageId);
    TPdfXFormDef place{"XWAT0", 0, 0, 1275, 1650};
    EXPECT_EQ(PDFE_Action(env, 4547, 0, &place), 0);
    EXPECT_EQ(PDFE_Action(env, 4536, 0, nullptr), 0);
    EXPECT_EQ(PDFE_Action(env, 4534, 0, nullptr), 0);

    const std::string pdf = EngineBuffer(env);
    const std::string file = folder.File("written.pdf");
    EXPECT_EQ(PDFE_Action(env, 4538, 0, const_cast<char*>(file.c_str())), 0);
    EXPECT_EQ(ReadWholeFile(file), pdf);
    EXPECT_EQ(PDFE_Action(env, 4539, 0, nullptr), 0);
    EXPECT_TRUE(messages.empty());

    EXPECT_EQ(Occurrences(pdf, "/xob" + std::to_string(image.ImageId) + " Do"), 2);
    // The form (612 points wide) fills the page's upper left quarter, 1275 page units, at the top.
    EXPECT_EQ(Occurrences(pdf, "2.083 0 0 2.083 0.000 1650.000 cm\n/XWAT0 Do\nQ\n"), 1);
    int status = -1;
    const std::string check = RunCommand("qpdf --check " + file + " 2>&1", &status);
    EXPECT_EQ(status, 0) << check;
    const std::string text = RunCommand("pdftotext " + file + " - 2>&1", &status);
    EXPECT_EQ(Occurrences(text, "Shelf (A) \\ 4"), 2) << text;
    const std::string info = RunCommand("pdfinfo " + file + " 2>&1", &status);
    EXPECT_EQ(InfoField(info, "Author"), "Planner");
    EXPECT_EQ(InfoField(info, "Creator"), TPdfInfo::CreatorText);
    EXPECT_EQ(InfoField(info, "Page size"), "612 x 792 pts (letter)");
}

TEST(Pdfengine, PageRecordRotationsBecomeQuarterTurns)
{
    TemporaryFolder folder;
    TEngine engine = NewEngine();
    TPdfEngineEnv* env = engine.get();
    ASSERT_EQ(PDFE_Action(env, 4533, 0, nullptr), 0);
    for (const int rotation : {0, 1, 2, 3, 180, 100, 90, 270}) {
        TPdf_InitRec record = PageRecord(612, 792, 72);
        record.Rotation = rotation;
        ASSERT_TRUE(PDFE_InitializePage(env, 0, record));
        ASSERT_EQ(PDFE_Action(env, 4535, 0, nullptr), 0);
        ASSERT_EQ(PDFE_Action(env, 4536, 0, nullptr), 0);
    }
    ASSERT_EQ(PDFE_Action(env, 4534, 0, nullptr), 0);
    const std::string file = folder.File("turned.pdf");
    ASSERT_EQ(PDFE_Action(env, 4538, 0, const_cast<char*>(file.c_str())), 0);
    int status = -1;
    const std::string check = RunCommand("qpdf --check " + file + " 2>&1", &status);
    EXPECT_EQ(status, 0) << check;
    const std::string info = RunCommand("pdfinfo -f 1 -l 8 " + file + " 2>&1", &status);
    std::string rotations;
    for (int page = 1; page <= 8; ++page)
        rotations += InfoField(info, "Page    " + std::to_string(page) + " rot") + " ";
    EXPECT_EQ(rotations, "0 90 180 270 180 0 90 270 ") << info;
}

// The device would raise; the engine answers 1 and the caller hears why.
TEST(Pdfengine, FileThatCannotBeMadeAnswersOneAndReachesTheCallback)
{
    TemporaryFolder folder;
    std::vector<TReceived> messages;
    TEngine engine = NewEngine(&messages);
    const std::string file = folder.File("missing/out.pdf");
    EXPECT_EQ(PDFE_Action(engine.get(), 4533, 0, const_cast<char*>(file.c_str())), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, 1);
    EXPECT_EQ(messages[0].value, 3);
    EXPECT_EQ(messages[0].text, "Cannot open file " + file + ". No such file or directory");
    EXPECT_FALSE(engine->Device->IsOpen());
    EXPECT_FALSE(engine->Device->QuietCreateFailure);
    EXPECT_EQ(RaisedMessage<Exception>([&] { PDFE_Action(engine.get(), 4535, 0, nullptr); }), "Device is not open!");
    // The next document is made as usual.
    EXPECT_EQ(PDFE_Action(engine.get(), 4533, 0, const_cast<char*>(folder.File("out.pdf").c_str())), 0);
}

// Twips at 200 dpi: the text's baseline 1 inch down, the rectangle half an inch square.
TEST(Pdfengine, PaintElementsReachThePage)
{
    TemporaryFolder folder;
    TEngine engine = NewEngine();
    TPdfEngineEnv* env = engine.get();
    ASSERT_EQ(PDFE_Action(env, 4533, 0, nullptr), 0);
    StartPage(env, 1700, 2200, 200);
    TPdfPaintElement run;
    run.X = 1440;
    run.Y = 1440;
    run.FontSize = 12;
    run.FontStyle = 1;
    TPdfPaintElement box;
    box.Kind = 7;
    box.X = box.Y = 2880;
    box.Width = box.Height = 720;
    box.Color = clRed;
    TPdfPaintElement unknown;
    unknown.Kind = 11;
    EXPECT_TRUE(_PDFE_ELEMEXEC(env, &run, nullptr, "Aisle 7 (end)", 0, 0));
    EXPECT_TRUE(_PDFE_ELEMEXEC(env, &box, nullptr, nullptr, 0, 0));
    EXPECT_FALSE(_PDFE_ELEMEXEC(env, &unknown, nullptr, nullptr, 0, 0));
    EXPECT_FALSE(_PDFE_ELEMEXEC(env, nullptr, nullptr, nullptr, 0, 0));
    EXPECT_EQ(PDFE_Action(env, 4536, 0, nullptr), 0);
    EXPECT_EQ(PDFE_Action(env, 4534, 0, nullptr), 0);
    const std::string pdf = EngineBuffer(env);

    EXPECT_EQ(Occurrences(pdf, "1 0 0 rg 400 1800 100 -100 re f"), 1);
    const std::string file = folder.File("elements.pdf");
    WriteWholeFile(file, pdf);
    int status = -1;
    const std::string text = RunCommand("pdftotext -bbox " + file + " - 2>&1", &status);
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("<word xMin=\"72.000000\" yMin=\"63."), std::string::npos) << text;
    EXPECT_NE(text.find(">Aisle</word>"), std::string::npos) << text;
    EXPECT_NE(text.find(">(end)</word>"), std::string::npos) << text;
}

// Page units at 144 dpi become points; the bookmarks nest by level and lead where they say.
TEST(Pdfengine, LinksDestinationsAndBookmarksReachTheFile)
{
    TemporaryFolder folder;
    std::vector<TReceived> messages;
    TEngine engine = NewEngine(&messages);
    TPdfEngineEnv* env = engine.get();
    EXPECT_TRUE(PDFE_SetIProp(env, 25, 1));
    ASSERT_EQ(PDFE_Action(env, 4533, 0, nullptr), 0);
    StartPage(env, 1224, 1584, 144);
    TPdfDestDef top{"Top", 0, 0};
    EXPECT_EQ(PDFE_Action(env, 4542, 0, &top), 0);
    TPdfLinkDef web{TRect{144, 144, 432, 216}, "http://example.org/a(b)", 0, ""};
    TPdfLinkDef back{TRect{0, 1440, 288, 1584}, "Top", 0, ""};
    TPdfLinkDef lost{TRect{0, 0, 10, 10}, "Nowhere", 0, ""};
    for (TPdfLinkDef* link : {&web, &back, &lost})
        EXPECT_EQ(PDFE_Action(env, 4541, 0, link), 0);
    TPdfOutlineDef shelves;
    shelves.Caption = "Shelves";
    shelves.Destination = "Top";
    shelves.Level = 1;
    TPdfOutlineDef reserve;
    reserve.WideCaption = u"R\u00e9serve";
    reserve.Flags = 2;
    reserve.Level = 2;
    reserve.Rect = TRect{0, 288, 1224, 576};
    EXPECT_EQ(PDFE_Action(env, 4543, 0, &shelves), 1);
    EXPECT_EQ(PDFE_Action(env, 4543, 0, &reserve), 2);
    const auto thumbnail = RedBitmap();
    EXPECT_EQ(PDFE_Action(env, 4540, 0, const_cast<TBitmap*>(thumbnail.get())), 0);
    EXPECT_EQ(PDFE_Action(env, 4536, 0, nullptr), 0);
    EXPECT_EQ(PDFE_Action(env, 4534, 0, nullptr), 0);
    const std::string pdf = EngineBuffer(env);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].code, 1);
    EXPECT_EQ(messages[0].value, 1);
    EXPECT_EQ(messages[0].text, "Bookmark \"Nowhere\" not found");

    EXPECT_EQ(Occurrences(pdf, "/Rect [72 684 216 720]\n/Border [0 0 0]\n/A << /Type/Action/S/URI/URI "
                               "(http://example.org/a\\(b\\)) >>"),
              1);
    EXPECT_EQ(Occurrences(pdf, "/Rect [0 0 144 72]\n/Border [0 0 0]\n/Dest [ 3 0 R /XYZ 0 792 0]"), 1);
    EXPECT_EQ(Occurrences(pdf, "/Thumb "), 1);
    int status = -1;
    const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
    std::string outlines = SaveAndRun(folder, pdf, "qpdf --json --json-key=outlines", &status);
    // Blanks go, those of the references too.
    std::erase_if(outlines, [](char c) { return c == ' ' || c == '\n'; });
    EXPECT_NE(outlines.find(R"("outlines":[{"dest":["30R","/XYZ",0,792,0],"destpageposfrom1":1,"kids":[{"dest":)"
                            R"(["30R","/XYZ",0,648,0],"destpageposfrom1":1,"kids":[],"object":"110R","open":true,)"
                            R"("title":"Réserve"}],"object":"90R","open":false,"title":"Shelves"}])"),
              std::string::npos)
        << outlines;
}
