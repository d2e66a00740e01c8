#include "planogram/Kqfascii.h"
#include "catalog/CatalogFinder.h"
#include "platform/ui/Progress.h"
#include "testing/ScriptedUi.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

// Finds the catalogs it was told of; records what became the current catalog.
class FakeFinder : public CatalogFinder {
public:
    std::map<std::string, std::string> hits; // searched path -> found path
    std::string current;
    std::vector<std::string> searched;

    std::string FindCatalog(const std::string& path) override
    {
        searched.push_back(path);
        const auto hit = hits.find(path);
        if (hit == hits.end())
            return {};
        current = hit->second;
        return hit->second;
    }
    std::string ReadCurrentDataFile() override { return current; }
    void WriteCurrentDataFile(const std::string& path) override { current = path; }
};

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::vector<std::string> HeaderLines(const std::string& catalogName, int listsize)
{
    return {
        "KQF",
        "\x81\xC8\xD2\xF0",
        "Header.version=3",
        "Header.platform=Windows",
        "Header.Product=Kestrame 3.5",
        "Header.Type=ur",
        "Header.CatalogName=" + catalogName,
        "Header.CatalogVersion=2",
        "Header.listsize=" + std::to_string(listsize),
        "Header.bgbitmapmode=1",
        "Header.bgBMPpath=",
        "Header.bgBMPMACpath=",
        "Header.bgColor=12632256",
        "Header.Width=800",
        "Header.Height=600",
        "Header.pegvs=10",
        "Header.peghs=10",
        "Header.pegrad=1.500000",
        "Header.pegrl=4",
        "Header.pegrt=8",
        "Header.pegrr=796",
        "Header.pegrb=592",
        "Header.addAlign=1",
        "Header.wrapDirection=2",
        "Header.pegAlign=0",
        "Header.reoderAlarm=1",
        "Header.zoomSetting=1.250000",
        "Header.viewMode=0",
        "Header.transparencySetting=1",
        "Header.tagPartNr=1",
        "Header.tagItemNr=0",
        "Header.tagXY=1",
        "Header.tagStack=0",
        "Header.tagInventory=1",
        "Header.tagUnitsSold=0",
        "Header.tagFontName=Arial",
        "Header.tagFontSize=8",
        "Header.tagFontColor=0",
        "Header.tagColor=16777215",
        "Header.tagCategory=1",
        "Header.tagBrand=0",
        "Header.tagCustom=1",
    };
}

struct ItemText {
    std::string index, picture;
    int group, child;
    std::string box[4];
    std::string rotation, tagRotation, depth;
    std::string color, manualcolor;
    std::string inches[3];
    std::string category, brand, customTag;
};

std::vector<std::string> ItemLines(int n, const ItemText& item)
{
    const std::string s = "S" + std::to_string(n);
    return {
        s + ".itemNo=" + std::to_string(n),
        s + ".index=" + item.index,
        s + ".picture=" + item.picture,
        s + ".group=" + std::to_string(item.group),
        s + ".child=" + std::to_string(item.child),
        s + ".left=" + item.box[0],
        s + ".top=" + item.box[1],
        s + ".right=" + item.box[2],
        s + ".bottom=" + item.box[3],
        s + ".rotation=" + item.rotation,
        s + ".tagRotation=" + item.tagRotation,
        s + ".depth=" + item.depth,
        s + ".hookdepth=0",
        s + ".hookdepthCM=0.000000",
        s + ".hookdepthIN=0.000000",
        s + ".face=0",
        s + ".color=" + item.color,
        s + ".manualcolor=" + item.manualcolor,
        s + ".inchWidth=" + item.inches[0],
        s + ".inchHeight=" + item.inches[1],
        s + ".inchDepth=" + item.inches[2],
        s + ".Category=" + item.category,
        s + ".Brand=" + item.brand,
        s + ".customTag=" + item.customTag,
    };
}

