#include "reports/HtmlExport.h"

#include "catalog/Didbase.h"
#include "planogram/DocumentMainWindow.h"
#include "planogram/Graphicsmanager.h"
#include "planogram/Listmanager.h"
#include "planogram/PlanogramDocument.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/CodePage.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/services/WebAddresses.h"
#include "platform/ui/Application.h"
#include "platform/ui/Progress.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <optional>
#include <set>

namespace {

constexpr int DefaultPictureLimit = 150;
constexpr double InchesPerCm = 0.394;

// A page as it is written: lines end in CR LF, as text files of the system do.
class Page {
public:
    void Add(std::string_view text)
    {
        for (char c : text) {
            if (c == '\n')
                text_ += '\r';
            text_ += c;
        }
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// How lengths read in the tables: the main window's units and scale.
class Lengths {
public:
    explicit Lengths(const DocumentMainWindow& mainWindow)
        : unitsMode_(mainWindow.UnitsMode()), scale_(std::max(1, mainWindow.DisplayScale()))
    {
    }

    // A length in document units, whole centimetres (or their inches) with the unit.
    std::string Of(int length, bool inches) const
    {
        if (!unitsMode_)
            return GcvtString(length / scale_) + Unit(inches);
        return InUnit(length / 4, inches);
    }
    // A depth in document units, which the catalog keeps with its fraction: converted as the other
    // lengths, without cutting it to whole centimetres.
    std::string DepthOf(double depthQ, bool inches) const
    {
        if (!unitsMode_)
            return GcvtString(depthQ / scale_) + Unit(inches);
        return InUnit(depthQ / 4, inches);
    }
    static std::string Unit(bool inches) { return inches ? "\"" : "cm"; }

private:
    static std::string InUnit(double centimetres, bool inches)
    {
        return GcvtString(inches ? centimetres * InchesPerCm : centimetres) + Unit(inches);
    }

    bool unitsMode_;
    int scale_;
};

const char* const DisplayColumns[] = {"Index", "Description", "X location", "Y location", "Width", "Height", "Depth"};
const char* const ProductColumns[] = {"Index", "Description", "Cost Price", "Retail Price", "Width", "Height", "Depth"};

// A name the system gives (UTF-8) in the Windows-1252 page: a character the page cannot hold is
// written as a character reference.
std::string PageText(std::string_view name)
{
    const std::u16string units = Utf8ToUtf16(HtmlEscaped(name));
    std::string text;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t code = units[i];
        const bool pair = code >= 0xD800 && code < 0xDC00 && i + 1 < units.size();
        const std::u16string_view character(units.data() + i, pair ? 2 : 1);
        const std::string byte = Utf16ToWin1252(character);
        if (byte != "?" || code == '?') {
            text += byte;
            continue;
        }
        if (pair)
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
        text += "&#" + IntToStr(static_cast<int>(code)) + ";";
    }
    return text;
}

// A file name on disk (UTF-8) as a relative link: every byte but the unreserved ones percent-encoded,
// so that the browser asks for exactly those bytes.
std::string LinkTo(std::string_view fileName)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string link;
    for (char c : fileName) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) && byte < 0x80)
            link += c;
        else if (c == '-' || c == '.' || c == '_' || c == '~')
            link += c;
        else
            link += {'%', Hex[byte >> 4], Hex[byte & 0x0F]};
    }
    return link;
}

// The files of the product pages, one name for each part number: the safe form of the part number in
// UTF-8, as every name on disk, with a number added when another part number or the display has made
// the same name, so that no page or picture replaces another's.
class PartFileNames {
public:
    explicit PartFileNames(const std::string& displayName) { taken_.insert(displayName); }

    const std::string& Of(const std::string& partNumber)
    {
        const auto known = names_.find(partNumber);
        if (known != names_.end())
            return known->second;
        const std::string safe = Win1252ToUtf8(SafeFileName(partNumber));
        std::string name = safe;
        for (int number = 2; taken_.contains(name); ++number)
            name = safe + "-" + IntToStr(number);
        taken_.insert(name);
        return names_.emplace(partNumber, name).first->second;
    }

private:
    std::map<std::string, std::string> names_;
    std::set<std::string> taken_;
};

