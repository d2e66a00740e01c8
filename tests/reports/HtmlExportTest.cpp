#include "reports/HtmlExport.h"

#include "platform/core/FilePaths.h"
#include "testing/ScriptedUi.h"

#include "ExportFixture.h"
#include "ImageTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

// The pages' lines end in CR LF.
std::string Crlf(const std::string& text)
{
    std::string lines;
    for (char c : text)
        lines += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return lines;
}

const std::string Site = "<a href=\"https://test.example/k?a=1&amp;b=2\"> Kestrame\x99</a>";

std::string Head(const std::string& title, const std::string& image)
{
    return "<html>\n\t<head>\n\t\t<meta http-equiv=\"content-type\" content=\"text/html;charset=iso-8859-1\">\n"
           "\t\t<meta name=\"generator\" content=\"Kestrame 2.5\">\n\t\t<title>" +
           title + "</title>\n\t</head>\n\t<body>\n\t\t<center>\n\t\t\t<h1>" + title + "</h1>\n\t\t\t<p>\n\t\t\t" +
           image + "\n\t\t\t<p>\n";
}

std::string Table(const std::string& caption, std::initializer_list<const char*> titles)
{
    std::string text = "\t\t\t<table border=\"4\" cellpadding=\"5\" cellspacing=\"1\" width=\"100%\">\t\t\t\t"
                       "<caption><h2>" +
                       caption + "</h2></caption>\t\t\t\t<tr>\n";
    for (const char* title : titles)
        text += std::string("\t\t\t\t\t<th>\n\t\t\t\t\t\t<center>\n\t\t\t\t\t\t\t") + title +
                "</center>\n\t\t\t\t\t</th>\n";
    return text + "\t\t\t\t</tr>\n";
}

std::string Row(std::initializer_list<std::string> cells)
{
    std::string row = "\t\t\t\t<tr>\n";
    for (const std::string& cell : cells) {
        const bool link = cell.starts_with("<a");
        row += "\t\t\t\t\t<td>\n\t\t\t\t\t\t<center>\n\t\t\t\t\t\t\t" + cell + (link ? "</center></a>" : "</center>") +
               "\n\t\t\t\t\t</td>\n";
    }
    return row + "\t\t\t\t</tr>\n";
}

class WebExport : public testing::Test, protected ExportDocument {
protected:
    ScriptedUi ui;
    TemporaryFolder folder;
    WebPageOptions options;

    void SetUp() override
    {
        setenv("KESTRAME_WEBSITE", "https://test.example/k?a=1&b=2", 1);
        MakeWall(200, 120, clWhite);
        catalog->records["A1"] = {"Cola & Co <1L>", 0, 0, 10.5, 40, 80, 42, 1234.5, 2.25, 0};
        catalog->records["B/2"] = {"Chips", 0, 0, 4, 30, 44, 16, 0.5, 1, 0};
        AddTestItem(document, "A1", Rect(8, 20, 48, 100), 0, SolidPicture(folder.File("a1.bmp"), clRed, 300, 200));
        AddTestItem(document, "B/2", Rect(60, 76, 90, 120), 0, SolidPicture(folder.File("b2.bmp"), clBlue, 100, 400));
        AddTestItem(document, "<shelf>", Rect(0, 110, 200, 120), 0, "<shelf><bgcolor=0>");
    }
    void TearDown() override { unsetenv("KESTRAME_WEBSITE"); }

