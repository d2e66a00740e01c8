#include "pdf/PdfFileWriter.h"

#include "PdfTestSupport.h"
#include "TestSupport.h"
#include "pdf/PdfAcroForm.h"
#include "pdf/PdfDeviceWorkBuffer.h"
#include "pdf/PdfInfo.h"
#include "pdf/PdfPageTree.h"
#include "pdf/PdfResource.h"
#include "pdf/PdfStream.h"
#include "pdf/PdfTypes.h"
#include "pdf/Pdfzlib.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <regex>

namespace {

const std::string Drawing = "0.5 0 0 RG 10.000 10.000 m 585.000 832.000 l S\r\n";

// The cross-reference lines between "xref" and "trailer".
std::vector<std::string> TableLines(const std::string& pdf)
{
    const std::size_t start = pdf.find("xref\r\n0 ");
    const std::size_t first = pdf.find("\r\n", start + 6) + 2;
    const std::size_t end = pdf.find("trailer");
    std::vector<std::string> lines;
    for (std::size_t at = first; at < end; at += 20)
        lines.push_back(pdf.substr(at, 20));
    return lines;
}

// Rotates letters by the object number, so that strings stay readable and show which object's key
// encrypted them; records every call.
class TRotatingEncryption : public TPdfObjectEncryption {
public:
    void Encrypt(int objectNumber, std::uint8_t* data, std::size_t count) override
    {
        calls.emplace_back(objectNumber, std::string(data, data + count));
        Rotate(data, count, objectNumber);
    }

    static void Rotate(std::uint8_t* data, std::size_t count, int by)
    {
        for (std::uint8_t* c = data; c < data + count; ++c)
            for (const std::uint8_t first : {'a', 'A'})
                if (*c >= first && *c < first + 26)
                    *c = static_cast<std::uint8_t>(first + (*c - first + by % 26 + 26) % 26);
    }

    std::vector<std::pair<int, std::string>> calls;
};

} // namespace

TEST(PdfFileWriter, SmallDocumentPassesQpdfAndPdfinfo)
{
    TemporaryFolder folder;
    TPdfFileWriter writer;
    writer.OpenMemory();
    TSmallDocument document(writer);
    document.info.Title = "Wall 1";
    document.Write(Drawing);
    const std::string pdf = OutputOf(writer);
    EXPECT_EQ(pdf.substr(0, 10), "%PDF-1.2\r\n");

    int status = -1;
    const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
    EXPECT_NE(check.find("No syntax or stream encoding errors found"), std::string::npos) << check;
    const std::string info = SaveAndRun(folder, pdf, "pdfinfo", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +1\n"))) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Page size: +595 x 842 pts"))) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Title: +Wall 1\n"))) << info;
    EXPECT_TRUE(std::regex_search(info, std::regex("Creator: +Kestrame\n"))) << info;
}

TEST(PdfFileWriter, TableHasTwentyByteLinesAndTheTrailerPointsAtIt)
{
    TPdfFileWriter writer;
    writer.OpenMemory();
    TSmallDocument document(writer);
    document.Write(Drawing);
    const std::string pdf = OutputOf(writer);
    const auto lines = TableLines(pdf);
    ASSERT_EQ(static_cast<int>(lines.size()), writer.XRefCount());
    EXPECT_EQ(lines[0], "0000000000 65535 f\r\n");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        ASSERT_TRUE(std::regex_match(lines[i], std::regex("[0-9]{10} 00000 n\r\n"))) << lines[i];
        const auto offset = static_cast<std::size_t>(Atoi(lines[i].substr(0, 10)));
        EXPECT_EQ(pdf.substr(offset, IntToStr(static_cast<std::int64_t>(i)).size() + 6),
                  IntToStr(static_cast<std::int64_t>(i)) + " 0 obj");
    }
    std::smatch trailer;
    ASSERT_TRUE(std::regex_search(
        pdf, trailer,
        std::regex("trailer\n<<\n/Size (\\d+)\r\n/Root \\d+ 0 R\r\n/ID\\[<([0-9a-f]{32})><([0-9a-f]{32})>\\]\r\n"
                   "/Info \\d+ 0 R\r\n>>\r\nstartxref\r\n(\\d+)\r\n%%EOF\r\n$")));
    EXPECT_EQ(Atoi(trailer[1].str()), writer.XRefCount());
    EXPECT_EQ(trailer[2].str(), trailer[3].str());
    const std::string id = trailer[2].str();
    for (std::size_t i = 0; i < id.size(); i += 2) {
        const std::string pair = id.substr(i, 2);
        EXPECT_TRUE(pair >= "41" && pair <= "5a") << pair;
    }
    EXPECT_EQ(pdf.substr(static_cast<std::size_t>(Atoi(trailer[4].str())), 5), "xref\r");
}