// `escaped` is the title as the page holds it.
void AddHead(Page& page, const std::string& escaped)
{
    page.Add("<html>\n\t<head>\n\t\t<meta http-equiv=\"content-type\" content=\"text/html;charset=iso-8859-1\">\n");
    page.Add("\t\t<meta name=\"generator\" content=\"Kestrame 2.5\">\n");
    page.Add("\t\t<title>" + escaped + "</title>\n\t</head>\n\t<body>\n\t\t<center>\n");
    page.Add("\t\t\t<h1>" + escaped + "</h1>\n\t\t\t<p>\n");
}

// `fileName` is the picture's name on disk.
void AddPicture(Page& page, const std::optional<PictureSize>& size, const std::string& fileName)
{
    if (size)
        page.Add("\t\t\t<img height=\"" + IntToStr(size->height) + "\" width=\"" + IntToStr(size->width) + "\" src=\"" +
                 LinkTo(fileName) + "\">\n");
    page.Add("\t\t\t<p>\n");
}

template <std::size_t N> void AddTableHead(Page& page, const std::string& caption, const char* const (&titles)[N])
{
    page.Add("\t\t\t<table border=\"4\" cellpadding=\"5\" cellspacing=\"1\" width=\"100%\">");
    page.Add("\t\t\t\t<caption><h2>" + caption + "</h2></caption>");
    page.Add("\t\t\t\t<tr>\n");
    for (const char* title : titles)
        page.Add(std::string("\t\t\t\t\t<th>\n\t\t\t\t\t\t<center>\n\t\t\t\t\t\t\t") + title +
                 "</center>\n\t\t\t\t\t</th>\n");
    page.Add("\t\t\t\t</tr>\n");
}

void AddCell(Page& page, const std::string& line)
{
    page.Add("\t\t\t\t\t<td>\n\t\t\t\t\t\t<center>\n\t\t\t\t\t\t\t" + line + "</center>\n\t\t\t\t\t</td>\n");
}

std::string SiteLink() { return "<a href=\"" + HtmlEscaped(WebSiteAddress()) + "\"> Kestrame\x99</a>"; }

void AddEnd(Page& page) { page.Add("\t\t</center>\n\t</body>\n</html>\n"); }

// Writes a file whose name the export makes up: a link found at the name is replaced, never
// followed out of the folder.
void WriteOwnFile(const std::string& fileName, const void* bytes, std::size_t size)
{
    AtomicFileWriter file(fileName, AtomicFileWriter::Links::Replace);
    file.Write(bytes, size);
    file.Commit();
}

// Writes a product page; false, with the message, when its file cannot be made.
bool WriteProductPageFile(const std::string& fileName, const Page& page)
{
    try {
        WriteOwnFile(fileName, page.Text().data(), page.Text().size());
        return true;
    } catch (const EStreamError&) {
        Ui().MessageBox("Could not open file", "error 1", MsgButtons::OK, MsgIcon::None);
        return false;
    }
}

// The first picture that could not be written, reported once the export is done.
class PictureWrites {
public:
    // Saves the bitmap as a JPEG at the picture's default settings; false when it could not be written.
    bool SaveJpeg(const TBitmap& bitmap, const std::string& fileName)
    {
        try {
            TJPEGImage jpeg;
            jpeg.Assign(bitmap);
            TMemoryStream bytes;
            jpeg.SaveToStream(bytes);
            WriteOwnFile(fileName, bytes.Memory(), static_cast<std::size_t>(bytes.Size()));
            return true;
        } catch (const Exception& error) {
            if (!firstError_)
                firstError_ = error.Message();
            return false;
        }
    }
    void ReportFailure() const
    {
        if (firstError_)
            ShowException(*firstError_);
    }

private:
    std::optional<std::string> firstError_;
};