// The golden document, written by hand: a product, a grouped pair, a text fixture with an accented
// letter, and a rotated item.
std::string GoldenFile(const std::string& catalogName)
{
    std::vector<std::string> lines = HeaderLines(catalogName, 5);
    lines.push_back("Header.BuilderListSize=2");
    lines.push_back("BI1=COLA-1\t1\t2");
    lines.push_back("BI2=CHIPS\t2\t1");
    const ItemText items[] = {
        {"COLA-1",
         "C:\\Pics\\cola.bmp",
         1,
         1,
         {"10", "20", "50", "120"},
         "0.000000",
         "0.000000",
         "12.5",
         "255",
         "0",
         {"1.500000", "3.250000", "2.000000"},
         "Drinks",
         "Fizz",
         "(null)"},
        {"CHIPS",
         "(null)",
         2,
         3,
         {"60", "20", "90", "60"},
         "0.000000",
         "0.000000",
         "0",
         "0",
         "1",
         {"0.000000", "0.000000", "0.000000"},
         "(null)",
         "(null)",
         "(null)"},
        {"DIP",
         "/home/u/pics/dip.jpg",
         2,
         3,
         {"90", "20", "120", "60"},
         "0.000000",
         "0.000000",
         "3.75",
         "0",
         "0",
         {"0.000000", "0.000000", "0.000000"},
         "(null)",
         "(null)",
         "promo"},
        {"text 40X10X0-123",
         "<text><value=Caf\xE9 cr\xE8me><font=Arial>",
         4,
         4,
         {"0", "0", "160", "40"},
         "0.000000",
         "0.000000",
         "0",
         "0",
         "0",
         {"0.000000", "0.000000", "0.000000"},
         "(null)",
         "(null)",
         "(null)"},
        {"BOX",
         "box.bmp",
         5,
         5,
         {"200", "300", "240", "380"},
         "90.000000",
         "45.500000",
         "0.1",
         "65280",
         "1",
         {"0.250000", "0.500000", "0.750000"},
         "Bulk",
         "(null)",
         "(null)"},
    };
    for (int n = 1; n <= 5; ++n)
        for (const std::string& line : ItemLines(n, items[n - 1]))
            lines.push_back(line);
    return Joined(lines);
}

ListOB* AddItem(ListManager& list, int itemNo, const std::string& index, const std::string& picture, TRect box)
{
    list.Append();
    ListOB* item = list.current;
    item->itemNo = itemNo;
    item->index = index;
    item->picture = picture;
    item->left = box.Left;
    item->top = box.Top;
    item->right = box.Right;
    item->bottom = box.Bottom;
    return item;
}

// The golden document's model, with item numbers out of order so the writer must renumber them.
void FillGolden(kqfASCII& file, ListManager& list, const std::string& catalogPath)
{
    file.catalogPath = catalogPath;
    file.pegboardBackground = true;
    file.bgColor = 0xC0C0C0;
    file.Width = 800;
    file.Height = 600;
    file.pegvs = file.peghs = 10;
    file.pegrad = 1.5;
    file.pegrl = 4, file.pegrt = 8, file.pegrr = 796, file.pegrb = 592;
    file.addAlign = 1;
    file.wrapDirection = 2;
    file.reoderAlarm = true;
    file.zoomSetting = 1.25;
    file.tagPartNr = file.tagXY = file.tagInventory = file.tagCategory = file.tagCustom = true;
    file.tagFontName = "Arial";
    file.tagFontSize = 8;
    file.tagColor = 0xFFFFFF;
    file.builderItems = {{"COLA-1", "1", "2"}, {"CHIPS", "2", "1"}};

    ListOB* cola = AddItem(list, 7, "COLA-1", "C:\\Pics\\cola.bmp", Rect(10, 20, 50, 120));
    cola->depth = 12.5;
    cola->color = 255;
    cola->inchWidth = 1.5f, cola->inchHeight = 3.25f, cola->inchDepth = 2;
    cola->Category = "Drinks";
    cola->Brand = "Fizz";
    ListOB* chips = AddItem(list, 3, "CHIPS", "", Rect(60, 20, 90, 60));
    chips->manualcolor = true;
    ListOB* dip = AddItem(list, 9, "DIP", "/home/u/pics/dip.jpg", Rect(90, 20, 120, 60));
    dip->depth = 3.75;
    dip->customTag = "promo";
    chips->childItem = dip;
    dip->groupItem = chips;
    AddItem(list, 1, "text 40X10X0-123", "<text><value=Caf\xE9 cr\xE8me><font=Arial>", Rect(0, 0, 160, 40));
    ListOB* box = AddItem(list, 2, "BOX", "box.bmp", Rect(200, 300, 240, 380));
    box->rotation = 90;
    box->tagRotation = 45.5;
    box->depth = 0.1;
    box->color = 0xFF00;
    box->manualcolor = true;
    box->inchWidth = 0.25f, box->inchHeight = 0.5f, box->inchDepth = 0.75f;
    box->Category = "Bulk";
}

