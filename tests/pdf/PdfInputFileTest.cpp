#include "pdf/PdfInputFile.h"

#include "PdfTestSupport.h"
#include "pdf/Pdfzlib.h"
#include "platform/core/Exceptions.h"

#include <gtest/gtest.h>

namespace {

// An input file and the page tree read from it.
struct TInput {
    TPdfInputFile file;
    TPdfPages tree{nullptr};

    const std::vector<TPdfInputPage>& Pages() const { return tree.InputPages(); }
    std::string PageContent(int page) const { return file.PageContent(Pages().at(static_cast<std::size_t>(page))); }
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

// Appends objects and a cross-reference section to `pdf`; the section's trailer gets `trailer`.
void AppendSection(std::string& pdf, const std::vector<std::pair<int, std::string>>& objects,
                   const std::string& trailer)
{
    std::string table = "xref\n";
    for (const auto& [number, body] : objects) {
        const std::string offset = std::to_string(pdf.size());
        pdf += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
        table += std::to_string(number) + " 1\n" + std::string(10 - offset.size(), '0') + offset + " 00000 n\r\n";
    }
    const std::string start = std::to_string(pdf.size());
    pdf += table + "trailer\n<< /Size 9 " + trailer + " >>\nstartxref\n" + start + "\n%%EOF\n";
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

// The content's length, 10000, claimed as 99999: the offsets stay as they were.
std::string Lengthened(std::string pdf) { return pdf.replace(pdf.find("/Length 10000"), 13, "/Length 99999"); }

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
    };
    for (const Case& c : cases)
        EXPECT_EQ(RaisedMessage<Exception>([&] { Read(c.pdf); }), c.message) << c.name;
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
