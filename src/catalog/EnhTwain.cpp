#include "catalog/EnhTwain.h"

#include "catalog/ScanDialogs.h"
#include "catalog/ScanImage.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Bitmap.h"
#include "platform/services/WaitCursor.h"
#include "platform/settings/SettingsStore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace {

constexpr std::string_view TwainErrorCaption = "Scanner Error";
constexpr int ReadChunk = 32 * 1024;
constexpr double MmPerInch = 25.4;

bool SameName(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool Names(const std::string& text, std::initializer_list<const char*> words)
{
    return std::any_of(words.begin(), words.end(), [&](const char* word) {
        std::string lower = text;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        std::string wanted = word;
        std::transform(wanted.begin(), wanted.end(), wanted.begin(), [](unsigned char c) { return std::tolower(c); });
        return lower.find(wanted) != std::string::npos;
    });
}

// Millimetres in one of the component's units; inches when none is given.
double MmPerUnit(TEtwUnits units, int dpi)
{
    switch (units) {
    case etwuCentimeters:
        return 10;
    case etwuPicas:
        return MmPerInch / 6;
    case etwuPoints:
        return MmPerInch / 72;
    case etwuTwips:
        return MmPerInch / 1440;
    case etwuPixels:
        return MmPerInch / (dpi > 0 ? dpi : 100);
    default:
        return MmPerInch;
    }
}

// How far the delivered picture is turned clockwise for the orientation asked for.
int QuarterTurns(TEtwOrientation orientation)
{
    switch (orientation) {
    case orRot90:
        return 1;
    case orRot180:
        return 2;
    case orRot270:
    case orLandscape:
        return 3;
    default:
        return 0;
    }
}

} // namespace

TwainCondition ConditionOf(ScanStatus status)
{
    switch (status) {
    case ScanStatus::Good:
        return TwainCondition::Success;
    case ScanStatus::DeviceBusy:
        return TwainCondition::MaxConnections;
    case ScanStatus::NoMem:
        return TwainCondition::LowMemory;
    case ScanStatus::Invalid:
        return TwainCondition::BadValue;
    case ScanStatus::Unsupported:
        return TwainCondition::BadCap;
    case ScanStatus::Jammed:
    case ScanStatus::CoverOpen:
    case ScanStatus::IoError:
    case ScanStatus::AccessDenied:
        return TwainCondition::Bummer;
    case ScanStatus::Eof:
    case ScanStatus::Cancelled:
        return TwainCondition::OperationError;
    case ScanStatus::NoDocs:
        return TwainCondition::SeqError;
    }
    return TwainCondition::Bummer;
}

std::string ConditionText(TwainCondition condition)
{
    switch (condition) {
    case TwainCondition::Success:
        return "Sorry, detailed error status returns success";
    case TwainCondition::Bummer:
        return "Bummer, there is a scanner error";
    case TwainCondition::LowMemory:
        return "Sorry, there is not enough memory to acquire";
    case TwainCondition::NoDS:
        return "Sorry, no scanner found by SANE";
    case TwainCondition::MaxConnections:
        return "Sorry, the scanner is already in use";
    case TwainCondition::OperationError:
        return {};
    case TwainCondition::BadCap:
        return "Sorry, capability error has occurred";
    case TwainCondition::BadProtocol:
        return "Sorry, protocol error has occurred";
    case TwainCondition::BadValue:
        return "Sorry, bad value";
    case TwainCondition::SeqError:
        return "Sorry, DG DAT MSG is out of expected sequence";
    }
    return "Sorry, unknown error code returned";
}

// ---- TTwain

struct TTwain::ReadResult {
    ScanStatus status = ScanStatus::Good;
    std::unique_ptr<ScanImage> image;
};

