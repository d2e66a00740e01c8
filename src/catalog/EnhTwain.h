#pragma once

#include "catalog/ScanDialogs.h"
#include "platform/services/ScannerBackend.h"

#include <QPointer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QObject;
class QWidget;
class ScanImage;
class TBitmap;
class TEnhTwain;

enum TEtwBoolean : std::uint8_t { etwbNotSupported, etwbDefault, etwbTrue, etwbFalse };
enum TEtwUnits : std::uint8_t {
    etwuNotSupported, etwuDefault, etwuUnknown, etwuInches, etwuCentimeters, etwuPicas, etwuPoints, etwuTwips, etwuPixels
};
enum TBitDepth : std::uint8_t {
    bdNotSupported, bdDefault, bdUnknown, bd1, bd2, bd3, bd4, bd5, bd6, bd7, bd8, bd9, bd10, bd11, bd12, bd13, bd14, bd15
};
enum TBDReduction : std::uint8_t {
    bdrNotSupported, bdrNone, bdrDefault, bdrUnknown, bdrThreshold, bdrHalftone, bdrCustHalftone, bdrDiffusion
};
enum TEtwPixelType : std::uint8_t { ptNotSupported, ptDefault, ptUnknown, ptBW, ptGray, ptRGB, ptPalette };
enum TEtwPixelFlavor : std::uint8_t { pfNotSupported, pfDefault, pfUnknown, pfChocolate, pfVanilla };
enum TEtwLightPath : std::uint8_t { lpNotSupported, lpDefault, lpUnknown, lpReflective, lpTransmissive };
enum TEtwOrientation : std::uint8_t {
    orNotSupported, orDefault, orUnknown, orRot0, orRot90, orRot180, orRot270, orPortrait, orLandscape
};

// The scan area in the component's units.
struct TW_FRAME {
    double Left = 0;
    double Top = 0;
    double Right = 0;
    double Bottom = 0;
};
struct TW_IMAGELAYOUT {
    TW_FRAME Frame;
    std::uint32_t DocumentNumber = 1;
    std::uint32_t PageNumber = 1;
    std::uint32_t FrameNumber = 1;
};

using TNotifyEvent = std::function<void(TEnhTwain& sender)>;
using TEtwLayoutEvent = std::function<void(TEnhTwain& sender, TW_IMAGELAYOUT& layout)>;
// The picture as a packed device-independent bitmap.
using TEtwRawDataEvent = std::function<void(TEnhTwain& sender, const std::vector<std::uint8_t>& dib)>;

// The condition codes the error explanation chooses its text by.
enum class TwainCondition { Success, Bummer, LowMemory, NoDS, MaxConnections, OperationError, BadCap, BadProtocol = 9,
                            BadValue, SeqError };
TwainCondition ConditionOf(ScanStatus status);
// The explanation's text; empty for an operation error, which shows nothing.
std::string ConditionText(TwainCondition condition);

// What one acquisition's properties are, copied into the connection.
struct TwainProperties {
    TBitDepth BitDepth = bdDefault;
    TBDReduction BDReduction = bdrDefault;
    bool FastUI = true;
    TEtwBoolean Indicators = etwbDefault;
    TEtwLightPath LightPath = lpDefault;
    TEtwOrientation orientation = orDefault;
    TEtwPixelFlavor PixelFlavor = pfDefault;
    TEtwPixelType PixelType = ptDefault;
    TEtwUnits Units = etwuDefault;
    int XRes = 0;
    int YRes = 0;
    std::int16_t XFerCount = 1;
};

// The connection to one scanner over the process's scanner backend: it opens the device, sets it up
// from the properties, shows the scan dialog or starts the transfer, reads on a worker thread and
// hands every picture back to the component on the user-interface thread.
class TTwain {
public:
    TTwain(TEnhTwain& component, QWidget* parent);
    virtual ~TTwain();
    TTwain(const TTwain&) = delete;
    TTwain& operator=(const TTwain&) = delete;

    virtual bool DCAcquire(bool showUI);
    virtual bool DCCloseDS();
    virtual bool DCCloseDSM();
    virtual bool DCConfigureDS();
    virtual bool DCDisableDS();
    virtual bool DCEnableDS(bool showUI);
    virtual bool DCOpenDS();
    virtual bool DCOpenDSM();
    // True when the user chose a device; the choice is stored.
    virtual bool DCSelectDS();
    virtual void DCTerminate();
    // Starts the transfer of the next picture on the worker thread.
    virtual void DCTransferImage();
    // The devices SANE finds, looked for on the worker thread; the windows paint meanwhile.
    ScanStatus FindDevices(std::vector<ScanDevice>& devices);
    virtual void ExplainError(ScanStatus status);
    bool DCTestDS();