class PlanogramFile : public testing::Test {
protected:
    TemporaryFolder folder;
    ScriptedUi ui;
    FakeFinder finder;

    std::string WriteGolden(const std::string& catalogPath)
    {
        kqfASCII file(finder);
        ListManager list;
        FillGolden(file, list, catalogPath);
        file.items = &list;
        const std::string path = folder.File("golden.kqf");
        EXPECT_TRUE(file.Write(path));
        return path;
    }
};

} // namespace

TEST_F(PlanogramFile, WritesTheGoldenBytes)
{
    EXPECT_EQ(ReadWholeFile(WriteGolden("C:\\Shop\\Catalogs\\Shop.ctf")), GoldenFile("Shop.ctf"));
    EXPECT_EQ(ReadWholeFile(WriteGolden("/home/u/Shop.vdx")), GoldenFile("Shop.vdx"));
    EXPECT_TRUE(ui.Calls().empty());
}

TEST_F(PlanogramFile, ReadsEveryField)
{
    const std::string path = folder.File("golden.kqf");
    WriteWholeFile(path, GoldenFile("Shop.vdx"));
    finder.hits[folder.File("Shop.vdx")] = "/cat/Shop.vdx";
    kqfASCII file(finder);
    ASSERT_TRUE(file.Read(path, 0));
    EXPECT_EQ(file.catalogPath, "/cat/Shop.vdx");
    EXPECT_EQ(file.title, "golden.kqf");
    EXPECT_TRUE(file.pegboardBackground);
    EXPECT_FALSE(file.pictureBackground);
    EXPECT_EQ(file.bgColor, 0xC0C0C0);
    EXPECT_EQ(file.Width, 800);
    EXPECT_EQ(file.Height, 600);
    EXPECT_DOUBLE_EQ(file.pegrad, 1.5);
    EXPECT_EQ(file.pegrr, 796);
    EXPECT_EQ(file.addAlign, 1);
    EXPECT_EQ(file.wrapDirection, 2);
    EXPECT_TRUE(file.reoderAlarm);
    EXPECT_DOUBLE_EQ(file.zoomSetting, 1.25);
    EXPECT_TRUE(file.tagPartNr);
    EXPECT_FALSE(file.tagItemNr);
    EXPECT_TRUE(file.tagCustom);
    EXPECT_EQ(file.tagFontName, "Arial");
    EXPECT_EQ(file.tagColor, 0xFFFFFF);
    ASSERT_EQ(file.builderItems.size(), 2u);
    EXPECT_EQ(file.builderItems[1], (BuilderEntry{"CHIPS", "2", "1"}));
    auto list = file.TakeItems();
    ASSERT_EQ(list->Count(), 5);
    const ListOB* cola = list->head;
    EXPECT_EQ(cola->itemNo, 1);
    EXPECT_EQ(cola->picture, "C:\\Pics\\cola.bmp");
    EXPECT_EQ(cola->group, 1);
    EXPECT_DOUBLE_EQ(cola->depth, 12.5);
    EXPECT_FLOAT_EQ(cola->inchHeight, 3.25f);
    EXPECT_EQ(cola->Category, "Drinks");
    EXPECT_EQ(cola->customTag, "");
    const ListOB* chips = cola->next;
    EXPECT_EQ(chips->picture, "(null)");
    EXPECT_EQ(chips->child, 3);
    EXPECT_EQ(chips->next->group, 2);
    EXPECT_EQ(chips->next->groupItem, nullptr);
    const ListOB* text = chips->next->next;
    EXPECT_EQ(text->picture, "<text><value=Caf\xE9 cr\xE8me><font=Arial>");
    const ListOB* box = list->tail;
    EXPECT_DOUBLE_EQ(box->rotation, 90);
    EXPECT_DOUBLE_EQ(box->tagRotation, 45.5);
    EXPECT_EQ(box->color, 0xFF00);
    EXPECT_TRUE(box->manualcolor);
    EXPECT_EQ(box->PlacementBox(), Rect(200, 300, 240, 380));
}

