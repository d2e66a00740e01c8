#include "pdf/PdfLink.h"

#include "PdfTestSupport.h"
#include "platform/core/Exceptions.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

// A page of links of every kind and a text field, and a second page with the destination the first
// link names.
std::string LinkedDocument(int encrypt, std::vector<std::string>& errors)
{
    TPdfDevice device;
    device.Security = {encrypt, 1, "owner", ""};
    device.OnErrorCallback = [&](int, const std::string& message) { errors.push_back(message); };
    device.BeginDoc(612, 792, 72);
    EXPECT_EQ(RaisedMessage<Exception>([&] { device.PSCreateHyperLink(0, 0, 10, 10, "Shelf", ""); }),
              "No page active!");
    EXPECT_EQ(RaisedMessage<Exception>([&] { device.AddFormElement("000/FT/Tx", TRect{}); }), "No page active!");
    device.StartPage(612, 792, 72, 72, 0);
    device.PSCreateHyperLink(10, 700, 100, 20, "Shelf", "");
    device.PSCreateHyperLink(10, 650, 100, 20, "http://shelves.example/a(b)", "");
    device.PSCreateHyperLink(10, 625, 100, 20, "https://shelves.example/s", "");
    device.PSCreateHyperLink(10, 600, 100, 20, "Launch://" + std::string(300, 'x'), "");
    device.PSCreateHyperLink(10, 550, 100, 20, "GoToR://plan.pdf", "");
    device.PSCreateHyperLink(10, 500, 100, 20, "Shelf", "/S/Named/N/NextPage");
    device.PSCreateHyperLink(10, 450, 100, 20, "Nowhere", "");
    device.AddFormElement("000/FT/Tx/V(Aisle\\\n 7 \\(A\\) \\101)/TU <426F78>/T(Own)", TRect{10, 400, 110, 420});
    device.EndPage();
    device.StartPage(612, 792, 72, 72, 0);
    device.AddDestName("shelf", 50, 100);
    device.EndPage();
    device.EndDoc();
    return DeviceOutput(device);
}

} // namespace

TEST(PdfLink, LinksLeadWhereTheirTargetsSayAlsoEncrypted)
{
    TFixedClock clock;
    TemporaryFolder folder;
    for (const int encrypt : {0, 1}) {
        std::vector<std::string> errors;
        const std::string pdf = LinkedDocument(encrypt, errors);
        EXPECT_EQ(errors, std::vector<std::string>{"Bookmark \"Nowhere\" not found"});
        int status = -1;
        const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
        EXPECT_EQ(status, 0) << check;
        const std::string json = SaveAndRun(folder, pdf, "qpdf --decrypt --json --json-key=qpdf", &status);
        EXPECT_EQ(status, 0) << json;
        std::string compact;
        for (const char c : json)
            if (c != ' ' && c != '\n')
                compact += c;
        std::smatch kids;
        ASSERT_TRUE(std::regex_search(compact, kids, std::regex("\"/Kids\":\\[\"[^\"]+\",\"([^\"]+)\"\\]")));
        const auto has = [&](const std::string& part) { return compact.find(part) != std::string::npos; };
        EXPECT_TRUE(has("\"/Dest\":[\"" + kids[1].str() + "\",\"/XYZ\",50,692,0]")) << compact;
        EXPECT_TRUE(has("\"/S\":\"/URI\",\"/Type\":\"/Action\",\"/URI\":\"u:http://shelves.example/a(b)\""));
        EXPECT_TRUE(has("\"/S\":\"/URI\",\"/Type\":\"/Action\",\"/URI\":\"u:https://shelves.example/s\""));
        EXPECT_TRUE(has("\"/F\":\"u:" + std::string(256, 'x') + "\",\"/S\":\"/Launch\""));
        EXPECT_TRUE(has("\"/F\":\"u:plan.pdf\",\"/S\":\"/GoToR\""));
        EXPECT_TRUE(has("\"/A\":{\"/N\":\"/NextPage\",\"/S\":\"/Named\"}"));
        EXPECT_EQ(Occurrences(compact, "\"/Subtype\":\"/Link\""), 7);
        EXPECT_TRUE(has("\"/T\":\"u:Own\",\"/TU\":\"u:Box\",\"/Type\":\"/Annot\",\"/V\":\"u:Aisle7(A)A\"")) << compact;
        // The address is in the file only when it is not encrypted.
        EXPECT_EQ(pdf.find("(http://shelves.example/a\\(b\\))") != std::string::npos, encrypt == 0);
    }
}
