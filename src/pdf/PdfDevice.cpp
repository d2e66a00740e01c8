#include "pdf/PdfDevice.h"

#include "pdf/PdfAcroForm.h"
#include "pdf/PdfInputFile.h"
#include "pdf/PdfInputObjects.h"
#include "pdf/PdfOutline.h"
#include "pdf/PdfPageTree.h"
#include "pdf/PdfResource.h"
#include "pdf/PdfStream.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"
#include "platform/core/TextUtils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Metafile.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int ThumbnailSide = 66;
// The input mode that carries the input's pages over; the others make forms of them.
constexpr int AppendToInputMode = 1;
// What the listeners learn of an input file read.
constexpr int InputFileReadCode = 4;
constexpr int InputPageCountKind = 2;

int ResolutionOrDefault(int resolution) { return resolution > 0 ? resolution : TPdfDevice::DefaultResolution; }

// Keeps what a played metafile may change of the device context, to put it back afterwards: the
// levels and their matrices, the objects, and the device's own drawing values.
class TDeviceContextKeeper {
public:
    explicit TDeviceContextKeeper(TPdfDevice& device)
        : device_(device), stack_(device.DCStack()), resolutionX_(device.ResolutionX()),
          resolutionY_(device.ResolutionY()), pathDepth_(device.PathDepth()), figureMode_(device.FigureMode()),
          logicalPageHeight_(device.LogicalPageHeight()), textRotated_(device.TextRotated()),
          textOffsetX_(device.TextOffsetX()), textOffsetY_(device.TextOffsetY()),
          justificationExtra_(device.TextJustificationExtra()), justificationCount_(device.TextJustificationCount()),
          justificationRemainder_(device.TextJustificationRemainder()), modes_(device.Modes())
    {
        // The metafile's objects live in a table of their own; the caller's wait aside untouched.
        std::swap(objects_, device.Objects());
    }

    void Restore()
    {
        // Closes what the metafile left open in the content stream, so that the restored levels
        // start from a clean graphics state.
        if (device_.OutputOpen())
            device_.InitDC();
        std::swap(objects_, device_.Objects());
        device_.DCStack() = stack_;
        device_.SetDeviceResolution(resolutionX_, resolutionY_);
        device_.SetPathDepth(pathDepth_);
        device_.SetFigureMode(figureMode_);
        device_.SetLogicalPageHeight(logicalPageHeight_);
        device_.SetTextRotated(textRotated_);
        device_.SetTextOffset(textOffsetX_, textOffsetY_);
        device_.SetTextJustification(justificationExtra_, justificationCount_);
        device_.SetTextJustificationRemainder(justificationRemainder_);
        device_.SetModes(modes_);
        device_.SetWorldChanged(true);
        device_.SetTextMatrixNeeded(true);
    }

private:
    TPdfDevice& device_;
    TPdfDCStack stack_;
    TPdfGenericDeviceObjects objects_;
    int resolutionX_;
    int resolutionY_;
    int pathDepth_;
    TPdfPSFigureMode figureMode_;
    int logicalPageHeight_;
    bool textRotated_;
    double textOffsetX_;
    double textOffsetY_;
    int justificationExtra_;
    int justificationCount_;
    int justificationRemainder_;
    TPdfDevModes modes_;
};

} // namespace

TPdfDevice::TPdfDevice() { infoBlock_.Creator = TPdfInfo::CreatorText; }

TPdfDevice::~TPdfDevice() = default;

// ---- Output

TPdfFileWriter& TPdfDevice::OpenWriter() const
{
    if (writer_ == nullptr)
        throw Exception("Device not open");
    return *writer_;
}

TPdfResource& TPdfDevice::OpenResources() const
{
    if (resources_ == nullptr)
        throw Exception("Device not open");
    return *resources_;
}

void TPdfDevice::RawWrite(std::string_view bytes) { OpenWriter().RawWrite(bytes); }

void TPdfDevice::RawWriteLN(std::string_view bytes) { OpenWriter().RawWriteLN(bytes); }

