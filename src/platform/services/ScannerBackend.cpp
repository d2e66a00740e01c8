#include "platform/services/ScannerBackend.h"

#include "platform/services/SaneOptionDescriptor.h"

#include <QCoreApplication>
#include <QLibrary>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

namespace {

constexpr int MaxOptions = 4096;

using SaneInit = SANE_Status (*)(SANE_Int*, SANE_Auth_Callback);
using SaneExit = void (*)();
using SaneGetDevices = SANE_Status (*)(const SANE_Device***, SANE_Bool);
using SaneOpen = SANE_Status (*)(SANE_String_Const, SANE_Handle*);
using SaneClose = void (*)(SANE_Handle);
using SaneDescriptor = const SANE_Option_Descriptor* (*)(SANE_Handle, SANE_Int);
using SaneControl = SANE_Status (*)(SANE_Handle, SANE_Int, SANE_Action, void*, SANE_Int*);
using SaneStart = SANE_Status (*)(SANE_Handle);
using SaneGetParameters = SANE_Status (*)(SANE_Handle, SANE_Parameters*);
using SaneRead = SANE_Status (*)(SANE_Handle, SANE_Byte*, SANE_Int, SANE_Int*);
using SaneCancel = void (*)(SANE_Handle);

ScanStatus ToStatus(SANE_Status status)
{
    if (status < SANE_STATUS_GOOD || status > SANE_STATUS_ACCESS_DENIED)
        return ScanStatus::IoError;
    return static_cast<ScanStatus>(status);
}

// A device asking for a password gets none, and so refuses with its status.
void NoCredentials(SANE_String_Const, SANE_Char* username, SANE_Char* password)
{
    username[0] = '\0';
    password[0] = '\0';
}

class SaneScanner : public ScannerBackend {
public:
    SaneScanner() { Load(); }
    ~SaneScanner() override { End(); }

    // Closes the devices left open and ends SANE; afterwards it is not available.
    void End()
    {
        if (!started_)
            return;
        for (SANE_Handle handle : openHandles_) {
            cancel_(handle);
            close_(handle);
        }
        openHandles_.clear();
        exit_();
        started_ = false;
    }

    bool Available() override { return started_; }

    ScanStatus Devices(std::vector<ScanDevice>& devices) override
    {
        devices.clear();
        if (!started_)
            return ScanStatus::IoError;
        const SANE_Device** list = nullptr;
        const SANE_Status status = getDevices_(&list, SANE_FALSE);
        if (status != SANE_STATUS_GOOD)
            return ToStatus(status);
        for (int i = 0; list && list[i] && i < MaxListLength; ++i)
            devices.push_back({BoundedText(list[i]->name), BoundedText(list[i]->vendor), BoundedText(list[i]->model),
                               BoundedText(list[i]->type)});
        return ScanStatus::Good;
    }

    std::string DefaultDevice() override
    {
        const char* name = std::getenv("SANE_DEFAULT_DEVICE");
        return name ? name : "";
    }

    ScanStatus Open(const std::string& name, Handle& handle) override
    {
        handle = nullptr;
        if (!started_)
            return ScanStatus::IoError;
        SANE_Handle opened = nullptr;
        const SANE_Status status = open_(name.c_str(), &opened);
        if (status == SANE_STATUS_GOOD && opened) {
            handle = opened;
            openHandles_.insert(opened);
        }
        return ToStatus(status);
    }

    // A handle that SANE's end has closed already is left alone.
    void Close(Handle handle) override
    {
        if (openHandles_.erase(handle) != 0)
            close_(handle);
    }

    std::vector<ScanOption> Options(Handle handle) override
    {
        std::vector<ScanOption> options;
        for (int index = 1; index < OptionCount(handle); ++index) {
            const SANE_Option_Descriptor* descriptor = descriptor_(handle, index);
            if (descriptor && Believable(*descriptor))
                options.push_back(Describe(*descriptor));
        }
        return options;
    }

    ScanStatus Get(Handle handle, const std::string& name, ScanValue& value) override
    {
        int index = -1;
        const SANE_Option_Descriptor* found = ValueOption(handle, name, index);
        if (!found)
            return ScanStatus::Unsupported;
        const SANE_Option_Descriptor& descriptor = *found;
        std::vector<char> buffer(static_cast<size_t>(descriptor.size) + 1, '\0');
        const SANE_Status status = control_(handle, index, SANE_ACTION_GET_VALUE, buffer.data(), nullptr);
        if (status != SANE_STATUS_GOOD)
            return ToStatus(status);
        if (descriptor.type == SANE_TYPE_STRING) {
            value = std::string(buffer.data());
            return ScanStatus::Good;
        }
        SANE_Word word = 0;
        std::memcpy(&word, buffer.data(), sizeof word);
        value = descriptor.type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : static_cast<double>(word);
        return ScanStatus::Good;
    }

    ScanStatus Set(Handle handle, const std::string& name, const ScanValue& value, ScanSetInfo& info) override
    {
        info = {};
        int index = -1;
        const SANE_Option_Descriptor* found = ValueOption(handle, name, index);
        if (!found)
            return ScanStatus::Unsupported;
        const SANE_Option_Descriptor& descriptor = *found;
        std::vector<char> buffer(static_cast<size_t>(descriptor.size) + 1, '\0');
        if (descriptor.type == SANE_TYPE_STRING) {
            const auto* text = std::get_if<std::string>(&value);
            if (!text || text->size() >= static_cast<size_t>(descriptor.size))
                return ScanStatus::Invalid;
            std::memcpy(buffer.data(), text->c_str(), text->size());
        } else {
            const auto* number = std::get_if<double>(&value);
            if (!number)
                return ScanStatus::Invalid;
            const SANE_Word word =
                descriptor.type == SANE_TYPE_FIXED ? SANE_FIX(*number) : static_cast<SANE_Word>(*number);
            std::memcpy(buffer.data(), &word, sizeof word);
        }
        SANE_Int flags = 0;
        const SANE_Status status = control_(handle, index, SANE_ACTION_SET_VALUE, buffer.data(), &flags);
        info.inexact = (flags & SANE_INFO_INEXACT) != 0;
        info.reloadOptions = (flags & SANE_INFO_RELOAD_OPTIONS) != 0;
        return ToStatus(status);
    }