TEST(PdfFileWriter, ReferencesThatNeverCameBecomeNullObjects)
{
    TemporaryFolder folder;
    TPdfFileWriter writer;
    writer.OpenMemory();
    TSmallDocument document(writer);
    TPdfNull never(&writer);
    document.Write(Drawing, [&](TPdfPage& page) { page.AddAnnotation(&never); });
    const std::string pdf = OutputOf(writer);
    EXPECT_EQ(pdf.find("undef"), std::string::npos);
    EXPECT_NE(pdf.find(IntToStr(never.Number()) + " 0 obj\r\nnull\r\nendobj\r\n"), std::string::npos);
    for (const std::string& line : TableLines(pdf))
        EXPECT_EQ(line.size(), 20u);
    int status = -1;
    const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
}

TEST(PdfFileWriter, FiltersDecodeWithQpdf)
{
    TemporaryFolder folder;
    std::string content;
    for (int i = 0; i < 300; ++i)
        content += Drawing;
    const std::pair<TPdfCompressMethod, TPdfEncodeMethod> methods[] = {{peCompressFlate, peEncodeNone},
                                                                       {peCompressFastFlate, peASCII85Encode},
                                                                       {peCompressRunlength, peASCIIHexEncode},
                                                                       {peCompressNone, peASCII85Encode}};
    for (const auto& [compress, encode] : methods) {
        TPdfFileWriter writer;
        writer.OpenMemory();
        writer.CompressionMethod = compress;
        writer.EncodingMethod = encode;
        TSmallDocument document(writer);
        document.Write(content);
        int status = -1;
        const std::string pdf = OutputOf(writer);
        const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
        EXPECT_EQ(status, 0) << compress << encode << check;
        const std::string data = SaveAndRun(
            folder, pdf, "qpdf --show-object=" + IntToStr(document.contentNumber) + " --filtered-stream-data", &status);
        EXPECT_EQ(data, content) << compress << encode;
    }
}

TEST(PdfFileWriter, FormResourcesAreWellFormed)
{
    TemporaryFolder folder;
    TPdfFileWriter writer;
    writer.OpenMemory();
    TSmallDocument document(writer);
    document.catalog.SetAcroForm(std::make_unique<TPdfAcroForm>(&writer));
    document.Write(Drawing);
    int status = -1;
    const std::string pdf = OutputOf(writer);
    const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
    std::string dr = pdf.substr(pdf.find("/DR ") + 4);
    dr = dr.substr(0, dr.find(" 0 R"));
    const std::string resources = SaveAndRun(folder, pdf, "qpdf --show-object=" + dr, &status);
    EXPECT_EQ(status, 0) << resources;
    for (const char* font :
         {"/Helv << /BaseFont /Helvetica /Encoding /WinAnsiEncoding",
          "/Cour << /BaseFont /Courier /Encoding /WinAnsiEncoding",
          "/Times << /BaseFont /Times-Roman /Encoding /WinAnsiEncoding", "/ZaDb << /BaseFont /ZapfDingbats"})
        EXPECT_NE(resources.find(font), std::string::npos) << font << "\n" << resources;
}