void TPdfDevice::RawWriteW(std::u16string_view text) { OpenWriter().RawWriteW(text); }

void TPdfDevice::WriteObject(TPdfCustomType& object) { OpenWriter().WriteObject(object); }

void TPdfDevice::WriteObjectReference(TPdfCustomType& object) { OpenWriter().WriteObjectReference(object); }

std::int64_t TPdfDevice::GetSize() const { return writer_ != nullptr ? writer_->GetSize() : 0; }

std::int64_t TPdfDevice::GetBuf(std::int64_t length, void* buffer) const
{
    return writer_ != nullptr ? writer_->GetBuf(length, buffer) : 0;
}

void TPdfDevice::WriteToBuffer(void* buffer, std::int64_t length) const
{
    if (writer_ != nullptr)
        writer_->WriteToBuffer(buffer, length);
}

void TPdfDevice::WriteToFile(std::string_view fileName)
{
    if (writer_ != nullptr && !ReadOnly)
        writer_->WriteToFile(fileName);
}

void TPdfDevice::WriteToStream(TStream& stream) const
{
    if (writer_ != nullptr && !ReadOnly)
        writer_->WriteToStream(stream);
}

// ---- Errors

std::string TPdfDevice::ErrorMessage(int code, std::string_view text)
{
    switch (code) {
    case 1:
        return "Bookmark \"" + std::string(text) + "\" not found";
    case 2:
        return "Invalid bitmap";
    case 3:
        return "Cannot open file " + std::string(text);
    case 4:
        return "Metafile error " + std::string(text);
    case 6:
        return "Problem in importfile " + std::string(text);
    case 10:
        return "Embed Font: " + std::string(text);
    default:
        return "internal error " + std::string(text);
    }
}

void TPdfDevice::Error(int code, std::string_view text)
{
    const std::string message = ErrorMessage(code, text);
    if (OnErrorCallback)
        OnErrorCallback(code, message);
    if (OnComponentError)
        OnComponentError(code, message);
    if (OnSecondCallback)
        OnSecondCallback(message, code, 1);
}

// ---- Document

void TPdfDevice::Check()
{
    if (!open_)
        throw Exception("Device is not open!");
    if (!pageStarted_)
        throw Exception("Page has not been started!");
}

// Objects go before the writer they write to; without Close the writer leaves no file behind.
void TPdfDevice::DropDocument()
{
    if (OutputOpen())
        PSEndOutput();
    contentStream_ = nullptr;
    formStream_ = nullptr;
    formLinks_.clear();
    page_.reset();
    links_.clear();
    fontStreams_.clear();
    outlineNodes_.clear();
    destNames_.clear();
    pendingLevelUps_ = 0;
    fieldCount_ = 0;
    appearances_.clear();
    inputObjects_.reset();
    input_.reset();
    catalog_.reset();
    resources_.reset();
    info_.reset();
    encryptInfo_.reset();
    if (writer_ != nullptr) {
        writer_->Encryption = nullptr;
        writer_->Resources = nullptr;
    }
    open_ = false;
    pageStarted_ = false;
}

void TPdfDevice::Finish()
{
    DropDocument();
    writer_.reset();
}

bool TPdfDevice::OpenOutput()
{
    writer_ = std::make_unique<TPdfFileWriter>();
    if (callerStream_ != nullptr) {
        writer_->SetOutStream(callerStream_);
        return true;
    }
    if (FileName.empty() || ReadOnly) {
        writer_->OpenMemory();
        return true;
    }
    createFailure_.clear();
    try {
        writer_->OpenFile(FileName);
    } catch (const EFCreateError& error) {
        writer_.reset();
        if (error.ErrorCode() != 0)
            createFailure_ = SysErrorMessage(error.ErrorCode());
        if (QuietCreateFailure) {
            QuietCreateFailure = false;
            return false;
        }
        Error(3, FileName);
        throw;
    }
    return true;
}

