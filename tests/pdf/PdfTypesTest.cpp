#include "pdf/PdfTypes.h"

#include "PdfTestSupport.h"
#include "pdf/PdfAcroForm.h"
#include "pdf/PdfInfo.h"
#include "pdf/PdfPageTree.h"
#include "pdf/PdfStream.h"
#include "pdf/PdfStreamEncoders.h"
#include "pdf/Pdfzlib.h"
#include "platform/core/Streams.h"
#include "platform/core/Exceptions.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::vector<std::uint8_t> Encode(std::vector<std::uint8_t> (*encoder)(const std::uint8_t*, std::size_t),
                                 std::string_view data)
{
    return encoder(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
}

std::string RunLengthDecoded(const std::vector<std::uint8_t>& data)
{
    std::string out;
    for (std::size_t at = 0; at < data.size() && data[at] != 128;) {
        const int length = data[at++];
        if (length < 128) {
            out.append(reinterpret_cast<const char*>(&data[at]), static_cast<std::size_t>(length) + 1);
            at += static_cast<std::size_t>(length) + 1;
        } else {
            out.append(static_cast<std::size_t>(257 - length), static_cast<char>(data[at++]));
        }
    }
    return out;
}

} // namespace

TEST(PdfTypes, StringsNamesAndNull)
{
    TPdfFileWriter writer;
    EXPECT_EQ(TPdfString(&writer, "abc").AsString(), "(abc)");
    EXPECT_EQ(TPdfString(&writer, "a(b)\\").AsString(), "(a\\(b\\)\\\\)");
    EXPECT_EQ(TPdfString(&writer, "\xC8\x80\x1F\x7F").AsString(), "(\\310\\200\\037\x7F)");
    EXPECT_EQ(TPdfString(&writer, "<</A 1>>", true).AsString(), "<</A 1>>");
    const std::string hundred(100, 'x');
    EXPECT_EQ(TPdfString(&writer, hundred).AsString(), "(" + hundred + ")");
    // A line is broken once more than 100 characters stand on it.
    EXPECT_EQ(TPdfString(&writer, std::string(205, 'y')).AsString(),
              "(" + std::string(101, 'y') + "\\\r\n" + std::string(101, 'y') + "\\\r\n" + "yyy)");
    EXPECT_EQ(TPdfName(&writer, "FlateDecode").AsString(), "/FlateDecode");
    EXPECT_EQ(TPdfNull(&writer).AsString(), "null");
    EXPECT_EQ(TPdfEncodingVector(&writer, 204, "/Type/Encoding").AsString(), "/Type/Encoding");
}

TEST(PdfTypes, EncryptedStringsAreAlwaysEscaped)
{
    TPdfFileWriter writer;
    TXorEncryption encryption;
    writer.Encryption = &encryption;
    // "a" and "\x14" encrypt to ")" and "\", which must not end the string.
    EXPECT_EQ(TPdfString(&writer, "a\x14").AsString(), "(\\)\\\\)");
    TPdfString exempt(&writer, "a\x14");
    exempt.SetNotEncrypted(true);
    EXPECT_EQ(exempt.AsString(), "(a\\024)");
}

TEST(PdfTypes, NumberArraysWriteEveryValue)
{
    TPdfNumArray widths(nullptr);
    EXPECT_EQ(widths.AsString(), "[ ]");
    for (int i = 1; i <= 20; ++i)
        widths.Append(i * 10);
    widths.Append(-5);
    EXPECT_EQ(widths.AsString(), "[ 10 20 30 40 50 60 70 80 90 100 110 120 130 140 150 160 170 180 190\n200 -5 ]");
    EXPECT_EQ(widths.Count(), 21);
    EXPECT_EQ(widths.Value(20), -5);
    widths.Clear();
    EXPECT_EQ(widths.Count(), 0);
}

TEST(PdfTypes, DictionariesAndArrays)
{
    TPdfFileWriter writer;
    writer.OpenMemory();
    TPdfNull target(&writer);
    TPdfDictionary dictionary(&writer);
    dictionary.Add("Type", std::make_unique<TPdfName>(&writer, "Annot"));
    auto inner = std::make_unique<TPdfDictionary>(&writer);
    inner->Add("S", std::make_unique<TPdfName>(&writer, "URI"));
    inner->Add("URI", std::make_unique<TPdfString>(&writer, "http://x"));
    dictionary.Add("A", std::move(inner));
    auto array = std::make_unique<TPdfArray>(&writer);
    array->Add(std::make_unique<TPdfName>(&writer, "XYZ"));
    array->AddLink(&target);
    array->Add(std::make_unique<TPdfNull>(&writer));
    dictionary.Add("D", std::move(array));
    EXPECT_EQ(dictionary.AsString(), "/Type /Annot\r\n/A <</S /URI\r\n/URI (http://x)>>\r\n/D [/XYZ 1 0 R null]");
    EXPECT_EQ(dictionary.Count(), 3);
    EXPECT_NE(dictionary.Find("A"), nullptr);
    EXPECT_EQ(dictionary.Find("B"), nullptr);

    dictionary.WriteIt();
    EXPECT_EQ(OutputOf(writer), "2 0 obj \r<<\r\n" + dictionary.AsString() + "\r\n>> \rendobj\r\n");
    target.SetPlainHeader(true);
    target.WriteIt();
    EXPECT_EQ(OutputOf(writer).substr(OutputOf(writer).find("1 0 obj")), "1 0 obj\r\nnull\r\nendobj\r\n");
}