TEST(PdfFileWriter, FileOutputReplacesTheTargetOnlyWhenClosed)
{
    TemporaryFolder folder;
    const std::string target = folder.File("plan.pdf");
    WriteWholeFile(target, "old");
    {
        TPdfFileWriter writer;
        writer.OpenFile(target);
        TSmallDocument document(writer);
        writer.WriteHeader(false);
        EXPECT_EQ(ReadWholeFile(target), "old");
        // Read back from the file being written.
        EXPECT_EQ(OutputOf(writer), "%PDF-1.2\r\n");
    }
    EXPECT_EQ(ReadWholeFile(target), "old");

    TPdfFileWriter writer;
    writer.OpenFile(target);
    TSmallDocument document(writer);
    document.Write(Drawing);
    EXPECT_EQ(ReadWholeFile(target), OutputOf(writer));
    writer.WriteToFile(folder.File("copy.pdf"));
    EXPECT_EQ(ReadWholeFile(folder.File("copy.pdf")), OutputOf(writer));
    TMemoryStream copy;
    writer.WriteToStream(copy);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(copy.Memory()), static_cast<std::size_t>(copy.Size())),
              ReadWholeFile(target));

    const std::string missing = folder.File("no/such/folder/x.pdf");
    EXPECT_EQ(RaisedMessage<Exception>([&] { TPdfFileWriter().OpenFile(missing); }), "Cannot create file " + missing);
}

TEST(PdfFileWriter, MemoryAndCallerStreams)
{
    TPdfFileWriter writer;
    EXPECT_EQ(RaisedMessage<Exception>([&] { writer.RawWrite("x"); }), "Device not open");
    writer.OpenMemory();
    writer.RawWriteLN("0123456789abc");
    writer.RawWriteW(u"A\u20AC");
    EXPECT_EQ(writer.GetBuf(0, nullptr), 19);
    char ten[10];
    EXPECT_EQ(writer.GetBuf(10, ten), 10);
    EXPECT_EQ(std::string(ten, 10), "0123456789");
    EXPECT_EQ(OutputOf(writer).substr(15), std::string("\0A\x20\xAC", 4));
    TMemoryStream copy;
    writer.WriteToStream(copy);
    EXPECT_EQ(copy.Size(), 19);

    // Offsets count from where the caller's stream stood.
    TMemoryStream callers;
    callers.WriteBuffer("prefix", 6);
    writer.SetOutStream(&callers);
    writer.WriteHeader(true);
    TPdfName name(&writer, "X");
    name.WriteIt();
    EXPECT_EQ(writer.XRefEntry(1), "0000000010 00000 n");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(callers.Memory()), 16), "prefix%PDF-1.4\r\n");
    EXPECT_EQ(TPdfFileWriter::HexString("AZ", 2), "<415a>");
}

