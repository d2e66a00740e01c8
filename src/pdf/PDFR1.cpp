#include "pdf/PDFR1.h"

#include "platform/core/Exceptions.h"
#include "platform/core/Seams.h"
#include "platform/core/Streams.h"
#include "platform/core/Variant.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/EmfRecords.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/Picture.h"
#include "platform/services/Desktop.h"
#include "platform/ui/PrinterCapabilities.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace {

// The resolution a page unit has when the caller gives none.
constexpr int DefaultResolution = 72;
// The colour value every page record carries.
constexpr std::int32_t PageColor = static_cast<std::int32_t>(0x80000010u);
// Coordinates reach the engine in page units, not in twips.
constexpr int PageUnitCoordinates = 200;

enum TEngineAction {
    BeginDocument = 4533,
    EndDocument = 4534,
    StartPageAction = 4535,
    EndPageAction = 4536,
    GetBuffer = 4537,
    WriteToFile = 4538,
    FinishDocument = 4539,
    HyperLink = 4541,
    NamedDestination = 4542,
    OutlineEntry = 4543,
    PlayMetafile = 4544,
    StartXForm = 4545,
    EndXForm = 4546,
    DrawXForm = 4547,
    EmbeddedCommand = 4548,
    DrawImageAction = 4549,
    ResetDeviceContext = 4551,
};

enum TEngineMessageCode { ErrorMessage = 1, InputPageCount = 2, InputRequest = 3 };

int ResolutionOrDefault(int resolution) { return resolution > 0 ? resolution : DefaultResolution; }

// "D:" + year, month and day; an unset date (0) is the clock's today.
std::string DateText(double date, const std::tm& today)
{
    int year = today.tm_year + 1900;
    int month = today.tm_mon + 1;
    int day = today.tm_mday;
    if (date != 0) {
        const TDateParts parts = DecodeOleDate(date);
        year = parts.year;
        month = parts.month;
        day = parts.day;
    }
    char text[32];
    std::snprintf(text, sizeof text, "D:%d%.2d%.2d", year, month, day);
    return text;
}

} // namespace

TPdfCustomExport::TPdfCustomExport() = default;

TPdfCustomExport::~TPdfCustomExport()
{
    UpdateReferenceCanvas(false);
    FinalizeEngine();
}

template <typename Step> decltype(auto) TPdfCustomExport::Guarded(Step&& step)
{
    try {
        return step();
    } catch (...) {
        DropDocument();
        throw;
    }
}

void TPdfCustomExport::DropDocument()
{
    documentOpen_ = false;
    pageOpen_ = false;
    startPageInBeginDoc_ = false;
    FreeCanvas();
    UpdateReferenceCanvas(false);
    // Freeing the device drops its writer before the end of the document: the file being written
    // goes, and an older file of the name stays as it was.
    FinalizeEngine();
    resolutionX_ = resolutionY_ = DefaultResolution;
}

void TPdfCustomExport::FinalizeEngine()
{
    if (environment_ != nullptr)
        engine_.Finalize(std::exchange(environment_, nullptr));
}

void TPdfCustomExport::FreeCanvas()
{
    canvas_.reset();
    metafile_.reset();
}

int TPdfCustomExport::Action(int code, int value, void* argument)
{
    return engine_.Action(environment_, code, value, argument);
}

void TPdfCustomExport::SetIProp(int id, int value) { engine_.SetIProp(environment_, id, value); }

void TPdfCustomExport::SetSProp(int id, const std::string& text) { engine_.SetSProp(environment_, id, text.c_str()); }

// ---- Properties passed on at once

void TPdfCustomExport::SetJPEGQuality(TPdfJPEGQuality quality)
{
    jpegQuality_ = quality;
    if (environment_ != nullptr)
        SetIProp(12, quality);
}

void TPdfCustomExport::SetModes(TPdfDevModes modes)
{
    modes_ = modes;
    if (environment_ != nullptr)
        SetIProp(26, static_cast<int>(modes.Bits()));
}

