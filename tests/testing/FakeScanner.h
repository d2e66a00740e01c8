#pragma once

#include "platform/services/ScannerBackend.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A scripted scanner backend installed for the process while it lives. Every device shares the
// options and the queue of frames; each Start takes the next frame, NoDocs when none is left. It
// records what it was asked, as "open test:0", "set mode=Color", "start", "cancel"...
class FakeScanner : public ScannerBackend {
public:
    struct Frame {
        ScanStatus start = ScanStatus::Good;
        ScanParameters parameters;
        std::vector<std::uint8_t> data;
        // What the read after the data says.
        ScanStatus end = ScanStatus::Eof;
    };

    explicit FakeScanner(bool available = true) : available_(available) { before_ = SetScanner(this); }
    ~FakeScanner() override { SetScanner(before_); }
    FakeScanner(const FakeScanner&) = delete;
    FakeScanner& operator=(const FakeScanner&) = delete;

    // A grey frame of `width` x `height` of one value.
    static Frame GrayFrame(int width, int height, std::uint8_t value = 0x80)
    {
        Frame frame;
        frame.parameters = {ScanFrame::Gray, true, width, width, height, 8};
        frame.data.assign(static_cast<size_t>(width) * static_cast<size_t>(height), value);
        return frame;
    }

    // The options of a flatbed with a feeder, reached by their usual names.
    void AddUsualOptions()
    {
        options.push_back(Option("mode", ScanValueType::String, {}, {"Lineart", "Gray", "Color"}));
        options.push_back(Option("resolution", ScanValueType::Int, {75, 150, 300, 600}, {}));
        options.push_back(Option("depth", ScanValueType::Int, {1, 8, 16}, {}));
        options.push_back(Option("source", ScanValueType::String, {}, {"Flatbed", "Transparency Adapter", "ADF"}));
        for (const char* side : {"tl-x", "tl-y", "br-x", "br-y"})
            options.push_back(Option(side, ScanValueType::Fixed, {}, {}));
        values["mode"] = std::string("Gray");
        values["source"] = std::string("Flatbed");
        values["tl-x"] = 0.0;
        values["tl-y"] = 0.0;
        values["br-x"] = 215.9;
        values["br-y"] = 297.0;
    }

    bool Available() override { return available_; }
    ScanStatus Devices(std::vector<ScanDevice>& list) override
    {
        std::this_thread::sleep_for(searchTime);
        {
            std::lock_guard lock(mutex_);
            searchThreads_.push_back(std::this_thread::get_id());
        }
        list = devices;
        return ScanStatus::Good;
    }
    std::string DefaultDevice() override { return defaultDevice; }
    ScanStatus Open(const std::string& name, Handle& handle) override
    {
        Record("open " + name);
        handle = this;
        return openStatus;
    }
    void Close(Handle) override { Record("close"); }
    std::vector<ScanOption> Options(Handle) override { return options; }
    ScanStatus Get(Handle, const std::string& name, ScanValue& value) override
    {
        const auto found = values.find(name);
        if (found == values.end())
            return ScanStatus::Unsupported;
        value = found->second;
        return ScanStatus::Good;
    }
    ScanStatus Set(Handle, const std::string& name, const ScanValue& value, ScanSetInfo& info) override
    {
        const std::string text = std::holds_alternative<std::string>(value)
                                     ? std::get<std::string>(value)
                                     : std::to_string(static_cast<int>(std::get<double>(value)));
        Record("set " + name + "=" + text);
        info = {};
        const auto refused = refusals.find(name);
        if (refused != refusals.end())
            return refused->second;
        values[name] = value;
        return ScanStatus::Good;
    }
    ScanStatus Start(Handle) override
    {
        Record("start");
        std::lock_guard lock(mutex_);
        cancelled_ = false;
        if (frames.empty())
            return ScanStatus::NoDocs;
        current_ = frames.front();
        frames.pop_front();
        offset_ = 0;
        return current_.start;
    }
    ScanStatus Parameters(Handle, ScanParameters& parameters) override
    {
        std::lock_guard lock(mutex_);
        parameters = current_.parameters;
        return ScanStatus::Good;
    }
    ScanStatus Read(Handle, std::uint8_t* buffer, int maximum, int& length) override
    {
        length = 0;
        while (holdReads && !cancelled_)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (cancelled_)
            return ScanStatus::Cancelled;
        std::lock_guard lock(mutex_);
        if (offset_ >= current_.data.size())
            return current_.end;
        length = static_cast<int>(std::min<size_t>(static_cast<size_t>(maximum), current_.data.size() - offset_));
        std::memcpy(buffer, current_.data.data() + offset_, static_cast<size_t>(length));
        offset_ += static_cast<size_t>(length);
        return ScanStatus::Good;
    }
    void Cancel(Handle) override
    {
        cancelled_ = true;
        Record("cancel");
    }

    // The threads the device searches ran on, one per search.
    std::vector<std::thread::id> SearchThreads()
    {
        std::lock_guard lock(mutex_);
        return searchThreads_;
    }

    std::vector<std::string> Calls()
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // The calls that set an option, in order.
    std::vector<std::string> Sets()
    {
        std::vector<std::string> sets;
        for (const std::string& call : Calls())
            if (call.rfind("set ", 0) == 0)
                sets.push_back(call);
        return sets;
    }
    int Count(const std::string& call)
    {
        const std::vector<std::string> all = Calls();
        return static_cast<int>(std::count(all.begin(), all.end(), call));
    }

    std::vector<ScanDevice> devices{{"test:0", "Noname", "frontend-tester", "virtual device"}};
    std::string defaultDevice;
    std::vector<ScanOption> options;
    std::map<std::string, ScanValue> values;
    std::map<std::string, ScanStatus> refusals;
    std::deque<Frame> frames;
    ScanStatus openStatus = ScanStatus::Good;
    // Reads wait until cancelled.
    std::atomic<bool> holdReads{false};
    // How long a search for devices takes.
    std::chrono::milliseconds searchTime{0};

private:
    static ScanOption Option(const char* name, ScanValueType type, std::vector<double> numbers,
                             std::vector<std::string> texts)
    {
        ScanOption option;
        option.name = name;
        option.title = name;
        option.type = type;
        option.numbers = std::move(numbers);
        option.texts = std::move(texts);
        return option;
    }
    void Record(const std::string& call)
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }

    bool available_;
    ScannerBackend* before_ = nullptr;
    std::mutex mutex_;
    std::vector<std::string> calls_;
    std::vector<std::thread::id> searchThreads_;
    Frame current_;
    size_t offset_ = 0;
    std::atomic<bool> cancelled_{false};
};
