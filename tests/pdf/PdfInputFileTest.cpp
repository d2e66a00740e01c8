#include "pdf/PdfInputFile.h"

#include "ImageTestSupport.h"
#include "PdfJudging.h"
#include "PdfTestSupport.h"
#include "pdf/Pdfzlib.h"
#include "platform/core/Exceptions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>

namespace {

// An input file and the page tree read from it.
struct TInput {
    TPdfInputFile file;
    TPdfPages tree{nullptr};

    const std::vector<TPdfInputPage>& Pages() const { return tree.InputPages(); }
    std::string PageContent(int page) const
    {
        TMemoryStream content;
        file.PageContent(Pages().at(static_cast<std::size_t>(page)), content);
        return {reinterpret_cast<const char*>(content.Memory()), static_cast<std::size_t>(content.Size())};
    }
};

std::unique_ptr<TInput> Read(const std::string& pdf)
{
    TMemoryStream stream;
    stream.WriteBuffer(pdf.data(), static_cast<std::int64_t>(pdf.size()));
    auto input = std::make_unique<TInput>();
    input->file.ReadPDFStream(stream, input->tree);
    return input;
}

std::string Stream(const std::string& dictionary, const std::string& data)
{
    return "<< " + dictionary + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

// Appends a cross-reference section of objects at their offsets to `pdf`; its trailer gets `trailer`.
void AppendTable(std::string& pdf, const std::vector<std::pair<int, std::size_t>>& offsets, const std::string& trailer)
{
    std::string table = "xref\n";
    for (const auto& [number, at] : offsets) {
        const std::string offset = std::to_string(at);
        table += std::to_string(number) + " 1\n" + std::string(10 - offset.size(), '0') + offset + " 00000 n\r\n";
    }
    const std::string start = std::to_string(pdf.size());
    pdf += table + "trailer\n<< /Size 9 " + trailer + " >>\nstartxref\n" + start + "\n%%EOF\n";
}

// Appends objects to `pdf`; their numbers and offsets.
std::vector<std::pair<int, std::size_t>> AppendObjects(std::string& pdf,
                                                       const std::vector<std::pair<int, std::string>>& objects)
{
    std::vector<std::pair<int, std::size_t>> offsets;
    for (const auto& [number, body] : objects) {
        offsets.emplace_back(number, pdf.size());
        pdf += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
    }
    return offsets;
}

// Appends objects and a cross-reference section to `pdf`; the section's trailer gets `trailer`.
void AppendSection(std::string& pdf, const std::vector<std::pair<int, std::string>>& objects,
                   const std::string& trailer)
{
    AppendTable(pdf, AppendObjects(pdf, objects), trailer);
}

const std::string PageTree = "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 300 200] >>";

// A one-page file whose content is `content` under `filter`, its objects numbered 1 to 4.
std::string OnePage(const std::string& content, const std::string& filter = "", const std::string& trailer = "")
{
    std::string pdf = "%PDF-1.2\n";
    AppendSection(pdf,
                  {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                   {2, PageTree},
                   {3, "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>"},
                   {4, Stream(filter.empty() ? "" : "/Filter " + filter, content)}},
                  "/Root 1 0 R" + trailer);
    return pdf;
}

std::string LastXRefOffset(const std::string& pdf)
{
    const std::size_t at = pdf.rfind("startxref\n") + 10;
    return pdf.substr(at, pdf.find('\n', at) - at);
}

// Ten digits, so that a text's length does not depend on the offsets it names.
std::string TenDigits(std::size_t offset)
{
    const std::string digits = std::to_string(offset);
    return std::string(10 - digits.size(), '0') + digits;
}

// A page whose content is the newest of `count` sections, each listing the content stream again.
std::string LongChain(int count)
{
    std::string pdf = OnePage("(old) Tj");
    const std::string old = pdf.substr(pdf.rfind("4 1\n"), 24);
    std::size_t previous = std::stoul(LastXRefOffset(pdf));
    for (int i = 2; i < count; ++i) {
        const std::size_t at = pdf.size();
        pdf += "xref\n" + old + "trailer\n<< /Prev " + std::to_string(previous) + " >>\n";
        previous = at;
    }
    AppendSection(pdf, {{4, Stream("", "(new) Tj")}}, "/Prev " + std::to_string(previous));
    return pdf;
}

// An entry of nearly a megabyte, short of the longest dictionary a reader may take.
std::string LargeEntry() { return "/Pad (" + std::string((1 << 20) - 4096, 'x') + ")"; }

// Five thousand kids: under one tree node that hands them a quarter of a megabyte of resources, or
// all of them pointing at one page of nearly a megabyte.
std::string WideTree(bool inheriting)
{
    const std::string large = inheriting ? LargeEntry().substr(0, 1 << 18) + ")" : LargeEntry();
    std::string kids;
    std::vector<std::pair<int, std::string>> objects;
    for (int kid = 10; kid < 5010; ++kid) {
        kids += std::to_string(kid) + " 0 R ";
        if (inheriting || kid == 10)
            objects.emplace_back(kid, "<< /Type /Page " + (inheriting ? std::string() : large) + " >>");
    }
    std::string pdf = "%PDF-1.2\n";
    auto offsets = AppendObjects(pdf, {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                                       {2, "<< /Type /Pages /Kids [" + kids + "] /Count 5000 /MediaBox [0 0 300 200] " +
                                               (inheriting ? "/Resources << " + large + " >>" : "") + " >>"}});
    const auto pages = AppendObjects(pdf, objects);
    offsets.insert(offsets.end(), pages.begin(), pages.end());
    for (int kid = 11; kid < 5010 && !inheriting; ++kid)
        offsets.emplace_back(kid, pages.front().second);
    AppendTable(pdf, offsets, "/Root 1 0 R");
    return pdf;
}

// Fifteen thousand sections, each written inside the trailer of the one after it, as a string: each
// trailer is short of a megabyte, and all of them together thousands of times the file.
std::string TrailersInsideEachOther()
{
    std::string pdf = OnePage("(x) Tj");
    const std::string oldest = LastXRefOffset(pdf);
    const std::string head = "xref\n0 0\ntrailer\n<< /Prev ";
    const int count = 15000;
    const std::size_t start = pdf.size();
    const std::size_t step = head.size() + 10 + 5;
    for (int i = 0; i < count; ++i)
        pdf += head + (i + 1 < count ? TenDigits(start + (i + 1) * step) : oldest) + " /X (";
    for (int i = 0; i < count; ++i)
        pdf += ") >>";
    pdf += "\nstartxref\n" + std::to_string(start) + "\n%%EOF\n";
    return pdf;
}

// The content's length, 10000, claimed as 99999: the offsets stay as they were.
std::string Lengthened(std::string pdf) { return pdf.replace(pdf.find("/Length 10000"), 13, "/Length 99999"); }

// A page inside a second tree level that inherits its box, away from the origin, its turn and its
// resources: a font and a form that names the catalog and holds a string.
std::string NestedPage()
{
    std::string pdf = "%PDF-1.2\n";
    AppendSection(pdf,
                  {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                   {2, "<< /Type /Pages /Kids [10 0 R] /Count 1 /MediaBox [50 50 350 250] /Resources << /Font << /F1 5 "
                       "0 R >> /XObject << /X1 6 0 R >> >> >>"},
                   {10, "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R] /Count 1 /Rotate 90 >>"},
                   {3, "<< /Type /Page /Parent 10 0 R /Contents 4 0 R >>"},
                   {4, Stream("", "BT /F1 12 Tf 70 200 Td (Nested page) Tj ET /X1 Do")},
                   {5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"},
                   {6, Stream("/Type /XObject /Subtype /Form /BBox [0 0 300 200] /Owner 1 0 R /Note (Shelf \\(A\\))",
                              "60 60 100 50 re f")}},
                  "/Root 1 0 R");
    return pdf;
}

// A page whose resources lead into a chain of objects, each written inside the one before: copying
// them all would copy the file many times over.
std::string ObjectsInsideEachOther()
{
    std::string chain = std::string(4000, 'x');
    for (int number = 9; number >= 6; --number)
        chain = std::to_string(number) + " 0 obj\n[" + (number < 9 ? std::to_string(number + 1) + " 0 R " : "") + "(" +
                chain + ")]";
    std::string pdf = "%PDF-1.2\n" + chain + "\nendobj\n";
    std::vector<std::pair<int, std::size_t>> offsets;
    for (int number = 6; number <= 9; ++number)
        offsets.emplace_back(number, pdf.find(std::to_string(number) + " 0 obj"));
    AppendTable(pdf, offsets, "");
    AppendSection(pdf,
                  {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                   {2, PageTree},
                   {3, "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /Chain 6 0 R >> >>"},
                   {4, Stream("", "(x) Tj")}},
                  "/Root 1 0 R /Prev " + LastXRefOffset(pdf));
    return pdf;
}

// Contents named in every way: a page that refers to `contents`, and the objects it may name; the
// array object and the number stand just before a stream that is none of the page's.
std::string PageWithContents(const std::string& contents)
{
    std::string pdf = "%PDF-1.2\n";
    AppendSection(pdf,
                  {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                   {2, PageTree},
                   {3, "<< /Type /Page /Parent 2 0 R /Contents " + contents + " >>"},
                   {5, "[4 0 R 6 0 R]"},
                   {9, "42"},
                   {7, Stream("", "BT /F1 12 Tf 20 150 Td (Wrong) Tj ET")},
                   {4, Stream("", "BT /F1 12 Tf 20 100 Td (First) Tj ET")},
                   {6, Stream("", "BT /F1 12 Tf 20 50 Td (Second) Tj ET")},
                   {8, "<< /Type /Shelf >>"},
                   {10, "[4 0 R 5 0 R]"},
                   {11, Stream(LargeEntry(), "")},
                   {13, Stream("/Filter /ASCII85Decode", std::string(600000, ' ') + "~>")}},
                  "/Root 1 0 R");
    return pdf;
}

// A generous guard against a reader that hangs; no measure of its speed.
constexpr auto HangGuard = std::chrono::seconds(30);

// What an input mode makes of a file: a letter page that draws the first input page's form when
// there is one. Listeners of the device record what they hear.
struct TInputDocument {
    TPdfDevice device;
    std::vector<std::string> heard;

    TInputDocument(const std::string& input, int mode, const std::string& output, bool encrypt = false)
    {
        device.FileName = output;
        device.InputFileName = input;
        device.InputMode = mode;
        device.Security.flags = encrypt ? 1 : 0;
        device.OnMessageCallback = [this](int code, const std::string& text, int number) {
            if (code == 4)
                heard.push_back(std::to_string(code) + " " + text + " " + std::to_string(number));
        };
        device.OnSecondCallback = [this](const std::string& text, int code, int kind) {
            heard.push_back("second " + std::to_string(kind) + " " + text + " " + std::to_string(code));
        };
    }

    void Write()
    {
        device.BeginDoc(612, 792, 72);
        device.StartPage(612, 792, 72, 72, 0);
        device.DrawXForm("inpage1", 0, 0, 612, 792);
        device.TextOut(300, 700, "Own page");
        device.EndPage();
        device.EndDoc();
    }
};

} // namespace

TEST(PdfInputFile, ReadsPagesOfOurDeviceAndOfQpdf)
{
    const TemporaryFolder folder;
    const std::string ours = MemoryDocument({}, [](TPdfDevice& device) {
        DrawSamplePage(device);
        DrawSamplePage(device, 400, 300);
    });
    const std::string mine = folder.File("ours.pdf");
    const std::string flate = folder.File("flate.pdf");
    WriteWholeFile(mine, ours);
    int status = -1;
    RunCommand("qpdf --object-streams=disable --compress-streams=y " + mine + " " + flate + " 2>&1", &status);
    ASSERT_EQ(status, 0);
    for (const std::string& file : {mine, flate}) {
        TInput input;
        input.file.ReadPDFFile(file, input.tree);
        ASSERT_EQ(input.Pages().size(), 2u) << file;
        EXPECT_NE(input.Pages()[1].mediaBox.find("0 0 400 300"), std::string::npos) << file;
        EXPECT_NE(input.Pages()[0].resources, "<< >>") << file;
        const std::string content = input.PageContent(0);
        EXPECT_NE(content.find("(Shelf \\(A\\) \\\\ 4)Tj"), std::string::npos) << file << content;
        EXPECT_NE(content.find(" 90 -50 re b*"), std::string::npos) << file;
    }
}

TEST(PdfInputFile, NewerSectionsWinAndLongDictionariesAreReadWhole)
{
    std::string pdf = OnePage("(old) Tj");
    const std::string first = LastXRefOffset(pdf);
    const std::string padding(5000, ' ');
    AppendSection(pdf,
                  {{3, "<< /Type /Page /Parent 2 0 R" + padding +
                           "/Contents [4 0 R 6 0 R] /MediaBox [0 0 50 60] /Resources 7 0 R >>"},
                   {4, Stream("/Filter /FlateDecode", ZCompressStr("(new) Tj"))},
                   {6, Stream("/Filter [/ASCII85Decode]", "66J!*0H`%~>")}},
                  "/Root 1 0 R /Prev " + first);
    const auto input = Read(pdf);
    ASSERT_EQ(input->Pages().size(), 1u);
    EXPECT_EQ(input->Pages()[0].mediaBox, "[0 0 50 60]");
    EXPECT_EQ(input->Pages()[0].resources, "7 0 R");
    EXPECT_EQ(input->PageContent(0), "(new) Tj\nB 1 0 0\n");
    EXPECT_EQ(input->file.PosInPDFFile(4), static_cast<std::int64_t>(pdf.rfind("4 0 obj")));
    EXPECT_EQ(input->file.PosInPDFFile(1), static_cast<std::int64_t>(pdf.find("1 0 obj")));
    EXPECT_EQ(input->file.PosInPDFFile(5), 0);
    EXPECT_EQ(input->file.PosInPDFFile(1 << 30), 0);

    // A section that names itself as the previous one is read once.
    std::string loop = OnePage("(x) Tj", "", " /Prev SELF");
    loop.replace(loop.rfind("SELF"), 4, LastXRefOffset(loop));
    EXPECT_EQ(Read(loop)->PageContent(0), "(x) Tj\n");

    // The newest of a long chain wins, and the oldest still gives the catalog.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Read(LongChain(100000))->PageContent(0), "(new) Tj\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, HangGuard);
}

TEST(PdfInputFile, HostileFilesAreRefusedWithTheirMessages)
{
    const TemporaryFolder folder;
    const std::string plain = folder.File("plain.pdf");
    WriteWholeFile(plain, MemoryDocument());
    const auto qpdf = [&](const std::string& options) {
        const std::string out = folder.File("qpdf.pdf");
        int status = -1;
        RunCommand("qpdf " + options + " " + plain + " " + out + " 2>&1", &status);
        EXPECT_EQ(status, 0) << options;
        return ReadWholeFile(out);
    };
    const std::string good = OnePage("(x) Tj");
    std::string huge = good;
    huge.replace(huge.rfind("4 1\n"), 4, "2147483000 1\n");
    std::string cutTable = good.substr(0, good.rfind("\nxref\n") + 31);
    cutTable += "\nstartxref\n" + LastXRefOffset(good) + "\n%%EOF\n";
    std::string noTrailer = good;
    noTrailer.replace(noTrailer.rfind("trailer"), 7, "trailed");
    std::string badStart = good;
    badStart.replace(badStart.rfind("startxref\n") + 10, LastXRefOffset(good).size(), "99999999");
    const std::string bomb = ZCompressStr(std::string((64u << 20) + 1, 'q'), TZCompressionLevel::zcMax);
    struct Case {
        std::string name;
        std::string pdf;
        std::string message;
    };
    const Case cases[] = {
        {"no end", good.substr(0, good.size() - 7), "Invalid File"},
        {"start beyond the file", badStart, "Invalid File"},
        {"huge object numbers", huge, "xref not found"},
        {"truncated table", cutTable, "xref not found"},
        {"no trailer", noTrailer, "trailer not found"},
        {"object streams", qpdf("--object-streams=generate"), "xref not found"},
        {"encrypted", qpdf("--encrypt u o 256 --"), "Encrypted input PDF files are not supported"},
        {"no pages", OnePage("").replace(OnePage("").find("/Pages 2"), 6, "/Pagez"), "Cannot find TAG /Pages"},
        {"kids pointing at one page", WideTree(false), "Cannot find TAG /Type"},
        {"kids inheriting a large value", WideTree(true), "Invalid File"},
        {"trailers inside each other", TrailersInsideEachOther(), "Invalid File"},
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(RaisedMessage<Exception>([&] { Read(c.pdf); }), c.message) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, HangGuard) << c.name;
    }
    const Case contents[] = {
        {"LZW", OnePage("x", "/LZWDecode"), "LZWDecode is not supported!"},
        {"Flate past the ceiling", OnePage(bomb, "/FlateDecode"), "decompressed data exceed 67108864 bytes"},
        {"length beyond the file", Lengthened(OnePage(std::string(10000, ' '))), "Cannot find TAG /Length"},
    };
    for (const Case& c : contents) {
        const auto input = Read(c.pdf);
        EXPECT_EQ(RaisedMessage<Exception>([&] { input->PageContent(0); }), c.message) << c.name;
    }
}

// A page's contents are its streams, however they are named, and nothing else: an array of them may
// stand in an object of its own; anything else there is refused.
TEST(PdfInputFile, PageContentsAreTheStreamsTheyName)
{
    struct Case {
        std::string contents;
        std::string content;
        std::string message;
    };
    const std::string both = "BT /F1 12 Tf 20 100 Td (First) Tj ET\nBT /F1 12 Tf 20 50 Td (Second) Tj ET\n";
    std::string large = "[";
    for (int i = 0; i < 100000; ++i)
        large += "11 0 R ";
    const Case cases[] = {
        {"4 0 R", "BT /F1 12 Tf 20 100 Td (First) Tj ET\n", ""},
        {"[4 0 R 6 0 R]", both, ""},
        {"5 0 R", both, ""},
        {"9 0 R", "", "Cannot find TAG stream"},
        {"8 0 R", "", "Cannot find TAG stream"},
        {"10 0 R", "", "Cannot find TAG stream"},
        {"12 0 R", "", "Cannot find TAG stream"},
        // Decoded once, however often it is named.
        {large + "]", std::string(100000, '\n'), ""},
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const auto input = Read(PageWithContents(c.contents));
        if (c.message.empty())
            EXPECT_EQ(input->PageContent(0), c.content) << c.contents;
        else
            EXPECT_EQ(RaisedMessage<Exception>([&] { input->PageContent(0); }), c.message) << c.contents.substr(0, 20);
        EXPECT_LT(std::chrono::steady_clock::now() - start, HangGuard) << c.contents.substr(0, 20);
    }

    // Undoing 600 KB of ASCII85 blanks named 60,000 times, once for each time the page is asked for, is
    // charged until the reading budget runs out.
    std::string blanks = "[";
    for (int i = 0; i < 60000; ++i)
        blanks += "13 0 R ";
    const auto input = Read(PageWithContents(blanks + "]"));
    EXPECT_EQ(input->PageContent(0), std::string(60000, '\n'));
    std::string message = "nothing raised";
    for (int asked = 1; asked < 100 && message == "nothing raised"; ++asked)
        message = RaisedMessage<Exception>([&] { input->PageContent(0); });
    EXPECT_EQ(message, "Invalid File");

    // The form of such a page shows its streams.
    const TemporaryFolder folder;
    const std::string output = folder.File("forms.pdf");
    WriteWholeFile(folder.File("input.pdf"), PageWithContents("5 0 R"));
    TInputDocument(folder.File("input.pdf"), 2, output).Write();
    Judged("qpdf --check " + output);
    EXPECT_EQ(Unspaced(Judged("pdftotext " + output + " -")), "FirstSecondOwnpage");
}

// Input pages become forms that show as the input shows them, from files of our device and of qpdf,
// into plain and encrypted documents; the listeners learn the page count first.
TEST(PdfInputFile, InputPagesAsFormsShowTheInputsTextAndDrawing)
{
    const TemporaryFolder folder;
    const std::string ours = folder.File("ours.pdf");
    const std::string flate = folder.File("flate.pdf");
    WriteWholeFile(ours, MemoryDocument({}, [](TPdfDevice& device) {
                       DrawSamplePage(device);
                       DrawSamplePage(device, 400, 300);
                   }));
    Judged("qpdf --object-streams=disable --compress-streams=y " + ours + " " + flate);
    const RgbImage inputPage = DecodedBy("pdftoppm -r 72 -f 1 -l 1 " + ours);
    for (const std::string& input : {ours, flate}) {
        for (const bool encrypt : {false, true}) {
            const std::string output = folder.File(encrypt ? "locked.pdf" : "plain.pdf");
            TInputDocument document(input, 2, output, encrypt);
            document.Write();
            EXPECT_EQ(document.heard, (std::vector<std::string>{"4 " + input + " 2", "second 2 " + input + " 2"}));
            Judged("qpdf --check " + output);
            EXPECT_NE(Judged("pdftotext " + output + " -").find("Shelf (A) \\ 4"), std::string::npos) << input;
            // The own text aside, the page is the input's first.
            RgbImage page = DecodedBy("pdftoppm -r 72 " + output);
            const TRect own = InkBounds(page, TRect{250, 0, 612, 792});
            EXPECT_FALSE(own.IsEmpty());
            for (int y = own.Top - 2; y < own.Bottom + 2; ++y)
                for (int x = own.Left - 2; x < own.Right + 2; ++x)
                    page.pixels[static_cast<std::size_t>(y) * page.width + x] = inputPage.At(x, y);
            ExpectSameImage(page, inputPage, input + (encrypt ? " encrypted" : ""));
        }
    }
}

// Mode 1 carries the input's page over, with what it inherits and what its resources name; the
// forms of mode 2 leave the input's catalog out as an empty object and encrypt the strings they
// carry over.
TEST(PdfInputFile, PagesCarriedOverKeepTheirResourcesAndLeaveTheCatalogOut)
{
    const TemporaryFolder folder;
    const std::string input = folder.File("nested.pdf");
    WriteWholeFile(input, NestedPage());
    const std::string appended = folder.File("appended.pdf");
    TInputDocument(input, 1, appended).Write();
    Judged("qpdf --check " + appended);
    EXPECT_EQ(PageSizes(appended), (std::vector<std::string>{"300 x 200", "612 x 792"}));
    EXPECT_EQ(Unspaced(Judged("pdftotext -f 1 -l 1 " + appended + " -")), "Nestedpage");
    EXPECT_EQ(Unspaced(Judged("pdftotext -f 2 -l 2 " + appended + " -")), "Ownpage");
    // The filled square of the inner form, 10 points in from the page's left and 10 up from its foot,
    // turned with the page a quarter to the right.
    const RgbImage first = DecodedBy("pdftoppm -r 72 -f 1 -l 1 " + appended);
    EXPECT_EQ(InkBounds(first, TRect{0, 0, 100, 300}), (TRect{10, 10, 60, 110}));

    const std::string forms = folder.File("forms.pdf");
    TInputDocument(input, 2, forms).Write();
    Judged("qpdf --check " + forms);
    const std::string written = ReadWholeFile(forms);
    std::smatch owner;
    ASSERT_TRUE(std::regex_search(written, owner, std::regex("/Owner (\\d+) 0 R"))) << written;
    EXPECT_NE(written.find("\n" + owner[1].str() + " 0 obj\r\n<< >>\r\nendobj\r\n"), std::string::npos);
    EXPECT_EQ(written.find("objend"), std::string::npos);
    EXPECT_EQ(Unspaced(Judged("pdftotext " + forms + " -")), "NestedpageOwnpage");

    const std::string locked = folder.File("locked.pdf");
    TInputDocument(input, 2, locked, true).Write();
    Judged("qpdf --check " + locked);
    EXPECT_EQ(ReadWholeFile(locked).find("Shelf"), std::string::npos);
    Judged("qpdf --decrypt --qdf " + locked + " " + folder.File("open.pdf"));
    EXPECT_NE(ReadWholeFile(folder.File("open.pdf")).find("/Note (Shelf \\(A\\))"), std::string::npos);
}

// Inputs a document refuses: BeginDoc raises the message, and an older file stays as it was.
TEST(PdfInputFile, DocumentsRefuseInputsWithTheirMessagesAndKeepTheOldFile)
{
    const TemporaryFolder folder;
    const std::string plain = folder.File("plain.pdf");
    WriteWholeFile(plain, MemoryDocument());
    const std::string encrypted = folder.File("encrypted.pdf");
    Judged("qpdf --encrypt u o 256 -- " + plain + " " + encrypted);
    struct Case {
        std::string name;
        std::string pdf;
        int mode;
        bool encrypt;
        std::string message;
    };
    const Case cases[] = {
        {"LZW content", OnePage("x", "/LZWDecode"), 2, false, "LZWDecode is not supported!"},
        {"objects inside each other", ObjectsInsideEachOther(), 1, false, "Invalid File"},
        {"appended to an encrypted document", ReadWholeFile(plain), 1, true,
         "An input PDF cannot be appended to an encrypted document"},
        {"encrypted input", ReadWholeFile(encrypted), 3, false, "Encrypted input PDF files are not supported"},
        {"box without numbers", NestedPage().replace(NestedPage().find("[50 50"), 3, "[/a"), 2, false, "Invalid File"},
    };
    const std::string target = folder.File("target.pdf");
    const std::string input = folder.File("input.pdf");
    for (const Case& c : cases) {
        WriteWholeFile(target, "old");
        WriteWholeFile(input, c.pdf);
        TInputDocument document(input, c.mode, target, c.encrypt);
        EXPECT_EQ(RaisedMessage<Exception>([&] { document.Write(); }), c.message) << c.name;
        EXPECT_FALSE(document.device.IsOpen()) << c.name;
        EXPECT_EQ(ReadWholeFile(target), "old") << c.name;
    }
}
