#include "pdf/PdfDevice.h"

#include "ImageTestSupport.h"
#include "PdfTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <regex>
#include <string>
#include <vector>

namespace {

std::string Compact(const std::string& json)
{
    std::string compact;
    for (const char c : json)
        if (c != ' ' && c != '\n')
            compact += c;
    return compact;
}

} // namespace

TEST(PdfDeviceCommands, RecordedCommandsBecomeLinksBookmarksAndForms)
{
    TFixedClock clock;
    TemporaryFolder folder;
    std::vector<std::string> errors;
    TPdfDevice device;
    device.OnErrorCallback = [&](int code, const std::string& message) {
        errors.push_back(std::to_string(code) + " " + message);
    };
    device.BeginDoc(612, 792, 72);
    device.StartXForm("Logo", 50, 50, 72, 72);
    device.Rectangle(5, 5, 45, 45);
    device.EndXForm();
    ASSERT_TRUE(PlayCommands(device, [](TMetafileCanvas& canvas) {
        RecordCommand(canvas, 501, "Shelf");
        RecordCommand(canvas, 501, "http://shelves.example/");
        RecordCommand(canvas, 503, "Shelf=One");
        RecordCommand(canvas, 504, "Shelf=Child");
        RecordCommand(canvas, 504, "Shelf=Grandchild");
        RecordCommand(canvas, 505, "Shelf");
        RecordCommand(canvas, 505, "Shelf=");
        RecordCommand(canvas, 503, "Shelf=Two");
        RecordCommand(canvas, 504, "Shelf=Under two");
        RecordCommand(canvas, 505, "Shelf=Three");
        RecordCommand(canvas, 503, "Lost");
        RecordCommand(canvas, 507, "Shelf");
        RecordCommand(canvas, 510, "001/Ff 0/FT/Btn\r\r/AS/Yes\r/V /Yes/DA (/Helv 0 Tf 0 g )", {72, 300, 92, 320});
        RecordCommand(canvas, 510, "001/Ff 0/FT/Btn\r/DA (/Helv 0 Tf 0 g )", {72, 330, 92, 350});
        RecordCommand(canvas, 510, "000/FT/Tx\r/V(Bay \\(A\\) 4)/DA (/Helv 0 Tf 0 g )", {100, 300, 300, 320});
        RecordCommand(canvas, 511, "000/FT/Tx\r/V(Price 1.99)/DA (/Cour 10 Tf 0 0 1 rg)/T(Own)", {100, 330, 300, 350});
        RecordCommand(canvas, 510, "000/FT/Tx\r/V <4169736C652028 37>/DA <2F48656C762030205466203020672>",
                      {100, 360, 300, 380});
    }));
    ASSERT_TRUE(PlayCommands(device, [](TMetafileCanvas& canvas) {
        RecordCommand(canvas, 502, "shelf", {100, 200, 150, 220});
        RecordCommand(canvas, 506, "Logo");
    }));
    device.EndDoc();
    const std::string pdf = DeviceOutput(device);
    EXPECT_EQ(errors, std::vector<std::string>{"1 Bookmark \"UNKNOWN\" not found"});

    int status = -1;
    const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
    const std::string objects = Compact(SaveAndRun(folder, pdf, "qpdf --json --json-key=qpdf", &status));
    std::smatch kids;
    ASSERT_TRUE(std::regex_search(objects, kids, std::regex(R"re("/Kids":\["[^"]+","([^"]+)"\])re")));
    const std::string dest = "[\"" + kids[1].str() + "\",\"/XYZ\",100,592,0]";
    EXPECT_NE(objects.find("\"/Border\":[0,0,0],\"/Dest\":" + dest + ",\"/Rect\":[72,700,172,720]"), std::string::npos)
        << objects;
    EXPECT_NE(objects.find("\"/URI\":\"u:http://shelves.example/\""), std::string::npos);

    // Two levels up after two level-ups, one up with a title; every bookmark leads to the named
    // destination, and the one without a name nowhere.
    const std::string outlines = Compact(SaveAndRun(folder, pdf, "qpdf --json --json-key=outlines", &status));
    EXPECT_EQ(Occurrences(outlines, "\"dest\":" + dest + ",\"destpageposfrom1\":2,"), 6) << outlines;
    const std::string tree = std::regex_replace(
        outlines,
        std::regex(R"re("dest":(\[[^\]]*\]|null),"destpageposfrom1":(\d+|null),|"object":"\d+0R","open":\w+,)re"), "");
    EXPECT_NE(tree.find(R"("outlines":[{"kids":[{"kids":[{"kids":[],"title":"Grandchild"}],"title":"Child"}],)"
                        R"("title":"One"},{"kids":[{"kids":[],"title":"Undertwo"}],"title":"Two"},)"
                        R"({"kids":[],"title":"Three"},{"kids":[],"title":""}])"),
              std::string::npos)
        << tree;
    // Fields named in order unless the text names its own; the checked box shows its cross.
    const std::string form = Compact(SaveAndRun(folder, pdf, "qpdf --json --json-key=acroform", &status));
    const std::regex field(
        R"re("appearancestate":"([^"]*)".*?"fieldtype":"([^"]+)","fullname":"([^"]+)".*?"value":("[^"]*"|null))re");
    std::vector<std::string> fields;
    for (auto it = std::sregex_iterator(form.begin(), form.end(), field); it != std::sregex_iterator(); ++it)
        fields.push_back((*it)[1].str() + " " + (*it)[2].str() + " " + (*it)[3].str() + " " + (*it)[4].str());
    EXPECT_EQ(fields,
              (std::vector<std::string>{"/Yes /Btn Field1 \"/Yes\"", " /Btn Field2 null", " /Tx Field3 \"u:Bay(A)4\"",
                                        " /Tx Own \"u:Price1.99\"", " /Tx Field4 \"u:Aisle(7\""}))
        << form;
    EXPECT_NE(pdf.find("q 0 0 0 RG 0 0 m 20 20 l S 0 20 m 20 0 l S Q"), std::string::npos);
    EXPECT_NE(pdf.find("/Tx BMC BT /Helv 12 Tf 0 g 2 6 Td (Bay \\(A\\) 4)Tj ET EMC"), std::string::npos);
    EXPECT_NE(pdf.find("/Tx BMC BT /Cour 10 Tf 0 0 1 rg 2 6 Td (Price 1.99)Tj ET EMC"), std::string::npos);
    EXPECT_NE(pdf.find("/Tx BMC BT /Helv 12 Tf 0 g 2 6 Td (Aisle \\(7)Tj ET EMC"), std::string::npos);
    EXPECT_NE(pdf.find("/Logo Do"), std::string::npos);

    // A reader that draws the fields' own appearances, as the form no longer asks for new ones,
    // shows each value inside its field: black, and blue.
    const std::string qdf = folder.File("form.qdf"), drawn = folder.File("drawn.pdf");
    WriteWholeFile(folder.File("form.pdf"), pdf);
    RunCommand("qpdf --qdf " + folder.File("form.pdf") + " " + qdf, &status);
    WriteWholeFile(qdf, std::regex_replace(ReadWholeFile(qdf), std::regex("/NeedAppearances true"),
                                           "/NeedAppearances false"));
    const std::string fixed = RunCommand("fix-qdf " + qdf + " > " + drawn + " 2>&1", &status);
    ASSERT_EQ(status, 0) << fixed;
    const RgbImage page = DecodedBy("pdftoppm -r 72 -f 1 -l 1 " + drawn);
    const TRect value = InkBounds(page, TRect{100, 300, 300, 320}), price = InkBounds(page, TRect{100, 330, 300, 350});
    const TRect hex = InkBounds(page, TRect{100, 360, 300, 380});
    EXPECT_GT(value.Right - value.Left, 40);
    EXPECT_GT(price.Right - price.Left, 40);
    EXPECT_GT(hex.Right - hex.Left, 30);
    EXPECT_EQ(page.At(price.Left + 1, (price.Top + price.Bottom) / 2).b, 255);
}

// Rectangles at the ends of the integer range and texts without any of their parts still make a
// file that reads.
TEST(PdfDeviceCommands, ExtremeRectanglesAndEmptyTextsMakeAReadableFile)
{
    TemporaryFolder folder;
    std::vector<std::string> errors;
    TPdfDevice device;
    device.OnErrorCallback = [&](int, const std::string& message) { errors.push_back(message); };
    device.BeginDoc(612, 792, 300);
    device.StartPage(0, 0, 0, 0, 0);
    const TRect extreme{INT_MIN, INT_MAX, INT_MAX, INT_MIN};
    for (const int code : {501, 502, 503, 504, 505, 505, 503, 506, 510, 511})
        device.PSCommand(extreme, code, "");
    device.PSCommand(extreme, 510, "/FT/Tx/V(a\\)b)");
    device.EndPage();
    device.EndDoc();
    int status = -1;
    const std::string check = SaveAndRun(folder, DeviceOutput(device), "qpdf --check", &status);
    EXPECT_EQ(status, 0) << check;
    EXPECT_NE(DeviceOutput(device).find(" Td (a\\)b)Tj ET"), std::string::npos);
    EXPECT_EQ(errors, (std::vector<std::string>(3, "Bookmark \"UNKNOWN\" not found")));
}