void TPdfDevice::FillWriterSettings()
{
    writer_->CompressionMethod = CompressionMethod;
    writer_->EncodingMethod = EncodingMethod;
    writer_->PageMode = PageMode;
    writer_->ZoomMode = ZoomMode;
    writer_->DefaultPageWidth = pageWidth_;
    writer_->DefaultPageHeight = pageHeight_;
    writer_->Resources = resources_.get();
    writer_->OnContentStreamStart = [this] { DCStack().NothingIsOK(); };
}

bool TPdfDevice::BeginDoc(int width, int height, int resolution)
{
    Finish();
    if (!OpenOutput())
        return false;
    try {
        open_ = true;
        pageStarted_ = false;
        resolution = ResolutionOrDefault(resolution);
        pageResolutionX_ = pageResolutionY_ = resolution;
        SetDeviceResolution(resolution, resolution);
        InitDC();
        pageWidth_ = MulDiv(width, DefaultResolution, resolution);
        pageHeight_ = MulDiv(height, DefaultResolution, resolution);
        catalog_ = std::make_unique<TPdfCatalog>(writer_.get());
        catalog_->Outlines().Destination = [this](const TPdfOutlineNode& node) {
            return DestAsString(node.Page, node.ViewMode, node.Left, node.Top, node.Width, node.Height, node.Zoom,
                                node.DestName, node.Resolution);
        };
        resources_ = std::make_unique<TPdfResource>(writer_.get(), this);
        FillWriterSettings();
        if (!InputFileName.empty() && InputMode >= 1 && InputMode <= 4)
            ReadInputFile();
        if (!ReadOnly) {
            WriteFileStartCodes();
            TakeInputPages();
        }
    } catch (...) {
        Finish();
        throw;
    }
    return true;
}

void TPdfDevice::ReadInputFile()
{
    if (InputMode == AppendToInputMode && Security.Encrypt())
        throw Exception("An input PDF cannot be appended to an encrypted document");
    input_ = std::make_unique<TPdfInputFile>();
    input_->ReadPDFFile(InputFileName, catalog_->Pages());
    const int count = static_cast<int>(catalog_->Pages().InputPages().size());
    if (OnMessageCallback)
        OnMessageCallback(InputFileReadCode, InputFileName, count);
    if (OnSecondCallback)
        OnSecondCallback(InputFileName, count, InputPageCountKind);
}

// The input's catalog and tree give way to the document's own; so do its pages where only their
// forms are kept.
void TPdfDevice::TakeInputPages()
{
    if (input_ == nullptr)
        return;
    inputObjects_ = std::make_unique<TPdfInputObjects>(*input_, *writer_);
    inputObjects_->LeaveOut(input_->RootObject());
    inputObjects_->LeaveOut(input_->PagesObject());
    for (const int node : catalog_->Pages().InputNodes())
        inputObjects_->LeaveOut(node);
    const std::vector<TPdfInputPage>& pages = catalog_->Pages().InputPages();
    if (InputMode == AppendToInputMode) {
        AppendInputPages();
        return;
    }
    for (const TPdfInputPage& page : pages)
        inputObjects_->LeaveOut(page.number);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        if (OnInputRequest && OnInputRequest(number, InputFileName))
            throw Exception("Reading of the input PDF was cancelled");
        AddXFORMFromInputFile("inpage" + IntToStr(number), pages[i]);
    }
}

void TPdfDevice::AppendInputPages()
{
    TPdfPages& tree = catalog_->Pages();
    for (const TPdfInputPage& page : tree.InputPages())
        tree.AddInputKid(IntToStr(inputObjects_->Claim(page.number)) + " 0 R");
    const std::string parent = tree.AsReferenceString();
    for (const TPdfInputPage& page : tree.InputPages())
        inputObjects_->WritePage(page, parent);
    inputObjects_->WritePending();
}

