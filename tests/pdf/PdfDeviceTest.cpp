#include "pdf/PdfDevice.h"

#include "PdfTestSupport.h"
#include "TestSupport.h"
#include "pdf/PdfPageTree.h"
#include "pdf/PdfStream.h"
#include "platform/core/Exceptions.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <regex>
#include <sstream>

namespace {

std::vector<std::string> FolderEntries(const TemporaryFolder& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

ino_t Inode(const std::string& path)
{
    struct stat status {};
    stat(path.c_str(), &status);
    return status.st_ino;
}

// Fails the first drawing of a box, as a record that raises would.
class TFailingDevice : public TPdfDevice {
public:
    void Rectangle(int, int, int, int) override { throw Exception("injected"); }
};

// What a played metafile must leave as it found it.
std::string DeviceContextState(TPdfDevice& device)
{
    const TPdfDCStackVar& dc = device.DC();
    TPdfDCStack& stack = device.DCStack();
    std::ostringstream text;
    text << dc.mapMode << " " << dc.windowExt.X << "," << dc.windowExt.Y << " " << dc.viewportExt.X << ","
         << dc.viewportExt.Y << " " << dc.windowOrg.X << " " << dc.viewportOrg.Y << " " << dc.world.eM11 << " pen "
         << dc.penHandle << " " << dc.pen.width << " " << dc.pen.color << " brush " << dc.brushHandle << " "
         << dc.brush.color << " font " << dc.fontHandle << " " << dc.faceName << " " << dc.textColor << " " << dc.opaque
         << " stack " << stack.Count() << " " << stack.Depth() << " " << stack.BaseMatrix().eM11 << " "
         << stack.UnitsPerInchX() << " " << stack.FrameOffset().X << " " << stack.FrameScaleX() << " "
         << stack.PageHeight() << " device " << device.PathDepth() << " " << device.LogicalPageHeight() << " "
         << device.ResolutionX() << " objects " << device.Objects().Count() << " "
         << (device.Objects().GetObjects(dc.penHandle) != nullptr);
    return text.str();
}

} // namespace

TEST(PdfDevice, DocumentWithoutPagesPassesQpdf)
{
    TemporaryFolder folder;
    TPdfDevice device;
    device.BeginDoc(612, 792, 72);
    device.EndDoc();
    const std::string pdf = DeviceOutput(device);
    EXPECT_NE(pdf.find("/Type/Pages\r\n/MediaBox [0 0 612 792]\r\n/Count 0\r\n"), std::string::npos);
    EXPECT_EQ(pdf.find("/Kids"), std::string::npos);
    EXPECT_EQ(pdf.find("/Outlines"), std::string::npos);
    int status = -1;
    const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
}

// Pages recorded on metafile canvases open as they play; every resolution gives the same pages in
// points, and a page with nothing drawn has no content.
TEST(PdfDevice, PlayedPagesShowTheirSizesInPdfinfo)
{
    TemporaryFolder folder;
    for (const int resolution : {72, 300, 0}) {
        const int dpi = resolution != 0 ? resolution : 72;
        TPdfDevice device;
        device.BeginDoc(612 * dpi / 72, 792 * dpi / 72, resolution);
        for (const TSize page : {TSize{612, 792}, TSize{842, 595}}) {
            TMetafile metafile;
            RecordPage(metafile, page.cx * dpi / 72, page.cy * dpi / 72, dpi);
            EXPECT_TRUE(device.PlayMetafile(metafile, 0, 0, 0, 0, resolution, resolution));
            EXPECT_FALSE(device.PageStarted());
        }
        device.StartPage(0, 0, 0, 0, 0);
        device.EndPage();
        device.EndDoc();
        const std::string pdf = DeviceOutput(device);
        int status = -1;
        const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
        EXPECT_EQ(status, 0) << check;
        const std::string info = SaveAndRun(folder, pdf, "pdfinfo -f 1 -l 3", &status);
        EXPECT_EQ(InfoField(info, "PDF version"), "1.2");
        EXPECT_EQ(InfoField(info, "Pages"), "3");
        EXPECT_EQ(InfoField(info, "Page    1 size"), "612 x 792 pts (letter)") << resolution;
        EXPECT_EQ(InfoField(info, "Page    2 size"), "842 x 595 pts (A4)") << resolution;
        EXPECT_EQ(InfoField(info, "Page    3 size"), "842 x 595 pts (A4)") << resolution;
        const std::size_t firstText = pdf.find("(Shelf \\(A\\) \\\\ 4)Tj");
        EXPECT_NE(pdf.find("(Shelf \\(A\\) \\\\ 4)Tj", firstText + 1), std::string::npos);
        const std::size_t lastPage = pdf.rfind("/Type/Page\r\n");
        EXPECT_EQ(pdf.find("/Contents", lastPage), std::string::npos);
    }
}

TEST(PdfDevice, MisuseRaisesItsTexts)
{
    TemporaryFolder folder;
    TPdfDevice device;
    std::vector<std::string> errors;
    device.OnErrorCallback = [&](int code, const std::string& message) {
        errors.push_back(std::to_string(code) + " " + message);
    };
    EXPECT_EQ(RaisedMessage<Exception>([&] { device.RawWrite("x"); }), "Device not open");
    EXPECT_EQ(RaisedMessage<Exception>([&] { device.Check(); }), "Device is not open!");
    EXPECT_EQ(RaisedMessage<Exception>([&] { device.EndDoc(); }), "Device is not open!");
    device.BeginDoc(612, 792, 72);
    EXPECT_EQ(RaisedMessage<Exception>([&] { device.EndPage(); }), "Page has not been started!");
    device.StartPage(0, 0, 0, 0, 0);
    EXPECT_EQ(RaisedMessage<Exception>([&] { device.StartPage(0, 0, 0, 0, 0); }), "Last Page has not been closed!");
    TPdfStream stream(device.Writer());
    EXPECT_EQ(RaisedMessage<Exception>([&] { device.WriteObject(stream); }), "Streams are written sequentially!");
    device.EndDoc();

    TPdfDevice reader;
    reader.ReadOnly = true;
    reader.FileName = folder.File("input.pdf");
    ASSERT_TRUE(reader.BeginDoc(612, 792, 72));
    EXPECT_EQ(RaisedMessage<Exception>([&] { reader.StartPage(0, 0, 0, 0, 0); }), "PDF Engine in read-only mode!");
    reader.EndDoc();
    EXPECT_EQ(reader.GetSize(), 0);
    EXPECT_FALSE(std::filesystem::exists(folder.File("input.pdf")));

    const std::string missing = folder.File("no/such.pdf");
    device.FileName = missing;
    EXPECT_EQ(RaisedMessage<Exception>([&] { device.BeginDoc(612, 792, 72); }), "Cannot create file " + missing);
    device.QuietCreateFailure = true;
    EXPECT_FALSE(device.BeginDoc(612, 792, 72));
    EXPECT_FALSE(device.QuietCreateFailure);
    EXPECT_EQ(errors, std::vector<std::string>{"3 Cannot open file " + missing});
}

TEST(PdfDevice, ErrorsReachEveryListenerInOrder)
{
    TPdfDevice device;
    device.Error(2, "ignored"); // no listener: nothing happens
    std::string calls;
    device.OnErrorCallback = [&](int code, const std::string& m) {
        calls += "error " + std::to_string(code) + m + ";";
    };
    device.OnComponentError = [&](int code, const std::string& m) {
        calls += "event " + std::to_string(code) + m + ";";
    };
    device.OnSecondCallback = [&](const std::string& m, int code, int kind) {
        calls += "second " + std::to_string(code) + m + std::to_string(kind);
    };
    const std::pair<int, std::string> cases[] = {{1, "Bookmark \"Top\" not found"}, {2, "Invalid bitmap"},
                                                 {3, "Cannot open file Top"},       {4, "Metafile error Top"},
                                                 {6, "Problem in importfile Top"},  {10, "Embed Font: Top"},
                                                 {5, "internal error Top"}};
    for (const auto& [code, message] : cases) {
        calls.clear();
        device.Error(code, "Top");
        const std::string c = std::to_string(code);
        EXPECT_EQ(calls, "error " + c + message + ";event " + c + message + ";second " + c + message + "1");
    }
}

TEST(PdfDevice, InformationShowsInPdfinfoUnlessSwitchedOff)
{
    TFixedClock clock;
    TemporaryFolder folder;
    const std::string pdf = MemoryDocument([](TPdfDevice& device) {
        TPdfDeviceInfoBlock block;
        block.Producer = "Planogram Export";
        block.Creator = "Someone else";
        block.Title = "Aisle (7)";
        block.CreationDate = "D:20261207123000";
        block.ModDate = "D:20261208090000";
        device.SetInfo(block);
    });
    int status = -1;
    const std::string info = SaveAndRun(folder, pdf, "pdfinfo -isodates", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_EQ(InfoField(info, "Producer"), "Planogram Export");
    EXPECT_EQ(InfoField(info, "Creator"), "Kestrame");
    EXPECT_EQ(InfoField(info, "Title"), "Aisle (7)");
    EXPECT_EQ(InfoField(info, "CreationDate"), "2026-12-07T12:30:00Z");
    EXPECT_EQ(InfoField(info, "ModDate"), "2026-12-08T09:00:00Z");

    const std::string bare = MemoryDocument([](TPdfDevice& device) {
        TPdfDeviceInfoBlock block;
        block.NoInfo = true;
        device.SetInfo(block);
    });
    EXPECT_EQ(bare.find("/Info"), std::string::npos);
    EXPECT_EQ(bare.find("/Producer"), std::string::npos);
}

// The old file stays, byte for byte, until a document ends well; nothing is left beside it.
TEST(PdfDevice, FailedDocumentsLeaveTheOldFile)
{
    TemporaryFolder folder;
    const std::string target = folder.File("plan.pdf");
    WriteWholeFile(target, "old");
    {
        TFailingDevice device;
        device.FileName = target;
        device.BeginDoc(612, 792, 72);
        device.StartPage(0, 0, 0, 0, 0);
        EXPECT_EQ(RaisedMessage<Exception>([&] { device.Rectangle(1, 1, 5, 5); }), "injected");
    }
    EXPECT_EQ(ReadWholeFile(target), "old");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"plan.pdf"});

