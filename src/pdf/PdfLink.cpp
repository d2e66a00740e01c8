#include "pdf/PdfLink.h"

#include "pdf/PdfDeviceWorkBuffer.h"
#include "pdf/PdfDictionaryStrings.h"

#include <array>
#include <utility>

namespace {

// Names of files to launch or open are cut to the longest a viewer takes.
constexpr std::size_t MaxFileLength = 256;

} // namespace

TPdfLink::TPdfLink(TPdfFileWriter* owner, std::string head, std::string target, std::string action)
    : TPdfCustomType(owner), head_(std::move(head)), target_(std::move(target)), action_(std::move(action))
{
}

std::string TPdfLink::AsString() { return HeadText() + ActionText(); }

// A widget's head holds its field's strings, which are encrypted as every string of the object.
std::string TPdfLink::HeadText() const
{
    if (!Encrypts())
        return head_;
    return PdfConvertDictionaryStrings(head_, [this](std::string_view bytes) { return EncryptStr(bytes); });
}

std::string TPdfLink::ActionText() const
{
    if (!action_.empty())
        return "/A << " + action_ + " >>";
    // Secure addresses are web addresses too; looked up as destination names they would lead nowhere.
    if (target_.starts_with("http://") || target_.starts_with("https://"))
        return ActionString("URI", "URI", target_);
    struct TFilePrefix {
        std::string_view prefix;
        std::string_view kind;
    };
    static constexpr std::array<TFilePrefix, 2> files{{{"Launch://", "Launch"}, {"GoToR://", "GoToR"}}};
    for (const TFilePrefix& file : files)
        if (target_.starts_with(file.prefix))
            return ActionString(file.kind, "F",
                                std::string_view(target_).substr(file.prefix.size()).substr(0, MaxFileLength));
    if (target_.empty() || !Destination)
        return {};
    return Destination(target_);
}

std::string TPdfLink::ActionString(std::string_view kind, std::string_view key, std::string_view value) const
{
    return "/A << /Type/Action/S/" + std::string(kind) + "/" + std::string(key) + " (" +
           PdfCleanString(EncryptStr(value)) + ") >>";
}