void TPdfDevice::WriteFileStartCodes()
{
    TPdfFileWriter& writer = OpenWriter();
    writer.WriteHeader(Security.Encrypt() && Security.Strong());
    writer.Encryption = nullptr;
    encryptInfo_.reset();
    if (Security.Encrypt()) {
        encryptInfo_ = std::make_unique<TPdfEncryptInfo>(&writer, Security);
        writer.WriteObject(*encryptInfo_);
        writer.Encryption = encryptInfo_.get();
    }
    info_.reset();
    if (!infoBlock_.NoInfo) {
        info_ = std::make_unique<TPdfInfo>(&writer);
        info_->Assign(infoBlock_);
        writer.WriteObject(*info_);
    }
}

void TPdfDevice::StartPage(int width, int height, int resolutionX, int resolutionY, int rotation)
{
    if (ReadOnly)
        throw Exception("PDF Engine in read-only mode!");
    if (pageStarted_)
        throw Exception("Last Page has not been closed!");
    if (!open_)
        throw Exception("Device is not open!");
    pageStarted_ = true;
    page_ = std::make_unique<TPdfPage>(writer_.get(), rotation);
    if (resolutionX > 0)
        pageResolutionX_ = resolutionX;
    if (resolutionY > 0)
        pageResolutionY_ = resolutionY;
    if (width > 0)
        pageWidth_ = MulDiv(width, DefaultResolution, pageResolutionX_);
    if (height > 0)
        pageHeight_ = MulDiv(height, DefaultResolution, pageResolutionY_);
    page_->SetSize(pageWidth_, pageHeight_);
    SetDeviceResolution(pageResolutionX_, pageResolutionY_);
    DCStack().InitRes(pageResolutionX_, pageResolutionY_);
    DCStack().SetPage(0, pageHeight_);
    pageTurned_ = rotation == 1 || rotation == 90 || rotation == 270;
    InitThumbnail();
    contentStream_ = nullptr;
}

bool TPdfDevice::PSCheckOutput()
{
    if (OutputOpen())
        return true;
    if (!pageStarted_ || page_ == nullptr)
        return false;
    auto stream = std::make_unique<TPdfStream>(writer_.get(), 'T');
    contentStream_ = stream.get();
    page_->AddContent(std::move(stream));
    contentStream_->WriteStart();
    PSStartOutput(&contentStream_->Data());
    return true;
}

void TPdfDevice::CloseCurrentText()
{
    if (OutputOpen())
        PSEndOutput();
    if (contentStream_ != nullptr && !contentStream_->Written())
        contentStream_->WriteEnd();
    contentStream_ = nullptr;
}

void TPdfDevice::EndPage()
{
    if (pageStarted_ && page_ != nullptr) {
        CloseCurrentText();
        WriteThumbnail();
        ClearThumbnail();
        catalog_->AddPage(std::move(page_)).WriteIt();
    }
    Check();
    pageStarted_ = false;
}

void TPdfDevice::EndDoc()
{
    if (!open_)
        throw Exception("Device is not open!");
    try {
        EndXForm();
        if (pageStarted_)
            EndPage();
        if (!ReadOnly)
            WriteFileEndCode();
        if (writer_ != nullptr)
            writer_->Close();
    } catch (...) {
        Finish();
        throw;
    }
    DropDocument();
}

void TPdfDevice::WriteFileEndCode()
{
    if (!open_)
        throw Exception("Device is not open!");
    TPdfFileWriter& writer = OpenWriter();
    for (const auto& link : links_)
        if (!link->Written())
            link->WriteIt();
    resources_->WriteIt();
    WriteFontStreams();
    if (catalog_->AcroForm() != nullptr)
        catalog_->AcroForm()->WriteIt();
    catalog_->Pages().WriteIt();
    catalog_->Outlines().OpenBookmarks = OpenBookmarks;
    catalog_->WriteIt();
    writer.WriteFileEnd(*catalog_, info_.get(), encryptInfo_.get());
    links_.clear();
}