    TPdfDevice device;
    device.FileName = target;
    device.BeginDoc(612, 792, 72);
    DrawSamplePage(device);
    device.Finish();
    EXPECT_EQ(ReadWholeFile(target), "old");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"plan.pdf"});

    device.FileName = target;
    device.BeginDoc(612, 792, 72);
    DrawSamplePage(device);
    {
        FileSizeLimit limit(200);
        EXPECT_NE(RaisedMessage<Exception>([&] { device.EndDoc(); }), "nothing raised");
    }
    EXPECT_EQ(device.Writer(), nullptr);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(ReadWholeFile(target), "old");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"plan.pdf"});

    device.BeginDoc(612, 792, 72);
    DrawSamplePage(device);
    device.EndDoc();
    EXPECT_EQ(ReadWholeFile(target), DeviceOutput(device));
    EXPECT_EQ(DeviceOutput(device).substr(0, 10), "%PDF-1.2\r\n");
}

TEST(PdfDevice, WriteToFileCopiesTheFinishedFileToOtherNamesOnly)
{
    TemporaryFolder folder;
    const std::string target = folder.File("plan.pdf");
    TPdfDevice device;
    device.FileName = target;
    device.BeginDoc(612, 792, 72);
    DrawSamplePage(device);
    device.EndDoc();
    const std::string finished = ReadWholeFile(target);
    const ino_t inode = Inode(target);
    device.WriteToFile(folder.Path() + "/./plan.pdf");
    EXPECT_EQ(Inode(target), inode);
    device.WriteToFile(folder.File("Plan.pdf"));
    device.WriteToFile(folder.File("copy.pdf"));
    EXPECT_EQ(ReadWholeFile(folder.File("Plan.pdf")), finished);
    EXPECT_EQ(ReadWholeFile(folder.File("copy.pdf")), finished);
    EXPECT_EQ(ReadWholeFile(target), finished);

    TPdfDevice reader;
    reader.ReadOnly = true;
    reader.BeginDoc(612, 792, 72);
    reader.EndDoc();
    reader.WriteToFile(folder.File("read.pdf"));
    EXPECT_FALSE(std::filesystem::exists(folder.File("read.pdf")));
}

