#include "platform/core/Keyval.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/TextFile.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"

#include <algorithm>
#include <bit>
#include <functional>

namespace {

std::string_view NameOf(std::string_view line)
{
    const size_t equals = line.find('=');
    return equals == std::string_view::npos ? std::string_view() : line.substr(0, equals);
}

std::uint32_t HashOf(std::string_view name)
{
    return static_cast<std::uint32_t>(std::hash<std::string_view>{}(name));
}

} // namespace

KeyVal::KeyVal() = default;

KeyVal::~KeyVal() = default;

bool KeyVal::Open(std::string_view path, std::string_view mode)
{
    if (mode == "wt") {
        writer_.reset();
        writeFailed_ = false;
        writeError_.clear();
        try {
            writer_ = std::make_unique<TextFileWriter>(path);
        } catch (const EStreamError& error) {
            writeError_ = SysErrorMessage(error.ErrorCode());
            Ui().MessageBox(writeError_, "Could not open output file", MsgButtons::OK, MsgIcon::None);
            return false;
        }
        return true;
    }
    if (mode == "rt") {
        readOpen_ = false;
        lines_.clear();
        keySlots_.clear();
        path_ = std::string(path);
        try {
            lines_ = ReadTextFileLines(path);
        } catch (const EStreamError&) {
            Ui().MessageBox("Could not open file", "error 1", MsgButtons::OK, MsgIcon::None);
            return false;
        }
        firstLine = lines_.empty() ? std::string() : CutAtNonPrintable(lines_.front());
        IndexLines();
        readOpen_ = true;
        return true;
    }
    return true;
}

void KeyVal::IndexLines()
{
    // At most half the slots are taken, so that probes stay short.
    keySlots_.assign(std::bit_ceil(std::max<size_t>(lines_.size() * 2, 16)), KeySlot{});
    const size_t mask = keySlots_.size() - 1;
    firstOfKey_.assign(lines_.size(), false);
    nextLine_ = 0;
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string_view name = NameOf(lines_[i]);
        const std::uint32_t hash = HashOf(name);
        size_t slot = hash & mask;
        while (keySlots_[slot].linePlusOne != 0 &&
               !(keySlots_[slot].hash == hash && NameOf(lines_[keySlots_[slot].linePlusOne - 1]) == name))
            slot = (slot + 1) & mask;
        if (keySlots_[slot].linePlusOne != 0)
            continue;
        keySlots_[slot] = KeySlot{hash, static_cast<std::uint32_t>(i + 1)};
        firstOfKey_[i] = true;
    }
}

std::optional<size_t> KeyVal::FirstLineOf(std::string_view key) const
{
    if (keySlots_.empty())
        return std::nullopt;
    const size_t mask = keySlots_.size() - 1;
    const std::uint32_t hash = HashOf(key);
    for (size_t slot = hash & mask; keySlots_[slot].linePlusOne != 0; slot = (slot + 1) & mask) {
        const size_t line = keySlots_[slot].linePlusOne - 1;
        if (keySlots_[slot].hash == hash && NameOf(lines_[line]) == key)
            return line;
    }
    return std::nullopt;
}

bool KeyVal::Close()
{
    readOpen_ = false;
    lines_.clear();
    keySlots_.clear();
    if (!writer_)
        return true;
    std::unique_ptr<TextFileWriter> writer = std::move(writer_);
    if (writeFailed_)
        return false;
    try {
        writer->Commit();
    } catch (const EStreamError& error) {
        writeError_ = SysErrorMessage(error.ErrorCode());
        return false;
    }
    return true;
}

std::string KeyVal::GetValue(std::string_view key)
{
    if (!readOpen_)
        return {};
    std::optional<size_t> at = FoundAtNextLine(key);
    if (!at)
        at = FirstLineOf(key);
    if (!at) {
        lineCount = static_cast<int>(lines_.size());
        return {};
    }
    nextLine_ = *at + 1;
    lineCount = static_cast<int>(nextLine_);
    const std::string& line = lines_[*at];
    const size_t equals = line.find('=');
    return equals == std::string::npos ? std::string() : line.substr(equals + 1);
}

std::optional<size_t> KeyVal::FoundAtNextLine(std::string_view key) const
{
    if (nextLine_ < lines_.size() && firstOfKey_[nextLine_] && NameOf(lines_[nextLine_]) == key)
        return nextLine_;
    return std::nullopt;
}

bool KeyVal::WriteLine(std::string_view text)
{
    if (!writer_ || writeFailed_)
        return false;
    try {
        writer_->WriteLine(text);
    } catch (const EStreamError& error) {
        writeFailed_ = true;
        writeError_ = SysErrorMessage(error.ErrorCode());
        return false;
    }
    return true;
}