bool TPdfDevice::CheckOpenPage(int width, int height, int xExtent, int yExtent)
{
    if (!open_ || pageStarted_)
        return false;
    if (xExtent > 0 && yExtent > 0) {
        if (xExtent >= yExtent)
            height = MulDiv(height, xExtent, yExtent);
        else
            width = MulDiv(width, yExtent, xExtent);
    }
    const int resolution = std::max(xExtent, yExtent);
    StartPage(width, height, resolution, resolution, 0);
    return true;
}

void TPdfDevice::CheckCloseOpenPage(bool opened)
{
    if (opened)
        EndPage();
}

void TPdfDevice::AddLinkAnnotation(std::unique_ptr<TPdfCustomType> link) { links_.push_back(std::move(link)); }

TPdfFontStreamEntry& TPdfDevice::AddFontStream(std::unique_ptr<TPdfStream> stream, std::string key)
{
    fontStreams_.push_back({std::move(stream), false, std::move(key)});
    return fontStreams_.back();
}

void TPdfDevice::WriteFontStreams()
{
    for (TPdfFontStreamEntry& font : fontStreams_) {
        if (font.needed) {
            font.stream->WriteStart();
            font.stream->WriteEnd();
        }
    }
    fontStreams_.clear();
}

TPdfFontStreamEntry* TPdfDevice::FindFontStream(std::string_view fontName)
{
    const std::string key = UpperCase(Trim(fontName));
    for (TPdfFontStreamEntry& entry : fontStreams_)
        if (entry.key == key)
            return &entry;
    return nullptr;
}

bool TPdfDevice::WholeFonts() const
{
    return FontMode != peEmbedSubsetTrueType_Charsets && FontMode != peEmbedSubsetTrueType_UsedChar;
}

// ---- Metafiles

bool TPdfDevice::PlayMetafile(const TMetafile& metafile, int x, int y, int width, int height, int resolutionX,
                              int resolutionY)
{
    TDeviceContextKeeper keeper(*this);
    bool opened = false;
    try {
        if (OutputOpen())
            InitDC();
        opened = PlayEnhMetaFile(metafile.Data(), x, y, width, height, false, resolutionX, resolutionY);
    } catch (...) {
        keeper.Restore();
        throw;
    }
    keeper.Restore();
    return opened;
}

// ---- Thumbnails

void TPdfDevice::InitThumbnail()
{
    if (!Thumbnails) {
        thumbnail_.reset();
        return;
    }
    const int across = pageWidth_ > 0 ? static_cast<int>(std::lround(double(pageHeight_) / pageWidth_ * ThumbnailSide))
                                      : ThumbnailSide;
    if (thumbnail_ == nullptr)
        thumbnail_ = std::make_unique<TBitmap>();
    thumbnail_->SetPixelFormat(pf24bit);
    if (pageTurned_)
        thumbnail_->SetSize(std::max(across, 1), ThumbnailSide);
    else
        thumbnail_->SetSize(ThumbnailSide, std::max(across, 1));
    ClearThumbnail();
}

void TPdfDevice::ClearThumbnail()
{
    if (thumbnail_ == nullptr)
        return;
    TCanvas& canvas = thumbnail_->Canvas();
    canvas.Brush.Color = clWhite;
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(TRect{0, 0, thumbnail_->Width(), thumbnail_->Height()});
}

// ---- Bookmarks and destinations

int TPdfDevice::AddOutlineNode(std::unique_ptr<TPdfOutlineNode> node, int mode, int number)
{
    Check();
    TPdfOutlineNode* added = node.get();
    added->Page = page_.get();
    added->Resolution = TSize{ResolutionX(), ResolutionY()};
    PlaceOutlineNode(std::move(node), mode, number);
    outlineNodes_.push_back(added);
    added->Number = static_cast<int>(outlineNodes_.size());
    return added->Number;
}

// The most recent node's ancestor `levelsUp` levels above it, the top-level one at most.
TPdfOutlineNode* TPdfDevice::AncestorOfLast(int levelsUp) const
{
    TPdfOutlineNode* node = outlineNodes_.empty() ? nullptr : outlineNodes_.back();
    for (int i = 0; i < levelsUp && node != nullptr && node->Parent() != nullptr; ++i)
        node = node->Parent();
    return node;
}