// The product's picture scaled to the limit and saved beside the page; its size, or none when there
// is no picture to be had.
std::optional<PictureSize> SaveProductPicture(PlanogramDocument& document, const ListOB& item, int limit,
                                              const std::string& fileName, PictureWrites& writes)
{
    GraphicsManager graphics(document.services.pictureFinder, document.services.mainWindow);
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    const std::string collection = document.catalog ? document.catalog->photoCollection : std::string();
    if (!graphics.LoadProductPicture(item.picture, collection, picture) || picture.Empty())
        return std::nullopt;
    const PictureSize size = ScaledPictureSize(picture.Width(), picture.Height(), limit);
    TBitmap scaled;
    scaled.SetPixelFormat(pf24bit);
    scaled.SetSize(size.width, size.height);
    scaled.Canvas().StretchDraw(Rect(0, 0, size.width, size.height), picture);
    if (!writes.SaveJpeg(scaled, fileName))
        return std::nullopt;
    return size;
}

class WebExport {
public:
    WebExport(DocumentMainWindow& mainWindow, PlanogramDocument& document, const std::string& fileName,
              const WebPageOptions& options)
        : mainWindow_(mainWindow), document_(document), catalog_(*document.catalog), options_(options),
          lengths_(mainWindow), folder_(ExtractFilePath(fileName)), fileName_(fileName),
          name_(ChangeFileExt(ExtractFileName(fileName), "")), partFiles_(name_)
    {
    }

    void Run()
    {
        // The display page's file is made first: without it nothing else is written.
        std::optional<AtomicFileWriter> file;
        try {
            file.emplace(fileName_);
        } catch (const EStreamError&) {
            Ui().MessageBox("Could not open fle.", "error 1", MsgButtons::OK, MsgIcon::None);
            return;
        }
        Progress& progress = mainWindow_.ProgressBar();
        progress.SetPosition(0);
        progress.SetStep(1);
        progress.SetMax(document_.itemCounter + 1);
        progress.StepIt();
        const TBitmap& wall = document_.backBitmap;
        const bool wallSaved = pictures_.SaveJpeg(wall, folder_ + name_ + ".jpg");
        Page page;
        AddHead(page, PageText(name_));
        AddPicture(page, wallSaved ? std::optional(PictureSize{wall.Width(), wall.Height()}) : std::nullopt,
                   name_ + ".jpg");
        AddSizeLine(page, "Display width ", lengths_.Of(wall.Width(), mainWindow_.UnitsInches()));
        AddSizeLine(page, "Display height ", lengths_.Of(wall.Height(), document_.unitsInches));
        AddTableHead(page, "Report Information", DisplayColumns);
        for (const ListOB* item = document_.items ? document_.items->head : nullptr; item; item = item->next) {
            progress.StepIt();
            AddItemRow(page, *item);
        }
        page.Add("\t\t\t</table>\n\t\t<h6> " + SiteLink() + "</h6>\n");
        AddEnd(page);
        progress.SetPosition(0);
        file->Write(page.Text());
        file->Commit();
        pictures_.ReportFailure();
    }

private:
    static void AddSizeLine(Page& page, const std::string& label, const std::string& length)
    {
        page.Add("\t\t\t<h5>" + label + length + "</h5>\n");
    }