TEST(PdfTypes, ObjectsAreNumberedOnceAndWrittenOnce)
{
    TPdfFileWriter writer;
    writer.OpenMemory();
    writer.RawWriteLN("%PDF-1.2");
    TPdfNull later(&writer);
    EXPECT_EQ(later.AsReferenceString(), "1 0 R");
    EXPECT_EQ(later.AsReferenceString(), "1 0 R");
    EXPECT_EQ(writer.XRefEntry(1), "undef TPdfNull");
    TPdfName now(&writer, "N");
    now.WriteIt();
    EXPECT_EQ(now.Number(), 2);
    later.WriteIt();
    EXPECT_EQ(writer.XRefEntry(1), "0000000039 00000 n");
    EXPECT_EQ(writer.XRefEntry(2), "0000000010 00000 n");
    EXPECT_EQ(RaisedMessage<Exception>([&] { later.WriteIt(); }), "Object may only be written once!");
    EXPECT_EQ(RaisedMessage<Exception>([] { TPdfNull(nullptr).WriteIt(); }), "Object has no owner");
    EXPECT_EQ(RaisedMessage<Exception>([&] { TPdfPages(&writer).AsString(); }),
              "AsString is not implemented for this obj");
}

TEST(PdfTypes, StreamHeaderDataAndEnd)
{
    TPdfFileWriter writer;
    writer.OpenMemory();
    TPdfStream stream(&writer, 'T');
    stream.WriteStart();
    stream.RawWrite("0 0 m");
    stream.RawWriteLN(" S");
    stream.SetLength1(99);
    stream.WriteEnd();
    EXPECT_EQ(OutputOf(writer), "1 0 obj \r<</Length 9 /Length1 99 >>\r\nstream\n0 0 m S\r\n\nendstream\r\nendobj\n");
    EXPECT_EQ(RaisedMessage<Exception>([&] { writer.WriteObject(stream); }), "Streams are written sequentially!");
}

TEST(PdfTypes, StreamFiltersReadInDecodingOrder)
{
    TPdfFileWriter writer;
    writer.OpenMemory();
    writer.CompressionMethod = peCompressFlate;
    writer.EncodingMethod = peASCII85Encode;
    TPdfStream packed(&writer);
    packed.SetExtraDictionary("\n/Type/XObject");
    packed.WriteStart();
    packed.RawWrite("BT ET");
    packed.WriteEnd();
    EXPECT_NE(OutputOf(writer).find("1 0 obj \r<<\n/Type/XObject/Length "), std::string::npos);
    EXPECT_NE(OutputOf(writer).find("\n/Filter [/ASCII85Decode/FlateDecode] >>\r\nstream\n"), std::string::npos);

    TPdfStream text(&writer);
    text.WriteStart();
    text.RawWrite("abc");
    text.ASCIIHexDecode();
    text.DCTDecode(false);
    EXPECT_EQ(text.FilterList(), "/DCTDecode/ASCIIHexDecode");
    EXPECT_EQ(RaisedMessage<Exception>([&] { text.DCTDecode(true); }), "Not impl.");

    // A binary stream is not compressed again unless forced; its encoding still applies.
    writer.EncodingMethod = peASCIIHexEncode;
    TPdfStream image(&writer);
    image.SetBinary(true);
    image.WriteStart();
    image.RawWrite(std::string_view("\xff\x00", 2));
    image.WriteEnd();
    EXPECT_NE(OutputOf(writer).find("/Length 6\n/Filter [/ASCIIHexDecode] >>\r\nstream\nff00>\n\nendstream"),
              std::string::npos);
}

