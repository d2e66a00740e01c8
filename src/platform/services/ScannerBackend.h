#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

// What the program needs of an image scanner, shaped after SANE: devices, their options, and one
// acquisition as start, parameters, reads and cancel. The process's backend is SANE loaded at run
// time; tests install a fake.

// SANE's status codes, in its order.
enum class ScanStatus {
    Good,
    Unsupported,
    Cancelled,
    DeviceBusy,
    Invalid,
    Eof,
    Jammed,
    NoDocs,
    CoverOpen,
    IoError,
    NoMem,
    AccessDenied,
};

enum class ScanFrame { Gray, Rgb, Red, Green, Blue };

struct ScanDevice {
    std::string name;
    std::string vendor;
    std::string model;
    std::string type;
};

struct ScanParameters {
    ScanFrame format = ScanFrame::Gray;
    bool lastFrame = true;
    int bytesPerLine = 0;
    int pixelsPerLine = 0;
    // -1 when the height is known only at the end.
    int lines = 0;
    int depth = 8;
};

enum class ScanValueType { Bool, Int, Fixed, String, Button, Group };
enum class ScanUnit { None, Pixel, Bit, Mm, Dpi, Percent, Microsecond };

// A number (integers, booleans and fixed-point values alike) or a text.
using ScanValue = std::variant<double, std::string>;

struct ScanOption {
    std::string name;
    std::string title;
    ScanValueType type = ScanValueType::Int;
    ScanUnit unit = ScanUnit::None;
    bool active = true;
    bool settable = true;
    // The choices the device lists, when it lists them; else a range when it has one.
    std::vector<double> numbers;
    std::vector<std::string> texts;
    bool hasRange = false;
    double minimum = 0;
    double maximum = 0;
};

struct ScanSetInfo {
    bool inexact = false;
    // The other options changed: read them again.
    bool reloadOptions = false;
};

class ScannerBackend {
public:
    using Handle = void*;

    virtual ~ScannerBackend() = default;

    // False without the library or when it does not start: the program then has no scanning.
    virtual bool Available() = 0;
    virtual ScanStatus Devices(std::vector<ScanDevice>& devices) = 0;
    // The device the user's environment names as default (SANE_DEFAULT_DEVICE); empty when none.
    virtual std::string DefaultDevice() = 0;
    virtual ScanStatus Open(const std::string& name, Handle& handle) = 0;
    virtual void Close(Handle handle) = 0;
    virtual std::vector<ScanOption> Options(Handle handle) = 0;
    virtual ScanStatus Get(Handle handle, const std::string& name, ScanValue& value) = 0;
    virtual ScanStatus Set(Handle handle, const std::string& name, const ScanValue& value, ScanSetInfo& info) = 0;
    virtual ScanStatus Start(Handle handle) = 0;
    virtual ScanStatus Parameters(Handle handle, ScanParameters& parameters) = 0;
    virtual ScanStatus Read(Handle handle, std::uint8_t* buffer, int maximum, int& length) = 0;
    // May be called from another thread than the one reading, to stop it.
    virtual void Cancel(Handle handle) = 0;
};

// The process's backend: the one installed by SetScanner, else SANE (started on first use, ended by
// EndScanner, which the application's end calls).
ScannerBackend& Scanner();
// Closes the devices the process's SANE has open and ends it, if it was started.
void EndScanner();
// Installs `backend` (not owned); nullptr restores SANE. Returns the one installed before.
ScannerBackend* SetScanner(ScannerBackend* backend);

// A SANE of its own, started now and ended when freed, so that SANE reads its configuration again.
std::unique_ptr<ScannerBackend> StartSane();

// The library SANE is loaded from.
inline constexpr const char* SaneLibraryName = "libsane.so.1";