TEST_F(PlanogramFile, WriteReadWriteIsStable)
{
    const std::string path = WriteGolden("Shop.ctf");
    finder.hits[folder.File("Shop.ctf")] = folder.File("Shop.ctf");
    kqfASCII reader(finder);
    ASSERT_TRUE(reader.Read(path, 0));
    auto list = reader.TakeItems();
    // Links come from the numbers, as the document does when it is built.
    list->head->next->childItem = list->head->next->next;
    list->head->next->next->groupItem = list->head->next;
    reader.items = list.get();
    const std::string again = folder.File("again.kqf");
    ASSERT_TRUE(reader.Write(again));
    EXPECT_EQ(ReadWholeFile(again), ReadWholeFile(path));
}

TEST_F(PlanogramFile, DefaultsAndAnyLineOrder)
{
    const std::string path = folder.File("sparse.kqf");
    WriteWholeFile(path, "S1.index=X\nS1.group=\nHeader.listsize=1\nS1.itemNo=4\nKQF\n"
                         "Header.CatalogName=c.vdx\nHeader.listsize=9\nHeader.tagFontName=(null)\n"
                         "Header.zoomSetting=0\nHeader.bgColor=0\nS1.Brand=(null)\nS1.depth=2,5\n");
    finder.hits[folder.File("c.vdx")] = "c.vdx";
    kqfASCII file(finder);
    ASSERT_TRUE(file.Read(path, 0));
    EXPECT_EQ(file.bgColor, 0xFFFFFF);
    EXPECT_DOUBLE_EQ(file.zoomSetting, 1.0);
    EXPECT_TRUE(file.transparencySetting);
    EXPECT_EQ(file.tagFontName, "");
    EXPECT_EQ(file.listsize, 1); // the first of two keys wins
    auto list = file.TakeItems();
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(list->head->itemNo, 4);
    EXPECT_EQ(list->head->group, 4);
    EXPECT_EQ(list->head->child, 4);
    EXPECT_EQ(list->head->Brand, "");
    EXPECT_DOUBLE_EQ(list->head->depth, 2.5);
}

TEST_F(PlanogramFile, EmptyDocument)
{
    kqfASCII file(finder);
    ListManager list;
    file.items = &list;
    file.listsize = 12; // a drifted counter must not reach the file
    file.catalogPath = "a.vdx";
    const std::string path = folder.File("empty.kqf");
    ASSERT_TRUE(file.Write(path));
    const std::string text = ReadWholeFile(path);
    EXPECT_NE(text.find("\r\nHeader.listsize=0\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nHeader.BuilderListSize=0\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nHeader.tagFontName=(null)\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\r\nBI"), std::string::npos);
    EXPECT_EQ(text.find("\r\nS1."), std::string::npos);
    finder.hits[folder.File("a.vdx")] = "a.vdx";
    kqfASCII reader(finder);
    ASSERT_TRUE(reader.Read(path, 0));
    EXPECT_EQ(reader.TakeItems()->Count(), 0);
}

