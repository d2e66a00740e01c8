#include "pdf/Pdfengine.h"

#include "pdf/PdfAcroForm.h"
#include "pdf/PdfDevice.h"
#include "pdf/PdfOutline.h"
#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/core/LittleEndian.h"
#include "platform/core/Numbers.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Metafile.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <span>
#include <string>

namespace {

constexpr int PointsPerInch = TPdfDevice::DefaultResolution;
constexpr int HighestMode = 2;
constexpr int FirstAction = 4533;
constexpr int LastAction = 4551;
constexpr int NoResult = -1;
constexpr int BeginDocFailed = 1;
constexpr int ErrorMessageCode = 1;
constexpr int InputPageCountCode = 2;
constexpr int InputRequestCode = 3;
// The device's second listener hears errors as kind 1 and the input's page count as kind 2.
constexpr int InputPageCountKind = 2;
// The device's error number for a file it cannot open.
constexpr int CannotOpenFileError = 3;
// The document's first page as BeginDoc sets it up, before the first page sets its own.
constexpr int FirstPageWidth = 576;
constexpr int FirstPageHeight = 800;
constexpr std::array<int, 5> JpegQualities = {10, 25, 50, 75, 100};
constexpr int HighestJpegQuality = 100;
constexpr std::uint32_t ModesMask = 0xFFFF;
constexpr std::uint32_t OptionsMask = 0xFF;
constexpr int ByteMask = 0xFF;

enum TAction {
    paBeginDoc = 4533,
    paEndDoc,
    paStartPage,
    paEndPage,
    paGetBuffer,
    paWriteToFile,
    paFinish,
    paThumbnail,
    paHyperLink,
    paDestination,
    paOutline,
    paPlayMetafile,
    paStartXForm,
    paEndXForm,
    paDrawXForm,
    paCommand,
    paDrawImage,
    paFormField,
    paInitDC
};

int ResolutionOrPoints(int resolution) { return resolution > 0 ? resolution : PointsPerInch; }

// An enumeration's value from a number, the first value for a number it has no value for.
template <typename E> E EnumValue(int value, E last)
{
    return value >= 0 && value <= last ? static_cast<E>(value) : E{};
}

std::string TextOf(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

// 0 off keeping the quality; 1 to 5 the fixed qualities; below 0 the quality it names; above 5 on.
void SetJpegCompression(TPdfDevice& device, int value)
{
    device.JPEGCompression = value != 0;
    if (value < 0)
        device.JPEGQuality = static_cast<int>(std::min<std::int64_t>(-std::int64_t{value}, HighestJpegQuality));
    else if (value >= 1 && value <= static_cast<int>(JpegQualities.size()))
        device.JPEGQuality = JpegQualities[static_cast<std::size_t>(value - 1)];
}

// The thumbnail of the open page, one bit or 24 bits deep.
void SetThumbnailDepth(TPdfDevice& device, int value)
{
    if (TBitmap* thumbnail = device.Thumbnail())
        thumbnail->SetPixelFormat(value == 0 ? pf24bit : pf1bit);
}

bool SetDeviceIProp(TPdfEngineEnv& env, int id, int value)
{
    TPdfDevice& device = *env.Device;
    switch (id) {
    case 1:
        device.EncodingMethod = EnumValue(value & ByteMask, peASCIIHexEncode);
        return true;
    case 2:
    case 13:
        device.CompressionMethod = EnumValue(value & ByteMask, peCompressFastFlate);
        return true;
    case 3:
        device.PageMode = value & ByteMask;
        return true;
    case 4:
        device.FontMode = EnumValue(value & ByteMask, peEmbedSubsetTrueType_UsedChar);
        return true;
    case 5:
        if (value != 0)
            device.CompressionMethod = peCompressFastFlate;
        return true;
    case 6:
        device.ConvertJPEGData = value != 0;
        return true;
    case 7:
        device.Security.flags = value & ByteMask;
        return true;
    case 8:
        device.InputMode = value;
        return true;
    case 9:
        device.PdfReadMode = value;
        return true;
    case 10:
        env.CoordinateUnit = value;
        return true;
    case 11:
        SetThumbnailDepth(device, value);
        return true;
    case 12:
        SetJpegCompression(device, value);
        return true;
    case 14:
        device.ZoomMode = value & ByteMask;
        return true;
    case 15:
        device.Security.level = value & ByteMask;
        return true;
    case 21:
        device.ExtraMessages = value != 0;
        return true;
    case 22:
        device.FontWidthFactor = value / 100.0;
        return true;
    case 24:
        device.OutlineCharset = value;
        return true;
    case 25:
        device.Thumbnails = value != 0;
        return true;
    case 26:
        device.SetModes(TPdfDevModes::FromBits(static_cast<std::uint32_t>(value) & ModesMask));
        return true;
    case 27:
        device.SetOptions(TPdfOptions::FromBits(static_cast<std::uint32_t>(value) & OptionsMask));
        return true;
    default:
        return false;
    }
}

// The information field of string ids 1 to 7; nullptr for other ids.
std::string* InfoField(TPdfDeviceInfoBlock& info, int id)
{
    switch (id) {
    case 1:
        return &info.Author;
    case 2:
        return &info.CreationDate;
    case 3:
        return &info.ModDate;
    case 4:
        return &info.Producer;
    case 5:
        return &info.Title;
    case 6:
        return &info.Subject;
    case 7:
        return &info.Keywords;
    default:
        return nullptr;
    }
}

bool SetDeviceSProp(TPdfDevice& device, int id, std::string text)
{
    TPdfDeviceInfoBlock info = device.Info();
    if (std::string* field = InfoField(info, id)) {
        *field = std::move(text);
        device.SetInfo(info);
        return true;
    }
    switch (id) {
    case 9:
        device.ExcludedFonts.SetCommaText(text);
        return true;
    case 10:
        device.Security.ownerPassword = std::move(text);
        return true;
    case 11:
        device.Security.userPassword = std::move(text);
        return true;
    case 12:
        device.InputFileName = std::move(text);
        return true;
    case 13:
        device.EmbedOnlyFonts.SetCommaText(text);
        return true;
    default:
        return false;
    }
}

// The device raises for a file it cannot make; the caller learns of it as an answer and a message.
int BeginDocument(TPdfDevice& device, const char* fileName)
{
    if (fileName != nullptr)
        device.FileName = fileName;
    device.QuietCreateFailure = true;
    bool begun = false;
    try {
        begun = device.BeginDoc(FirstPageWidth, FirstPageHeight, PointsPerInch);
    } catch (...) {
        device.QuietCreateFailure = false;
        throw;
    }
    device.QuietCreateFailure = false;
    if (begun)
        return 0;
    // The caller hears why, where the system said.
    const std::string& reason = device.CreateFailure();
    device.Error(CannotOpenFileError, reason.empty() ? device.FileName : device.FileName + ". " + reason);
    return BeginDocFailed;
}

// The page record's rotation as degrees: a value with both low bits set is a three-quarter turn,
// one with only bit 0 a quarter turn, any other (0, 90, 180, 270 among them) stands. The value 2
// alone is a half turn; passed on as it stands it would make a /Rotate that readers refuse.
int PageRotation(int rotation)
{
    if ((rotation & 3) == 3)
        return 270;
    if ((rotation & 1) != 0)
        return 90;
    return rotation == 2 ? 180 : rotation;
}

int SizeResult(std::int64_t size) { return static_cast<int>(std::clamp<std::int64_t>(size, 0, INT_MAX)); }

int GetBuffer(TPdfDevice& device, int length, void* buffer)
{
    return SizeResult(device.GetBuf(std::max(length, 0), buffer));
}

int PlayMetafile(TPdfDevice& device, const TPdfMetafileDef* record)
{
    if (record == nullptr || record->Metafile == nullptr)
        return NoResult;
    device.PlayMetafile(*record->Metafile, record->X, record->Y, record->Width, record->Height, record->ResolutionX,
                        record->ResolutionY);
    return 0;
}

// A rectangle in page units (from the page's top) as PDF's: points from the page's foot.
TRect PdfRectangle(const TPdfEngineEnv& env, const TRect& rect)
{
    const int resolutionX = ResolutionOrPoints(env.ResolutionX);
    const int resolutionY = ResolutionOrPoints(env.ResolutionY);
    const int left = MulDiv(rect.Left, PointsPerInch, resolutionX);
    const int right = MulDiv(rect.Right, PointsPerInch, resolutionX);
    const int top = MulDiv(rect.Top, PointsPerInch, resolutionY);
    const int bottom = MulDiv(rect.Bottom, PointsPerInch, resolutionY);
    const int height = env.Device->PageHeight();
    return TRect{left, height - bottom, right, height - top};
}

int AddHyperLink(TPdfEngineEnv& env, const TPdfLinkDef* link)
{
    if (link == nullptr)
        return NoResult;
    const TRect place = PdfRectangle(env, link->Rect);
    const std::string action = (link->Flags & 1) != 0 ? TextOf(link->Target) : std::string();
    env.Device->PSCreateHyperLink(place.Left, place.Top, place.Width(), place.Height(), TextOf(link->Name), action);
    return 0;
}

int AddDestination(TPdfDevice& device, const TPdfDestDef* destination)
{
    if (destination == nullptr)
        return NoResult;
    device.AddDestName(TextOf(destination->Name), destination->X, destination->Y);
    return 0;
}

// Bookmarks are placed by level: the device's mode for "at this level, after the most recent".
constexpr int OutlineByLevel = 3;
constexpr int WideCaptionFlag = 2;

int AddOutline(TPdfDevice& device, const TPdfOutlineDef* outline)
{
    if (outline == nullptr)
        return NoResult;
    auto node = (outline->Flags & WideCaptionFlag) != 0
                    ? std::make_unique<TPdfOutlineNode>(
                          device.Writer(), std::u16string(outline->WideCaption != nullptr ? outline->WideCaption : u""))
                    : std::make_unique<TPdfOutlineNode>(device.Writer(), std::string_view(TextOf(outline->Caption)));
    node->DestName = TextOf(outline->Destination);
    node->ViewMode = outline->TargetKind;
    node->Left = outline->Rect.Left;
    node->Top = outline->Rect.Top;
    node->Width = outline->Rect.Width();
    node->Height = outline->Rect.Height();
    return device.AddOutlineNode(std::move(node), OutlineByLevel, outline->Level);
}

int StartXForm(TPdfEngineEnv& env, const TPdfXFormDef* form)
{
    if (form == nullptr)
        return NoResult;
    env.Device->StartXForm(TextOf(form->Name), form->Width, form->Height, env.ResolutionX, env.ResolutionY);
    return 0;
}

int DrawXForm(TPdfDevice& device, const TPdfXFormDef* form)
{
    if (form == nullptr)
        return NoResult;
    device.DrawXForm(TextOf(form->Name), form->X, form->Y, form->Width, form->Height);
    return 0;
}

// The bitmap size a BITMAPINFO names, when it is long enough to name one.
TRect DibSource(std::span<const std::uint8_t> info)
{
    constexpr std::size_t sizeEnd = 12;
    if (info.size() < sizeEnd)
        return {};
    const auto field = [&](std::size_t at) { return static_cast<std::int32_t>(GetU32(info.data() + at)); };
    const std::int32_t height = field(8);
    return TRect{0, 0, field(4), height == INT32_MIN ? INT32_MAX : std::abs(height)};
}

std::span<const std::uint8_t> Bytes(const void* data, std::int32_t size)
{
    if (data == nullptr || size <= 0)
        return {};
    return {static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(size)};
}

// Makes the record's image and answers its number; a device-independent bitmap is drawn as well.
int MakeImage(TPdfDevice& device, const TPdfGraphicDef& graphic, bool& drawn)
{
    if (graphic.Bitmap != nullptr)
        return device.AddXBitmap(*graphic.Bitmap);
    const auto info = Bytes(graphic.BitmapInfo, graphic.BitmapInfoSize);
    const auto bits = Bytes(graphic.Bits, graphic.BitsSize);
    if (!info.empty() && !bits.empty()) {
        constexpr std::uint32_t DibRgbColors = 0;
        constexpr std::uint32_t SourceCopy = 0x00CC0020;
        const TRect source = DibSource(info);
        drawn = true;
        return device.StretchDIBits(graphic.X, graphic.Y, graphic.Width, graphic.Height, 0, 0, source.Right,
                                    source.Bottom, bits, info, DibRgbColors, SourceCopy);
    }
    const auto jpeg = Bytes(graphic.JpegData, graphic.JpegLength);
    if (!jpeg.empty())
        return device.AddXBitmapData(jpeg, graphic.JpegWidth, graphic.JpegHeight, graphic.DataKind);
    throw Exception("Wrong Arguments for PDFE_EXBITMAP");
}

int DrawImage(TPdfDevice& device, TPdfGraphicDef* graphic)
{
    if (graphic == nullptr)
        throw Exception("Wrong Arguments for PDFE_EXBITMAP");
    bool drawn = false;
    if (graphic->ImageId < 1)
        graphic->ImageId = MakeImage(device, *graphic, drawn);
    if (graphic->ImageId >= 1 && !drawn)
        device.DrawXObject(graphic->ImageId, graphic->X, graphic->Y, graphic->Width, graphic->Height);
    return 0;
}

// The field's dictionary after its kind, as the device's AddFormElement reads it.
std::string FormFieldText(TPdfDevice& device, const TPdfFormFieldDef& field)
{
    std::string text;
    if ((field.Kind & 1) != 0) {
        text = "001/Ff 0/FT/Btn\r";
        if (field.Checked)
            text += "\r/AS/Yes\r/V /Yes";
    } else {
        text = "000/FT/Tx";
        if ((field.Options & 1) != 0)
            text += "/Ff 4096";
        if ((field.Options & 2) != 0)
            text += "\r/Q 2";
        else if ((field.Options & 4) != 0)
            text += "\r/Q 1";
        text += "\r/V(" + TPdfGenericPSDevice::CleanString(TextOf(field.Value)) + ")";
    }
    const std::string hint = TextOf(field.Hint);
    if (!hint.empty())
        text += "/TU (" + TPdfGenericPSDevice::CleanString(hint) + ")";
    text += "/DA (" + std::string(TPdfAcroForm::DefaultAppearance) + ")/T(Field" + IntToStr(device.NextFieldNumber()) +
            ")";
    return text;
}

int AddFormField(TPdfEngineEnv& env, const TPdfFormFieldDef* field)
{
    if (field == nullptr)
        return NoResult;
    env.Device->AddFormElement(FormFieldText(*env.Device, *field), PdfRectangle(env, field->Rect));
    return 0;
}

int RunAction(TPdfEngineEnv& env, int code, int value, void* argument)
{
    TPdfDevice& device = *env.Device;
    switch (code) {
    case paBeginDoc:
        return BeginDocument(device, static_cast<const char*>(argument));
    case paEndDoc:
        device.EndDoc();
        return 0;
    case paStartPage:
        device.StartPage(env.PageWidth, env.PageHeight, env.ResolutionX, env.ResolutionY, PageRotation(env.Rotation));
        return 0;
    case paEndPage:
        device.EndPage();
        return 0;
    case paGetBuffer:
        return GetBuffer(device, value, argument);
    case paWriteToFile:
        if (argument == nullptr)
            return NoResult;
        device.WriteToFile(static_cast<const char*>(argument));
        return 0;
    case paFinish:
        device.Finish();
        return 0;
    case paThumbnail:
        device.AddThumbHandle(static_cast<const TBitmap*>(argument));
        return 0;
    case paHyperLink:
        return AddHyperLink(env, static_cast<const TPdfLinkDef*>(argument));
    case paDestination:
        return AddDestination(device, static_cast<const TPdfDestDef*>(argument));
    case paOutline:
        return AddOutline(device, static_cast<const TPdfOutlineDef*>(argument));
    case paPlayMetafile:
        return PlayMetafile(device, static_cast<const TPdfMetafileDef*>(argument));
    case paStartXForm:
        return StartXForm(env, static_cast<const TPdfXFormDef*>(argument));
    case paEndXForm:
        device.EndXForm();
        return 0;
    case paDrawXForm:
        return DrawXForm(device, static_cast<const TPdfXFormDef*>(argument));
    case paDrawImage:
        return DrawImage(device, static_cast<TPdfGraphicDef*>(argument));
    case paFormField:
        return AddFormField(env, static_cast<const TPdfFormFieldDef*>(argument));
    case paInitDC:
        device.InitDC();
        return 0;
    default:
        return NoResult;
    }
}

// ---- Paint elements

constexpr int TwipsPerInch = 1440;
// From this coordinate unit on, elements are in page units.
constexpr int PageUnits = 200;
constexpr int HighestElementKind = 10;
constexpr std::int32_t BoldWeight = 700;
constexpr std::int32_t NormalWeight = 400;

enum TElementKind { ekText = 0, ekPicture = 2, ekFilledRectangle = 7 };

bool IsLineKind(int kind) { return (kind >= 3 && kind <= 6) || kind == 10; }

class TElementPainter {
public:
    TElementPainter(TPdfEngineEnv& env, TPdfPaintElement& element)
        : env_(env), device_(*env.Device), element_(element), resolutionX_(ResolutionOrPoints(env.ResolutionX)),
          resolutionY_(ResolutionOrPoints(env.ResolutionY))
    {
    }

    void Paint(const char* text)
    {
        if (element_.Kind == ekText)
            PaintText(TextOf(text));
        else if (element_.Kind == ekPicture)
            PaintPicture();
        else if (element_.Kind == ekFilledRectangle)
            device_.FillRect(X(element_.X), Y(element_.Y), SizeX(element_.Width), SizeY(element_.Height),
                             element_.Color);
        else if (IsLineKind(element_.Kind))
            PaintLines();
    }

private:
    int Unit(int value, int resolution) const
    {
        return env_.CoordinateUnit >= PageUnits ? value : MulDiv(value, resolution, TwipsPerInch);
    }
    int SizeX(int value) const { return Unit(value, resolutionX_); }
    int SizeY(int value) const { return Unit(value, resolutionY_); }
    int X(int value) const { return SizeX(value) - env_.XOffset + env_.XOrigin; }
    int Y(int value) const { return SizeY(value) + env_.YOrigin; }

    void PaintText(const std::string& text)
    {
        TPdfDCStackVar& dc = device_.DC();
        dc.faceName = TextOf(element_.FontName);
        dc.fontData = TPdfFontData{};
        dc.fontData.height = -MulDiv(element_.FontSize, resolutionY_, PointsPerInch);
        dc.fontData.weight = (element_.FontStyle & 1) != 0 ? BoldWeight : NormalWeight;
        dc.fontData.italic = (element_.FontStyle & 2) != 0;
        dc.fontData.underline = (element_.FontStyle & 4) != 0;
        dc.fontData.strikeOut = (element_.FontStyle & 8) != 0;
        dc.textColor = element_.Color;
        dc.opaque = element_.BackgroundColor != -1;
        if (dc.opaque)
            dc.bkColor = element_.BackgroundColor;
        dc.charSpacing = static_cast<float>(SizeX(element_.CharSpacing));
        if (element_.CharWidths.size() != text.size()) {
            device_.TextOut(X(element_.X), Y(element_.Y), text);
            return;
        }
        std::vector<int> advances;
        advances.reserve(text.size());
        for (const int width : element_.CharWidths)
            advances.push_back(SizeX(width));
        device_.TextExtOut(X(element_.X), Y(element_.Y), text, advances);
    }

    // The picture becomes an image once; the element keeps its number for the next drawing.
    void PaintPicture()
    {
        if (element_.ImageId < 1) {
            const auto jpeg = Bytes(element_.JpegData, element_.JpegLength);
            if (element_.Bitmap != nullptr)
                element_.ImageId = device_.AddXBitmap(*element_.Bitmap);
            else if (!jpeg.empty())
                element_.ImageId = device_.AddXBitmapData(jpeg, element_.JpegWidth, element_.JpegHeight, JpegFormat);
        }
        device_.DrawXObject(element_.ImageId, X(element_.X), Y(element_.Y), SizeX(element_.Width),
                            SizeY(element_.Height));
    }

    void PaintLines()
    {
        std::vector<TPoint> points;
        points.reserve(element_.Points.size());
        for (const TPoint& point : element_.Points)
            points.push_back(TPoint{X(point.X), Y(point.Y)});
        device_.DC().pen = TPdfPenState{SizeX(element_.PenWidth), peps_Solid, element_.Color, pecap_Round};
        device_.Polyline(points, false);
    }

    static constexpr int JpegFormat = 2;

    TPdfEngineEnv& env_;
    TPdfDevice& device_;
    TPdfPaintElement& element_;
    int resolutionX_;
    int resolutionY_;
};

// The device works at the page's resolutions while it paints, and at its own again afterwards.
class TDeviceResolution {
public:
    TDeviceResolution(TPdfDevice& device, int x, int y)
        : device_(device), oldX_(device.ResolutionX()), oldY_(device.ResolutionY())
    {
        device.SetDeviceResolution(x, y);
    }
    ~TDeviceResolution() { device_.SetDeviceResolution(oldX_, oldY_); }
    TDeviceResolution(const TDeviceResolution&) = delete;
    TDeviceResolution& operator=(const TDeviceResolution&) = delete;

private:
    TPdfDevice& device_;
    int oldX_;
    int oldY_;
};

// The device's errors reach the caller as message 1, the input file's page count as message 2,
// and its question before each input page as message 3, whose answer may stop the reading.
void ConnectMessages(TPdfEngineEnv& env)
{
    const auto send = [&env](int code, int value, const char* text) {
        if (env.Callback == nullptr)
            return false;
        TPdfEngineMessage message;
        message.Code = code;
        message.Value = value;
        message.Text = text;
        env.Callback(env.UserData, message);
        return message.Abort;
    };
    env.Device->OnErrorCallback = [send](int code, const std::string& text) { send(ErrorMessageCode, code, text.c_str()); };
    env.Device->OnSecondCallback = [send](const std::string&, int count, int kind) {
        if (kind == InputPageCountKind)
            send(InputPageCountCode, count, "");
    };
    env.Device->OnInputRequest = [send](int page, const std::string& fileName) {
        return send(InputRequestCode, page, fileName.c_str());
    };
}

} // namespace

TPdfEngineEnv::TPdfEngineEnv() : Device(std::make_unique<TPdfDevice>()) {}

TPdfEngineEnv::~TPdfEngineEnv() = default;

TPdfEngineEnv* PDFE_Initialize(int param1, int param2, int param3, int mode, TPdfEngineCallback callback,
                               void* userData)
{
    if (mode > HighestMode)
        return nullptr;
    auto env = std::make_unique<TPdfEngineEnv>();
    env->Param1 = param1;
    env->Param2 = param2;
    env->Param3 = param3;
    env->Callback = callback;
    env->UserData = userData;
    ConnectMessages(*env);
    return env.release();
}

void PDFE_Finalize(TPdfEngineEnv* env) { delete env; }

bool PDFE_SetIProp(TPdfEngineEnv* env, int id, int value) { return env != nullptr && SetDeviceIProp(*env, id, value); }

bool PDFE_SetSProp(TPdfEngineEnv* env, int id, const char* text)
{
    return env != nullptr && SetDeviceSProp(*env->Device, id, TextOf(text));
}

int PDFE_Action(TPdfEngineEnv* env, int code, int value, void* argument)
{
    if (env == nullptr || code < FirstAction || code > LastAction || code == paCommand)
        return NoResult;
    return RunAction(*env, code, value, argument);
}

bool PDFE_InitializePage(TPdfEngineEnv* env, int /*unused*/, const TPdf_InitRec& record)
{
    if (env == nullptr)
        return false;
    env->PageWidth = record.Width;
    env->PageHeight = record.Height;
    env->ResolutionX = record.ResolutionX;
    env->ResolutionY = record.ResolutionY;
    env->Rotation = record.Rotation;
    env->Color = record.Color;
    env->XOffset = record.XOffset;
    env->YOffset = record.YOffset;
    env->XScale = double(PointsPerInch) / ResolutionOrPoints(record.ResolutionX);
    env->YScale = double(PointsPerInch) / ResolutionOrPoints(record.ResolutionY);
    const int resolutionY = ResolutionOrPoints(record.ResolutionY);
    env->YFactor = resolutionY == PointsPerInch ? 0 : double(resolutionY) / PointsPerInch;
    env->Device->SetDeviceResolution(ResolutionOrPoints(record.ResolutionX), resolutionY);
    env->Device->InitDC();
    env->Device->Thumbnails = record.Thumbnail != 0;
    return true;
}

int PDFE_XPOS(const TPdfEngineEnv* env, int x)
{
    if (env == nullptr)
        return x;
    return PdfRound(std::nearbyint((double(x) - env->XOffset) * env->XScale) + env->XOrigin);
}

int PDFE_YPOS(const TPdfEngineEnv* env, int y)
{
    if (env == nullptr)
        return y;
    return PdfRound(std::nearbyint(double(y) * env->YScale) + env->YOrigin);
}

bool _PDFE_ELEMEXEC(TPdfEngineEnv* env, TPdfPaintElement* element, const TRect* /*rect*/, const char* text,
                    int /*value1*/, int /*value2*/)
{
    if (env == nullptr || element == nullptr || element->Kind < 0 || element->Kind > HighestElementKind)
        return false;
    TDeviceResolution resolution(*env->Device, ResolutionOrPoints(env->ResolutionX),
                                 ResolutionOrPoints(env->ResolutionY));
    TElementPainter(*env, *element).Paint(text);
    return true;
}