void TPdfCustomExport::SetOptions(TPdfOptions options)
{
    options_ = options;
    if (environment_ != nullptr)
        SetIProp(27, static_cast<int>(options.Bits()));
}

// ---- Document

void TPdfCustomExport::BeginDoc()
{
    Guarded([&] {
        // An Abort answered the reading of an earlier document; it must not cancel this one.
        abortRequested_ = false;
        inputPageCount_ = 0;
        resolutionX_ = resolutionY_ = DefaultResolution;
        if (Filename.empty() && !InMemoryMode && PDFReadMode == peReadStandard)
            throw Exception("No filename or InMemoryMode was specified!");
        if (!documentOpen_)
            OpenDocument();
    });
}

void TPdfCustomExport::OpenDocument()
{
    CreateEngine();
    watermarks_.clear();
    if (OnUpdateGauge)
        OnUpdateGauge(*this, 0);
    std::string outputFile = outputStream_ == nullptr && !InMemoryMode ? Filename : std::string();
    if (BeforeBeginDoc)
        BeforeBeginDoc(*this);
    PassProperties();
    lastEngineError_.clear();
    // The engine has said why by now (the file that could not be made, and the system's reason).
    if (Action(BeginDocument, 0, outputFile.empty() ? nullptr : outputFile.data()) != 0)
        throw Exception(lastEngineError_.empty() ? "Error in BeginDoc!" : "Error in BeginDoc! " + lastEngineError_);
    StartDocument();
}

void TPdfCustomExport::CreateEngine()
{
    FinalizeEngine();
    environment_ = engine_.Initialize(0, 0, 0, 1, &TPdfCustomExport::EngineMessage, this);
    if (environment_ == nullptr)
        throw Exception("Initialization of PDF Engine failed");
}

void TPdfCustomExport::PassProperties()
{
    SetIProp(1, EncodeStreamMethod);
    SetIProp(2, CompressStreamMethod);
    SetIProp(3, PageMode);
    SetIProp(14, ZoomMode);
    SetIProp(4, FontMode);
    SetIProp(6, ConvertJPEGData);
    SetIProp(7, static_cast<int>(Encryption.Bits()));
    SetIProp(15, Security);
    SetIProp(12, jpegQuality_);
    SetIProp(25, CreateThumbnails);
    SetIProp(26, static_cast<int>(modes_.Bits()));
    SetIProp(27, static_cast<int>(options_.Bits()));
    SetIProp(9, PDFReadMode);
    SetIProp(8, PDFReadMode != peReadStandard ? 2 : InputfileMode);
    SetIProp(21, ExtraMessages.Contains(peOnEmbedFonts));
    PassInformation();
    SetSProp(9, excludedFonts_.CommaText());
    SetSProp(11, UserPassword);
    SetSProp(10, OwnerPassword);
    SetSProp(12, InputFile);
    SetIProp(10, PageUnitCoordinates);
}

// The dates are taken now, not when the component was made, so that a document carries the day it
// was made on.
void TPdfCustomExport::PassInformation()
{
    const std::tm today = LocalNow();
    SetSProp(1, info_.Author);
    SetSProp(2, DateText(info_.CreationDate, today));
    SetSProp(3, DateText(info_.ModificationDate, today));
    SetSProp(4, info_.Producer);
    SetSProp(5, info_.Title);
    SetSProp(6, info_.Subject);
    SetSProp(7, info_.Keywords);
}

void TPdfCustomExport::StartDocument()
{
    abortRequested_ = false;
    pageCounter_ = 0;
    pageRecord_ = TPdf_InitRec();
    PreparePage(-1, pageRecord_);
    documentOpen_ = true;
    UpdateReferenceCanvas(true);
    if (AfterBeginDoc)
        AfterBeginDoc(*this);
    if (startPageInBeginDoc_)
        engine_.InitializePage(environment_, 0, pageRecord_);
}

void TPdfCustomExport::PreparePage(int, TPdf_InitRec&) { startPageInBeginDoc_ = false; }