TEST(PdfTypes, EncodersWriteTheirFormats)
{
    EXPECT_EQ(Bytes(Encode(PdfASCIIHexEncode, "\x01\xAB")), "01ab>\n");
    std::string line;
    for (int i = 0; i < 40; ++i)
        line += "41";
    EXPECT_EQ(Bytes(Encode(PdfASCIIHexEncode, std::string(40, 'A'))), line + "\n>\n");
    EXPECT_EQ(Bytes(Encode(PdfASCII85Encode, "")), "~>\n");
    EXPECT_EQ(Bytes(Encode(PdfASCII85Encode, "Man ")), "9jqo^~>\n");
    EXPECT_EQ(Bytes(Encode(PdfASCII85Encode, "Ma")), "9jn~>\n");
    EXPECT_EQ(Bytes(Encode(PdfASCII85Encode, std::string(8, '\0'))), "z!!!!!~>\n");
    const std::string long85 = Bytes(Encode(PdfASCII85Encode, std::string(100, 'q')));
    EXPECT_EQ(long85.find('\n'), 80u);
    EXPECT_EQ(long85.size(), 125u + 1 + 3);

    std::string mixed = "abc" + std::string(300, 'x') + "de" + std::string(3, 'f');
    for (int i = 0; i < 200; ++i)
        mixed += static_cast<char>(i);
    const auto runs = Encode(PdfRunLengthEncode, mixed);
    EXPECT_EQ(runs.back(), 128);
    EXPECT_EQ(RunLengthDecoded(runs), mixed);
    EXPECT_EQ(Bytes(Encode(PdfRunLengthEncode, "aaaab")), std::string("\xFD"
                                                                      "a"
                                                                      "\x00"
                                                                      "b"
                                                                      "\x80",
                                                                      5));
}

TEST(PdfTypes, ASCII85DecodesWhatTheEncoderWritesAndRefusesTheRest)
{
    std::string every;
    for (int i = 0; i < 256; ++i)
        every += static_cast<char>(i);
    for (const std::string& plain : {std::string(), std::string("Ma"), std::string(8, '\0'), every + std::string(9, 'q')})
        EXPECT_EQ(Bytes(Encode(PdfASCII85Decode, Bytes(Encode(PdfASCII85Encode, plain)))), plain);
    EXPECT_EQ(Bytes(Encode(PdfASCII85Decode, "9j qo\r\n^")), "Man ");
    EXPECT_EQ(Bytes(Encode(PdfASCII85Decode, "9jn~>9jqo^{")), "Ma");
    for (const char* broken : {"9jqo{", "9z", "9", "s8W-\""})
        EXPECT_EQ(RaisedMessage<Exception>([&] { Encode(PdfASCII85Decode, broken); }), "Invalid ASCII85 data")
            << broken;
}

TEST(PdfTypes, InputStreamsDecodeTheirFilters)
{
    TPdfFileWriter writer;
    const std::string content = "0 0 m 100 100 l S\r\n";
    const std::string packed = ZCompressStr(content);
    const std::string both = Bytes(Encode(PdfASCII85Encode, packed));
    struct Case {
        std::string filter;
        std::string data;
        std::string decoded;
        std::string filterAfter;
    };
    const Case cases[] = {{"/FlateDecode", packed, content, ""},
                          {"[/ASCII85Decode /FlateDecode]", both, content, ""},
                          {"[ /Other /FlateDecode ]", packed, packed, "[ /Other /FlateDecode ]"},
                          {"[/FlateDecode/DCTDecode]", packed, content, "/DCTDECODE"}};
    for (const Case& c : cases) {
        TPdfStream stream(&writer);
        stream.RawWrite(c.data);
        stream.SetPreEncoded(c.filter);
        stream.DecodeIt();
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream.Data().Memory()), stream.Data().Size()), c.decoded)
            << c.filter;
        EXPECT_EQ(stream.SourceFilter(), c.filterAfter) << c.filter;
        EXPECT_EQ(stream.PreEncoded(), !c.filterAfter.empty()) << c.filter;
    }
    TPdfStream lzw(&writer);
    lzw.SetPreEncoded("/LZWDecode");
    EXPECT_EQ(RaisedMessage<Exception>([&] { lzw.DecodeIt(); }), "LZWDecode is not supported!");
    // A few hundred bytes may claim gigabytes: inflating stops at the ceiling.
    const std::string bomb = ZCompressStr(std::string(TPdfStream::DecodedLimit + 1, ' '), TZCompressionLevel::zcMax);
    TPdfStream hostile(&writer);
    hostile.RawWrite(bomb);
    hostile.SetPreEncoded("/FlateDecode");
    EXPECT_EQ(RaisedMessage<EZDecompressionError>([&] { hostile.DecodeIt(); }),
              "decompressed data exceed 67108864 bytes");
}

