#include "planogram/Kqfascii.h"

#include "catalog/CatalogFinder.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"
#include "platform/ui/Progress.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

constexpr double MinimumZoom = 0.05;
constexpr double MaximumZoom = 8.0;
constexpr std::string_view MarkerLine = "\x81\xC8\xD2\xF0";
constexpr std::string_view CatalogFilter =
    "Catalogs (*.vdx;*.ctf;*.ddl;*.did)|*.vdx;*.ctf;*.ddl;*.did|All file types|*.*";

// A line end or tab inside a value would break the line or be cut on reading.
std::string FileText(std::string_view text)
{
    std::string result(text);
    std::replace_if(
        result.begin(), result.end(), [](char c) { return c == '\r' || c == '\n' || c == '\t'; }, ' ');
    return result;
}

// The C library's rendering of an absent string, which the files carry for empty texts.
std::string NullableText(std::string_view text) { return text.empty() ? std::string("(null)") : FileText(text); }

std::string FlagText(bool flag) { return flag ? "1" : "0"; }

// Files written where the decimal separator is a comma are read too.
double ReadReal(const std::string& value)
{
    std::string text = value;
    std::replace(text.begin(), text.end(), ',', '.');
    return Atof(text);
}

// Single-precision fields take the nearest value a float can hold.
float ReadSingle(const std::string& value)
{
    return static_cast<float>(std::clamp(ReadReal(value), -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

std::string ItemKey(int n, std::string_view suffix) { return "S" + IntToStr(n) + std::string(suffix); }

int ClampCount(int count, size_t limit)
{
    return std::clamp(count, 0, static_cast<int>(std::min<size_t>(limit, 0x7FFFFFFF)));
}

void EndProgress()
{
    Progress& progress = MainProgress();
    progress.SetPosition(progress.Max());
    progress.SetPosition(0);
    progress.SetVisible(false);
}

} // namespace

kqfASCII::kqfASCII(CatalogFinder& catalogFinder) : finder(catalogFinder) {}

std::unique_ptr<ListManager> kqfASCII::TakeItems()
{
    if (items == readItems_.get())
        items = nullptr;
    return std::move(readItems_);
}

bool kqfASCII::Write(const std::string& path)
{
    if (!Open(path, "wt")) {
        Ui().MessageBox("Could not open file", "Open Error", MsgButtons::OK, MsgIcon::Error);
        return false;
    }
    // The header says how many items follow, so it counts the items actually written.
    listsize = items ? items->Count() : 0;
    Progress& progress = MainProgress();
    progress.SetMax(listsize + 1);
    progress.SetPosition(0);
    progress.SetStep(1);
    progress.SetVisible(true);

    WriteHeader();
    progress.StepIt();
    WriteBuilderList();
    if (items) {
        int n = 0;
        for (ListOB* item = items->head; item; item = item->next)
            item->itemNo = ++n;
        n = 0;
        for (const ListOB* item = items->head; item; item = item->next) {
            WriteItem(*item, ++n);
            progress.StepIt();
        }
    }
    const bool written = Close();
    EndProgress();
    return written || ReportWriteFailure(path);
}

bool kqfASCII::ReportWriteFailure(const std::string& path)
{
    Ui().MessageBox("Could not save the file " + path + ".\n" + WriteError(), "Open Error", MsgButtons::OK,
                    MsgIcon::Error);
    return false;
}

void kqfASCII::WriteHeader()
{
    const int backgroundMode = pegboardBackground ? 1 : pictureBackground ? 2 : 0;
    const std::string lines[] = {
        "KQF",
        std::string(MarkerLine),
        "Header.version=3",
        "Header.platform=Windows",
        "Header.Product=Kestrame 3.5",
        "Header.Type=ur",
        "Header.CatalogName=" + FileText(StoredPath(ExtractFileName(catalogPath))),
        "Header.CatalogVersion=2",
        "Header.listsize=" + IntToStr(listsize),
        "Header.bgbitmapmode=" + IntToStr(backgroundMode),
        "Header.bgBMPpath=" + FileText(bgBMPpath),
        "Header.bgBMPMACpath=" + FileText(bgBMPMACpath),
        "Header.bgColor=" + IntToStr(bgColor),
        "Header.Width=" + IntToStr(Width),
        "Header.Height=" + IntToStr(Height),
        "Header.pegvs=" + IntToStr(pegvs),
        "Header.peghs=" + IntToStr(peghs),
        "Header.pegrad=" + FormatFixed(pegrad),
        "Header.pegrl=" + IntToStr(pegrl),
        "Header.pegrt=" + IntToStr(pegrt),
        "Header.pegrr=" + IntToStr(pegrr),
        "Header.pegrb=" + IntToStr(pegrb),
        "Header.addAlign=" + IntToStr(addAlign),
        "Header.wrapDirection=" + IntToStr(wrapDirection),
        "Header.pegAlign=0",
        "Header.reoderAlarm=" + FlagText(reoderAlarm),
        "Header.zoomSetting=" + FormatFixed(zoomSetting),
        "Header.viewMode=" + IntToStr(viewMode),
        "Header.transparencySetting=" + FlagText(transparencySetting),
        "Header.tagPartNr=" + FlagText(tagPartNr),
        "Header.tagItemNr=" + FlagText(tagItemNr),
        "Header.tagXY=" + FlagText(tagXY),
        "Header.tagStack=" + FlagText(tagStack),
        "Header.tagInventory=" + FlagText(tagInventory),
        "Header.tagUnitsSold=" + FlagText(tagUnitsSold),
        "Header.tagFontName=" + NullableText(tagFontName),
        "Header.tagFontSize=" + IntToStr(tagFontSize),
        "Header.tagFontColor=" + IntToStr(tagFontColor),
        "Header.tagColor=" + IntToStr(tagColor),
        "Header.tagCategory=" + FlagText(tagCategory),
        "Header.tagBrand=" + FlagText(tagBrand),
        "Header.tagCustom=" + FlagText(tagCustom),
    };
    for (const std::string& line : lines)
        WriteLine(line);
}

void kqfASCII::WriteBuilderList()
{
    WriteLine("Header.BuilderListSize=" + IntToStr(static_cast<int>(builderItems.size())));
    int n = 0;
    for (const BuilderEntry& entry : builderItems) {
        const bool empty = entry.item.empty() && entry.rank.empty() && entry.facings.empty();
        const std::string value =
            empty ? std::string() : FileText(entry.item) + "\t" + FileText(entry.rank) + "\t" + FileText(entry.facings);
        WriteLine("BI" + IntToStr(++n) + "=" + value);
    }
}

void kqfASCII::WriteItem(const ListOB& item, int n)
{
    const int group = item.groupItem ? item.groupItem->itemNo : item.itemNo;
    const int child = item.childItem ? item.childItem->itemNo : item.itemNo;
    const std::pair<std::string_view, std::string> values[] = {
        {".itemNo", IntToStr(item.itemNo)},
        {".index", NullableText(item.index)},
        {".picture", NullableText(item.picture)},
        {".group", IntToStr(group)},
        {".child", IntToStr(child)},
        {".left", IntToStr(item.left)},
        {".top", IntToStr(item.top)},
        {".right", IntToStr(item.right)},
        {".bottom", IntToStr(item.bottom)},
        {".rotation", FormatFixed(item.rotation)},
        {".tagRotation", FormatFixed(item.tagRotation)},
        {".depth", FloatToStr(item.depth)},
        {".hookdepth", IntToStr(item.hookdepth)},
        {".hookdepthCM", FormatFixed(item.hookdepthCM)},
        {".hookdepthIN", FormatFixed(item.hookdepthIN)},
        {".face", IntToStr(item.face)},
        {".color", IntToStr(item.color)},
        {".manualcolor", FlagText(item.manualcolor)},
        {".inchWidth", FormatFixed(item.inchWidth)},
        {".inchHeight", FormatFixed(item.inchHeight)},
        {".inchDepth", FormatFixed(item.inchDepth)},
        {".Category", NullableText(item.Category)},
        {".Brand", NullableText(item.Brand)},
        {".customTag", NullableText(item.customTag)},
    };
    for (const auto& [suffix, value] : values)
        WriteLine(ItemKey(n, suffix) + "=" + value);
}

bool kqfASCII::Read(const std::string& path, int openDocumentWindows)
{
    if (!Open(path, "rt")) {
        Ui().MessageBox("Could not open file", "Open Error", MsgButtons::OK, MsgIcon::Error);
        return false;
    }
    GetValue("Header.Type");
    peghs = Atoi(GetValue("Header.peghs"));
    pegvs = Atoi(GetValue("Header.pegvs"));
    pegrad = ReadReal(GetValue("Header.pegrad"));
    pegrl = Atoi(GetValue("Header.pegrl"));
    pegrt = Atoi(GetValue("Header.pegrt"));
    pegrr = Atoi(GetValue("Header.pegrr"));
    pegrb = Atoi(GetValue("Header.pegrb"));
    const int backgroundMode = Atoi(GetValue("Header.bgbitmapmode"));
    pegboardBackground = backgroundMode == 1;
    pictureBackground = backgroundMode == 2;
    if (pictureBackground) {
        bgBMPpath = Trim(GetValue("Header.bgBMPpath"));
        bgBMPMACpath = Trim(GetValue("Header.bgBMPMACpath"));
    }
    bgColor = Atoi(GetValue("Header.bgColor"));
    if (bgColor == 0)
        bgColor = 0xFFFFFF;
    if (!FindCatalogOf(path)) {
        Close();
        return false;
    }

    MainProgress().SetPosition(0);
    MainProgress().SetVisible(true);
    ReadHeaderValues();
    ReadBuilderList();
    ReadItems();
    title = UpperCase(ExtractFileExt(path)) == ".KQT" ? "My Display " + IntToStr(openDocumentWindows)
                                                      : ExtractFileName(path);
    EndProgress();
    Close();
    return true;
}

std::string kqfASCII::FindCatalogBeside(const std::string& folder, const std::string& storedName)
{
    // The folder is the system's path and the name is as the file holds it: each reading of the name
    // is joined to the folder on its own, and handed to the finder in the stored form it expects.
    for (const std::string& name : StoredPathReadings(storedName))
        if (std::string found = finder.FindCatalog(StoredPath(folder + name)); !found.empty())
            return found;
    return {};
}

bool kqfASCII::FindCatalogOf(const std::string& planogramPath)
{
    const std::string name = ExtractFileName(CutAtNonPrintable(GetValue("Header.CatalogName")));
    const std::string folder = ExtractFilePath(planogramPath);
    catalogPath = FindCatalogBeside(folder, name);
    if (catalogPath.empty()) {
        const MsgAnswer answer = Ui().MessageBox(
            "This file is based on a catalog that could not be found.\nWould you like to try and find it yourself?",
            StoredPathName(name), MsgButtons::YesNo, MsgIcon::Warning);
        if (answer != MsgAnswer::Yes)
            return false;
        FileDialogOptions options;
        options.title = "Find catalog called: " + StoredPathName(name);
        options.filter = std::string(CatalogFilter);
        const auto chosen = Ui().OpenDialog(options);
        if (!chosen)
            return false;
        catalogPath = chosen->fileName;
        finder.WriteCurrentDataFile(catalogPath);
    }
    if (UpperCase(ExtractFileExt(name)) == ".CTF") {
        // The search makes a hit current; the text catalog stays current unless the user agrees.
        const std::string binaryCatalog = FindCatalogBeside(folder, ChangeFileExt(name, ".vdx"));
        if (!binaryCatalog.empty()) {
            const MsgAnswer answer = Ui().MessageBox(
                "An identically named catalog file in the newer, faster VDX catalog file format was found.\n"
                "Should this planogram use the product data from the VDX version of the catalog file from now on?",
                StoredPathName(name), MsgButtons::YesNo, MsgIcon::Warning);
            if (answer == MsgAnswer::Yes)
                catalogPath = binaryCatalog;
            else
                finder.WriteCurrentDataFile(catalogPath);
        }
    }
    return true;
}

void kqfASCII::ReadHeaderValues()
{
    Width = Atoi(GetValue("Header.Width"));
    Height = Atoi(GetValue("Header.Height"));
    addAlign = Atoi(GetValue("Header.addAlign"));
    wrapDirection = Atoi(GetValue("Header.wrapDirection"));
    pegAlign = Atoi(GetValue("Header.pegAlign")) != 0;
    reoderAlarm = Atoi(GetValue("Header.reoderAlarm")) != 0;
    zoomSetting = ReadReal(GetValue("Header.zoomSetting"));
    if (!std::isfinite(zoomSetting) || zoomSetting < MinimumZoom || zoomSetting > MaximumZoom)
        zoomSetting = 1.0;
    viewMode = Atoi(GetValue("Header.viewMode"));
    const std::string transparency = GetValue("Header.transparencySetting");
    transparencySetting = transparency.empty() || Atoi(transparency) != 0;
    tagPartNr = Atoi(GetValue("Header.tagPartNr")) != 0;
    tagItemNr = Atoi(GetValue("Header.tagItemNr")) != 0;
    tagXY = Atoi(GetValue("Header.tagXY")) != 0;
    tagStack = Atoi(GetValue("Header.tagStack")) != 0;
    tagInventory = Atoi(GetValue("Header.tagInventory")) != 0;
    tagUnitsSold = Atoi(GetValue("Header.tagUnitsSold")) != 0;
    tagCategory = Atoi(GetValue("Header.tagCategory")) != 0;
    tagBrand = Atoi(GetValue("Header.tagBrand")) != 0;
    tagCustom = Atoi(GetValue("Header.tagCustom")) != 0;
    tagFontName = Trim(GetValue("Header.tagFontName"));
    if (tagFontName == "(null)")
        tagFontName.clear();
    tagFontSize = Atoi(GetValue("Header.tagFontSize"));
    tagFontColor = Atoi(GetValue("Header.tagFontColor"));
    tagColor = Atoi(GetValue("Header.tagColor"));
}

void kqfASCII::ReadBuilderList()
{
    // No file holds more entries than lines: a hostile count must not allocate or loop for long.
    const int count = ClampCount(Atoi(GetValue("Header.BuilderListSize")), Lines().size());
    builderItems.clear();
    builderItems.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) {
        const std::vector<std::string> parts = Split(GetValue("BI" + IntToStr(i)), '\t');
        BuilderEntry entry;
        entry.item = Trim(parts[0]);
        entry.rank = parts.size() > 1 ? Trim(parts[1]) : std::string();
        entry.facings = parts.size() > 2 ? Trim(parts[2]) : std::string();
        builderItems.push_back(entry);
    }
}

void kqfASCII::ReadItems()
{
    listsize = ClampCount(Atoi(GetValue("Header.listsize")), Lines().size());
    readItems_ = std::make_unique<ListManager>();
    items = readItems_.get();
    Progress& progress = MainProgress();
    progress.SetMax(listsize);
    progress.SetStep(1);
    for (int n = 1; n <= listsize; ++n) {
        items->Append();
        ReadItem(*items->current, n);
        progress.StepIt();
    }
}

void kqfASCII::ReadItem(ListOB& item, int n)
{
    auto value = [&](std::string_view suffix) { return GetValue(ItemKey(n, suffix)); };
    auto text = [&](std::string_view suffix) { return CutAtNonPrintable(value(suffix)); };
    auto tagText = [&](std::string_view suffix) {
        std::string cut = text(suffix);
        return cut == "(null)" ? std::string() : cut;
    };
    auto link = [&](std::string_view suffix) {
        const std::string linked = value(suffix);
        return linked.empty() ? item.itemNo : Atoi(linked);
    };
    item.itemNo = Atoi(text(".itemNo"));
    item.index = text(".index");
    item.picture = text(".picture");
    item.group = link(".group");
    item.child = link(".child");
    item.left = Atoi(value(".left"));
    item.top = Atoi(value(".top"));
    item.right = Atoi(value(".right"));
    item.bottom = Atoi(value(".bottom"));
    item.rotation = ReadReal(value(".rotation"));
    item.tagRotation = ReadReal(value(".tagRotation"));
    item.depth = ReadReal(value(".depth"));
    item.hookdepth = Atoi(value(".hookdepth"));
    item.hookdepthCM = ReadSingle(value(".hookdepthCM"));
    item.hookdepthIN = ReadSingle(value(".hookdepthIN"));
    item.face = Atoi(value(".face"));
    item.color = Atoi(text(".color"));
    item.manualcolor = Atoi(value(".manualcolor")) != 0;
    item.inchWidth = ReadSingle(value(".inchWidth"));
    item.inchHeight = ReadSingle(value(".inchHeight"));
    item.inchDepth = ReadSingle(value(".inchDepth"));
    item.Category = tagText(".Category");
    item.Brand = tagText(".Brand");
    item.customTag = tagText(".customTag");
    item.reorder = false;
    item.groupItem = item.childItem = nullptr;
}
