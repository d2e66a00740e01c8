#include "pdf/PdfPageTree.h"

#include "pdf/PdfAcroForm.h"
#include "pdf/PdfFileWriter.h"
#include "pdf/PdfInputFile.h"
#include "pdf/PdfInputSyntax.h"
#include "pdf/PdfLink.h"
#include "pdf/PdfOutline.h"
#include "pdf/PdfResource.h"
#include "pdf/PdfStream.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"

namespace {

constexpr std::size_t ContentReferencesPerLine = 8;
// Deeper trees than this are not made by any writer; they only serve to exhaust the stack.
constexpr int DeepestInputTree = 64;

std::string MediaBox(int width, int height)
{
    return "/MediaBox [0 0 " + IntToStr(width) + " " + IntToStr(height) + "]";
}

const char* PageModeEntry(int mode)
{
    switch (mode) {
    case 1:
        return "/PageMode/UseOutlines";
    case 2:
        return "/PageMode/UseThumbs";
    case 3:
        return "/PageMode/FullScreen";
    default:
        return "/PageMode/UseNone";
    }
}

// FitV and FitH take the left or top coordinate of the view; null keeps the reader's own.
const char* ZoomView(int mode)
{
    switch (mode) {
    case 1:
        return "/Fit]>>";
    case 2:
        return "/FitV null]>>";
    default:
        return "/FitH null]>>";
    }
}

} // namespace

TPdfPage::TPdfPage(TPdfFileWriter* owner, int rotation)
    : TPdfCustomType(owner), rotation_(rotation), width_(owner != nullptr ? owner->DefaultPageWidth : 0),
      height_(owner != nullptr ? owner->DefaultPageHeight : 0)
{
}

TPdfPage::~TPdfPage() = default;

void TPdfPage::AddContent(std::unique_ptr<TPdfStream> stream) { contents_.push_back(std::move(stream)); }

void TPdfPage::SetThumbnail(std::unique_ptr<TPdfStream> image) { thumbnail_ = std::move(image); }

void TPdfPage::SetSize(int width, int height)
{
    width_ = width;
    height_ = height;
}

// Streams go out before the page so that the page follows everything it uses. Finishing an image
// may add further images, hence the second pass.
void TPdfPage::WriteOutstandingStreams()
{
    for (const auto& stream : contents_)
        if (!stream->Written())
            stream->WriteEnd();
    if (TPdfResource* resources = Device().Resources) {
        for (int pass = 0; pass < 2; ++pass)
            for (int i = 0; i < resources->XObjectCount(); ++i)
                if (!resources->XObject(i)->Written())
                    resources->XObject(i)->WriteEnd();
    }
    if (thumbnail_ != nullptr && !thumbnail_->Written())
        thumbnail_->WriteEnd();
}

void TPdfPage::WriteContentsEntry()
{
    if (contents_.size() == 1) {
        RawWriteLN("/Contents " + contents_.front()->AsReferenceString());
        return;
    }
    if (contents_.empty())
        return;
    RawWriteLN("/Count " + IntToStr(ContentCount()));
    std::string text = "/Contents [ ";
    for (std::size_t i = 0; i < contents_.size(); ++i) {
        text += contents_[i]->AsReferenceString() + " ";
        if ((i + 1) % ContentReferencesPerLine == 0)
            text += "\n";
    }
    RawWriteLN(text + "]");
}

void TPdfPage::WriteIt()
{
    if (parent_ == nullptr)
        throw Exception("Page has no parent!");
    const TPdfFileWriter& device = Device();
    WriteOutstandingStreams();
    UpdateXRef();
    RawWriteLN(ObjStart());
    RawWriteLN("/Type/Page");
    RawWriteLN("/Parent " + parent_->AsReferenceString());
    if (thumbnail_ != nullptr)
        RawWriteLN("/Thumb " + thumbnail_->AsReferenceString());
    // Readers take only quarter turns; any other angle leaves the page upright.
    if (rotation_ != 0 && rotation_ % 90 == 0)
        RawWriteLN("/Rotate " + IntToStr(rotation_));
    if (device.Resources != nullptr)
        RawWriteLN("/Resources " + device.Resources->AsReferenceString());
    if (width_ != device.DefaultPageWidth || height_ != device.DefaultPageHeight)
        RawWriteLN(MediaBox(width_, height_));
    if (!annotations_.empty()) {
        std::string text = "/Annots [";
        for (TPdfCustomType* annotation : annotations_)
            text += annotation->AsReferenceString() + " ";
        RawWriteLN(text + "]\n");
    }
    WriteContentsEntry();
    WriteObjectEnd();
}

TPdfPages::~TPdfPages() = default;

TPdfPage& TPdfPages::AddPage(std::unique_ptr<TPdfPage> page)
{
    page->SetParent(this);
    pages_.push_back(std::move(page));
    return *pages_.back();
}