TEST_F(PlanogramFile, ValuesCannotBreakLines)
{
    kqfASCII file(finder);
    ListManager list;
    file.items = &list;
    file.catalogPath = "a.vdx";
    file.builderItems = {{"A\tB", "1\r\n", "2"}};
    AddItem(list, 1, "line\nbreak", "tab\there", Rect(0, 0, 1, 1))->customTag = "x\ry";
    const std::string path = folder.File("odd.kqf");
    ASSERT_TRUE(file.Write(path));
    const std::string text = ReadWholeFile(path);
    EXPECT_NE(text.find("\r\nBI1=A B\t1  \t2\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nS1.index=line break\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nS1.picture=tab here\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nS1.customTag=x y\r\n"), std::string::npos);
}

TEST_F(PlanogramFile, CommaLocaleChangesNothing)
{
    const std::string plain = ReadWholeFile(WriteGolden("Shop.ctf"));
    CommaLocale comma;
    ASSERT_TRUE(comma.Active());
    EXPECT_EQ(ReadWholeFile(WriteGolden("Shop.ctf")), plain);
}

TEST_F(PlanogramFile, TemplateTitleCountsOpenWindows)
{
    const std::string path = folder.File("Shelf.KQT");
    WriteWholeFile(path, "KQF\r\nHeader.CatalogName=c.vdx\r\n");
    finder.hits[folder.File("c.vdx")] = "c.vdx";
    kqfASCII file(finder);
    ASSERT_TRUE(file.Read(path, 2));
    EXPECT_EQ(file.title, "My Display 2");
}

TEST_F(PlanogramFile, MissingCatalogFlow)
{
    const std::string path = folder.File("p.kqf");
    WriteWholeFile(path, "KQF\r\nHeader.CatalogName=C:\\Old\\Shop.ctf\r\n");
    const char* question =
        "This file is based on a catalog that could not be found.\nWould you like to try and find it yourself?";
    {
        kqfASCII file(finder);
        ui.AnswerMessage(MsgAnswer::No);
        EXPECT_FALSE(file.Read(path, 0));
        ASSERT_EQ(ui.Calls().size(), 1u);
        EXPECT_EQ(ui.Calls()[0].text, question);
        EXPECT_EQ(ui.Calls()[0].caption, "Shop.ctf");
        EXPECT_EQ(ui.Calls()[0].buttons, MsgButtons::YesNo);
        EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Warning);
        EXPECT_EQ(finder.searched.back(), folder.File("Shop.ctf"));
    }
    ui.ClearCalls();
    {
        kqfASCII file(finder);
        ui.AnswerMessage(MsgAnswer::Yes);
        ui.AnswerFile(std::nullopt);
        EXPECT_FALSE(file.Read(path, 0));
        ASSERT_EQ(ui.Calls().size(), 2u);
        EXPECT_EQ(ui.Calls()[1].kind, ScriptedUi::Kind::OpenDialog);
        EXPECT_EQ(ui.Calls()[1].fileOptions.title, "Find catalog called: Shop.ctf");
    }
    ui.ClearCalls();
    {
        kqfASCII file(finder);
        ui.AnswerMessage(MsgAnswer::Yes);
        ui.AnswerFile(FileDialogResult{"/picked/Shop.ctf", 1});
        ASSERT_TRUE(file.Read(path, 0));
        EXPECT_EQ(file.catalogPath, "/picked/Shop.ctf");
        EXPECT_EQ(finder.current, "/picked/Shop.ctf");
    }
}