TEST(PdfTypes, DictionariesLoadUntilTheyBalance)
{
    TPdfFileWriter writer;
    const std::string big = "<< /Kids [" + std::string(5000, ' ') + "] /Sub << /A 1 >> >>";
    const std::string file = "%PDF-1.2\n1 0 obj\n" + big + "\nendobj\n2 0 obj\n<< /Open <<";
    TMemoryStream stream;
    stream.WriteBuffer(file.data(), static_cast<std::int64_t>(file.size()));
    const auto first = static_cast<std::int64_t>(file.find("<<"));
    EXPECT_EQ(ReadBalancedDictionary(stream, first), big);
    EXPECT_EQ(ReadBalancedDictionary(stream, first + 1), "< /Kids [" + std::string(5000, ' ') + "] /Sub << /A 1 >>");
    EXPECT_EQ(ReadBalancedDictionary(stream, static_cast<std::int64_t>(file.rfind("<< /Open"))), "");
    EXPECT_EQ(ReadBalancedDictionary(stream, static_cast<std::int64_t>(file.size())), "");
    EXPECT_EQ(ReadBalancedDictionary(stream, -5), "");
    TMemoryStream endless;
    const std::string open(LongestDictionary + 10, '<');
    endless.WriteBuffer(open.data(), static_cast<std::int64_t>(open.size()));
    EXPECT_EQ(ReadBalancedDictionary(endless, 1), "");
    TPdfName name(&writer, "N");
    EXPECT_EQ(RaisedMessage<Exception>([&] { name.LoadFromStream(stream, first); }),
              "SetAsString is not implemented for this obj");
    EXPECT_FALSE(name.LoadFromStream(stream, static_cast<std::int64_t>(file.rfind("<< /Open"))));
}

TEST(PdfTypes, InfoWritesEveryKeyEscaped)
{
    TPdfFileWriter writer;
    TPdfInfo info(&writer);
    info.Title = "Wall (1)";
    info.Producer = "P";
    info.Creator = "someone";
    EXPECT_EQ(info.AsString(), "/Producer(P)\n/Author()\n/Title(Wall \\(1\\))\n/Subject()\n/Keywords()\n"
                               "/CreationDate()\n/ModDate()\n/Creator(Kestrame)");
}

TEST(PdfTypes, PageTreeListsItsKids)
{
    TPdfFileWriter writer;
    writer.OpenMemory();
    TPdfPages pages(&writer);
    pages.AddPage(std::make_unique<TPdfPage>(&writer));
    pages.AddPage(std::make_unique<TPdfPage>(&writer));
    pages.WriteIt();
    EXPECT_EQ(OutputOf(writer), "1 0 obj \r<<\r\n/Type/Pages\r\n/MediaBox [0 0 612 792]\r\n/Kids [ 2 0 R\r\n3 0 R ]\r\n"
                                "/Count 2\r\n>> \rendobj\r\n");
    EXPECT_EQ(writer.XRefEntry(2), "undef TPdfPage");
    EXPECT_EQ(pages.Page(1).Parent(), &pages);
    EXPECT_EQ(RaisedMessage<Exception>([&] { TPdfPage(&writer).WriteIt(); }), "Page has no parent!");
}

TEST(PdfTypes, PageWithEightContentStreams)
{
    TPdfFileWriter writer;
    writer.OpenMemory();
    TPdfPages pages(&writer);
    auto page = std::make_unique<TPdfPage>(&writer, 90);
    page->SetSize(300, 200);
    for (int i = 0; i < 8; ++i)
        page->AddContent(std::make_unique<TPdfStream>(&writer, 'T'));
    TPdfNull link(&writer);
    page->AddAnnotation(&link);
    TPdfPage& added = pages.AddPage(std::move(page));
    added.WriteIt();
    const std::string output = OutputOf(writer);
    const std::string pageText = output.substr(output.find("9 0 obj"));
    EXPECT_EQ(pageText, "9 0 obj \r<<\r\n/Type/Page\r\n/Parent 10 0 R\r\n/Rotate 90\r\n/MediaBox [0 0 300 200]\r\n"
                        "/Annots [11 0 R ]\n\r\n/Count 8\r\n"
                        "/Contents [ 1 0 R 2 0 R 3 0 R 4 0 R 5 0 R 6 0 R 7 0 R 8 0 R \n]\r\n>> \rendobj\r\n");
}

TEST(PdfTypes, CatalogNamesPagesFormModeAndZoom)
{
    TPdfFileWriter writer;
    writer.OpenMemory();
    writer.PageMode = 2;
    writer.ZoomMode = 2;
    TPdfCatalog catalog(&writer);
    catalog.AddPage(std::make_unique<TPdfPage>(&writer));
    catalog.SetAcroForm(std::make_unique<TPdfAcroForm>(&writer));
    catalog.WriteIt();
    EXPECT_EQ(OutputOf(writer), "1 0 obj \r<<\r\n/Type/Catalog\r\n/Pages 2 0 R\r\n/AcroForm 3 0 R\r\n"
                                "/PageMode/UseThumbs\r\n/OpenAction <</Type/Action/S/GoTo/D[4 0 R/FitV null]>>\r\n"
                                ">> \rendobj\r\n");
}