void TPdfDevice::PlaceOutlineNode(std::unique_ptr<TPdfOutlineNode> node, int mode, int number)
{
    TPdfOutline& tree = catalog_->Outlines();
    TPdfOutlineNode* last = outlineNodes_.empty() ? nullptr : outlineNodes_.back();
    const int count = static_cast<int>(outlineNodes_.size());
    const bool numbered = number >= 1 && number <= count;
    switch (mode) {
    case 1:
        tree.AddChild(last, std::move(node));
        break;
    case 2:
        tree.Add(last != nullptr ? last->Parent() : nullptr, std::move(node));
        break;
    case 3: {
        const int lastLevel = last != nullptr ? last->Level() : 0;
        const int level = std::max(number > 0 ? number : lastLevel + number, 1);
        if (level > lastLevel)
            tree.AddChild(last, std::move(node));
        else
            tree.Add(AncestorOfLast(lastLevel - level), std::move(node));
        break;
    }
    case 4:
        if (numbered)
            tree.AddChild(outlineNodes_[static_cast<std::size_t>(number - 1)], std::move(node));
        else
            tree.AddChild(number > count ? last : nullptr, std::move(node));
        break;
    case 5:
        if (numbered)
            tree.Add(outlineNodes_[static_cast<std::size_t>(number - 1)], std::move(node));
        else if (number < 0)
            tree.Add(AncestorOfLast(-number), std::move(node));
        else
            tree.Add(number > count ? last : nullptr, std::move(node));
        break;
    default:
        tree.Add(last, std::move(node));
        break;
    }
}

void TPdfDevice::AddDestName(std::string_view name, int x, int y)
{
    Check();
    destNames_[UpperCase(name)] = TPdfDestName{page_.get(), x, y, TSize{ResolutionX(), ResolutionY()}};
}

std::string TPdfDevice::DestAsString(TPdfPage* page, int mode, int x, int y, int width, int height, int zoom,
                                     std::string_view name, TSize resolution)
{
    if (!name.empty()) {
        const auto found = destNames_.find(UpperCase(name));
        if (found == destNames_.end()) {
            Error(1, name);
            return {};
        }
        page = found->second.page;
        x = found->second.x;
        y = found->second.y;
        resolution = found->second.resolution;
        mode = 0;
        zoom = 0;
    }
    if (page == nullptr)
        return {};
    const int resolutionX = resolution.cx > 0 ? resolution.cx : ResolutionX();
    const int resolutionY = resolution.cy > 0 ? resolution.cy : ResolutionY();
    if (resolutionX != DefaultResolution) {
        x = MulDiv(x, DefaultResolution, resolutionX);
        width = MulDiv(width, DefaultResolution, resolutionX);
    }
    if (resolutionY != DefaultResolution) {
        y = MulDiv(y, DefaultResolution, resolutionY);
        height = MulDiv(height, DefaultResolution, resolutionY);
    }
    const std::string left = IntToStr(x);
    const std::string top = IntToStr(page->Height() - y);
    std::string view;
    switch (mode) {
    case 0:
        view = "/XYZ " + left + " " + top + " " + IntToStr(zoom);
        break;
    case 1:
        view = "/Fit ";
        break;
    case 2:
        view = "/FitV " + left;
        break;
    case 3:
        view = "/FitH " + top;
        break;
    case 4:
        // The area reaches down from the top: PDF's y grows upward.
        view = "/FitR " + left + " " + IntToStr(page->Height() - y - height) + " " + IntToStr(x + width) + " " + top;
        break;
    case 6:
        view = "/FitBV " + left;
        break;
    case 7:
        view = "/FitBH " + top;
        break;
    default:
        view = "/FitB ";
        break;
    }
    return "/Dest [ " + page->AsReferenceString() + " " + view + "]";
}