void TPdfPages::WriteIt()
{
    const TPdfFileWriter& device = Device();
    UpdateXRef();
    RawWriteLN(ObjStart());
    RawWriteLN("/Type/Pages");
    RawWriteLN(MediaBox(device.DefaultPageWidth, device.DefaultPageHeight));
    std::vector<std::string> kids = inputKids_;
    for (const auto& page : pages_)
        kids.push_back(page->AsReferenceArrayString());
    WriteReferenceList("Kids", kids);
    RawWriteLN("/Count " + IntToStr(static_cast<std::int64_t>(kids.size())));
    WriteObjectEnd();
}

void TPdfPages::SetAsString(const std::string& text)
{
    if (inputFile_ == nullptr)
        TPdfCustomType::SetAsString(text);
    inputPages_.clear();
    inputNodes_.clear();
    std::set<int> visited;
    ReadInputNode(text, 0, {0, "", "<< >>", "", ""}, visited, 0);
}

void TPdfPages::ReadInputNode(const std::string& node, int number, TPdfInputPage inherited, std::set<int>& visited,
                              int depth)
{
    if (node.empty())
        MissingTag("/Type");
    // Each node gets, and each page keeps, its own copy of what it inherits: many kids under a
    // large inherited value must not multiply it without bound.
    inputFile_->Charge(static_cast<std::int64_t>(inherited.mediaBox.size() + inherited.resources.size() +
                                                 inherited.cropBox.size() + inherited.rotate.size()));
    if (const std::string_view box = EntryValue(node, "/MediaBox"); !box.empty())
        inherited.mediaBox = box;
    if (const std::string_view resources = EntryValue(node, "/Resources"); !resources.empty())
        inherited.resources = resources;
    if (const std::string_view box = EntryValue(node, "/CropBox"); !box.empty())
        inherited.cropBox = box;
    if (const std::string_view rotate = EntryValue(node, "/Rotate"); !rotate.empty())
        inherited.rotate = rotate;
    const std::string_view kids = EntryValue(node, "/Kids");
    if (kids.empty()) {
        if (inherited.mediaBox.empty())
            MissingTag("/MediaBox");
        inherited.number = number;
        inputPages_.push_back(std::move(inherited));
        return;
    }
    if (number != 0)
        inputNodes_.push_back(number);
    if (kids.front() != '[' || kids.back() != ']')
        MissingTag("/Kids");
    for (const int kid : References(kids.substr(1, kids.size() - 2))) {
        if (depth >= DeepestInputTree || !visited.insert(kid).second)
            throw Exception("Invalid File");
        ReadInputNode(inputFile_->ObjectDictionary(kid), kid, inherited, visited, depth + 1);
    }
}

TPdfCatalog::TPdfCatalog(TPdfFileWriter* owner)
    : TPdfCustomType(owner), pages_(std::make_unique<TPdfPages>(owner)), outlines_(std::make_unique<TPdfOutline>(owner))
{
}

TPdfCatalog::~TPdfCatalog() = default;

TPdfPage& TPdfCatalog::AddPage(std::unique_ptr<TPdfPage> page) { return pages_->AddPage(std::move(page)); }

void TPdfCatalog::SetAcroForm(std::unique_ptr<TPdfAcroForm> form) { acroForm_ = std::move(form); }

void TPdfCatalog::WriteIt()
{
    const TPdfFileWriter& device = Device();
    const bool withOutlines = outlines_->Count() > 0;
    if (withOutlines)
        outlines_->WriteIt();
    UpdateXRef();
    RawWriteLN(ObjStart());
    RawWriteLN("/Type/Catalog");
    RawWriteLN("/Pages " + pages_->AsReferenceString());
    if (withOutlines)
        RawWriteLN("/Outlines " + outlines_->AsReferenceString());
    if (acroForm_ != nullptr)
        RawWriteLN("/AcroForm " + acroForm_->AsReferenceString());
    RawWriteLN(PageModeEntry(device.PageMode));
    if (pages_->Count() > 0 && device.ZoomMode != 0)
        RawWriteLN("/OpenAction <</Type/Action/S/GoTo/D[" + pages_->Page(0).AsReferenceString() +
                   ZoomView(device.ZoomMode));
    WriteObjectEnd();
}

namespace {

std::string RectText(const TRect& rect)
{
    return "/Rect [" + IntToStr(rect.Left) + " " + IntToStr(rect.Top) + " " + IntToStr(rect.Right) + " " +
           IntToStr(rect.Bottom) + "]";
}

} // namespace

std::unique_ptr<TPdfLink> TPdfPage::AddIndexLink(const TRect& rect, std::string_view target, std::string_view action)
{
    auto link =
        std::make_unique<TPdfLink>(Owner(), "/Type/Annot/Subtype/Link\n" + RectText(rect) + "\n/Border [0 0 0]\n",
                                   std::string(target), std::string(action));
    AddAnnotation(link.get());
    return link;
}

std::unique_ptr<TPdfLink> TPdfPage::AddWidget(const TRect& rect, std::string_view text)
{
    auto widget = std::make_unique<TPdfLink>(Owner(), "/Type /Annot \r/Subtype /Widget \r" + RectText(rect) + "\r" +
                                                          std::string(text) + "\r/P " + AsReferenceString() + "\r/F 4");
    AddAnnotation(widget.get());
    return widget;
}
