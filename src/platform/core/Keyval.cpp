#include "platform/core/Keyval.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/Exceptions.h"
#include "platform/core/TextFile.h"
#include "platform/core/TextUtils.h"
#include "platform/core/UiServices.h"

namespace {

std::string_view NameOf(std::string_view line)
{
    const size_t equals = line.find('=');
    return equals == std::string_view::npos ? std::string_view() : line.substr(0, equals);
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
        firstLineOfKey_.clear();
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
    firstLineOfKey_.reserve(lines_.size());
    firstOfKey_.assign(lines_.size(), false);
    nextLine_ = 0;
    for (size_t i = 0; i < lines_.size(); ++i)
        firstOfKey_[i] = firstLineOfKey_.emplace(NameOf(lines_[i]), i).second;
}

bool KeyVal::Close()
{
    readOpen_ = false;
    lines_.clear();
    firstLineOfKey_.clear();
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
    if (!at) {
        const auto found = firstLineOfKey_.find(key);
        if (found == firstLineOfKey_.end()) {
            lineCount = static_cast<int>(lines_.size());
            return {};
        }
        at = found->second;
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