void TPdfCustomExport::EndDoc()
{
    if (!documentOpen_ || environment_ == nullptr)
        return;
    Guarded([&] {
        if (BeforeEndDoc)
            BeforeEndDoc(*this);
        Action(EndDocument);
        UpdateReferenceCanvas(false);
        if (outputStream_ != nullptr && PDFReadMode == peReadStandard)
            WriteOutputStream();
        std::string fileName = Filename;
        if (!fileName.empty() && PDFReadMode == peReadStandard)
            Action(WriteToFile, 0, fileName.data());
        Action(FinishDocument);
    });
    DropDocument();
    if (AfterEndDoc)
        AfterEndDoc(*this);
    if (AutoLaunch && !Filename.empty() && PDFReadMode == peReadStandard)
        Desktop().Open(Filename);
}

void TPdfCustomExport::WriteOutputStream()
{
    const int size = Action(GetBuffer, 0, nullptr);
    if (auto* memory = dynamic_cast<TMemoryStream*>(outputStream_)) {
        memory->Clear();
        memory->SetSize(size);
        Action(GetBuffer, size, memory->Memory());
        return;
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::max(size, 0)));
    Action(GetBuffer, size, buffer.data());
    outputStream_->WriteBuffer(buffer.data(), static_cast<std::int64_t>(buffer.size()));
}

// ---- Pages and forms

void TPdfCustomExport::CheckDocumentOpen() const
{
    if (!documentOpen_)
        throw Exception("StartPage is only allowed within StartDoc and EndDoc!");
}

void TPdfCustomExport::StartPage(int width, int height, int resolutionX, int resolutionY, int rotation)
{
    CheckDocumentOpen();
    Guarded([&] { StartPageOrForm(width, height, resolutionX, resolutionY, rotation, nullptr); });
}

void TPdfCustomExport::StartWatermark(std::string_view name, int width, int height, int resolutionX, int resolutionY)
{
    CheckDocumentOpen();
    const std::string formName(name);
    Guarded([&] { StartPageOrForm(width, height, resolutionX, resolutionY, 0, &formName); });
}

void TPdfCustomExport::StartPageOrForm(int width, int height, int resolutionX, int resolutionY, int rotation,
                                       const std::string* formName)
{
    const std::optional<int> watermark =
        formName == nullptr ? WatermarkOfPage(width, height, resolutionX, resolutionY) : std::nullopt;
    pageOpen_ = true;
    pageWidth_ = width;
    pageHeight_ = height;
    resolutionX_ = ResolutionOrDefault(resolutionX);
    resolutionY_ = ResolutionOrDefault(resolutionY);
    if (startPageInBeginDoc_) {
        startPageInBeginDoc_ = false;
    } else {
        pageRecord_ = TPdf_InitRec();
        pageRecord_.Width = width;
        pageRecord_.Height = height;
        pageRecord_.ResolutionX = resolutionX_;
        pageRecord_.ResolutionY = resolutionY_;
        pageRecord_.Rotation = rotation;
        pageRecord_.Color = PageColor;
        pageRecord_.Thumbnail = CreateThumbnails ? 1 : 0;
        engine_.InitializePage(environment_, 0, pageRecord_);
    }
    if (formName == nullptr) {
        ++pageCounter_;
        Action(StartPageAction);
        if (InputfileMode == peUseInputAsWatermark && inputPageCount_ >= 1)
            UseWatermark("inpage" + std::to_string(std::min(pageCounter_, inputPageCount_)));
    } else {
        TPdfXFormDef form;
        form.Name = formName->c_str();
        form.Width = width;
        form.Height = height;
        Action(StartXForm, 0, &form);
    }
    FreeCanvas();
    if (watermark)
        UseWatermark("XWAT" + std::to_string(*watermark));
}