    void AddItemRow(Page& page, const ListOB& item)
    {
        const bool known = catalog_.FindByKey(item.index);
        const std::string pageName = partFiles_.Of(item.index) + ".html";
        const bool linked = known && options_.productPages && WriteProductPage(item);
        const bool inches = mainWindow_.UnitsInches();
        page.Add("\t\t\t\t<tr>\n");
        const std::string index = HtmlEscaped(item.index);
        if (linked)
            page.Add("\t\t\t\t\t<td>\n\t\t\t\t\t\t<center>\n\t\t\t\t\t\t\t<a href=\"" + LinkTo(pageName) + "\">" +
                     index + "</center></a>\n\t\t\t\t\t</td>\n");
        else
            AddCell(page, index);
        AddCell(page, known ? HtmlEscaped(catalog_.description) : std::string());
        AddCell(page, lengths_.Of(item.left, inches));
        AddCell(page, lengths_.Of(document_.displayHeight - item.top, inches));
        if (known) {
            AddCell(page, lengths_.Of(catalog_.widthQ, inches));
            AddCell(page, lengths_.Of(catalog_.heightQ, inches));
            AddCell(page, lengths_.DepthOf(catalog_.depthQ, inches));
        } else {
            for (int cell = 0; cell < 3; ++cell)
                AddCell(page, std::string());
        }
        page.Add("\t\t\t\t</tr>\n");
    }

    // The product page of the catalog's current record; false when it could not be written.
    bool WriteProductPage(const ListOB& item)
    {
        const std::string fileName = partFiles_.Of(item.index);
        const int limit = Atoi(options_.maxWidth);
        const std::optional<PictureSize> picture =
            SaveProductPicture(document_, item, limit, folder_ + fileName + ".jpg", pictures_);
        const bool inches = mainWindow_.UnitsInches();
        Page page;
        AddHead(page, HtmlEscaped(item.index));
        AddPicture(page, picture, fileName + ".jpg");
        AddTableHead(page, "Product Information", ProductColumns);
        page.Add("\t\t\t\t<tr>\n");
        AddCell(page, HtmlEscaped(item.index));
        AddCell(page, HtmlEscaped(catalog_.description));
        AddCell(page, FormatFloat("#,##0.00", catalog_.costPrice));
        AddCell(page, FormatFloat("#,##0.00", catalog_.salePrice));
        AddCell(page, lengths_.Of(catalog_.widthQ, inches));
        AddCell(page, lengths_.Of(catalog_.heightQ, inches));
        AddCell(page, lengths_.DepthOf(catalog_.depthQ, inches));
        page.Add("\t\t\t\t</tr>\n");
        page.Add("\t\t\t</table>\n\t\t<a href=\"" + LinkTo(ExtractFileName(fileName_)) +
                 "\">back</center></a>\n<p>\n<p>\n");
        page.Add("\t\t<h6>This page was generated by " + SiteLink() + ".</h6>\n");
        AddEnd(page);
        return WriteProductPageFile(folder_ + fileName + ".html", page);
    }

    DocumentMainWindow& mainWindow_;
    PlanogramDocument& document_;
    didBase& catalog_;
    const WebPageOptions& options_;
    Lengths lengths_;
    std::string folder_;
    std::string fileName_;
    // The display's file name without its extension, as the system gives it.
    std::string name_;
    PartFileNames partFiles_;
    PictureWrites pictures_;
};

} // namespace

std::string HtmlEscaped(std::string_view text)
{
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '&':
            escaped += "&amp;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string SafeFileName(std::string_view partNumber)
{
    std::string name(partNumber);
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (name[i] == '/' || name[i] == '\\' || name[i] == ':' || byte < 0x20 || byte == 0x7F ||
            (i == 0 && name[i] == '.'))
            name[i] = '_';
    }
    return name.empty() ? "_" : name;
}

PictureSize ScaledPictureSize(int width, int height, int limit)
{
    if (limit < 1)
        limit = DefaultPictureLimit;
    if (limit >= width && limit >= height)
        return {width, height};
    const double m = limit;
    if (width > height)
        return {limit, std::max(1, static_cast<int>(std::trunc(height * m / width)))};
    return {std::max(1, static_cast<int>(std::trunc(width * m / height))), limit};
}

void ExportHtml(DocumentMainWindow& mainWindow, PlanogramDocument* document, const std::string& fileName,
                const WebPageOptions& options)
{
    if (!document || !document->catalog)
        return;
    WebExport(mainWindow, *document, fileName, options).Run();
}
