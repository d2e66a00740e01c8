#include "platform/ui/FileListBox.h"

#include "platform/core/FilePaths.h"
#include "platform/core/TextUtils.h"
#include "platform/ui/Masks.h"

#include <algorithm>

namespace {

// The folder part of a path without its final delimiter, except for the root itself.
std::string FolderOf(std::string_view path)
{
    const std::string folder = ExtractFilePath(path);
    const std::string dir = ExtractFileDir(path);
    return dir.empty() || dir.back() == ':' ? folder : dir;
}

} // namespace

template <typename Call> void TFileListBox::Notify(Call call)
{
    for (Observer* observer : observers_)
        call(*observer);
}

void TFileListBox::SetDirectory(std::string_view directory)
{
    const std::string dir(directory);
    directory_ = dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\') ? FolderOf(dir) : dir;
    Update();
}

void TFileListBox::SetMask(std::string_view mask)
{
    mask_ = mask;
    Update();
}

void TFileListBox::Update()
{
    items_.clear();
    if (!directory_.empty())
        for (std::string& name : ListFiles(directory_))
            if (name.front() != '.' && MatchesMaskList(name, mask_))
                items_.push_back(std::move(name));
    std::sort(items_.begin(), items_.end(), [](const std::string& a, const std::string& b) {
        const int order = CompareText(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    itemIndex_ = -1;
    Notify([](Observer& o) { o.ItemsChanged(); });
}

void TFileListBox::SetItemIndex(int index)
{
    itemIndex_ = index >= 0 && index < static_cast<int>(items_.size()) ? index : -1;
    Notify([](Observer& o) { o.ItemIndexChanged(); });
}

std::string TFileListBox::FileName() const
{
    if (itemIndex_ < 0)
        return std::string();
    return IncludeTrailingPathDelimiter(directory_) + items_[static_cast<size_t>(itemIndex_)];
}

void TFileListBox::SetFileName(std::string_view fileName)
{
    if (!ExtractFilePath(fileName).empty())
        SetDirectory(FolderOf(fileName));
    const std::string name = ExtractFileName(fileName);
    auto found = std::find(items_.begin(), items_.end(), name);
    if (found == items_.end())
        found =
            std::find_if(items_.begin(), items_.end(), [&](const std::string& item) { return SameText(item, name); });
    SetItemIndex(found == items_.end() ? -1 : static_cast<int>(found - items_.begin()));
}

void TFileListBox::AddObserver(Observer* observer)
{
    if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void TFileListBox::RemoveObserver(Observer* observer)
{
    observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}