// The provider's watermark of the next page, drawn into a form object the first time it is seen.
std::optional<int> TPdfCustomExport::WatermarkOfPage(int width, int height, int resolutionX, int resolutionY)
{
    if (!OnWatermark)
        return std::nullopt;
    const TMetafile* metafile = nullptr;
    std::string fileName;
    OnWatermark(*this, pageCounter_ + 1, metafile, fileName);
    if (metafile == nullptr && fileName.empty())
        return std::nullopt;
    const auto known = std::find_if(watermarks_.begin(), watermarks_.end(), [&](const TWatermarkEntry& entry) {
        return metafile != nullptr ? entry.metafile == metafile : entry.fileName == fileName;
    });
    if (known != watermarks_.end())
        return static_cast<int>(known - watermarks_.begin());
    const int index = static_cast<int>(watermarks_.size());
    TMetafile loaded;
    if (metafile == nullptr)
        loaded.LoadFromFile(fileName);
    StartWatermark("XWAT" + std::to_string(index), width, height, resolutionX, resolutionY);
    DrawMetafile(0, 0, metafile != nullptr ? *metafile : loaded);
    EndWatermark();
    watermarks_.push_back(TWatermarkEntry{metafile, metafile != nullptr ? std::string() : fileName});
    return index;
}

void TPdfCustomExport::EndWatermark()
{
    Guarded([&] {
        CloseCanvas();
        pageOpen_ = false;
        Action(EndXForm);
    });
}

TMetafileCanvas& TPdfCustomExport::GetCanvas()
{
    if (canvas_ != nullptr)
        return *canvas_;
    return Guarded([&]() -> TMetafileCanvas& {
        metafile_ = std::make_unique<TMetafile>();
        metafile_->SetMMWidth(static_cast<int>(std::lround(pageWidth_ * 2540.0 / resolutionX_)));
        metafile_->SetMMHeight(static_cast<int>(std::lround(pageHeight_ * 2540.0 / resolutionY_)));
        canvas_ = std::make_unique<TMetafileCanvas>(*metafile_, referenceDevice_.value_or(TReferenceDevice()));
        // One canvas unit is one page unit.
        canvas_->SetMapMode(Emf::MM_ANISOTROPIC);
        canvas_->SetWindowExtEx(resolutionX_, resolutionY_);
        canvas_->SetViewportExtEx(canvas_->GetDeviceCaps(LOGPIXELSX), canvas_->GetDeviceCaps(LOGPIXELSY));
        canvas_->Font.SetPixelsPerInch(resolutionY_);
        canvas_->Brush.Style = bsClear;
        return *canvas_;
    });
}

void TPdfCustomExport::CloseCanvas()
{
    if (canvas_ == nullptr)
        return;
    Guarded([&] {
        const int resolutionX = canvas_->GetDeviceCaps(LOGPIXELSX);
        const int resolutionY = canvas_->GetDeviceCaps(LOGPIXELSY);
        // Freeing the canvas completes its metafile.
        canvas_.reset();
        const std::unique_ptr<TMetafile> metafile = std::move(metafile_);
        DrawMetafileEx(0, 0, 0, 0, *metafile, resolutionX, resolutionY);
    });
}

void TPdfCustomExport::EndPage()
{
    Guarded([&] {
        CloseCanvas();
        pageOpen_ = false;
        Action(EndPageAction);
    });
}

// ---- Reference device

void TPdfCustomExport::UpdateReferenceCanvas(bool active)
{
    referenceDevice_.reset();
    if (!active || CanvasReference != perefPrinter)
        return;
    const PrinterCapabilities& printer = DefaultPrinter();
    if (!printer.Installed())
        return;
    const TSize resolution = printer.Resolution();
    referenceDevice_ = PrinterDevice(resolution.cx, resolution.cy, printer.PagePixels());
}

// ---- Drawing

int TPdfCustomExport::DrawTGraphic(int x, int y, int width, int height, const TGraphic* graphic)
{
    if (graphic == nullptr)
        return -1;
    // Metafiles are always enhanced ones, which the player places at their own size when none is given.
    if (const auto* metafile = dynamic_cast<const TMetafile*>(graphic)) {
        DrawMetafileEx(x, y, width, height, *metafile, 0, 0);
        return -1;
    }
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(graphic))
        return DrawBitmap(x, y, width, height, *bitmap);
    return Guarded([&]() -> int { throw Exception("Cannot convert " + graphic->ClassName()); });
}