    ScanStatus Start(Handle handle) override { return ToStatus(start_(handle)); }

    ScanStatus Parameters(Handle handle, ScanParameters& parameters) override
    {
        SANE_Parameters raw{};
        const SANE_Status status = getParameters_(handle, &raw);
        if (status != SANE_STATUS_GOOD)
            return ToStatus(status);
        if (raw.format < SANE_FRAME_GRAY || raw.format > SANE_FRAME_BLUE)
            return ScanStatus::Unsupported;
        parameters = {static_cast<ScanFrame>(raw.format), raw.last_frame != SANE_FALSE, raw.bytes_per_line,
                      raw.pixels_per_line, raw.lines, raw.depth};
        return ScanStatus::Good;
    }

    ScanStatus Read(Handle handle, std::uint8_t* buffer, int maximum, int& length) override
    {
        SANE_Int read = 0;
        const SANE_Status status = read_(handle, buffer, maximum, &read);
        length = status == SANE_STATUS_GOOD && read >= 0 && read <= maximum ? read : 0;
        if (status == SANE_STATUS_GOOD && (read < 0 || read > maximum))
            return ScanStatus::IoError;
        return ToStatus(status);
    }

    void Cancel(Handle handle) override
    {
        if (started_)
            cancel_(handle);
    }

private:
    void Load()
    {
        library_.setFileNameAndVersion("sane", 1);
        if (!library_.load())
            return;
        init_ = reinterpret_cast<SaneInit>(library_.resolve("sane_init"));
        exit_ = reinterpret_cast<SaneExit>(library_.resolve("sane_exit"));
        getDevices_ = reinterpret_cast<SaneGetDevices>(library_.resolve("sane_get_devices"));
        open_ = reinterpret_cast<SaneOpen>(library_.resolve("sane_open"));
        close_ = reinterpret_cast<SaneClose>(library_.resolve("sane_close"));
        descriptor_ = reinterpret_cast<SaneDescriptor>(library_.resolve("sane_get_option_descriptor"));
        control_ = reinterpret_cast<SaneControl>(library_.resolve("sane_control_option"));
        start_ = reinterpret_cast<SaneStart>(library_.resolve("sane_start"));
        getParameters_ = reinterpret_cast<SaneGetParameters>(library_.resolve("sane_get_parameters"));
        read_ = reinterpret_cast<SaneRead>(library_.resolve("sane_read"));
        cancel_ = reinterpret_cast<SaneCancel>(library_.resolve("sane_cancel"));
        if (!(init_ && exit_ && getDevices_ && open_ && close_ && descriptor_ && control_ && start_ && getParameters_ &&
              read_ && cancel_))
            return;
        SANE_Int version = 0;
        started_ = init_(&version, NoCredentials) == SANE_STATUS_GOOD;
    }

    int OptionCount(Handle handle)
    {
        SANE_Word count = 0;
        if (control_(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
            return 0;
        return count > MaxOptions ? MaxOptions : count;
    }

    // The believable descriptor of the named option that holds a value, and its index; null when none.
    const SANE_Option_Descriptor* ValueOption(Handle handle, const std::string& name, int& index)
    {
        for (index = 1; index < OptionCount(handle); ++index) {
            const SANE_Option_Descriptor* descriptor = descriptor_(handle, index);
            if (descriptor && Believable(*descriptor) && BoundedText(descriptor->name) == name)
                return HoldsValue(*descriptor) ? descriptor : nullptr;
        }
        return nullptr;
    }

    QLibrary library_;
    std::atomic<bool> started_{false};
    std::set<SANE_Handle> openHandles_;
    SaneInit init_ = nullptr;
    SaneExit exit_ = nullptr;
    SaneGetDevices getDevices_ = nullptr;
    SaneOpen open_ = nullptr;
    SaneClose close_ = nullptr;
    SaneDescriptor descriptor_ = nullptr;
    SaneControl control_ = nullptr;
    SaneStart start_ = nullptr;
    SaneGetParameters getParameters_ = nullptr;
    SaneRead read_ = nullptr;
    SaneCancel cancel_ = nullptr;
};

ScannerBackend* installed = nullptr;
// Never freed by the process's static teardown: SANE's backends have static data of their own
// that may be gone by then, and ending SANE without it crashes.
SaneScanner* processSane = nullptr;

} // namespace

ScannerBackend& Scanner()
{
    if (installed)
        return *installed;
    if (!processSane) {
        processSane = new SaneScanner;
        // The application's end runs on the thread that started SANE, after the windows are gone.
        if (QCoreApplication::instance())
            qAddPostRoutine(EndScanner);
    }
    return *processSane;
}

void EndScanner()
{
    if (processSane)
        processSane->End();
}

std::unique_ptr<ScannerBackend> StartSane()
{
    return std::make_unique<SaneScanner>();
}

ScannerBackend* SetScanner(ScannerBackend* backend)
{
    ScannerBackend* before = installed;
    installed = backend;
    return before;
}