TTwain::TTwain(TEnhTwain& component, QWidget* parent)
    : component_(component), parent_(parent), receiver_(std::make_unique<QObject>())
{
    // SANE ends with the application: its devices are closed before that, and no read runs on.
    if (QCoreApplication::instance())
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, receiver_.get(),
                         [this] { DCTerminate(); });
}

TTwain::~TTwain()
{
    // The worker ends first, as it posts its result to the receiver; the result dies with the receiver.
    JoinWorker();
    receiver_.reset();
    delete dialog_.data();
    delete progressWindow_.data();
    if (device_)
        Scanner().Close(device_);
}

void TTwain::JoinWorker()
{
    if (!worker_.joinable())
        return;
    CancelTransfer();
    worker_.join();
}

void TTwain::ExplainError(ScanStatus status)
{
    const std::string text = ConditionText(ConditionOf(status));
    if (!text.empty())
        Ui().MessageBox(text, TwainErrorCaption, MsgButtons::OK, MsgIcon::Error);
}

bool TTwain::DCOpenDSM()
{
    managerOpen_ = Scanner().Available();
    return managerOpen_;
}

bool TTwain::DCCloseDSM()
{
    managerOpen_ = false;
    return true;
}

ScanStatus TTwain::FindDevices(std::vector<ScanDevice>& devices)
{
    // Backends take seconds to look for their devices: the worker looks while the windows paint, and
    // no input is taken meanwhile, so that no other command starts on the scanner.
    if (Transferring())
        return ScanStatus::DeviceBusy;
    ScanStatus status = ScanStatus::Good;
    QEventLoop loop;
    worker_ = std::thread([&] {
        status = Scanner().Devices(devices);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    {
        const WaitCursor waiting;
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    // The loop also ends when the application does: the search is waited for all the same.
    worker_.join();
    return status;
}

std::string TTwain::ChosenDevice(const std::vector<ScanDevice>& devices) const
{
    for (const ScanDevice& device : devices)
        if (!TheSource.empty() && SameName(device.name, TheSource))
            return device.name;
    const std::string stored = SettingsStore().ReadString(ScanSourceSection, ScanSourceName, "");
    const std::string fallback = Scanner().DefaultDevice();
    for (const std::string& wanted : {stored, fallback})
        for (const ScanDevice& device : devices)
            if (!wanted.empty() && SameName(device.name, wanted))
                return device.name;
    return devices.empty() ? std::string() : devices.front().name;
}

bool TTwain::DCOpenDS()
{
    if (sourceOpen_)
        return true;
    std::vector<ScanDevice> devices;
    FindDevices(devices);
    const std::string name = ChosenDevice(devices);
    if (name.empty()) {
        Ui().MessageBox(ConditionText(TwainCondition::NoDS), TwainErrorCaption, MsgButtons::OK, MsgIcon::Error);
        return false;
    }
    const ScanStatus status = Scanner().Open(name, device_);
    if (status != ScanStatus::Good) {
        device_ = nullptr;
        ExplainError(status);
        return false;
    }
    options_ = Scanner().Options(device_);
    sourceOpen_ = true;
    return true;
}

bool TTwain::DCCloseDS()
{
    if (!sourceOpen_)
        return true;
    JoinWorker();
    Scanner().Close(device_);
    device_ = nullptr;
    sourceOpen_ = false;
    return true;
}

bool TTwain::HasOption(const std::string& name) const
{
    return std::any_of(options_.begin(), options_.end(),
                       [&](const ScanOption& option) { return option.name == name && option.active; });
}

bool TTwain::SetOption(const std::string& name, const ScanValue& value)
{
    ScanSetInfo info;
    const ScanStatus status = Scanner().Set(device_, name, value, info);
    if (info.reloadOptions)
        options_ = Scanner().Options(device_);
    if (status != ScanStatus::Good) {
        ExplainError(status);
        return false;
    }
    return true;
}

void TTwain::ConfigureResolution()
{
    // Resolutions are dots per inch whatever the units say.
    const bool separate = HasOption("x-resolution") && HasOption("y-resolution");
    if (properties.XRes > 0)
        SetOption(separate ? "x-resolution" : "resolution", properties.XRes * 1.0);
    if (properties.YRes > 0 && (separate || properties.XRes <= 0))
        SetOption(separate ? "y-resolution" : "resolution", properties.YRes * 1.0);
}

void TTwain::ConfigureLayout()
{
    if (!OnLayout || !HasOption("tl-x"))
        return;
    const double mm = MmPerUnit(properties.Units, properties.XRes);
    std::array<double, 4> area{};
    const std::array<const char*, 4> names{"tl-x", "tl-y", "br-x", "br-y"};
    for (size_t i = 0; i < names.size(); ++i) {
        ScanValue value;
        if (Scanner().Get(device_, names[i], value) != ScanStatus::Good || !std::holds_alternative<double>(value))
            return;
        area[i] = std::get<double>(value) / mm;
    }
    TW_IMAGELAYOUT layout;
    layout.Frame = {area[0], area[1], area[2], area[3]};
    OnLayout(component_, layout);
    const std::array<double, 4> chosen{layout.Frame.Left, layout.Frame.Top, layout.Frame.Right, layout.Frame.Bottom};
    for (size_t i = 0; i < names.size(); ++i)
        SetOption(names[i], chosen[i] * mm);
}

void TTwain::ConfigurePixelType()
{
    const auto mode = [&]() -> std::string {
        switch (properties.PixelType) {
        case ptBW:
            return HasOption("mode") && std::any_of(options_.begin(), options_.end(), [](const ScanOption& option) {
                       return option.name == "mode" &&
                              std::find(option.texts.begin(), option.texts.end(), "Lineart") != option.texts.end();
                   })
                       ? "Lineart"
                       : "Gray";
        case ptGray:
            return "Gray";
        case ptRGB:
        case ptPalette:
            return "Color";
        default:
            return {};
        }
    }();
    if (!mode.empty())
        SetOption("mode", mode);
    if (properties.PixelType == ptBW && mode == "Gray" && HasOption("depth"))
        SetOption("depth", 1.0);
    if (properties.BitDepth >= bd1 && HasOption("depth"))
        SetOption("depth", properties.BitDepth - bd1 + 1.0);
}

void TTwain::ConfigureLightPath()
{
    if (properties.LightPath < lpReflective)
        return;
    for (const ScanOption& option : options_) {
        if (option.name != "source")
            continue;
        for (const std::string& value : option.texts) {
            const bool transparency = Names(value, {"Transparency", "Film"});
            const bool wanted = properties.LightPath == lpTransmissive ? transparency : Names(value, {"Flatbed"});
            if (wanted) {
                SetOption("source", value);
                return;
            }
        }
    }
}

bool TTwain::DCConfigureDS()
{
    ConfigureResolution();
    ConfigureLayout();
    ConfigurePixelType();
    ConfigureLightPath();
    // The reduction and the pixel flavour have no counterpart in a scanner's options: kept only.
    if (properties.PixelFlavor >= pfChocolate)
        ShowMessage("pixel flavor " + std::to_string(properties.PixelFlavor - pfChocolate) + " OK!");
    return true;
}

bool TTwain::DCEnableDS(bool showUI)
{
    if (!sourceOpen_)
        return false;
    sourceEnabled_ = true;
    if (showUI) {
        // After acquire returns, so that it works inside a modal showing of the owner.
        QTimer::singleShot(0, receiver_.get(), [this] {
            dialog_ = new TScanDialog(*this, parent_);
            dialog_->show();
        });
    } else {
        if (properties.Indicators != etwbFalse) {
            progressWindow_ = new TScanProgressWindow(*this, parent_);
            progressWindow_->show();
        }
        DCTransferImage();
    }
    return true;
}

bool TTwain::DCDisableDS()
{
    sourceEnabled_ = false;
    if (dialog_)
        dialog_->deleteLater();
    if (progressWindow_)
        progressWindow_->deleteLater();
    dialog_ = nullptr;
    progressWindow_ = nullptr;
    return true;
}

void TTwain::DCTerminate()
{
    DCDisableDS();
    DCCloseDS();
    DCCloseDSM();
}

bool TTwain::DCAcquire(bool showUI)
{
    if (!DCOpenDSM() || !DCOpenDS())
        return false;
    if (!showUI || !properties.FastUI)
        DCConfigureDS();
    transferred_ = 0;
    if (!DCEnableDS(showUI)) {
        DCCloseDS();
        DCCloseDSM();
        return false;
    }
    return true;
}

bool TTwain::DCSelectDS()
{
    std::vector<ScanDevice> devices;
    const ScanStatus status = FindDevices(devices);
    if (status != ScanStatus::Good) {
        ExplainError(status);
        return false;
    }
    TSelectSourceDialog dialog(devices, ChosenDevice(devices), parent_);
    const std::optional<std::string> chosen = dialog.Choose();
    if (!chosen)
        return false;
    SettingsStore().WriteString(ScanSourceSection, ScanSourceName, *chosen);
    return true;
}

bool TTwain::DCTestDS()
{
    const bool opened = !sourceOpen_;
    if (!DCOpenDSM() || !DCOpenDS())
        return false;
    const bool usable = !options_.empty();
    if (!usable)
        ExplainError(ScanStatus::Unsupported);
    if (opened)
        DCCloseDS();
    return usable;
}

int TTwain::ProgressPercent() const
{
    const std::int64_t expected = bytesExpected_;
    return expected > 0 ? static_cast<int>(std::min<std::int64_t>(100, bytesRead_ * 100 / expected)) : 0;
}

void TTwain::CancelTransfer()
{
    if (!device_ || !worker_.joinable())
        return;
    cancelling_ = true;
    Scanner().Cancel(device_);
}

void TTwain::DCTransferImage()
{
    JoinWorker();
    bytesRead_ = 0;
    bytesExpected_ = 0;
    cancelling_ = false;
    worker_ = std::thread([this] { ReadImage(); });
}

// On the worker thread: start, parameters and the reads of one picture, frame by frame.
void TTwain::ReadImage()
{
    auto result = std::make_shared<ReadResult>();
    result->image = std::make_unique<ScanImage>();
    ScannerBackend& scanner = Scanner();
    std::vector<std::uint8_t> buffer(ReadChunk);
    const auto fail = [&](ScanStatus status) {
        result->status = status == ScanStatus::Good || status == ScanStatus::Eof ? ScanStatus::IoError : status;
    };
    while (result->status == ScanStatus::Good && !result->image->LastFrameDone()) {
        ScanStatus status = cancelling_ ? ScanStatus::Cancelled : scanner.Start(device_);
        if (cancelling_ && status == ScanStatus::Good) {
            scanner.Cancel(device_);
            status = ScanStatus::Cancelled;
        }
        ScanParameters parameters;
        if (status == ScanStatus::Good)
            status = scanner.Parameters(device_, parameters);
        if (status != ScanStatus::Good) {
            result->status = status;
            break;
        }
        if (!result->image->BeginFrame(parameters)) {
            fail(ScanStatus::IoError);
            break;
        }
        bytesExpected_ = std::int64_t{parameters.bytesPerLine} * std::max(parameters.lines, 0);
        int length = 0;
        while ((status = scanner.Read(device_, buffer.data(), ReadChunk, length)) == ScanStatus::Good) {
            bytesRead_ += length;
            if (!result->image->Append(buffer.data(), length)) {
                status = ScanStatus::IoError;
                break;
            }
        }
        if (status != ScanStatus::Eof || !result->image->EndFrame())
            fail(status);
    }
    // Whatever a cancelled device says last, the user cancelled.
    if (cancelling_ && result->status != ScanStatus::Good)
        result->status = ScanStatus::Cancelled;
    QMetaObject::invokeMethod(receiver_.get(), [this, result] { ImageRead(result); }, Qt::QueuedConnection);
}

bool TTwain::MoreWanted() const
{
    if (properties.XFerCount == -1) {
        ScanValue source;
        const bool feeder = Scanner().Get(device_, "source", source) == ScanStatus::Good &&
                            std::holds_alternative<std::string>(source) &&
                            Names(std::get<std::string>(source), {"ADF", "Feeder"});
        return feeder;
    }
    return transferred_ < properties.XFerCount;
}

// Back on the user-interface thread.
void TTwain::ImageRead(std::shared_ptr<ReadResult> result)
{
    // A worker already joined was waited for by the source's close (the application ending, say):
    // nothing waits for its picture any more.
    if (!worker_.joinable())
        return;
    worker_.join();
    switch (result->status) {
    case ScanStatus::Good:
        ++transferred_;
        if (!result->image->Empty())
            component_.ImageReady(result->image->Bitmap(QuarterTurns(properties.orientation)));
        if (sourceOpen_ && MoreWanted()) {
            DCTransferImage();
            return;
        }
        break;
    case ScanStatus::Cancelled:
        Scanner().Cancel(device_);
        if (dialog_) {
            dialog_->ShowStatus(ScanStatus::Cancelled);
            return;
        }
        DCTerminate();
        component_.CaptureCancelled();
        return;
    case ScanStatus::NoDocs:
        // An emptied feeder ends a batch; empty at the first start, nothing was scanned at all.
        if (transferred_ > 0)
            break;
        [[fallthrough]];
    default:
        Scanner().Cancel(device_);
        if (dialog_) {
            // The dialog stays, saying why, so that the user can try again.
            dialog_->ShowStatus(result->status);
            component_.CaptureFailed();
            return;
        }
        DCTerminate();
        ExplainError(result->status);
        component_.CaptureFailed();
        return;
    }
    TransferEnded();
}

void TTwain::CloseRequest()
{
    DCTerminate();
    component_.CaptureCancelled();
}

void TTwain::TransferEnded()
{
    Scanner().Cancel(device_);
    DCTerminate();
}

// ---- TEnhTwain

TEnhTwain::TEnhTwain(QWidget* owner) : owner_(owner), bitmap_(std::make_unique<TBitmap>()) {}

TEnhTwain::~TEnhTwain() = default;

bool TEnhTwain::IsTwainPresent() const
{
    return Scanner().Available();
}

void TEnhTwain::OpenTwain()
{
    if (connection_)
        return;
    connection_ = std::make_unique<TTwain>(*this, owner_);
    CopyIntoConnection();
}

void TEnhTwain::CopyIntoConnection()
{
    if (!connection_)
        return;
    connection_->properties = properties_;
    connection_->TheSource = theSource_;
    connection_->OnLayout = OnLayout;
}

void TEnhTwain::CloseTwain()
{
    if (!connection_)
        return;
    connection_->DCTerminate();
    connection_.reset();
}

bool TEnhTwain::acquire(bool showUI)
{
    if (connection_ && connection_->SourceEnabled()) {
        if (TScanDialog* dialog = connection_->Dialog()) {
            dialog->show();
            dialog->raise();
            dialog->activateWindow();
        }
        return true;
    }
    if (!IsTwainPresent())
        return false;
    OpenTwain();
    CopyIntoConnection();
    return connection_->DCAcquire(showUI);
}

bool TEnhTwain::SelectSource()
{
    if (!IsTwainPresent())
        return false;
    OpenTwain();
    if (!connection_->DCOpenDSM())
        return false;
    const bool chosen = connection_->DCSelectDS();
    if (!connection_->SourceOpen())
        connection_->DCCloseDSM();
    return chosen;
}

int TEnhTwain::CountDSs()
{
    sources_.clear();
    if (IsTwainPresent()) {
        OpenTwain();
        std::vector<ScanDevice> devices;
        if (connection_->FindDevices(devices) == ScanStatus::Good)
            for (const ScanDevice& device : devices)
                sources_.push_back(device.name);
    }
    sourcesListed_ = true;
    return static_cast<int>(sources_.size());
}

std::string TEnhTwain::GetSource(int index)
{
    // Discovery is slow: the list is made on first use.
    if (!sourcesListed_)
        CountDSs();
    return index >= 0 && index < static_cast<int>(sources_.size()) ? sources_[static_cast<size_t>(index)] : "";
}

bool TEnhTwain::DeviceOnLine()
{
    if (!IsTwainPresent())
        return false;
    OpenTwain();
    return connection_->DCTestDS();
}

void TEnhTwain::SetTheSource(const std::string& name)
{
    theSource_ = name;
    CopyIntoConnection();
}

void TEnhTwain::Refuse(const char* text)
{
    Ui().MessageBox(text, ApplicationTitle, MsgButtons::OK, MsgIcon::Error);
}

#define KESTRAME_TWAIN_SETTER(Name, Type, refused, text)                                                        \
    void TEnhTwain::Set##Name(Type value)                                                                      \
    {                                                                                                          \
        if (refused) {                                                                                         \
            Refuse(text);                                                                                      \
            return;                                                                                            \
        }                                                                                                      \
        properties_.Name = value;                                                                              \
        CopyIntoConnection();                                                                                  \
    }

KESTRAME_TWAIN_SETTER(Indicators, TEtwBoolean, value == etwbNotSupported, "Invalid property type.")
KESTRAME_TWAIN_SETTER(PixelFlavor, TEtwPixelFlavor, value == pfNotSupported || value == pfUnknown,
                      "Invalid property type.")
KESTRAME_TWAIN_SETTER(BitDepth, TBitDepth, value == bdNotSupported || value == bdUnknown, "Invalid BitDepth value.")
KESTRAME_TWAIN_SETTER(LightPath, TEtwLightPath, value == lpNotSupported || value == lpUnknown,
                      "Invalid LightPath value.")
KESTRAME_TWAIN_SETTER(orientation, TEtwOrientation, value == orNotSupported || value == orUnknown,
                      "Invalid Orientation value.")
KESTRAME_TWAIN_SETTER(PixelType, TEtwPixelType, value == ptNotSupported || value == ptUnknown, "Invalid Pixel type.")
KESTRAME_TWAIN_SETTER(Units, TEtwUnits, value == etwuNotSupported || value == etwuUnknown, "Invalid Units value.")
KESTRAME_TWAIN_SETTER(BDReduction, TBDReduction, value == bdrNotSupported || value == bdrUnknown,
                      "Invalid BitDepthReduction type.")
KESTRAME_TWAIN_SETTER(XRes, int, value == -1, "Invalid Resolution value.")
KESTRAME_TWAIN_SETTER(YRes, int, value == -1, "Invalid Resolution value.")
KESTRAME_TWAIN_SETTER(FastUI, bool, false, "")
KESTRAME_TWAIN_SETTER(XFerCount, std::int16_t, false, "")

#undef KESTRAME_TWAIN_SETTER

void TEnhTwain::ImageReady(std::unique_ptr<TBitmap> picture)
{
    if (OnRawData) {
        OnRawData(*this, PackedDib(*picture));
        return;
    }
    bitmap_ = std::move(picture);
    if (OnCapture)
        OnCapture(*this);
}

void TEnhTwain::CaptureCancelled()
{
    if (OnCaptureCancel)
        OnCaptureCancel(*this);
}

void TEnhTwain::CaptureFailed()
{
    if (OnCaptureFailure)
        OnCaptureFailure(*this);
}