    TwainProperties properties;
    std::string TheSource;
    TEtwLayoutEvent OnLayout;

    bool ManagerOpen() const { return managerOpen_; }
    bool SourceOpen() const { return sourceOpen_; }
    bool SourceEnabled() const { return sourceEnabled_; }
    ScannerBackend::Handle Device() const { return device_; }
    // The open scan dialog, if any.
    TScanDialog* Dialog() const { return dialog_; }
    // The user closed the scan dialog: the connection ends as cancelled.
    void CloseRequest();
    // Of the picture being read; 0 when unknown.
    int ProgressPercent() const;
    // Cancels the read in progress.
    void CancelTransfer();
    bool Transferring() const { return worker_.joinable(); }

private:
    struct ReadResult;
    void ReadImage();
    void ImageRead(std::shared_ptr<ReadResult> result);
    void TransferEnded();
    bool MoreWanted() const;
    // Of the devices found: the one named by TheSource, else the stored choice, else the default.
    std::string ChosenDevice(const std::vector<ScanDevice>& devices) const;
    bool SetOption(const std::string& name, const ScanValue& value);
    bool HasOption(const std::string& name) const;
    void ConfigureResolution();
    void ConfigureLayout();
    void ConfigurePixelType();
    void ConfigureLightPath();
    void JoinWorker();

    TEnhTwain& component_;
    QWidget* parent_;
    std::unique_ptr<QObject> receiver_;
    bool managerOpen_ = false;
    bool sourceOpen_ = false;
    bool sourceEnabled_ = false;
    ScannerBackend::Handle device_ = nullptr;
    std::vector<ScanOption> options_;
    // Children of the parent window too, which may free them first.
    QPointer<TScanDialog> dialog_;
    QPointer<TScanProgressWindow> progressWindow_;
    std::thread worker_;
    // Set by a cancel, so that the worker stops even when the cancel came before its start.
    std::atomic<bool> cancelling_{false};
    std::atomic<std::int64_t> bytesRead_{0};
    std::atomic<std::int64_t> bytesExpected_{0};
    int transferred_ = 0;
};

// The scanning component: properties, the device list and the events of every picture.
class TEnhTwain {
public:
    explicit TEnhTwain(QWidget* owner = nullptr);
    ~TEnhTwain();
    TEnhTwain(const TEnhTwain&) = delete;
    TEnhTwain& operator=(const TEnhTwain&) = delete;

    std::string Manufacturer;
    std::string ProductFamily;
    std::string ProductName;
    TNotifyEvent OnCapture;
    TNotifyEvent OnCaptureCancel;
    TNotifyEvent OnCaptureFailure;
    TEtwLayoutEvent OnLayout;
    TEtwRawDataEvent OnRawData;

    bool IsTwainPresent() const;
    // Without the user interface the transfer starts at once; with it the scan dialog is shown after
    // this returns. A second call while a connection is busy brings its dialog to the front. False
    // when no scanner could be opened.
    bool acquire(bool showUI);
    bool SelectSource();
    int CountDSs();
    std::string GetSource(int index);
    bool DeviceOnLine();

    const std::string& TheSource() const { return theSource_; }
    void SetTheSource(const std::string& name);

    const TwainProperties& Properties() const { return properties_; }
    void SetBitDepth(TBitDepth value);
    void SetBDReduction(TBDReduction value);
    void SetFastUI(bool value);
    void SetIndicators(TEtwBoolean value);
    void SetLightPath(TEtwLightPath value);
    void Setorientation(TEtwOrientation value);
    void SetPixelFlavor(TEtwPixelFlavor value);
    void SetPixelType(TEtwPixelType value);
    void SetUnits(TEtwUnits value);
    void SetXRes(int value);
    void SetYRes(int value);
    void SetXFerCount(std::int16_t value);

    // The picture of the last transfer.
    TBitmap& Bitmap() { return *bitmap_; }
    TTwain* Connection() const { return connection_.get(); }

    // Called by the connection on the user-interface thread.
    void ImageReady(std::unique_ptr<TBitmap> picture);
    void CaptureCancelled();
    void CaptureFailed();
    void CloseTwain();

private:
    void OpenTwain();
    void Refuse(const char* text);
    void CopyIntoConnection();

    QWidget* owner_;
    std::vector<std::string> sources_;
    bool sourcesListed_ = false;
    TwainProperties properties_;
    std::string theSource_;
    std::unique_ptr<TTwain> connection_;
    std::unique_ptr<TBitmap> bitmap_;
};

// Where the chosen device is kept between runs.
inline constexpr const char* ScanSourceSection = "Options";
inline constexpr const char* ScanSourceName = "ScanSource";