int TPdfCustomExport::DrawImage(TPdfGraphicDef& graphic)
{
    return Guarded([&] {
        Action(DrawImageAction, 0, &graphic);
        return graphic.ImageId;
    });
}

int TPdfCustomExport::DrawBitmap(int x, int y, int width, int height, const TBitmap& bitmap)
{
    TPdfGraphicDef graphic{.X = x, .Y = y, .Width = width, .Height = height, .Bitmap = &bitmap};
    return DrawImage(graphic);
}

int TPdfCustomExport::DrawDIBBitmap(int x, int y, int width, int height, std::span<const std::uint8_t> bitmapInfo,
                                    std::span<const std::uint8_t> bits)
{
    TPdfGraphicDef graphic{.X = x,
                           .Y = y,
                           .Width = width,
                           .Height = height,
                           .BitmapInfo = bitmapInfo.data(),
                           .BitmapInfoSize = static_cast<std::int32_t>(bitmapInfo.size()),
                           .Bits = bits.data(),
                           .BitsSize = static_cast<std::int32_t>(bits.size())};
    return DrawImage(graphic);
}

int TPdfCustomExport::DrawJPEG(int x, int y, int width, int height, int pictureWidth, int pictureHeight,
                               std::span<const std::uint8_t> data)
{
    if (data.empty())
        return -1;
    TPdfGraphicDef graphic{.X = x,
                           .Y = y,
                           .Width = width,
                           .Height = height,
                           .JpegData = data.data(),
                           .JpegLength = static_cast<std::int32_t>(data.size()),
                           .DataKind = 2,
                           .JpegWidth = pictureWidth,
                           .JpegHeight = pictureHeight};
    return DrawImage(graphic);
}

int TPdfCustomExport::DrawBitmapClone(int x, int y, int imageId, int width, int height)
{
    TPdfGraphicDef graphic{.X = x, .Y = y, .Width = width, .Height = height, .ImageId = imageId};
    return DrawImage(graphic);
}

int TPdfCustomExport::DrawGraphicFile(int x, int y, int width, int height, std::string_view fileName)
{
    return Guarded([&] {
        TPicture picture;
        picture.LoadFromFile(fileName);
        return DrawTGraphic(x, y, width, height, picture.Graphic());
    });
}

void TPdfCustomExport::DrawMetafile(int x, int y, const TMetafile& metafile)
{
    DrawMetafileEx(x, y, 0, 0, metafile, 0, 0);
}

void TPdfCustomExport::DrawMetafileEx(int x, int y, int width, int height, const TMetafile& metafile, int resolutionX,
                                      int resolutionY)
{
    Guarded([&] {
        TPdfMetafileDef play{&metafile, x, y, width, height, resolutionX, resolutionY};
        Action(PlayMetafile, 0, &play);
        if (DebugMode)
            WriteDebugMetafile(metafile);
    });
}

void TPdfCustomExport::WriteDebugMetafile(const TMetafile& metafile)
{
    const std::string folder = DebugMetafilePath.empty() ? ProgramFolder() + "Debug" : DebugMetafilePath;
    // A folder that cannot be made shows as the save's own error.
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(folder), ignored);
    const std::string fileName = folder + "/Page" + std::to_string(pageCounter_) + ".EMF";
    metafile.SaveToFile(fileName);
    if (OnError)
        OnError(*this, 0, "Wrote debug file:" + fileName);
}

// ---- Destinations, links and bookmarks

void TPdfCustomExport::SetBookmark(std::string_view name, int x, int y)
{
    const std::string text(name);
    TPdfDestDef destination{text.c_str(), x, y};
    Guarded([&] { Action(NamedDestination, 0, &destination); });
}

void TPdfCustomExport::SetLinkArea(std::string_view name, const TRect& rect)
{
    const std::string text(name);
    TPdfLinkDef link;
    link.Rect = rect;
    link.Name = text.c_str();
    Guarded([&] { Action(HyperLink, 0, &link); });
}

