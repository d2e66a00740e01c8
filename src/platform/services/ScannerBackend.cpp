#include "platform/services/ScannerBackend.h"

#include <sane/sane.h>

#include <QLibrary>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// Bounds on what a backend describes; beyond them a descriptor is not believed.
constexpr int MaxOptionSize = 64 * 1024;
constexpr int MaxListLength = 4096;
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

std::string BoundedText(const char* text)
{
    if (!text)
        return {};
    const void* end = std::memchr(text, '\0', MaxOptionSize);
    return end ? std::string(text) : std::string();
}

class SaneScanner : public ScannerBackend {
public:
    SaneScanner() { Load(); }
    ~SaneScanner() override
    {
        if (started_)
            exit_();
    }

    bool Available() override { return started_; }

    ScanStatus Devices(std::vector<ScanDevice>& devices) override
    {
        devices.clear();
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
        SANE_Handle opened = nullptr;
        const SANE_Status status = open_(name.c_str(), &opened);
        handle = status == SANE_STATUS_GOOD ? opened : nullptr;
        return ToStatus(status);
    }

    void Close(Handle handle) override { close_(handle); }

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
        const int index = IndexOf(handle, name);
        if (index < 0)
            return ScanStatus::Unsupported;
        const SANE_Option_Descriptor& descriptor = *descriptor_(handle, index);
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
        const int index = IndexOf(handle, name);
        if (index < 0)
            return ScanStatus::Unsupported;
        const SANE_Option_Descriptor& descriptor = *descriptor_(handle, index);
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

    void Cancel(Handle handle) override { cancel_(handle); }

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

    int IndexOf(Handle handle, const std::string& name)
    {
        for (int index = 1; index < OptionCount(handle); ++index) {
            const SANE_Option_Descriptor* descriptor = descriptor_(handle, index);
            if (descriptor && Believable(*descriptor) && BoundedText(descriptor->name) == name)
                return index;
        }
        return -1;
    }

    static bool Believable(const SANE_Option_Descriptor& descriptor)
    {
        if (descriptor.type < SANE_TYPE_BOOL || descriptor.type > SANE_TYPE_GROUP)
            return false;
        if (descriptor.type == SANE_TYPE_BUTTON || descriptor.type == SANE_TYPE_GROUP)
            return true;
        const int minimum = descriptor.type == SANE_TYPE_STRING ? 1 : static_cast<int>(sizeof(SANE_Word));
        if (descriptor.size < minimum || descriptor.size > MaxOptionSize)
            return false;
        if (descriptor.constraint_type == SANE_CONSTRAINT_WORD_LIST)
            return descriptor.constraint.word_list && descriptor.constraint.word_list[0] >= 0 &&
                   descriptor.constraint.word_list[0] <= MaxListLength;
        if (descriptor.constraint_type == SANE_CONSTRAINT_RANGE)
            return descriptor.constraint.range != nullptr;
        if (descriptor.constraint_type == SANE_CONSTRAINT_STRING_LIST)
            return descriptor.constraint.string_list != nullptr;
        return true;
    }

    static ScanOption Describe(const SANE_Option_Descriptor& descriptor)
    {
        ScanOption option;
        option.name = BoundedText(descriptor.name);
        option.title = BoundedText(descriptor.title);
        option.type = static_cast<ScanValueType>(descriptor.type);
        option.unit = descriptor.unit >= SANE_UNIT_NONE && descriptor.unit <= SANE_UNIT_MICROSECOND
                          ? static_cast<ScanUnit>(descriptor.unit)
                          : ScanUnit::None;
        option.active = SANE_OPTION_IS_ACTIVE(descriptor.cap);
        option.settable = SANE_OPTION_IS_SETTABLE(descriptor.cap);
        const auto number = [&](SANE_Word word) {
            return descriptor.type == SANE_TYPE_FIXED ? SANE_UNFIX(word) : static_cast<double>(word);
        };
        switch (descriptor.constraint_type) {
        case SANE_CONSTRAINT_WORD_LIST:
            for (int i = 1; i <= descriptor.constraint.word_list[0]; ++i)
                option.numbers.push_back(number(descriptor.constraint.word_list[i]));
            break;
        case SANE_CONSTRAINT_RANGE:
            option.hasRange = true;
            option.minimum = number(descriptor.constraint.range->min);
            option.maximum = number(descriptor.constraint.range->max);
            break;
        case SANE_CONSTRAINT_STRING_LIST:
            for (int i = 0; descriptor.constraint.string_list[i] && i < MaxListLength; ++i)
                option.texts.push_back(BoundedText(descriptor.constraint.string_list[i]));
            break;
        default:
            break;
        }
        return option;
    }

    QLibrary library_;
    bool started_ = false;
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

} // namespace

ScannerBackend& Scanner()
{
    if (installed)
        return *installed;
    // Started once, ended with the process.
    static SaneScanner sane;
    return sane;
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
