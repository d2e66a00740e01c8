#include "pdf/PdfOutline.h"

#include "PdfTestSupport.h"
#include "TestSupport.h"
#include "pdf/PdfPageTree.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

// The tree as text: each node's title, its children in parentheses, siblings apart by a blank.
std::string Shape(const std::vector<std::unique_ptr<TPdfOutlineNode>>& nodes)
{
    std::string text;
    for (const auto& node : nodes) {
        if (!text.empty())
            text += " ";
        text += std::string(node->Title.begin(), node->Title.end());
        if (!node->Children().empty())
            text += "(" + Shape(node->Children()) + ")";
    }
    return text;
}

struct TBookmark {
    int mode;
    int number;
};

// A document whose first page carries the bookmarks "1", "2", ... placed as asked.
std::string BookmarkedDocument(const std::vector<TBookmark>& bookmarks, const std::function<void(TPdfDevice&)>& prepare,
                               std::string* shape = nullptr)
{
    TPdfDevice device;
    if (prepare)
        prepare(device);
    device.BeginDoc(612, 792, 72);
    device.StartPage(0, 0, 0, 0, 0);
    device.AddDestName("Shelf", 100, 200);
    for (std::size_t i = 0; i < bookmarks.size(); ++i) {
        const std::string title = std::to_string(i + 1);
        EXPECT_EQ(device.AddOutlineNode(std::make_unique<TPdfOutlineNode>(device.Writer(), title), bookmarks[i].mode,
                                        bookmarks[i].number),
                  static_cast<int>(i + 1));
    }
    if (shape != nullptr)
        *shape = Shape(device.Catalog()->Outlines().Nodes());
    device.EndPage();
    device.EndDoc();
    return DeviceOutput(device);
}

// The /Count of each bookmark in the order written ("none" without one), and the root's last.
std::vector<std::string> Counts(const std::string& pdf)
{
    std::vector<std::string> counts;
    const std::regex count("/Count (-?[0-9]+)");
    for (std::size_t at = pdf.find("/Title(\xFE\xFF"); at != std::string::npos;
         at = pdf.find("/Title(\xFE\xFF", at + 1)) {
        const std::string node = pdf.substr(at, pdf.find("endobj", at) - at);
        std::smatch match;
        counts.push_back(std::regex_search(node, match, count) ? match[1].str() : "none");
    }
    std::smatch root;
    counts.push_back(std::regex_search(pdf, root, std::regex("<<\r\n/Count (-?[0-9]+)\n/First")) ? root[1].str()
                                                                                                 : "none");
    return counts;
}

} // namespace

// Closed items count minus their children; open ones their descendants. The root counts what
// shows at first.
TEST(PdfOutline, CountsFollowTheOpenBookmarksSetting)
{
    TemporaryFolder folder;
    for (const bool open : {false, true}) {
        const std::string pdf =
            BookmarkedDocument({{0, 0}, {1, 0}, {1, 0}}, [&](TPdfDevice& device) { device.OpenBookmarks = open; });
        const std::vector<std::string> expected =
            open ? std::vector<std::string>{"2", "1", "none", "3"} : std::vector<std::string>{"-1", "-1", "none", "1"};
        EXPECT_EQ(Counts(pdf), expected);
        int status = -1;
        const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
        EXPECT_EQ(status, 0) << check;
    }
}

TEST(PdfOutline, ModesPlaceNodesInTheTree)
{
    struct TCase {
        std::vector<TBookmark> bookmarks;
        std::string shape;
    };
    const TCase cases[] = {
        {{{0, 0}, {0, 0}, {9, 0}}, "1 2 3"},
        {{{0, 0}, {1, 0}, {1, 0}}, "1(2(3))"},
        {{{0, 0}, {1, 0}, {1, 0}, {2, 0}}, "1(2(3) 4)"},
        {{{0, 0}, {1, 0}, {2, 0}}, "1(2) 3"},
        {{{0, 0}, {1, 0}, {1, 0}, {3, 1}}, "1(2(3)) 4"},
        {{{0, 0}, {1, 0}, {1, 0}, {3, 2}}, "1(2(3) 4)"},
        {{{0, 0}, {1, 0}, {1, 0}, {3, -2}}, "1(2(3)) 4"},
        {{{0, 0}, {1, 0}, {3, 5}}, "1(2(3))"},
        {{{0, 0}, {0, 0}, {4, 1}, {4, 9}, {4, 0}}, "1(3(4)) 2 5"},
        {{{0, 0}, {0, 0}, {5, 1}}, "1 3 2"},
        {{{0, 0}, {1, 0}, {1, 0}, {5, -1}}, "1(2(3) 4)"},
        {{{0, 0}, {1, 0}, {1, 0}, {5, -7}}, "1(2(3)) 4"},
        {{{0, 0}, {1, 0}, {5, 9}, {5, 0}}, "1(2 3) 4"},
        {{{1, 0}, {2, 0}}, "1 2"},
    };
    for (const TCase& c : cases) {
        std::string shape;
        BookmarkedDocument(c.bookmarks, {}, &shape);
        EXPECT_EQ(shape, c.shape);
    }
}