// The thumbnail follows each page's shape, turned for a turned page, and is white again after each
// page; a caller's stream takes the document behind its own bytes.
TEST(PdfDevice, ThumbnailsAndTheCallersStream)
{
    TMemoryStream stream;
    stream.WriteBuffer("head", 4);
    TPdfDevice device;
    device.Thumbnails = true;
    device.SetOutStream(&stream);
    device.BeginDoc(612, 792, 72);
    device.StartPage(0, 0, 0, 0, 0);
    ASSERT_NE(device.Thumbnail(), nullptr);
    EXPECT_EQ(device.Thumbnail()->PixelFormat(), pf24bit);
    EXPECT_EQ((TSize{device.Thumbnail()->Width(), device.Thumbnail()->Height()}), (TSize{66, 85}));
    device.Thumbnail()->Canvas().SetPixel(3, 4, clRed);
    device.EndPage();
    EXPECT_EQ(device.Thumbnail()->Canvas().Pixel(3, 4), clWhite);
    device.StartPage(0, 0, 0, 0, 90);
    EXPECT_EQ((TSize{device.Thumbnail()->Width(), device.Thumbnail()->Height()}), (TSize{85, 66}));
    device.EndPage();
    device.Thumbnails = false;
    device.StartPage(0, 0, 0, 0, 0);
    EXPECT_EQ(device.Thumbnail(), nullptr);
    device.EndDoc();
    EXPECT_EQ(device.GetSize() + 4, stream.Size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Memory()), 14), "head%PDF-1.2\r\n");
}