// Two documents: one encrypted, whose strings inside arrays and dictionaries must take the key of
// the object they stand in; one written to the caller's stream after other bytes, read back while
// and after it is written.
TEST(PdfFileWriter, NestedStringsTakeTheirObjectsKeyAndCallersStreamsReadBack)
{
    TemporaryFolder folder;
    int status = -1;
    TPdfFileWriter encrypted;
    encrypted.OpenMemory();
    TRotatingEncryption encryption;
    encrypted.Encryption = &encryption;
    TSmallDocument secret(encrypted);
    TPdfDictionary holder(&encrypted);
    auto kids = std::make_unique<TPdfArray>(&encrypted);
    kids->Add(std::make_unique<TPdfString>(&encrypted, "In array"));
    auto inner = std::make_unique<TPdfDictionary>(&encrypted);
    inner->Add("Inner", std::make_unique<TPdfString>(&encrypted, "In dictionary"));
    kids->Add(std::move(inner));
    TPdfString alone(&encrypted, "Alone");
    alone.SetPlainHeader(true);
    kids->AddLink(&alone);
    holder.Add("Kids", std::move(kids));
    holder.Add("Title", std::make_unique<TPdfString>(&encrypted, "Top"));
    secret.Write(Drawing, [&](TPdfPage&) {
        encrypted.WriteObject(holder);
        encrypted.WriteObject(alone);
    });
    const auto callsWith = [&](int number, const std::string& text) {
        return std::count(encryption.calls.begin(), encryption.calls.end(), std::pair{number, text});
    };
    for (const char* nested : {"In array", "In dictionary", "Top"})
        EXPECT_EQ(callsWith(holder.Number(), nested), 1) << nested;
    EXPECT_EQ(callsWith(alone.Number(), "Alone"), 1);
    for (const auto& [number, text] : encryption.calls)
        EXPECT_NE(number, 0) << text;
    // What an object exempt from encryption holds inline is exempt with it.
    TPdfDictionary exempt(&encrypted);
    exempt.SetNotEncrypted(true);
    exempt.Add("O", std::make_unique<TPdfString>(&encrypted, "Plain"));
    const std::size_t callsBefore = encryption.calls.size();
    EXPECT_EQ(exempt.AsString(), "/O (Plain)");
    EXPECT_EQ(encryption.calls.size(), callsBefore);
    const std::string secretPdf = OutputOf(encrypted);
    std::string check = SaveAndRun(folder, secretPdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
    // A reader that decrypts each string with the key of the object it stands in gets the text back.
    std::string shown = SaveAndRun(folder, secretPdf, "qpdf --show-object=" + IntToStr(holder.Number()), &status);
    std::vector<std::string> decrypted;
    for (std::smatch match; std::regex_search(shown, match, std::regex("\\(([^)]*)\\)")); shown = match.suffix()) {
        std::string text = match[1].str();
        TRotatingEncryption::Rotate(reinterpret_cast<std::uint8_t*>(text.data()), text.size(), -holder.Number());
        decrypted.push_back(text);
    }
    EXPECT_EQ(decrypted, (std::vector<std::string>{"In array", "In dictionary", "Top"}));

    TMemoryStream callers;
    callers.WriteBuffer("prefix", 6);
    TPdfFileWriter writer;
    writer.SetOutStream(&callers);
    writer.CompressionMethod = peCompressFlate;
    writer.ZoomMode = 3;
    TSmallDocument document(writer);
    std::string head(10, '\0');
    document.Write(Drawing, [&](TPdfPage&) { EXPECT_EQ(writer.GetBuf(10, head.data()), 10); });
    EXPECT_EQ(head, "%PDF-1.2\r\n");
    const std::int64_t size = callers.Size() - 6;
    EXPECT_EQ(writer.GetSize(), size);
    EXPECT_EQ(writer.GetBuf(0, nullptr), size);
    std::string pdf(static_cast<std::size_t>(size), '\0');
    writer.WriteToBuffer(pdf.data(), size + 100);
    EXPECT_EQ(pdf, std::string(reinterpret_cast<const char*>(callers.Memory()) + 6, pdf.size()));
    check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
    const std::string catalog =
        SaveAndRun(folder, pdf, "qpdf --show-object=" + IntToStr(document.catalog.Number()), &status);
    const std::string page = IntToStr(document.catalog.Pages().Page(0).Number());
    EXPECT_NE(catalog.find("/D [ " + page + " 0 R /FitH null ]"), std::string::npos) << catalog;

    // The page's compressed content inflates from where its data begin, also after a seek back there.
    callers.SetPosition(static_cast<std::int64_t>(
        6 + pdf.find("stream\n", pdf.find("\n" + IntToStr(document.contentNumber) + " 0 obj")) + 7));
    TZDecompressionStream content(callers);
    std::string read(Drawing.size(), '\0');
    EXPECT_EQ(content.Read(read.data(), 5), 5);
    EXPECT_EQ(content.Seek(0, TSeekOrigin::soBeginning), 0);
    EXPECT_EQ(content.Read(read.data(), static_cast<std::int64_t>(read.size())),
              static_cast<std::int64_t>(Drawing.size()));
    EXPECT_EQ(read, Drawing);

    EXPECT_EQ(PdfIntToStr(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(PdfIntToStr(-7) + PdfIntToStr(0), "-70");
    EXPECT_EQ(PdfRect(1, 2, 3, 4), (TRect{1, 2, 3, 4}));
}