    std::string Page(const std::string& name) const { return ReadWholeFile(folder.File(name)); }
    RgbImage Jpeg(const std::string& name) const { return DecodedBy("djpeg -pnm '" + folder.File(name) + "'"); }
    // Every link and picture of the pages in `site`, read by Python's HTML parser as a browser reads
    // them: "missing <link>" for each that names no file of the folder, a title line for each page, and
    // the number of links checked.
    std::string LinkReport(const std::string& site) const
    {
        WriteWholeFile(folder.File("links.py"), R"(import html.parser, os, sys, urllib.parse
folder, checked = os.fsencode(sys.argv[1]), 0
class Page(html.parser.HTMLParser):
    links, title, inTitle = [], '', False
    def handle_starttag(self, tag, attrs):
        self.inTitle = tag == 'title'
        self.links = self.links + [v for n, v in attrs if n in ('href', 'src') and not v.startswith('http')]
    def handle_data(self, data):
        self.title += data if self.inTitle else ''
        self.inTitle = False
for name in sorted(n for n in os.listdir(folder) if n.endswith((b'.html', b'.htm'))):
    page = Page()
    page.feed(open(os.path.join(folder, name), encoding='cp1252').read())
    print('title', page.title)
    checked += len(page.links)
    print(*('missing ' + l for l in page.links if not os.path.exists(os.path.join(folder, urllib.parse.unquote_to_bytes(l)))))
print('checked', checked)
)");
        return RunCommand("PYTHONIOENCODING=utf-8 /usr/bin/python3 '" + folder.File("links.py") + "' '" + site + "'");
    }
    std::vector<std::string> Files(const std::string& path) const
    {
        std::vector<std::string> files = ListFiles(path);
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_F(WebExport, WritesTheDisplayAndProductPagesByteForByte)
{
    ExportHtml(mainWindow, &document, folder.File("shop.htm"), options);
    const char* const columns[] = {"Index", "Description", "X location", "Y location", "Width", "Height", "Depth"};
    EXPECT_EQ(
        Page("shop.htm"),
        Crlf(Head("shop", "<img height=\"120\" width=\"200\" src=\"shop.jpg\">") +
             "\t\t\t<h5>Display width 50cm</h5>\n\t\t\t<h5>Display height 30cm</h5>\n" +
             Table("Report Information",
                   {columns[0], columns[1], columns[2], columns[3], columns[4], columns[5], columns[6]}) +
             Row({"<a href=\"A1.html\">A1", "Cola &amp; Co &lt;1L&gt;", "2cm", "25cm", "10cm", "20cm", "10.5cm"}) +
             Row({"<a href=\"B_2.html\">B/2", "Chips", "15cm", "11cm", "7cm", "11cm", "4cm"}) +
             Row({"&lt;shelf&gt;", "", "0cm", "2cm", "", "", ""}) + "\t\t\t</table>\n\t\t<h6> " + Site +
             "</h6>\n\t\t</center>\n\t</body>\n</html>\n"));
    EXPECT_EQ(Page("A1.html"),
              Crlf(Head("A1", "<img height=\"100\" width=\"150\" src=\"A1.jpg\">") +
                   Table("Product Information",
                         {"Index", "Description", "Cost Price", "Retail Price", "Width", "Height", "Depth"}) +
                   Row({"A1", "Cola &amp; Co &lt;1L&gt;", "1,234.50", "2.25", "10cm", "20cm", "10.5cm"}) +
                   "\t\t\t</table>\n\t\t<a href=\"shop.htm\">back</center></a>\n<p>\n<p>\n" +
                   "\t\t<h6>This page was generated by " + Site + ".</h6>\n\t\t</center>\n\t</body>\n</html>\n"));
    EXPECT_NE(Page("B_2.html").find("<img height=\"150\" width=\"37\" src=\"B_2.jpg\">"), std::string::npos);
    EXPECT_EQ(Jpeg("shop.jpg").width, 200);
    EXPECT_EQ(Jpeg("A1.jpg").height, 100);
    EXPECT_EQ(Jpeg("B_2.jpg").width, 37);
    // No page for what the catalog does not hold.
    EXPECT_EQ(Files(folder.Path()), (std::vector<std::string>{"A1.html", "A1.jpg", "B_2.html", "B_2.jpg", "a1.bmp",
                                                              "b2.bmp", "shop.htm", "shop.jpg"}));
}

TEST_F(WebExport, LengthsFollowTheUnitsAndTheirMode)
{
    mainWindow.inches = true;
    ExportHtml(mainWindow, &document, folder.File("inch.html"), options);
    // The wall's height takes the document's own unit.
    EXPECT_NE(Page("inch.html").find("<h5>Display width 19.7\"</h5>\r\n\t\t\t<h5>Display height 30cm</h5>"),
              std::string::npos);
    EXPECT_NE(Page("inch.html")
                  .find(Crlf(Row({"<a href=\"A1.html\">A1", "Cola &amp; Co &lt;1L&gt;", "0.788\"", "9.85\"", "3.94\"",
                                  "7.88\"", "4.137\""}))),
              std::string::npos);
    EXPECT_NE(Page("A1.html").find(
                  Crlf(Row({"A1", "Cola &amp; Co &lt;1L&gt;", "1,234.50", "2.25", "3.94\"", "7.88\"", "4.137\""}))),
              std::string::npos);

    mainWindow.inches = false;
    mainWindow.unitsMode = false;
    mainWindow.scale = 8;
    options.productPages = false;
    ExportHtml(mainWindow, &document, folder.File("scaled.html"), options);
    EXPECT_NE(Page("scaled.html").find("<h5>Display width 25cm</h5>"), std::string::npos);
    EXPECT_NE(
        Page("scaled.html").find(Crlf(Row({"A1", "Cola &amp; Co &lt;1L&gt;", "1cm", "12cm", "5cm", "10cm", "5.25cm"}))),
        std::string::npos);
}

TEST_F(WebExport, PicturesAreScaledWithinTheLimit)
{
    const int cases[][5] = {{300, 200, 150, 150, 100}, {100, 400, 150, 37, 150}, {120, 90, 150, 120, 90},
                            {300, 200, 0, 150, 100},   {5000, 2, 150, 150, 1},   {2, 5000, -3, 1, 150}};
    for (const auto& [width, height, limit, scaledWidth, scaledHeight] : cases) {
        const PictureSize size = ScaledPictureSize(width, height, limit);
        EXPECT_EQ(size.width, scaledWidth);
        EXPECT_EQ(size.height, scaledHeight);
    }
}

TEST_F(WebExport, HostilePartNumbersStayInTheFolderEscaped)
{
    EXPECT_EQ(SafeFileName("shelf-12.b"), "shelf-12.b");
    EXPECT_EQ(SafeFileName(std::string("../a\\b:c\t\x01", 10)), "_._a_b_c__");
    EXPECT_EQ(SafeFileName(""), "_");
    EXPECT_EQ(HtmlEscaped("a<b>&\"c\""), "a&lt;b&gt;&amp;&quot;c&quot;");

    const std::string site = folder.File("site");
    ASSERT_TRUE(ForceDirectories(site));
    document.items->Clear();
    for (const char* part : {"../x", "", "<b>"}) {
        catalog->records[part] = {"d", 0, 0, 1, 4, 4, 0, 1, 1, 0};
        AddTestItem(document, part, Rect(0, 0, 4, 4), 0, folder.File("a1.bmp"));
    }
    ExportHtml(mainWindow, &document, site + "/shop.html", options);
    EXPECT_EQ(Files(folder.Path()), (std::vector<std::string>{"a1.bmp", "b2.bmp"}));
    EXPECT_EQ(Files(site), (std::vector<std::string>{"<b>.html", "<b>.jpg", "_._x.html", "_._x.jpg", "_.html", "_.jpg",
                                                     "shop.html", "shop.jpg"}));
    const std::string display = ReadWholeFile(site + "/shop.html");
    for (const char* link : {"<a href=\"_._x.html\">../x", "<a href=\"_.html\">", "<a href=\"%3Cb%3E.html\">&lt;b&gt;"})
        EXPECT_NE(display.find("\t" + std::string(link) + "</center></a>"), std::string::npos) << link;
    EXPECT_NE(ReadWholeFile(site + "/<b>.html").find("<title>&lt;b&gt;</title>"), std::string::npos);
}

TEST_F(WebExport, PicturesComeAsTheDrawingFindsThemOrNotAtAll)
{
    WriteWholeFile(folder.File("odd.xyz"), "not a picture");
    WriteWholeFile(folder.File("A1.jpg"), "a stale picture of an earlier export");
    document.items->Clear();
    // An unknown extension, a missing file and a bare name no folder holds.
    for (const auto& [part, picture] :
         {std::pair{"odd", folder.File("odd.xyz")}, std::pair{"gone", folder.File("gone.bmp")},
          std::pair{"zyb", std::string("zyb.bmp")}}) {
        catalog->records[part] = {"d", 0, 0, 1, 4, 4, 0, 1, 1, 0};
        AddTestItem(document, part, Rect(0, 0, 4, 4), 0, picture);
    }
    AddTestItem(document, "A1", Rect(8, 20, 48, 100), 0, folder.File("a1.bmp"));
    ExportHtml(mainWindow, &document, folder.File("shop.html"), options);
    for (const char* page : {"odd.html", "gone.html", "zyb.html"}) {
        EXPECT_EQ(Page(page).find("<img"), std::string::npos) << page;
        EXPECT_NE(Page(page).find("Product Information"), std::string::npos) << page;
    }
    EXPECT_FALSE(FileExists(folder.File("odd.jpg")));
    EXPECT_EQ(Jpeg("A1.jpg").width, 150);

    // A collection catalog's pictures come out of the collection.
    document.catalog->photoCollection = SolidPicture(folder.File("pictures.zyb"), clRed);
    pictures.collection["zyb.bmp"] = clLime;
    ExportHtml(mainWindow, &document, folder.File("shop.html"), options);
    EXPECT_NE(Page("zyb.html").find("<img height=\"20\" width=\"40\" src=\"zyb.jpg\">"), std::string::npos);
    EXPECT_NEAR(Jpeg("zyb.jpg").At(20, 10).g, 255, 3);
}

// Every link and picture of the pages, read by Python's HTML parser as a browser reads them, names a
// file of the folder; titles show the names as given.
TEST_F(WebExport, NamesBeyondWesternLettersAreLinkedToTheirFiles)
{
    const std::string site = folder.File("site");
    ASSERT_TRUE(ForceDirectories(site));
    const std::string creme = "Cr\xE8me #1"; // in Windows-1252, as the catalog holds it
    catalog->records[creme] = {"Cr\xE8me br\xFBl\xE9", 0, 0, 3, 4, 4, 0, 1, 1, 0};
    AddTestItem(document, creme, Rect(100, 10, 120, 30), 0, folder.File("a1.bmp"));
    const std::string shelf = "\xD0\x9F\xD0\xBE\xD0\xBB\xD0\xBA\xD0\xB0 \xC3\xA8"; // "Полка è"
    ExportHtml(mainWindow, &document, site + "/" + shelf + ".html", options);
    EXPECT_TRUE(FileExists(site + "/Cr\xC3\xA8me #1.html"));

    const std::string report = LinkReport(site);
    EXPECT_EQ(report.find("missing"), std::string::npos) << report;
    // Three product pages with a picture and a way back, and the display page's picture and links.
    EXPECT_NE(report.find("checked 10\n"), std::string::npos) << report;
    EXPECT_NE(report.find("title " + shelf + "\n"), std::string::npos) << report;
    EXPECT_NE(report.find("title Cr\xC3\xA8me #1\n"), std::string::npos) << report;
}

// Part numbers that make the same file name, among them the display's own, each keep a page and a
// picture of their own; the pages link back to the display under the name it was saved as.
TEST_F(WebExport, PartNumbersOfTheSameFileNameKeepTheirOwnPages)
{
    const std::string site = folder.File("site");
    ASSERT_TRUE(ForceDirectories(site));
    document.items->Clear();
    const struct {
        const char* part;
        TColor colour;
        const char* page;
    } parts[] = {{"G/H", clRed, "G_H"},          {"G_H", clLime, "G_H-2"},      {"G:H", clBlue, "G_H-3"},
                 {"G_H-2", clYellow, "G_H-2-2"}, {"shop", clFuchsia, "shop-2"}, {"G/H", clRed, "G_H"}};
    for (const auto& [part, colour, page] : parts) {
        catalog->records[part] = {part, 0, 0, 1, 4, 4, 4, 1, 1, 0};
        AddTestItem(document, part, Rect(0, 0, 4, 4), 0,
                    SolidPicture(folder.File(std::string(page) + ".bmp"), colour, 20, 10));
    }
    ExportHtml(mainWindow, &document, site + "/shop.htm", options);
    const std::string display = ReadWholeFile(site + "/shop.htm");
    for (const auto& [part, colour, page] : parts) {
        EXPECT_NE(display.find("<a href=\"" + std::string(page) + ".html\">" + part + "</center></a>"),
                  std::string::npos)
            << part;
        const std::string product = ReadWholeFile(site + "/" + page + ".html");
        EXPECT_NE(product.find("<title>" + std::string(part) + "</title>"), std::string::npos) << part;
        EXPECT_NE(product.find("src=\"" + std::string(page) + ".jpg\""), std::string::npos) << part;
        EXPECT_NE(product.find("<a href=\"shop.htm\">back"), std::string::npos) << part;
        const Rgb pixel = DecodedBy("djpeg -pnm '" + site + "/" + page + ".jpg'").At(10, 5);
        EXPECT_NEAR(pixel.r, colour & 0xFF, 3) << part;
        EXPECT_NEAR(pixel.g, (colour >> 8) & 0xFF, 3) << part;
        EXPECT_NEAR(pixel.b, (colour >> 16) & 0xFF, 3) << part;
    }
    EXPECT_EQ(DecodedBy("djpeg -pnm '" + site + "/shop.jpg'").width, 200);
    const std::string report = LinkReport(site);
    EXPECT_EQ(report.find("missing"), std::string::npos) << report;
    // Six product links and the wall on the display page; a picture and a way back on each of five pages.
    EXPECT_NE(report.find("checked 17\n"), std::string::npos) << report;
}

// Links at the names the export makes up, as an unpacked archive may leave them, are replaced: no page
// or picture reaches the files they lead to.
TEST_F(WebExport, LinksAtTheNamesItMakesAreReplacedNotFollowed)
{
    const std::string site = folder.File("site");
    ASSERT_TRUE(ForceDirectories(site));
    const std::string outside = folder.File("bashrc");
    WriteWholeFile(outside, "the user's own");
    for (const char* name : {"shop.jpg", "A1.html", "A1.jpg", "B_2.html", "B_2.jpg"})
        ASSERT_EQ(::symlink(outside.c_str(), (site + "/" + name).c_str()), 0) << name;
    ExportHtml(mainWindow, &document, site + "/shop.html", options);
    EXPECT_EQ(ReadWholeFile(outside), "the user's own");
    EXPECT_EQ(RunCommand("find '" + site + "' -type l"), "");
    EXPECT_EQ(DecodedBy("djpeg -pnm '" + site + "/B_2.jpg'").width, 37);
}

// A picture that cannot be written is reported once; its page goes without it.
TEST_F(WebExport, AFailedPictureWriteIsReportedOnce)
{
    TBitmap& wall = document.backBitmap;
    for (int y = 0; y < wall.Height(); ++y)
        for (int x = 0; x < wall.Width(); ++x)
            wall.SetPixel(x, y, static_cast<TColor>((x * 7919 + y * 104729) * 2654435761u & 0xFFFFFF));
    ui.AnswerMessage(MsgAnswer::OK);
    {
        FileSizeLimit limit(6000);
        ExportHtml(mainWindow, &document, folder.File("shop.html"), options);
    }
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].text.rfind("Cannot write file \"" + folder.File("shop.jpg") + "\".", 0), 0u)
        << ui.Calls()[0].text;
    EXPECT_EQ(ui.Calls()[0].caption, "Kestrame");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Error);
    EXPECT_FALSE(FileExists(folder.File("shop.jpg")));
    EXPECT_EQ(Page("shop.html").find("<img"), std::string::npos);
    EXPECT_NE(Page("A1.html").find("<img height=\"100\" width=\"150\" src=\"A1.jpg\">"), std::string::npos);
}

TEST_F(WebExport, AMissingFolderIsReportedAndNothingWritten)
{
    ui.AnswerMessage(MsgAnswer::OK);
    ExportHtml(mainWindow, &document, folder.File("missing/shop.html"), options);
    EXPECT_EQ(ui.Calls().at(0).text, "Could not open fle.");
    EXPECT_EQ(ui.Calls().at(0).caption, "error 1");
    EXPECT_EQ(Files(folder.Path()), (std::vector<std::string>{"a1.bmp", "b2.bmp"}));
}

} // namespace