// The caller's pen, mapping and saved level survive a metafile played on its page, also one whose
// drawing raises; the content stream closes every level it opens.
TEST(PdfDevice, PlayedMetafilesLeaveTheDeviceContextAsTheyFoundIt)
{
    TemporaryFolder folder;
    TMetafile metafile;
    RecordPage(metafile, 300, 200, 96);
    for (const bool fails : {false, true}) {
        TFailingDevice failing;
        TPdfDevice plain;
        TPdfDevice& device = fails ? failing : plain;
        device.BeginDoc(612, 792, 72);
        device.StartPage(0, 0, 0, 0, 0);
        device.SelectObject(device.CreatePen(0, 3, clRed));
        device.SaveDC();
        device.SetMapMode(PdfGdi::MM_LOMETRIC);
        device.LineTo(100, -100);
        const std::string before = DeviceContextState(device);
        if (fails)
            EXPECT_EQ(RaisedMessage<Exception>([&] { device.PlayMetafile(metafile, 0, 0, 0, 0, 0, 0); }), "injected");
        else
            EXPECT_FALSE(device.PlayMetafile(metafile, 0, 0, 0, 0, 0, 0)); // the page was open already
        EXPECT_EQ(DeviceContextState(device), before);
        device.LineTo(200, -50);
        device.RestoreDC(-1);
        device.EndPage();
        device.EndDoc();
        const std::string pdf = DeviceOutput(device);
        const std::size_t start = pdf.find("stream\n"), end = pdf.find("endstream");
        const std::string content = pdf.substr(start, end - start);
        const auto count = [&](const char* op) {
            const std::regex pattern(std::string("(^|\\s)") + op + "\\s");
            return std::distance(std::sregex_iterator(content.begin(), content.end(), pattern), std::sregex_iterator());
        };
        EXPECT_EQ(count("q"), count("Q")) << content;
        EXPECT_NE(content.find("1 0 0 RG"), std::string::npos) << content;
        int status = -1;
        const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
        EXPECT_EQ(status, 0) << check;
    }
}