TEST_F(PlanogramFile, OfferOfTheBinaryCatalog)
{
    const std::string path = folder.File("p.kqf");
    WriteWholeFile(path, "KQF\r\nHeader.CatalogName=Shop.ctf\r\n");
    finder.hits[folder.File("Shop.ctf")] = "/cat/Shop.ctf";
    finder.hits[folder.File("Shop.vdx")] = "/cat/Shop.vdx";
    {
        kqfASCII file(finder);
        ui.AnswerMessage(MsgAnswer::No);
        ASSERT_TRUE(file.Read(path, 0));
        EXPECT_EQ(file.catalogPath, "/cat/Shop.ctf");
        EXPECT_EQ(finder.current, "/cat/Shop.ctf");
        ASSERT_EQ(ui.Calls().size(), 1u);
        EXPECT_EQ(ui.Calls()[0].text,
                  "An identically named catalog file in the newer, faster VDX catalog file format was found.\n"
                  "Should this planogram use the product data from the VDX version of the catalog file from now on?");
        EXPECT_EQ(ui.Calls()[0].caption, "Shop.ctf");
    }
    kqfASCII file(finder);
    ui.AnswerMessage(MsgAnswer::Yes);
    ASSERT_TRUE(file.Read(path, 0));
    EXPECT_EQ(file.catalogPath, "/cat/Shop.vdx");
    EXPECT_EQ(finder.current, "/cat/Shop.vdx");
}

TEST_F(PlanogramFile, HostileFilesLoadCleanly)
{
    finder.hits[folder.File("c.vdx")] = "c.vdx";
    const std::string path = folder.File("hostile.kqf");
    WriteWholeFile(path, "KQF\nHeader.CatalogName=c.vdx\nHeader.listsize=2000000000\n"
                         "Header.BuilderListSize=-5\nHeader.zoomSetting=nan\nS1.index=" +
                             std::string(100000, 'x') + "\nS1.depth=1e999\nS1.inchWidth=1e999");
    kqfASCII file(finder);
    ASSERT_TRUE(file.Read(path, 0));
    EXPECT_DOUBLE_EQ(file.zoomSetting, 1.0);
    EXPECT_TRUE(file.builderItems.empty());
    auto list = file.TakeItems();
    EXPECT_LE(list->Count(), 8); // never more items than the file has lines
    EXPECT_EQ(list->head->index.size(), 100000u);
    EXPECT_TRUE(std::isfinite(list->head->inchWidth));

    WriteWholeFile(path, "KQF\nHeader.CatalogName=c.vdx\nHeader.zoomSetting=1e999\nHeader.listsize=1\nS1.ind");
    kqfASCII truncated(finder);
    ASSERT_TRUE(truncated.Read(path, 0));
    EXPECT_DOUBLE_EQ(truncated.zoomSetting, 1.0);
    EXPECT_EQ(truncated.TakeItems()->Count(), 1);
}

TEST_F(PlanogramFile, FailedWriteKeepsTheOldFile)
{
    const std::string path = WriteGolden("Shop.ctf");
    const std::string before = ReadWholeFile(path);
    kqfASCII file(finder);
    ListManager list;
    file.items = &list;
    for (int i = 0; i < 200; ++i)
        AddItem(list, i, "ITEM", std::string(200, 'p'), Rect(0, 0, 1, 1));
    ui.AnswerMessage(MsgAnswer::OK);
    {
        FileSizeLimit limit(8192);
        EXPECT_FALSE(file.Write(path));
    }
    EXPECT_EQ(ReadWholeFile(path), before);
    ASSERT_EQ(ui.Calls().size(), 1u);
    EXPECT_EQ(ui.Calls()[0].caption, "Open Error");
    EXPECT_EQ(ui.Calls()[0].icon, MsgIcon::Error);
    EXPECT_NE(ui.Calls()[0].text.find("golden.kqf"), std::string::npos);
    EXPECT_EQ(MainProgress().Position(), 0);
}

TEST_F(PlanogramFile, OpenFailureShowsBothMessages)
{
    kqfASCII file(finder);
    ui.AnswerMessage(MsgAnswer::OK);
    ui.AnswerMessage(MsgAnswer::OK);
    EXPECT_FALSE(file.Read(folder.File("none.kqf"), 0));
    ASSERT_EQ(ui.MessageTexts(), (std::vector<std::string>{"Could not open file", "Could not open file"}));
    EXPECT_EQ(ui.Calls()[1].caption, "Open Error");
}