// Positions in device units at 144 dpi on a page 792 points high.
TEST(PdfOutline, DestinationsWriteTheirViews)
{
    TPdfDevice device;
    device.BeginDoc(1224, 1584, 144);
    device.StartPage(1224, 1584, 144, 144, 0);
    TPdfPage* page = device.CurrentPage();
    const std::string reference = page->AsReferenceString();
    const std::pair<int, std::string> views[] = {
        {0, "/XYZ 50 692 3"}, {1, "/Fit "},     {2, "/FitV 50"},   {3, "/FitH 692"}, {4, "/FitR 50 642 150 692"},
        {5, "/FitB "},        {6, "/FitBV 50"}, {7, "/FitBH 692"}, {8, "/FitB "}};
    for (const auto& [mode, view] : views)
        EXPECT_EQ(device.DestAsString(page, mode, 100, 200, 200, 100, 3, ""),
                  "/Dest [ " + reference + " " + view + "]");

    std::vector<std::string> errors;
    device.OnErrorCallback = [&](int code, const std::string& message) {
        errors.push_back(std::to_string(code) + " " + message);
    };
    device.AddDestName("Shelf", 100, 200);
    EXPECT_EQ(device.DestAsString(nullptr, 1, 0, 0, 0, 0, 0, "sHeLf"), "/Dest [ " + reference + " /XYZ 50 692 0]");
    EXPECT_EQ(device.DestAsString(page, 1, 0, 0, 0, 0, 0, "Aisle"), "");
    EXPECT_EQ(errors, std::vector<std::string>{"1 Bookmark \"Aisle\" not found"});
    device.EndDoc();
}

// Titles go out as UTF-16 with a byte-order mark, encrypted like every other string.
TEST(PdfOutline, QpdfReadsTheTreeAndItsTitles)
{
    TFixedClock clock;
    TemporaryFolder folder;
    for (const int encrypt : {0, 1}) {
        std::vector<std::string> errors;
        TPdfDevice device;
        device.Security = {encrypt, 1, "owner", ""};
        device.OnErrorCallback = [&](int, const std::string& message) { errors.push_back(message); };
        device.BeginDoc(612, 792, 72);
        DrawSamplePage(device);
        device.StartPage(0, 0, 0, 0, 0);
        device.AddDestName("Shelf", 0, 0);
        device.AddOutlineNode(std::make_unique<TPdfOutlineNode>(device.Writer(), "Aisle\t7 (Caf\xE9)"), 0, 0);
        auto named = std::make_unique<TPdfOutlineNode>(device.Writer(), std::u16string(u"Shelf \u20AC"));
        named->DestName = "shelf";
        device.AddOutlineNode(std::move(named), 1, 0);
        auto lost = std::make_unique<TPdfOutlineNode>(device.Writer(), "Lost");
        lost->DestName = "Nowhere";
        device.AddOutlineNode(std::move(lost), 0, 0);
        device.EndDoc();
        const std::string pdf = DeviceOutput(device);

        EXPECT_EQ(errors, std::vector<std::string>{"Bookmark \"Nowhere\" not found"});
        int status = -1;
        const std::string json = SaveAndRun(folder, pdf, "qpdf --json --json-key=outlines", &status);
        EXPECT_EQ(status, 0) << json;
        const std::regex titles("\"title\": \"([^\"]*)\"");
        std::vector<std::string> found;
        for (auto it = std::sregex_iterator(json.begin(), json.end(), titles); it != std::sregex_iterator(); ++it)
            found.push_back((*it)[1]);
        // The keys come sorted: a node's kids before its title.
        EXPECT_EQ(found, (std::vector<std::string>{"Shelf \xE2\x82\xAC", "Lost", "Aisle 7 (Caf\xC3\xA9)"})) << json;
        // Both bookmarks with a destination lead to the second page; the lost one leads nowhere.
        const auto occurrences = [&](const std::string& text) {
            const std::regex pattern(text);
            return std::distance(std::sregex_iterator(json.begin(), json.end(), pattern), std::sregex_iterator());
        };
        EXPECT_EQ(occurrences("\"destpageposfrom1\": 2,"), 2);
        EXPECT_EQ(occurrences("\"dest\": null,"), 1);
        EXPECT_EQ(occurrences("\"open\": false,"), 1);
        const std::string check = SaveAndRun(folder, pdf, "qpdf --check", &status);
        EXPECT_EQ(status, 0) << check;
    }
}