int TPdfCustomExport::AddOutline(TPdfOutlineDef& outline, std::string_view destination, TPoint place, int level)
{
    const std::string name(destination);
    outline.Destination = name.c_str();
    outline.Rect = TRect{place.X, place.Y, place.X, place.Y};
    outline.Level = level;
    return Guarded([&] { return Action(OutlineEntry, 0, &outline); });
}

int TPdfCustomExport::SetOutline(std::string_view caption, std::string_view destination, int level)
{
    const std::string text(caption);
    TPdfOutlineDef outline;
    outline.Caption = text.c_str();
    return AddOutline(outline, destination, TPoint{}, level);
}

int TPdfCustomExport::SetOutlineXY(std::string_view caption, int x, int y, int level)
{
    const std::string text(caption);
    TPdfOutlineDef outline;
    outline.Caption = text.c_str();
    return AddOutline(outline, {}, TPoint{x, y}, level);
}

int TPdfCustomExport::SetOutlineW(std::u16string_view caption, std::string_view destination, int level)
{
    const std::u16string text(caption);
    TPdfOutlineDef outline;
    outline.WideCaption = text.c_str();
    outline.Flags = 2;
    return AddOutline(outline, destination, TPoint{}, level);
}

int TPdfCustomExport::SetOutlineXYW(std::u16string_view caption, int x, int y, int level)
{
    const std::u16string text(caption);
    TPdfOutlineDef outline;
    outline.WideCaption = text.c_str();
    outline.Flags = 2;
    return AddOutline(outline, {}, TPoint{x, y}, level);
}

void TPdfCustomExport::SetOutlineCharset(int charset)
{
    Guarded([&] { SetIProp(24, charset); });
}

// ---- Form objects and watermarks

void TPdfCustomExport::UseXForm(std::string_view name, int x, int y, int width, int height)
{
    const std::string text(name);
    TPdfXFormDef form{text.c_str(), x, y, width, height};
    Guarded([&] { Action(DrawXForm, 0, &form); });
}

void TPdfCustomExport::UseWatermark(std::string_view name) { UseXForm(name, 0, 0, pageWidth_, pageHeight_); }

void TPdfCustomExport::UseWatermarkEx(std::string_view name, int x, int y, int width, int height)
{
    if (width == 0 || height == 0)
        UseXForm(name, x, y, pageWidth_, pageHeight_);
    else
        UseXForm(name, x, y, width, height);
}

void TPdfCustomExport::UsePDFWatermark(int page)
{
    if (page >= 1 && page <= inputPageCount_)
        UseWatermark("inpage" + std::to_string(page));
}

// ---- Engine settings and commands

void TPdfCustomExport::EnlargeFontWidth(int percent)
{
    Guarded([&] { SetIProp(22, percent); });
}

void TPdfCustomExport::InitDC()
{
    Guarded([&] { Action(ResetDeviceContext); });
}

int TPdfCustomExport::Command(std::string_view text, int value)
{
    std::string command(text);
    return Guarded([&] { return Action(EmbeddedCommand, value, command.data()); });
}

// ---- Engine messages

void TPdfCustomExport::EngineMessage(void* userData, TPdfEngineMessage& message)
{
    static_cast<TPdfCustomExport*>(userData)->HandleEngineMessage(message);
}

void TPdfCustomExport::HandleEngineMessage(TPdfEngineMessage& message)
{
    switch (message.Code) {
    case ErrorMessage: {
        const std::string text = message.Text != nullptr ? message.Text : "";
        lastEngineError_ = text;
        if (OnError)
            OnError(*this, message.Value, text);
        break;
    }
    case InputPageCount:
        inputPageCount_ = message.Value;
        break;
    case InputRequest:
        if (OnInputPdf)
            OnInputPdf(*this, message);
        else if (OnRetrieve && PDFReadMode != peReadStandard)
            throw Exception("PDF Import is not supported");
        else
            message.Abort = abortRequested_;
        break;
    default:
        break;
    }
}
